#include "Views/GridMetrics.h"

#include <gtest/gtest.h>

using namespace corvanta;

TEST(GridMetrics, WorkedValues)
{
    struct Case {
        double w, h, scale;
        double marginX, columnPitch, rowPitch, padW, padH, iconSize, labelHeight, dots;
    };
    const Case cases[] = {
        {1440, 900, 1.0, 125, 170, 134.8, 15, 17, 72.8, 22, 88.92},
        {1440, 900, 1.2, 100, 177.14, 134.8, 14, 17, 86.8, 8, 88.92},
        {1728, 1117, 1.0, 76, 225.14, 178.2, 13, 14, 120.2, 18, 110.36},
        {2560, 1440, 1.0, 340, 268.57, 242.8, 16, 14, 128, 25, 142.27},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " scale " << c.scale);
        const GridMetrics m(QSizeF(c.w, c.h), 5, 7, c.scale);
        EXPECT_DOUBLE_EQ(m.marginX, c.marginX);
        EXPECT_NEAR(m.columnPitch, c.columnPitch, 0.01);
        EXPECT_NEAR(m.rowPitch, c.rowPitch, 0.01);
        EXPECT_DOUBLE_EQ(m.iconPadW, c.padW);
        EXPECT_DOUBLE_EQ(m.iconPadH, c.padH);
        EXPECT_NEAR(m.iconSize, c.iconSize, 0.01);
        EXPECT_NEAR(m.labelHeight, c.labelHeight, 0.01);
        EXPECT_NEAR(m.dotsBottomPadding, c.dots, 0.01);
        EXPECT_DOUBLE_EQ(m.vpadTop, 76);
        EXPECT_DOUBLE_EQ(m.vpadBottom, 65);
        EXPECT_LE(m.labelWidth, m.iconSize);
    }
}

TEST(GridMetrics, MarginJumpsAtThePieceBoundaries)
{
    struct Case {
        double width, iconScale, marginX;
    };
    const Case cases[] = {
        {1440, 1, 125}, {1441, 1, 147}, {1680, 1, 161}, {1681, 1, 76}, {1920, 1, 76}, {1921, 1, 272},
        {1440, 2, 16},  {1440, 2.5, 16},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(GridMetrics(QSizeF(c.width, 900), 5, 7, c.iconScale).marginX, c.marginX) << c.width;
}

TEST(GridMetrics, DegenerateInputsStayFinite)
{
    const GridMetrics zero(QSizeF(0, 0), 0, -3, 1);
    EXPECT_EQ(zero.rows, 1);
    EXPECT_EQ(zero.columns, 1);
    EXPECT_TRUE(std::isfinite(zero.iconSize));
    EXPECT_GE(zero.labelHeight, 0);

    // A cell too short for an icon: no icon box at all, and a negative size is allowed through.
    const GridMetrics squat(QSizeF(1440, 200), 5, 7, 1);
    EXPECT_LE(squat.iconSize, 0);
    EXPECT_GE(squat.labelHeight, 0);

    // A tall screen lifts both vertical pads to the same value.
    const GridMetrics tall(QSizeF(1440, 3000), 2, 7, 1);
    EXPECT_GT(tall.vpadTop, 76);
    EXPECT_DOUBLE_EQ(tall.vpadTop, tall.vpadBottom);
}
