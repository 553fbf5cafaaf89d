#include "Models/ColorCodec.h"
#include "Models/LayoutConfigJson.h"

#include <gtest/gtest.h>

using namespace corvanta;

TEST(LayoutConfigJson, RecordRoundTrips)
{
    LayoutConfig config;
    config.rows = 6;
    config.iconScale = 1.15;
    config.hotCorner = HotCorner::bottomRight;
    config.backgroundColor = QStringLiteral("#FF800080");
    config.trackpadGesture = TrackpadGesture::off;
    const std::optional<LayoutConfig> decoded = decodeLayoutConfig(encodeLayoutConfig(config));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, config);
}

TEST(ColorCodec, DefaultBackgroundRoundTrips)
{
    EXPECT_EQ(toHexString(colorFromHex(QStringLiteral("#00000066"))), QStringLiteral("#00000066"));
}
