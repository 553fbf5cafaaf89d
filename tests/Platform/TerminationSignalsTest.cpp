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

// The program installs the handlers first thing, long before its event loop and the object that
// reads them exist: a signal in between is kept for that object, not lost and not fatal.
TEST(TerminationSignals, ASignalBeforeTheReaderExistsReachesItOnceItDoes)
{
    ASSERT_TRUE(TerminationSignals::installHandlers());
    ASSERT_EQ(::raise(SIGTERM), 0);
    TerminationSignals signals;
    ASSERT_TRUE(signals.isInstalled());
    QList<int> received;
    QObject::connect(&signals, &TerminationSignals::terminationRequested, [&](int n) { received << n; });
    processUntil([&] { return !received.isEmpty(); });
    EXPECT_EQ(received, QList<int>{SIGTERM});
}
