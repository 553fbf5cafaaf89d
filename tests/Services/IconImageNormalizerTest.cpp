#include "Services/IconImageNormalizer.h"

#include "common/BundleBuilder.h"

#include <gtest/gtest.h>

using namespace corvanta;
using namespace corvanta::test;

namespace {

bool sameImage(const QImage& a, const QImage& b) { return a.cacheKey() == b.cacheKey(); }

} // namespace

TEST(IconImageNormalizer, LeavesAloneWhatNeedsNoTrim)
{
    QImage opaque(256, 256, QImage::Format_RGB32);
    opaque.fill(Qt::white);
    EXPECT_TRUE(sameImage(IconImageNormalizer::trimmed(opaque), opaque));

    const QImage null;
    EXPECT_TRUE(IconImageNormalizer::trimmed(null).isNull());

    const QImage empty = iconWithContent({64, 64}, {});
    EXPECT_TRUE(sameImage(IconImageNormalizer::trimmed(empty), empty));
}

TEST(IconImageNormalizer, EdgeAndExtentThresholds)
{
    // On a 64-pixel icon the analysis raster is the icon itself.
    const struct {
        const char* name;
        QRect content;
        bool trimmed;
    } cases[] = {
        {"reaches rows and columns 2 to 61", QRect(QPoint(2, 2), QPoint(61, 61)), false},
        {"spans rows and columns 3 to 60", QRect(QPoint(3, 3), QPoint(60, 60)), true},
        {"12 pixels wide", QRect(20, 10, 12, 40), false},
        {"13 pixels wide", QRect(20, 10, 13, 40), true},
        {"12 pixels high", QRect(10, 20, 40, 12), false},
        {"13 pixels high", QRect(10, 20, 40, 13), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage icon = iconWithContent({64, 64}, c.content);
        const QImage out = IconImageNormalizer::trimmed(icon);
        EXPECT_EQ(!sameImage(out, icon), c.trimmed);
        if (c.trimmed) {
            EXPECT_EQ(out.size(), c.content.size());
        }
    }
}

TEST(IconImageNormalizer, FaintHaloIsCutAway)
{
    QImage icon = iconWithContent({64, 64}, {10, 10, 44, 44});
    for (int y = 2; y < 62; ++y)
        for (int x = 2; x < 62; ++x)
            if (!QRect(10, 10, 44, 44).contains(x, y))
                icon.setPixelColor(x, y, QColor(0, 0, 0, 8));
    const QImage out = IconImageNormalizer::trimmed(icon);
    EXPECT_EQ(out.size(), QSize(44, 44));
    EXPECT_EQ(out.pixelColor(0, 0).alpha(), 255);
}

TEST(IconImageNormalizer, LargeIconIsRedrawnAt512AndCropped)
{
    // Content covering raster rows and columns 6 to 57 of a 1024-pixel icon.
    const QImage icon = iconWithContent({1024, 1024}, QRect(QPoint(96, 96), QPoint(927, 927)), Qt::blue);
    const QImage out = IconImageNormalizer::trimmed(icon);
    EXPECT_EQ(out.size(), QSize(416, 416));
    EXPECT_EQ(out.devicePixelRatio(), 1.0);
    EXPECT_EQ(out.pixelColor(0, 0), QColor(Qt::blue));
    EXPECT_EQ(out.pixelColor(415, 415), QColor(Qt::blue));

    // A second pass over a trimmed result changes nothing.
    EXPECT_TRUE(sameImage(IconImageNormalizer::trimmed(out), out));
}

TEST(IconImageNormalizer, CropStaysInsideAnOddSizedIcon)
{
    // 100 × 70 pixels with content to the right and bottom edges: the proportional box must not
    // reach past the picture and pad it.
    const QImage icon = iconWithContent({100, 70}, QRect(QPoint(17, 11), QPoint(99, 69)));
    const QImage out = IconImageNormalizer::trimmed(icon);
    ASSERT_FALSE(sameImage(out, icon));
    EXPECT_LE(out.width(), 100 - 15);
    EXPECT_LE(out.height(), 70 - 10);
    EXPECT_EQ(out.pixelColor(out.width() - 1, out.height() - 1).alpha(), 255);
}
