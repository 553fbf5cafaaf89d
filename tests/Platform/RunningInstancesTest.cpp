#include "Platform/RunningInstances.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace corvanta;

namespace {

// A process table with one folder per process and its "exe" link.
void addProcess(const QString& root, const QString& pid, const QString& executable)
{
    ASSERT_TRUE(QDir().mkpath(root + QLatin1Char('/') + pid));
    ASSERT_TRUE(QFile::link(executable, root + QLatin1Char('/') + pid + QStringLiteral("/exe")));
}

} // namespace

TEST(RunningInstances, OnlyOtherProcessesOfOurUserRunningOurExecutableCount)
{
    QTemporaryDir proc;
    const QString ours = QStringLiteral("/opt/corvanta/corvanta");
    addProcess(proc.path(), QStringLiteral("900"), ours);
    addProcess(proc.path(), QStringLiteral("77"), ours + QStringLiteral(" (deleted)")); // rebuilt since it started
    addProcess(proc.path(), QStringLiteral("500"), ours);                               // this process
    addProcess(proc.path(), QStringLiteral("501"), QStringLiteral("/usr/bin/corvanta")); // same name, other program
    addProcess(proc.path(), QStringLiteral("502"), ours + QStringLiteral("-helper"));
    addProcess(proc.path(), QStringLiteral("self"), ours);
    ASSERT_TRUE(QDir().mkpath(proc.path() + QStringLiteral("/503"))); // a process whose link is unreadable

    EXPECT_EQ(RunningInstances(proc.path(), ours, 500, ::geteuid()).others(), (QList<qint64>{77, 900}));
    // Processes of another user are never ours, whatever they run.
    EXPECT_TRUE(RunningInstances(proc.path(), ours, 500, ::geteuid() + 1).others().isEmpty());
    // Without knowing our own executable nothing is recognised.
    EXPECT_TRUE(RunningInstances(proc.path(), QString(), 500, ::geteuid()).others().isEmpty());
}
