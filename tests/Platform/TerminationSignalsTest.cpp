#include "Platform/TerminationSignals.h"
#include "common/ProcessUntil.h"


#include <gtest/gtest.h>

#include <csignal>

using namespace corvanta;
using corvanta::test::processUntil;

TEST(TerminationSignals, EachTerminationSignalArrivesOnTheMainThreadInsteadOfKilling)
{
    TerminationSignals signals;
    ASSERT_TRUE(signals.isInstalled());
    QList<int> received;
    QObject::connect(&signals, &TerminationSignals::terminationRequested, [&](int n) { received << n; });
    for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
        ASSERT_EQ(::raise(number), 0);
        processUntil([&] { return !received.isEmpty(); });
        ASSERT_EQ(received, QList<int>{number});
        received.clear();
    }
}
