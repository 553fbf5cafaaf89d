#include "Services/GaussianBoxBlur.h"
#include "Services/WallpaperProvider.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace corvanta;

namespace {

QImage solid(int w, int h, QColor colour, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(w, h, format);
    image.fill(colour);
    return image;
}

quint64 fnv(const std::vector<uint8_t>& bytes)
{
    quint64 hash = 14695981039346656037ull;
    for (uint8_t b : bytes) {
        hash ^= b;
        hash *= 1099511628211ull;
    }
    return hash;
}

} // namespace

TEST(WallpaperFingerprint, HashesTheGreyThumbnail)
{
    const quint64 white = WallpaperProvider::fingerprint(solid(300, 200, Qt::white));
    const quint64 black = WallpaperProvider::fingerprint(solid(7, 5, Qt::black));
    EXPECT_EQ(white, fnv(std::vector<uint8_t>(256, 255)));
    EXPECT_EQ(black, fnv(std::vector<uint8_t>(256, 0)));
    EXPECT_NE(white, black);
    EXPECT_NE(white, 0u);
    EXPECT_NE(black, 0u);
    // The same picture in another pixel format or at another size prints the same.
    EXPECT_EQ(WallpaperProvider::fingerprint(solid(64, 64, QColor(30, 60, 90), QImage::Format_RGB888)),
              WallpaperProvider::fingerprint(solid(640, 480, QColor(30, 60, 90))));
    // A small change in one corner changes it.
    QImage marked = solid(160, 160, Qt::white);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            marked.setPixel(x, y, qRgb(0, 0, 0));
    EXPECT_NE(WallpaperProvider::fingerprint(marked), white);
}

TEST(WallpaperImaging, DisplayWidthAndBlurSize)
{
    struct Case {
        QSize source;
        int displayWidth;
        QSize blurredSize;
    };
    for (const Case& c : {Case{{4000, 3000}, 2048, {2048, 1536}}, Case{{3000, 4000}, 1536, {1536, 2048}},
                          Case{{2048, 100}, 2048, {2048, 100}}, Case{{5120, 2880}, 2048, {2048, 1152}},
                          Case{{640, 480}, 640, {640, 480}}}) {
        EXPECT_EQ(WallpaperProvider::displayPixelWidth(c.source), c.displayWidth) << c.source.width();
        EXPECT_EQ(WallpaperProvider::blurred(solid(c.source.width(), c.source.height(), Qt::gray), 10).size(),
                  c.blurredSize)
            << c.source.width();
    }
}

TEST(WallpaperImaging, BlursFromRadiusOneAndAHalf)
{
    QImage edge = solid(64, 64, Qt::black);
    for (int y = 0; y < 64; ++y)
        for (int x = 32; x < 64; ++x)
            edge.setPixel(x, y, qRgb(255, 255, 255));
    const QImage below = WallpaperProvider::blurred(edge, 1.49);
    EXPECT_EQ(below, edge);
    const QImage blurred = WallpaperProvider::blurred(edge, 1.5);
    EXPECT_NE(blurred, edge);
    EXPECT_GT(qRed(blurred.pixel(31, 10)), 0);
    EXPECT_LT(qRed(blurred.pixel(32, 10)), 255);
    EXPECT_EQ(edge.pixel(31, 10), qRgb(0, 0, 0)); // the source is left alone
}

// The three box passes must spread like a Gaussian of the asked sigma: measure the blurred
// profile of a white stripe's edge against the normal distribution's cumulative function.
TEST(GaussianBoxBlur, EdgeProfileMatchesTheGaussian)
{
    for (const double sigma : {3.0, 12.0, 49.15}) {
        const int width = 1200;
        QImage image = solid(width, 8, Qt::black);
        for (int y = 0; y < 8; ++y)
            for (int x = width / 2; x < width; ++x)
                image.setPixel(x, y, qRgb(255, 255, 255));
        GaussianBoxBlur::apply(image, sigma, 3);
        double worst = 0;
        for (int x = width / 2 - int(3 * sigma); x < width / 2 + int(3 * sigma); ++x) {
            const double expected = 255 * 0.5 * std::erfc(-(x + 0.5 - width / 2) / (sigma * std::sqrt(2.0)));
            worst = std::max(worst, std::abs(qRed(image.pixel(x, 4)) - expected));
        }
        EXPECT_LT(worst, 8.0) << "sigma " << sigma;
        // Edges repeat outward: the flat ends stay exactly flat.
        EXPECT_EQ(qRed(image.pixel(0, 0)), 0);
        EXPECT_EQ(qRed(image.pixel(width - 1, 7)), 255);
    }
}

TEST(GaussianBoxBlur, ThreadCountDoesNotChangeTheResult)
{
    QImage source(301, 97, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            source.setPixel(x, y, qRgba((x * 7) & 255, (y * 13) & 255, (x * y) & 255, 255));
    QImage one = source, many = source;
    GaussianBoxBlur::apply(one, 9, 1);
    GaussianBoxBlur::apply(many, 9, 7);
    EXPECT_EQ(one, many);
}
