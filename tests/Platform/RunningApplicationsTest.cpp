#include "Platform/RunningApplications.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace corvanta;

// A process table laid out like /proc: the instances are the processes whose executable lies
// inside the bundle folder (not in a sibling whose name merely begins the same way).
TEST(ProcRunningApplications, FindsProcessesRunningFromTheBundle)
{
    QTemporaryDir dir;
    const QString proc = dir.path();
    auto process = [&](const QString& pid, const QString& exe) {
        QDir().mkpath(proc + u'/' + pid);
        ASSERT_EQ(::symlink(QFile::encodeName(exe).constData(), QFile::encodeName(proc + u'/' + pid + QStringLiteral("/exe")).constData()), 0);
    };
    process(QStringLiteral("101"), QStringLiteral("/Applications/Foo.app/Contents/MacOS/Foo"));
    process(QStringLiteral("102"), QStringLiteral("/Applications/Foo.app2/Contents/MacOS/Foo"));
    process(QStringLiteral("103"), QStringLiteral("/Applications/Foo.app/Contents/Helpers/Agent"));
    process(QStringLiteral("self"), QStringLiteral("/Applications/Foo.app/Contents/MacOS/Foo"));
    process(QString::number(::getpid()), QStringLiteral("/Applications/Foo.app/Contents/MacOS/Foo"));
    QDir().mkpath(proc + QStringLiteral("/104"));

    const ProcRunningApplications running(proc);
    QList<qint64> found = running.processes(QStringLiteral("com.acme.foo"), QStringLiteral("/Applications/Foo.app"));
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, QList<qint64>({101, 103}));
    EXPECT_TRUE(running.processes(QStringLiteral("com.acme.foo"), QString()).isEmpty());
}
