#include "App/TargetScreens.h"
#include "Support/VirtualScheduler.h"
#include "common/FakeWindowing.h"
#include "common/LogCapture.h"

#include <gtest/gtest.h>

using namespace corvanta;

namespace {

struct Harness {
    test::FakeScreenProvider screens;
    test::FakeDockWindows docks;
    VirtualClock clock;
    TargetScreens targets{screens, docks, clock};
    DisplayScreen primary = test::makeScreen(QStringLiteral("primary"), {0, 0, 1920, 1080});
    DisplayScreen left = test::makeScreen(QStringLiteral("left"), {-1280, 0, 1280, 1024});
    DisplayScreen above = test::makeScreen(QStringLiteral("above"), {0, 1080, 1920, 1080});
};

// A bottom Dock window centred on `centre` (global space) as the window server reports it.
QRectF dockAt(const QPointF& centre, double primaryHeight)
{
    return {centre.x() - 300, primaryHeight - centre.y() - 35, 600, 70};
}

} // namespace

TEST(TargetScreens, ChoosesByPreferenceDockAndPointer)
{
    const struct {
        const char* what;
        const char* pointerOn; // screen name, or null for no screen
        const char* dockOn;    // null: no Dock window
        ScreenPreference preference;
        const char* expected;
    } cases[] = {
        {"one screen, Dock on it", "primary", "primary", ScreenPreference::dockScreen, "primary"},
        {"Dock on the secondary, pointer on the primary", "primary", "left", ScreenPreference::dockScreen, "left"},
        {"the pointer's screen shows the Dock too", "left", "left", ScreenPreference::dockScreen, "left"},
        {"no Dock: the pointer's screen", "left", nullptr, ScreenPreference::dockScreen, "left"},
        {"no Dock, pointer off every screen: the primary", nullptr, nullptr, ScreenPreference::dockScreen, "primary"},
        {"cursor preference", "primary", "left", ScreenPreference::cursorScreen, "primary"},
        {"cursor preference, pointer off every screen", nullptr, "left", ScreenPreference::cursorScreen, "primary"},
        {"main preference", "left", "left", ScreenPreference::mainScreen, "primary"},
    };
    for (const auto& c : cases) {
        Harness h;
        h.screens.all = {h.primary, h.left};
        const auto centreOf = [&](const char* name) { return centerOf(h.screens.screenNamed(QString::fromLatin1(name))->frame); };
        h.screens.mouse = c.pointerOn ? centreOf(c.pointerOn) : QPointF(5000, 5000);
        if (c.dockOn)
            h.docks.bounds = {dockAt(centreOf(c.dockOn), 1080)};
        EXPECT_EQ(h.targets.targetScreen(c.preference).name, QString::fromLatin1(c.expected)) << c.what;
    }
}

TEST(TargetScreens, TheDockCacheIsReadOncePerScreenConfiguration)
{
    Harness h;
    h.screens.all = {h.primary, h.left};
    // A Dock window centred at global (-800, 1050) maps by the primary's height alone to (-800, 30).
    h.docks.bounds = {QRectF(-1100, 1050 - 35, 600, 70), QRectF(0, 0, 0, 40) /* empty: skipped */};
    test::LogCapture log;
    h.targets.targetScreen(ScreenPreference::dockScreen);
    h.targets.targetScreen(ScreenPreference::dockScreen);
    EXPECT_EQ(h.docks.reads, 1);
    EXPECT_EQ(h.targets.screensWithDock(), QSet<QString>{QStringLiteral("left")});
    EXPECT_TRUE(log.contains(QStringLiteral("Dock 屏幕缓存重建 — 1 块屏有 Dock，耗时 0.0ms")));
    EXPECT_TRUE(log.contains(QStringLiteral("targetScreen: dockScreen {{-1280, 0}, {1280, 1024}}")));

    h.targets.invalidate();
    h.docks.bounds.clear();
    h.screens.mouse = QPointF(100, 100);
    EXPECT_EQ(h.targets.targetScreen(ScreenPreference::dockScreen).name, QStringLiteral("primary"));
    EXPECT_EQ(h.docks.reads, 2);
    EXPECT_TRUE(h.targets.screensWithDock().isEmpty());
}

TEST(TargetScreens, PrimaryAndReopenFallbacks)
{
    Harness h;
    EXPECT_TRUE(h.targets.primaryScreen().isNull()); // no screens at all: still an answer
    EXPECT_TRUE(h.targets.targetScreen(ScreenPreference::mainScreen).isNull());

    h.screens.all = {h.left, h.above};
    h.screens.main = h.above;
    EXPECT_EQ(h.targets.primaryScreen().name, QStringLiteral("above")); // none at the origin: the main screen
    h.screens.main.reset();
    EXPECT_EQ(h.targets.primaryScreen().name, QStringLiteral("left"));

    h.screens.all = {h.primary, h.left};
    h.screens.mouse = QPointF(-5000, 0);
    EXPECT_EQ(h.targets.dockScreenForReopen(), std::nullopt); // no Dock, pointer off screen: the show decides
    // The right and top edges belong to the next screen.
    h.screens.mouse = QPointF(0, 500);
    EXPECT_EQ(h.targets.cursorScreen()->name, QStringLiteral("primary"));
}
