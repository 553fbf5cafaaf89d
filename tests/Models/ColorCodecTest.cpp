#include "Models/ColorCodec.h"

#include <gtest/gtest.h>

using namespace corvanta;

TEST(ColorCodec, ReadsSixOrEightDigitsAfterTrimming)
{
    const struct {
        QString text;
        int red, green, blue, alpha;
    } cases[] = {
        {QStringLiteral("#FF8000"), 255, 128, 0, 255},
        {QStringLiteral("ff800080"), 255, 128, 0, 128},
        {QStringLiteral("#FFF"), 0, 0, 0, 255},
        {QStringLiteral("  #00000066\n"), 0, 0, 0, 102},
        {QStringLiteral("GHIJKLMN"), 0, 0, 0, 0},
        {QStringLiteral("0x1234"), 0, 0x12, 0x34, 255}, // six characters, the prefix among them
        {QStringLiteral("0X123456"), 0, 0x12, 0x34, 0x56},
        {QStringLiteral("0x12345678"), 0, 0, 0, 255},
        {QStringLiteral("12zz56"), 0, 0, 0x12, 255},      // reading stops at the first non-digit
        {QStringLiteral("#12 456"), 0, 0, 0x12, 255},     // inner characters stay and count
        {QStringLiteral("«ABCDEF»"), 0xAB, 0xCD, 0xEF, 255},
        {QStringLiteral("#ABCDEF0"), 0, 0, 0, 255},
        {QString(), 0, 0, 0, 255},
    };
    for (const auto& c : cases) {
        const QColor color = colorFromHex(c.text);
        EXPECT_EQ(color.red(), c.red) << c.text.toStdString();
        EXPECT_EQ(color.green(), c.green) << c.text.toStdString();
        EXPECT_EQ(color.blue(), c.blue) << c.text.toStdString();
        EXPECT_EQ(color.alpha(), c.alpha) << c.text.toStdString();
    }
}

TEST(ColorCodec, WritesClampedUpperCaseComponents)
{
    EXPECT_EQ(toHexString(Qt::white), QStringLiteral("#FFFFFFFF"));
    EXPECT_EQ(toHexString(colorFromHex(QStringLiteral("#00000066"))), QStringLiteral("#00000066"));
    EXPECT_EQ(toHexString(QColor::fromRgbF(0.5f, 0.2f, 1.0f, 0.0f)), QStringLiteral("#8033FF00"));
    EXPECT_EQ(toHexString(QColor::fromHsv(30, 255, 255)), QStringLiteral("#FF8000FF"));
    // Out-of-gamut components would otherwise print as three digits and read back as black.
    EXPECT_EQ(toHexString(QColor::fromRgbF(1.5f, -0.25f, 0.5f, 1.0f)), QStringLiteral("#FF0080FF"));
    EXPECT_EQ(toHexString(QColor()), QStringLiteral("#000000FF")) << "an invalid colour writes as opaque black";
    for (const char* text : {"#12345678", "#ABCDEF01", "#00FF7F80"})
        EXPECT_EQ(toHexString(colorFromHex(QLatin1StringView(text))), QLatin1StringView(text));
}
