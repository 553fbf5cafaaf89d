#include "Platform/ScreenSpace.h"

#include <gtest/gtest.h>

using namespace corvanta;

TEST(ScreenSpace, FlipsAboutThePrimaryScreenInBothDirections)
{
    struct Case {
        const char* what;
        QRectF primary; // Qt space
        QRectF qt;
        QRectF global;
    };
    const Case cases[] = {
        {"the primary itself", {0, 0, 1440, 900}, {0, 0, 1440, 900}, {0, 0, 1440, 900}},
        {"a top strip", {0, 0, 1440, 900}, {-4, -4, 1448, 30}, {-4, 874, 1448, 30}},
        {"a screen left of the primary", {0, 0, 1920, 1080}, {-1280, 280, 1280, 800}, {-1280, 0, 1280, 800}},
        {"a screen above the primary", {0, 0, 1920, 1080}, {0, -1080, 1920, 1080}, {0, 1080, 1920, 1080}},
        {"a primary that is not at Qt's origin", {1280, 0, 1920, 1080}, {0, 280, 1280, 800}, {-1280, 0, 1280, 800}},
    };
    for (const Case& c : cases) {
        const ScreenSpace space(c.primary);
        EXPECT_EQ(space.toGlobal(c.qt), c.global) << c.what;
        EXPECT_EQ(space.toQt(c.global), c.qt) << c.what;
    }
    const ScreenSpace space(QRectF(0, 0, 1440, 900));
    EXPECT_EQ(space.toGlobal(QPointF(100, 0)), QPointF(100, 900));
    EXPECT_EQ(space.toQt(space.toGlobal(QPointF(-20, 333))), QPointF(-20, 333));
}
