// The drop zone as the running program computes it: the overlay window's points on its screen,
// against the strip the desktop's Dock windows leave.
#include "App/DockHost.h"
#include "Support/VirtualScheduler.h"
#include "common/FakeWindowing.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace corvanta::test {
namespace {

class DockHostTest : public ::testing::Test {
protected:
    DockHost& host()
    {
        if (!m_host) {
            screens.all = {makeScreen(QStringLiteral("A"), QRectF(0, 0, 1440, 900))};
            DockHost::Dependencies deps;
            deps.scheduler = &scheduler;
            deps.screens = &screens;
            deps.dockWindows = &docks;
            deps.overlayScreen = [this] { return overlayScreen; };
            deps.preferencesFolder = folder.path();
            m_host = std::make_unique<DockHost>(std::move(deps));
        }
        return *m_host;
    }
    // The overlay's frame: the screen grown by 4 pt on every side.
    static QRectF overlayFrame() { return QRectF(-4, -4, 1448, 908); }
    // A point of the screen as the overlay window sees it (origin bottom left).
    static QPointF windowPoint(double x, double y) { return {x + 4, y + 4}; }

    VirtualScheduler scheduler;
    FakeScreenProvider screens;
    FakeDockWindows docks;
    std::optional<DisplayScreen> overlayScreen = makeScreen(QStringLiteral("A"), QRectF(0, 0, 1440, 900));
    QTemporaryDir folder;
    std::unique_ptr<DockHost> m_host;
};

TEST_F(DockHostTest, TheZoneIsTheDockWindowsStripOnTheOverlaysScreen)
{
    docks.bounds = {QRectF(0, 852, 1440, 48)}; // window-server space: a bar along the bottom
    EXPECT_TRUE(host().dropZoneContains(windowPoint(700, 47), overlayFrame()));
    EXPECT_FALSE(host().dropZoneContains(windowPoint(700, 49), overlayFrame()));
    EXPECT_FALSE(host().dropZoneContains(windowPoint(2, 400), overlayFrame())) << "with a strip, the edges are not the zone";

    // The strip is read again once it has aged, not at every drag event.
    const int reads = docks.reads;
    host().dropZoneContains(windowPoint(700, 10), overlayFrame());
    EXPECT_EQ(docks.reads, reads);
    docks.bounds.clear();
    scheduler.advance(DockHost::kStripLifetime);
    EXPECT_FALSE(host().dropZoneContains(windowPoint(700, 47), overlayFrame()));
    for (const QPointF edge : {QPointF(700, 1), QPointF(1, 400), QPointF(1439, 400)})
        EXPECT_FALSE(host().dropZoneContains(windowPoint(edge.x(), edge.y()), overlayFrame())) << "no strip, no zone at any edge";

    overlayScreen.reset();
    EXPECT_FALSE(host().dropZoneContains(windowPoint(700, 2), overlayFrame())) << "no screen, no zone";
}

} // namespace
} // namespace corvanta::test
