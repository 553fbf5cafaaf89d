#include "App/AppDelegate.h"
#include "App/OverlayPresenter.h"
#include "Services/LayoutManager.h"
#include "Services/ShortcutManager.h"
#include "Views/TilehallWindow.h"
#include "common/LogCapture.h"

#include <QFile>

#include <QCoreApplication>

#include <gtest/gtest.h>

using namespace corvanta;

namespace {

AppDelegate::LaunchFacts coldStart()
{
    AppDelegate::LaunchFacts facts;
    facts.wasLaunchedAtLogin = [] { return false; };
    facts.launchedShortlyAfterBoot = [] { return false; };
    facts.loginItemEnabled = [] { return false; };
    return facts;
}

} // namespace

// One test: the delegates share the program's singletons (layout store, trigger service).
TEST(AppDelegate, StartsHiddenReopensThroughItsEntryAndOnlyTheOwnerWritesTheLayoutAtTermination)
{
    const QString layoutFile = LayoutManager::shared().layoutFilePath();
    QFile::remove(layoutFile);
    {
        // A copy that ends before it took the layout over leaves the file alone.
        AppDelegate early(coldStart());
        early.applicationWillTerminate();
        EXPECT_FALSE(early.ownsLayout());
        EXPECT_FALSE(QFile::exists(layoutFile));
    }

    test::LogCapture log;
    QCoreApplication::setApplicationVersion(QStringLiteral(CORVANTA_VERSION)); // as the program's main does
    AppDelegate delegate(coldStart());
    delegate.applicationDidFinishLaunching();
    EXPECT_EQ(delegate.launchMode(), LaunchMode::cold);
    EXPECT_TRUE(delegate.ownsLayout());
    ASSERT_NE(delegate.tilehallWindow(), nullptr);
    EXPECT_FALSE(delegate.tilehallWindow()->isVisible());
    EXPECT_FALSE(ShortcutManager::shared().isTilehallVisible());
    for (const char* line : {"=== Corvanta starting ===", "阶段29/65：启动来源 = 用户手动启动 [lgit标记=false, 刚开机=false, 已注册=未查询(已短路), 刚开机兜底=false]",
                             "Layout config: rows=", "Setting up tilehall window...", "Tilehall window created (hidden until shown)",
                             "Setting up shortcuts: key=F4", "开始扫描应用目录"})
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
