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
    // Children of this process between their fork and their exec run our executable; another
    // copy's child, or one whose status cannot be read, still counts.
    const auto withStatus = [&](const QString& pid, const QByteArray& status) {
        addProcess(proc.path(), pid, ours);
        QFile file(proc.path() + QLatin1Char('/') + pid + QStringLiteral("/stat"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(status);
    };
    withStatus(QStringLiteral("904"), "904 (corvanta) R 500 904 31 0 -1 4194624 93 0 0 0\n");
    withStatus(QStringLiteral("905"), "905 (gdbus) S) x (y) S 500 905 31\n"); // a name with parentheses and spaces
    withStatus(QStringLiteral("906"), "906 (corvanta) S 900 906 31 0 -1\n");
    withStatus(QStringLiteral("907"), "907 (corvanta\n");

    EXPECT_EQ(RunningInstances(proc.path(), ours, 500, ::geteuid()).others(), (QList<qint64>{77, 900, 906, 907}));
    // Processes of another user are never ours, whatever they run.
    EXPECT_TRUE(RunningInstances(proc.path(), ours, 500, ::geteuid() + 1).others().isEmpty());
    // Without knowing our own executable nothing is recognised.
    EXPECT_TRUE(RunningInstances(proc.path(), QString(), 500, ::geteuid()).others().isEmpty());
}

// A user logged in twice runs one copy per session: the runtime folder and the display tell them
// apart; a copy whose environment cannot be read counts as one of this session.
TEST(RunningInstances, CopiesAreToldApartByTheirRuntimeFolderAndDisplay)
{
    QTemporaryDir proc;
    const QString ours = QStringLiteral("/opt/corvanta/corvanta");
    const auto withEnvironment = [&](const QString& pid, const QByteArray& environment) {
        addProcess(proc.path(), pid, ours);
        QFile file(proc.path() + QLatin1Char('/') + pid + QStringLiteral("/environ"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(environment);
    };
    withEnvironment(QStringLiteral("10"), QByteArrayLiteral("HOME=/home/u\0XDG_RUNTIME_DIR=/run/user/1000\0DISPLAY=:0.0\0"));
    withEnvironment(QStringLiteral("11"), QByteArrayLiteral("XDG_RUNTIME_DIR=/run/user/1000\0DISPLAY=:1\0"));
    withEnvironment(QStringLiteral("12"), QByteArrayLiteral("XDG_RUNTIME_DIR=/tmp/other\0DISPLAY=:0\0"));
    addProcess(proc.path(), QStringLiteral("13"), ours); // no environment to read

    const RunningInstances::Session session{QStringLiteral("/run/user/1000"), QStringLiteral(":0")};
    const RunningInstances::Found found = RunningInstances(proc.path(), ours, 500, ::geteuid()).find(session);
    EXPECT_EQ(found.inSession, (QList<qint64>{10, 13}));
    EXPECT_EQ(found.elsewhere, (QList<qint64>{11, 12}));
    EXPECT_EQ(RunningInstances::displayWithoutScreen(QStringLiteral("localhost:10.0")), QStringLiteral("localhost:10"));
}
