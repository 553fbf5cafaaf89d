#include "Platform/WindowLevels.h"
#include "Support/NotificationCenter.h"
#include "Support/VirtualScheduler.h"
#include "Views/AccessibilityGuideWindow.h"
#include "common/FakeWindowing.h"
#include "common/LogCapture.h"

#include <QLabel>
#include <QPushButton>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QWindow>

#include <gtest/gtest.h>

using namespace corvanta;

namespace {

struct GuideFixture {
    VirtualScheduler scheduler;
    test::RecordedStack stack;
    NotificationCenter center;
    QObject context;
    bool trusted = false;
    int prompts = 0;
    QList<QVariantMap> granted;
    int skipped = 0;
    AccessibilityGuideWindowController guide{dependencies()};

    AccessibilityGuideWindowController::Dependencies dependencies()
    {
        center.addObserver(Notifications::accessibilityPermissionGranted, &context, [this](const QVariantMap& info) { granted << info; });
        center.addObserver(Notifications::accessibilitySkipPinchAndShow, &context, [this](const QVariantMap&) { ++skipped; });
        AccessibilityGuideWindowController::Dependencies deps;
        deps.scheduler = &scheduler;
        deps.stack = &stack.stack;
        deps.center = &center;
        deps.isTrusted = [this] { return trusted; };
        deps.requestTrust = [this] { ++prompts; };
        deps.openAccessibilitySettings = [] { return false; };
        return deps;
    }
};

QStringList labelTexts(QWidget* view)
{
    QStringList texts;
    for (QLabel* label : view->findChildren<QLabel*>())
        texts << label->text();
    return texts;
}

} // namespace

TEST(AccessibilityGuideWindow, AlreadyTrustedFinishesAtOnceWithoutAPanel)
{
    GuideFixture f;
    f.trusted = true;
    int onGranted = 0;
    f.guide.present(true, [&] { ++onGranted; });
    EXPECT_EQ(f.guide.panel(), nullptr);
    EXPECT_EQ(onGranted, 1);
    ASSERT_EQ(f.granted.size(), 1);
    EXPECT_EQ(f.granted[0].value(QStringLiteral("showTilehall")), QVariant(true));
}

TEST(AccessibilityGuideWindow, ShowsItsTextsAboveTheOverlayAndClosesWithinAPollOfTheGrant)
{
    GuideFixture f;
    test::LogCapture log;
    int onGranted = 0;
    f.guide.present(false, [&] { ++onGranted; });
    f.guide.present(true);  // a later request to show the grid adds to it
    f.guide.present(false); // and is never lowered
    ASSERT_TRUE(f.guide.isVisible());
    EXPECT_EQ(f.prompts, 3);
    EXPECT_EQ(f.guide.panel()->windowTitle(), QStringLiteral("Corvanta"));
    EXPECT_EQ(f.guide.view()->size(), QSize(460, 300));
    EXPECT_EQ(f.stack.stack.level(f.guide.panel()->windowHandle()), WindowLevel::aboveOverlay);
    EXPECT_EQ(labelTexts(f.guide.view()),
              (QStringList{"需要辅助功能权限", "四指/五指捏合依赖辅助功能才能接收触控板手势。授权完成前不会打开全屏瓦厅，以免盖住系统授权窗口。",
                           "1. 点击「打开系统设置」", "2. 在「辅助功能」列表中打开 Corvanta（请勿用「+」手动添加）",
                           "3. 授权后本窗口会自动关闭，手势立即生效"}));
    EXPECT_EQ(f.guide.view()->laterButton()->text(), QStringLiteral("稍后再说"));
    EXPECT_EQ(f.guide.view()->skipButton()->text(), QStringLiteral("不用捏合，先打开"));
    EXPECT_EQ(f.guide.view()->openSettingsButton()->text(), QStringLiteral("打开系统设置"));
    EXPECT_TRUE(f.guide.view()->openSettingsButton()->isDefault());
    EXPECT_TRUE(log.contains(QStringLiteral("阶段151：展示辅助功能引导小窗（showWhenGranted=true）")));

    // The settings link has nowhere to go here: logged, and the panel stays with its poll.
    f.guide.view()->openSettingsButton()->click();
    EXPECT_TRUE(f.guide.isVisible());
    EXPECT_EQ(f.prompts, 4);

    f.scheduler.advance(0.6);
    EXPECT_TRUE(f.guide.isVisible());
    f.trusted = true;
    f.scheduler.advance(0.6);
    EXPECT_FALSE(f.guide.isVisible());
    EXPECT_EQ(onGranted, 1);
    ASSERT_EQ(f.granted.size(), 1);
    EXPECT_EQ(f.granted[0].value(QStringLiteral("showTilehall")), QVariant(true));
    EXPECT_TRUE(log.contains(QStringLiteral("阶段151：辅助功能已授权，关闭引导小窗（随后唤出=true）")));
    f.scheduler.advance(5); // the poll stopped
    EXPECT_EQ(f.granted.size(), 1);
}

TEST(AccessibilityGuideWindow, TheUserClosingItDropsTheRequestToShowTheGrid)
{
    for (const char* how : {"close button", "later", "esc"}) {
        GuideFixture f;
        test::LogCapture log;
        int onDismiss = 0, onGranted = 0;
        f.guide.present(true, [&] { ++onGranted; }, [&] { ++onDismiss; });
        if (QByteArray(how) == "close button")
            f.guide.panel()->close();
        else if (QByteArray(how) == "later")
            f.guide.view()->laterButton()->click();
        else
        {
            QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QCoreApplication::sendEvent(f.guide.panel(), &esc);
        }
        EXPECT_FALSE(f.guide.isVisible()) << how;
        EXPECT_EQ(onDismiss, 1) << how;
        EXPECT_FALSE(f.guide.showTilehallWhenGranted()) << how;
        EXPECT_TRUE(log.contains(QStringLiteral("阶段151：用户关闭辅助功能引导小窗"))) << how;

        // A later grant through a new present no longer opens the grid by itself.
        f.trusted = true;
        f.guide.present(false);
        ASSERT_EQ(f.granted.size(), 1) << how;
        EXPECT_EQ(f.granted[0].value(QStringLiteral("showTilehall")), QVariant(false)) << how;
        EXPECT_EQ(onDismiss, 1) << how;
        EXPECT_EQ(onGranted, 1) << how; // still stored: a dismissal consumes only onDismiss
    }
}

TEST(AccessibilityGuideWindow, SkipHidesThePanelAndAsksForTheGridWithoutThePinch)
{
    GuideFixture f;
    test::LogCapture log;
    f.guide.present(true);
    f.guide.view()->skipButton()->click();
    EXPECT_FALSE(f.guide.isVisible());
    EXPECT_EQ(f.skipped, 1);
    EXPECT_FALSE(f.guide.showTilehallWhenGranted());
    EXPECT_TRUE(log.contains(QStringLiteral("阶段151：用户选择暂不使用捏合，直接打开瓦厅")));
    f.trusted = true;
    f.scheduler.advance(5);
    EXPECT_TRUE(f.granted.isEmpty()); // the poll stopped with the skip
}
