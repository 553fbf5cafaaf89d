// The Dock restart runs its tool only where both the tool and a Dock process exist, and says what
// the tool answered.
#include "Platform/DockRestart.h"
#include "common/LogCapture.h"
#include "common/ProcessUntil.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace corvanta::test {
namespace {

class DockRestartTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        config.tool = root.path() + QStringLiteral("/killall");
        config.processRoot = root.path() + QStringLiteral("/proc");
        addProcess(QStringLiteral("1"), "init\n");
        addProcess(QStringLiteral("self"), "Dock\n"); // not a process id
    }
    void addProcess(const QString& id, const QByteArray& comm)
    {
        QDir().mkpath(config.processRoot + QLatin1Char('/') + id);
        QFile file(config.processRoot + QLatin1Char('/') + id + QStringLiteral("/comm"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(comm);
    }
    // A stand-in tool that records its arguments and exits with `status`.
    void writeTool(int status)
    {
        QFile tool(config.tool);
        ASSERT_TRUE(tool.open(QIODevice::WriteOnly));
        tool.write("#!/bin/sh\necho \"$@\" >> \"" + QFile::encodeName(argumentsFile()) + "\"\nexit " + QByteArray::number(status) + "\n");
        tool.close();
        tool.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    QString argumentsFile() const { return root.path() + QStringLiteral("/arguments"); }
    QByteArray arguments() const
    {
        QFile file(argumentsFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir root;
    KillallDockRestarter::Config config;
    LogCapture log;
};

TEST_F(DockRestartTest, SkippedWithoutTheToolOrWithoutADock)
{
    addProcess(QStringLiteral("42"), "Dock\n");
    KillallDockRestarter(config).restart(); // no tool
    EXPECT_EQ(log.count(QStringLiteral("跳过重启 Dock")), 1);

    writeTool(0);
    QDir(config.processRoot + QStringLiteral("/42")).removeRecursively();
    addProcess(QStringLiteral("43"), "Dockyard\n");
    KillallDockRestarter restarter(config);
    EXPECT_FALSE(restarter.processRuns());
    restarter.restart();
    EXPECT_EQ(log.count(QStringLiteral("跳过重启 Dock")), 2);
    EXPECT_TRUE(arguments().isEmpty());
}

TEST_F(DockRestartTest, TheLogLineFollowsTheToolsExitStatus)
{
    addProcess(QStringLiteral("42"), "Dock\n");
    writeTool(0);
    KillallDockRestarter(config).restart();
    EXPECT_TRUE(processUntil([&] { return log.contains(QStringLiteral("DockManager: 已重启 Dock，新图标上屏")); }));
    EXPECT_EQ(arguments(), "Dock\n");

    writeTool(1); // no process matched after all, or not allowed
    KillallDockRestarter(config).restart();
    EXPECT_TRUE(processUntil([&] { return log.contains(QStringLiteral("DockManager: 重启 Dock 失败 — ")); }));
    EXPECT_EQ(log.count(QStringLiteral("已重启 Dock")), 1);
}

} // namespace
} // namespace corvanta::test
