#include "Platform/TerminationSignals.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <gtest/gtest.h>

#include <csignal>

using namespace corvanta;

TEST(TerminationSignals, EachTerminationSignalArrivesOnTheMainThreadInsteadOfKilling)
{
    TerminationSignals signals;
    ASSERT_TRUE(signals.isInstalled());
    QList<int> received;
    QObject::connect(&signals, &TerminationSignals::terminationRequested, [&](int n) { received << n; });
    for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
        ASSERT_EQ(::raise(number), 0);
        QDeadlineTimer deadline(5000);
        while (received.size() < 1 && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        ASSERT_EQ(received, QList<int>{number});
        received.clear();
    }
}
