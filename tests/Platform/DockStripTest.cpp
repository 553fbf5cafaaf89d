// Where the Dock lies on a screen, in the global space (origin bottom left, y up).
#include "Platform/DockStrip.h"
#include "common/QtPrinters.h"

#include <gtest/gtest.h>

namespace corvanta::test {
namespace {

const QRectF kScreen(0, 0, 1440, 900);

TEST(DockStrip, FromTheFrameAndTheVisibleFrame)
{
    struct Case {
        const char* what;
        QRectF frame;
        QRectF visible;
        std::optional<QRectF> strip;
    };
    const Case cases[] = {
        {"bottom", kScreen, QRectF(0, 70, 1440, 805), QRectF(0, 0, 1440, 70)},
        {"left", kScreen, QRectF(64, 0, 1376, 875), QRectF(0, 0, 64, 900)},
        {"right", kScreen, QRectF(0, 0, 1376, 875), QRectF(1376, 0, 64, 900)},
        {"bottom wins over a left gap", kScreen, QRectF(30, 70, 1410, 805), QRectF(0, 0, 1440, 70)},
        {"hidden: only the menu bar is left out", kScreen, QRectF(0, 0, 1440, 875), std::nullopt},
        {"a gap of 1 pt is no Dock", kScreen, QRectF(1, 1, 1438, 874), std::nullopt},
        {"second screen", QRectF(1440, 100, 1920, 1080), QRectF(1440, 160, 1920, 995), QRectF(1440, 100, 1920, 60)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DockStrip::strip(c.frame, c.visible), c.strip) << c.what;
}

TEST(DockStrip, DockWindowsOnAnEdgeTakeTheirBand)
{
    struct Case {
        const char* what;
        QList<QRectF> docks;
        QRectF visible;
    };
    const Case cases[] = {
        {"none", {}, kScreen},
        {"bottom bar", {QRectF(0, 0, 1440, 48)}, QRectF(0, 48, 1440, 852)},
        {"short bottom dock in the middle", {QRectF(500, 0, 440, 60)}, QRectF(0, 60, 1440, 840)},
        {"left column", {QRectF(0, 200, 64, 500)}, QRectF(64, 0, 1376, 900)},
        {"right column", {QRectF(1380, 100, 60, 700)}, QRectF(0, 0, 1380, 900)},
        {"a top panel is not the Dock", {QRectF(0, 876, 1440, 24)}, kScreen},
        {"a dock on another screen", {QRectF(1440, 0, 1920, 48)}, kScreen},
        {"floating, off the edges", {QRectF(400, 300, 600, 40)}, kScreen},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DockStrip::visibleFrameBeside(kScreen, c.docks), c.visible) << c.what;

    // The window server's rectangles have their origin top left.
    EXPECT_EQ(DockStrip::toGlobal({QRectF(0, 852, 1440, 48)}, 900), QList<QRectF>({QRectF(0, 0, 1440, 48)}));
}

TEST(DockStrip, DropZone)
{
    const QRectF left(0, 0, 64, 900);
    struct Case {
        const char* what;
        QPointF point;
        std::optional<QRectF> strip;
        bool inside;
    };
    const Case cases[] = {
        {"Dock on the left, 1 pt right of the edge", QPointF(1, 450), left, true},
        {"Dock on the left, past the strip", QPointF(65, 450), left, false},
        {"Dock on the left, the bottom edge is not it", QPointF(700, 2), left, false},
        // No Dock on the screen: no edge stands in for one.
        {"no Dock, at the bottom edge", QPointF(700, 1), std::nullopt, false},
        {"no Dock, at the left edge", QPointF(1, 400), std::nullopt, false},
        {"no Dock, at the right edge", QPointF(1439, 400), std::nullopt, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DockStrip::dropZoneContains(c.point, c.strip), c.inside) << c.what;
}

} // namespace
} // namespace corvanta::test
