#include "App/AppDelegate.h"
#include "App/OverlayPresenter.h"
#include "Platform/MessageBus.h"
#include "Platform/UserDefaults.h"
#include "Services/LayoutManager.h"
#include "Services/ShortcutManager.h"
#include "Support/NotificationCenter.h"
#include "Views/ColdStartSplashWindow.h"
#include "Views/TilehallWindow.h"
#include "common/LogCapture.h"
#include "common/ProcessUntil.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <QCoreApplication>

#include <gtest/gtest.h>

using namespace corvanta;

namespace {

// No other copy runs unless the test says so (parallel test processes are never taken for one).
AppDelegate::LaunchFacts launch(bool atLogin, QList<qint64> others = {})
{
    AppDelegate::LaunchFacts facts;
    facts.wasLaunchedAtLogin = [atLogin] { return atLogin; };
    facts.launchedShortlyAfterBoot = [] { return false; };
    facts.loginItemEnabled = [] { return false; };
    facts.otherInstances = [others] { return others; };
    return facts;
}

QByteArray settingsFileBytes()
{
    QFile file(QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)).filePath(QStringLiteral("Corvanta/Corvanta.conf")));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// One test per start: the delegates share the program's singletons (layout store, trigger service).
TEST(AppDelegate, ALoginStartStaysHiddenReopensThroughItsEntryAndOnlyTheOwnerWritesTheLayoutAtTermination)
{
    const QString layoutFile = LayoutManager::shared().layoutFilePath();
    QFile::remove(layoutFile);
    {
        // A copy that ends before it took the layout over leaves the file alone.
        AppDelegate early(launch(true));
        early.applicationWillTerminate();
        EXPECT_FALSE(early.ownsLayout());
        EXPECT_FALSE(QFile::exists(layoutFile));
    }

    test::LogCapture log;
    QCoreApplication::setApplicationVersion(QStringLiteral(CORVANTA_VERSION)); // as the program's main does
    AppDelegate delegate(launch(true));
    delegate.applicationDidFinishLaunching();
    EXPECT_EQ(delegate.launchMode(), LaunchMode::login);
    EXPECT_TRUE(delegate.ownsLayout());
    ASSERT_NE(delegate.tilehallWindow(), nullptr);
    EXPECT_FALSE(delegate.tilehallWindow()->isVisible());
    EXPECT_FALSE(ShortcutManager::shared().isTilehallVisible());
    EXPECT_FALSE(ColdStartSplashWindowController::shared().isVisible());
    for (const char* line : {"=== Corvanta starting ===", "阶段29/65：启动来源 = 登录项（开机自启动） [lgit标记=true, 刚开机=false, 已注册=未查询(已短路), 刚开机兜底=false]",
                             "Layout config: rows=", "Setting up tilehall window...", "Tilehall window created (hidden until shown)",
                             "Setting up shortcuts: key=F4", "开始扫描应用目录", "扩展=false；瓦厅保持隐藏待命"})
        EXPECT_TRUE(log.contains(QString::fromUtf8(line))) << line;
    // The build is the commit, not the version again, and the system is named as what it is.
    EXPECT_TRUE(log.contains(QStringLiteral("App version: " CORVANTA_VERSION " (build ")));
    EXPECT_FALSE(log.contains(QStringLiteral("(build " CORVANTA_VERSION ")")));
    EXPECT_FALSE(log.contains(QStringLiteral("macOS: ")));
    EXPECT_TRUE(log.contains(QStringLiteral("Linux: ")));

    // Running the program again is the reopen: it shows the overlay, and again hides it.
    EXPECT_TRUE(delegate.applicationShouldHandleReopen(false));
    EXPECT_TRUE(ShortcutManager::shared().isTilehallVisible());
    EXPECT_TRUE(delegate.tilehallWindow()->isVisible());
    EXPECT_TRUE(log.contains(QStringLiteral("Tilehall shown — isVisible=true")));
    EXPECT_TRUE(delegate.applicationShouldHandleReopen(true));
    EXPECT_FALSE(ShortcutManager::shared().isTilehallVisible());

    delegate.applicationWillTerminate();
    delegate.applicationWillTerminate(); // once only
    EXPECT_EQ(log.count(QStringLiteral("=== Corvanta terminating ===")), 1);
    EXPECT_FALSE(delegate.tilehallWindow()->isVisible());
    EXPECT_TRUE(QFile::exists(layoutFile));
    EXPECT_FALSE(ShortcutManager::shared().hotKey().isRegistered());
}

TEST(AppDelegate, AStartByHandShowsTheSplashWhileItPreparesAndThenTheGrid)
{
    UserDefaults::standard().setBool(QString::fromLatin1(AppDelegate::didAskFourFingerPinchTakeoverKey), true);
    test::LogCapture log;
    AppDelegate delegate(launch(false));
    delegate.applicationDidFinishLaunching();
    EXPECT_EQ(delegate.launchMode(), LaunchMode::cold);
    EXPECT_TRUE(log.contains(QStringLiteral("阶段154/155：展示冷启动进度小窗（0.9s）")));
    EXPECT_TRUE(log.contains(QStringLiteral("扩展=true；瓦厅保持隐藏待命")));
    ASSERT_TRUE(test::processUntil([] { return ShortcutManager::shared().isTilehallVisible(); }));
    EXPECT_TRUE(log.contains(QStringLiteral("Showing tilehall after cold-start splash")));
    EXPECT_FALSE(ColdStartSplashWindowController::shared().isVisible());
    EXPECT_TRUE(delegate.tilehallWindow()->isVisible());
    EXPECT_FALSE(delegate.presenter().isColdStartSplashActive());
    delegate.applicationWillTerminate();
}

TEST(AppDelegate, ASecondCopyAsksTheRunningOneToShowTheGridAndEndsWritingNothing)
{
    QTemporaryDir runtime;
    const QString folder = runtime.path() + QStringLiteral("/bus");
    MessageBus running(folder, QStringLiteral("4242"));
    QObject context;
    int showRequests = 0;
    running.addObserver(Notifications::tilehallShouldShow, &context, [&](const QVariantMap&) { ++showRequests; });
    MessageBus secondBus(folder, QStringLiteral("second"));

    const QString layoutFile = LayoutManager::shared().layoutFilePath();
    QFile::remove(layoutFile);
    test::LogCapture log;
    AppDelegate::LaunchFacts facts = launch(false, {4242});
    facts.bus = &secondBus;
    AppDelegate second(std::move(facts));
    const QByteArray settingsBefore = settingsFileBytes();
    second.applicationDidFinishLaunching();

    EXPECT_TRUE(log.contains(QStringLiteral("检测到已有实例在运行：[4242]，请求它显示瓦厅")));
    EXPECT_TRUE(log.contains(QStringLiteral("已有实例在运行，本实例退出")));
    EXPECT_EQ(second.tilehallWindow(), nullptr);
    EXPECT_FALSE(log.contains(QStringLiteral("阶段154/155：展示冷启动进度小窗")));
    EXPECT_FALSE(log.contains(QStringLiteral("Setting up shortcuts")));
    ASSERT_TRUE(test::processUntil([&] { return showRequests == 1; }));

    second.applicationWillTerminate();
    EXPECT_TRUE(log.contains(QStringLiteral("=== Corvanta terminating ===")));
    EXPECT_FALSE(QFile::exists(layoutFile));
    EXPECT_EQ(settingsFileBytes(), settingsBefore);
}
