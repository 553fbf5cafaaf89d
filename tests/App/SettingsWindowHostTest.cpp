// The settings window host: a floating window while the grid is hidden, a sheet above the grid with
// the menu-bar strip dimmed while it is shown; one window, kept across openings.

#include "App/SettingsWindowHost.h"
#include "Platform/WindowLevels.h"
#include "Services/LayoutTestSupport.h"
#include "Support/InteractionManager.h"
#include "common/FakeWindowing.h"
#include "common/LogCapture.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QWindow>

#include <gtest/gtest.h>

namespace corvanta::test {
namespace {

class SettingsWindowHostTest : public LayoutHarness {
protected:
    void SetUp() override
    {
        makeStore();
        overlay.setGeometry(0, 0, 1440, 900);
        SettingsWindowHost::Dependencies deps;
        deps.scheduler = &scheduler;
        deps.stack = &windows.stack;
        deps.engine = &engine;
        deps.overlay = [this] { return &overlay; };
        deps.setCoverScrim = [this](double opacity) { coverScrims.append(opacity); };
        deps.services = [this] {
            SettingsServices services;
            services.layoutManager = store.get();
            services.defaults = &defaults;
            return services;
        };
        host = std::make_unique<SettingsWindowHost>(std::move(deps));
    }

    int settingsLevel() { return windows.stack.level(host->settingsWindow()->windowHandle()); }

    // Esc where the keyboard is when the window opens (its tab bar).
    void pressEscape()
    {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(host->settingsView()->tabs()->tabBar(), &press);
    }
    // Whether the window is on screen, as the widget and its native window both have it.
    bool shown()
    {
        QDialog* window = host->settingsWindow();
        EXPECT_EQ(window->isVisible(), window->windowHandle() && window->windowHandle()->isVisible());
        return window->isVisible();
    }

    RecordedStack windows;
    InteractionManager engine;
    QWidget overlay;
    QList<double> coverScrims;
    std::unique_ptr<SettingsWindowHost> host;
};

TEST_F(SettingsWindowHostTest, ClosingBeforeTheFirstOpeningDoesNothing)
{
    host->closeSettingsSheet();
    EXPECT_EQ(host->settingsWindow(), nullptr);
    EXPECT_TRUE(coverScrims.isEmpty());
}

TEST_F(SettingsWindowHostTest, WithTheGridHiddenItIsAFloatingWindow)
{
    LogCapture log;
    host->openSettings();
    ASSERT_NE(host->settingsWindow(), nullptr);
    EXPECT_TRUE(log.contains(QStringLiteral("openSettings() called")));
    EXPECT_EQ(host->settingsWindow()->windowTitle(), QStringLiteral("Corvanta 设置"));
    EXPECT_EQ(host->settingsWindow()->size(), QSize(500, 470));
    EXPECT_TRUE(host->settingsWindow()->isVisible());
    EXPECT_EQ(settingsLevel(), WindowLevel::floating);
    EXPECT_FALSE(host->isSheet());
    EXPECT_DOUBLE_EQ(engine.modalScrimOpacity(), 0);
    EXPECT_TRUE(coverScrims.isEmpty());
}

TEST_F(SettingsWindowHostTest, OverTheGridItIsASheetThatDimsTheStripUntilItEnds)
{
    overlay.show();
    LogCapture log;
    host->openSettings();
    EXPECT_TRUE(host->isSheet());
    EXPECT_DOUBLE_EQ(engine.modalScrimOpacity(), 0.35);
    EXPECT_EQ(coverScrims, QList<double>{0.35});
    scheduler.runPending();
    EXPECT_EQ(settingsLevel(), WindowLevel::aboveOverlay);
    EXPECT_TRUE(log.contains(QStringLiteral("设置 sheet level=27（目标 aboveOverlay=27）")));

    // The done button ends the sheet.
    host->settingsView()->findChild<QPushButton*>(QStringLiteral("done"))->click();
    EXPECT_FALSE(host->settingsWindow()->isVisible());
    EXPECT_DOUBLE_EQ(engine.modalScrimOpacity(), 0);
    EXPECT_EQ(coverScrims, (QList<double>{0.35, 0}));

    // So does the window's own close.
    host->openSettings();
    host->settingsWindow()->reject();
    EXPECT_DOUBLE_EQ(engine.modalScrimOpacity(), 0);
}

TEST_F(SettingsWindowHostTest, TheWindowAndItsChosenTabSurviveClosing)
{
    host->openSettings();
    QDialog* first = host->settingsWindow();
    host->settingsView()->tabs()->setCurrentIndex(3);
    host->closeSettingsSheet();
    host->openSettings();
    EXPECT_EQ(host->settingsWindow(), first);
    EXPECT_EQ(host->settingsView()->tabs()->currentIndex(), 3);
}

// Esc and the title bar's close act as the done button does, however often: the window opens again
// every time, and the done button closes it after them.
TEST_F(SettingsWindowHostTest, EscAndTheTitleBarsCloseEndItLikeTheDoneButtonEveryTime)
{
    overlay.show();
    for (int round = 0; round < 3; ++round) {
        host->openSettings();
        scheduler.runPending();
        ASSERT_TRUE(shown()) << "round " << round;
        EXPECT_DOUBLE_EQ(engine.modalScrimOpacity(), 0.35);
        pressEscape();
        EXPECT_FALSE(shown()) << "round " << round;
        EXPECT_DOUBLE_EQ(engine.modalScrimOpacity(), 0);
        EXPECT_FALSE(host->isSheet());
        // The grid behind it has the keyboard again.
        ASSERT_FALSE(windows.log->focused.isEmpty());
        EXPECT_EQ(windows.log->focused.last(), overlay.windowHandle());
    }
    host->openSettings();
    ASSERT_TRUE(shown());
    host->settingsView()->findChild<QPushButton*>(QStringLiteral("done"))->click();
    EXPECT_FALSE(shown()) << "the done button no longer closes it";

    host->openSettings();
    ASSERT_TRUE(shown());
    host->settingsWindow()->windowHandle()->close();
    EXPECT_FALSE(shown());
    EXPECT_DOUBLE_EQ(engine.modalScrimOpacity(), 0);
    host->openSettings();
    EXPECT_TRUE(shown()) << "no window after the title bar's close";
    // Closing every window, as the toolkit does when the program quits, finds it gone.
    QApplication::closeAllWindows();
    EXPECT_FALSE(shown());
}

} // namespace
} // namespace corvanta::test
