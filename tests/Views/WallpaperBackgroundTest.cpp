#include "Views/WallpaperBackground.h"
#include "common/LogCapture.h"
#include "common/WallpaperTestSupport.h"

#include <QGraphicsScene>
#include <QPainter>
#include <QPropertyAnimation>

#include <gtest/gtest.h>

using namespace corvanta;
using namespace corvanta::test;

namespace {

struct WallpaperBackgroundTest : ::testing::Test, WallpaperStoreHarness {
    QGraphicsScene scene;

    WallpaperBackground* addBackground(double strength, QSizeF size = {300, 200})
    {
        auto* item = new WallpaperBackground(*store, strength);
        item->setSize(size);
        scene.addItem(item);
        return item;
    }
    QImage render(WallpaperBackground* item)
    {
        QImage out(item->size().toSize(), QImage::Format_ARGB32_Premultiplied);
        out.fill(Qt::white);
        QPainter painter(&out);
        scene.render(&painter, QRectF(QPointF(), item->size()), item->sceneBoundingRect());
        return out;
    }
    // Each refresh made during a long capture hold writes one deferral line: a count of requests.
    int countRefreshes(const LogCapture& log) const { return log.count("阶段64：采集静默窗内，推迟"); }
};

::testing::AssertionResult near(QRgb actual, QColor expected, int tolerance = 3)
{
    const int d = std::max({std::abs(qRed(actual) - expected.red()), std::abs(qGreen(actual) - expected.green()),
                            std::abs(qBlue(actual) - expected.blue())});
    if (d <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << QColor(actual).name().toStdString() << " vs " << expected.name().toStdString();
}

} // namespace

TEST_F(WallpaperBackgroundTest, GradientAloneUntilThereIsAnImage)
{
    auto* item = addBackground(0.8);
    const QImage frame = render(item);
    EXPECT_TRUE(near(frame.pixel(0, 0), QColor::fromRgbF(0.15f, 0.15f, 0.2f)));
    EXPECT_TRUE(near(frame.pixel(299, 199), QColor::fromRgbF(0.1f, 0.1f, 0.15f)));
    EXPECT_TRUE(near(frame.pixel(150, 100), QColor::fromRgbF(0.125f, 0.125f, 0.175f)));
}

TEST_F(WallpaperBackgroundTest, PublishedImageFadesInOverTheGradient)
{
    auto* item = addBackground(0.8);
    runJobs(); // the refresh it asked for when it came on screen
    ASSERT_EQ(published, 1);
    QPropertyAnimation* fade = item->fadeAnimation();
    EXPECT_EQ(fade->state(), QAbstractAnimation::Running);
    EXPECT_EQ(fade->duration(), 350);

    fade->setCurrentTime(0);
    EXPECT_TRUE(near(render(item).pixel(150, 100), QColor::fromRgbF(0.125f, 0.125f, 0.175f)));
    fade->setCurrentTime(175);
    const QRgb middle = render(item).pixel(150, 100);
    EXPECT_GT(qRed(middle), 32 + (200 - 32) / 2); // ease-out: more than half way at half time
    EXPECT_LT(qRed(middle), 195);
    fade->setCurrentTime(350);
    EXPECT_TRUE(near(render(item).pixel(150, 100), QColor(200, 40, 40)));

    // A newer image cross-fades with the one shown.
    showPicture("B.png");
    store->invalidateAndRefresh();
    runJobs();
    fade->setCurrentTime(175);
    const QRgb crossing = render(item).pixel(150, 100);
    EXPECT_GT(qBlue(crossing), 40);
    EXPECT_GT(qRed(crossing), 30);
    fade->setCurrentTime(350);
    EXPECT_TRUE(near(render(item).pixel(150, 100), QColor(30, 30, 240)));
}

TEST_F(WallpaperBackgroundTest, LaunchRestoreShowsAtOnce)
{
    refreshAndRun(0.8);
    store = makeStore();
    store->restoreLatestForLaunch();
    auto* item = addBackground(0.8);
    EXPECT_NE(item->fadeAnimation()->state(), QAbstractAnimation::Running);
    EXPECT_TRUE(near(render(item).pixel(150, 100), QColor(200, 40, 40), 8)); // through the JPEG
}

TEST_F(WallpaperBackgroundTest, OtherAspectRatiosAreCoveredWithoutBars)
{
    // 4:3 pictures on a wide strip and on a tall one: the corners show the picture, not gradient.
    for (const QSizeF size : {QSizeF(640, 90), QSizeF(90, 640)}) {
        auto* item = addBackground(0, size);
        runJobs();
        item->fadeAnimation()->setCurrentTime(350);
        const QImage frame = render(item);
        for (const QPoint corner : {QPoint(0, 0), QPoint(frame.width() - 1, frame.height() - 1)})
            EXPECT_TRUE(near(frame.pixel(corner), QColor(200, 40, 40))) << size.width();
        delete item;
    }
}

TEST_F(WallpaperBackgroundTest, AsksForARefreshOnAppearanceAndOnStrengthChangesOnly)
{
    LogCapture log;
    store->setCaptureHoldUntil(scheduler.now() + 100);
    auto* overlay = addBackground(0.8);
    EXPECT_EQ(countRefreshes(log), 1);
    overlay->setBlurStrength(0.8);
    EXPECT_EQ(countRefreshes(log), 1);
    overlay->setBlurStrength(0.3);
    EXPECT_EQ(countRefreshes(log), 2);
    EXPECT_EQ(store->currentStrength(), 0.3);

    overlay->setVisible(false);
    overlay->setVisible(true); // back on screen
    EXPECT_EQ(countRefreshes(log), 3);

    // A second backdrop (the menu-bar strip) asks for its own and shows the same image.
    auto* strip = addBackground(0.3, {300, 24});
    EXPECT_EQ(countRefreshes(log), 4);
    store->setCaptureHoldUntil(0);
    scheduler.advance(100);
    runJobs();
    EXPECT_EQ(published, 1); // the store merged the requests
    overlay->fadeAnimation()->setCurrentTime(350);
    strip->fadeAnimation()->setCurrentTime(350);
    EXPECT_EQ(render(overlay).pixel(150, 12), render(strip).pixel(150, 12));
}
