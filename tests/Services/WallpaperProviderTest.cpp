#include "Services/WallpaperProvider.h"
#include "Support/VirtualScheduler.h"
#include "common/WallpaperTestSupport.h"
#include "common/LogCapture.h"

#include <QFileInfo>

#include <gtest/gtest.h>

using namespace corvanta;
using namespace corvanta::test;

namespace {

struct WallpaperProviderTest : ::testing::Test {
    WallpaperTree tree;
    FakeDesktopWorkspace workspace;
    VirtualScheduler scheduler;
    WallpaperProvider provider{tree.locations, workspace, scheduler.clock()};
    LogCapture log;
    const QRectF screen{0, 0, 1512, 982};

    static QString mtime(const QString& path)
    {
        return QString::number(QFileInfo(path).lastModified().toSecsSinceEpoch());
    }
    QColor colourOf(const QImage& image) const { return image.isNull() ? QColor() : QColor(image.pixel(1, 1)); }
};

} // namespace

TEST_F(WallpaperProviderTest, IndexInEitherFormNamesAPictureInThePictureFolders)
{
    tree.addPicture("Sunset.png", QColor(48, 96, 192));
    for (const char* form : {"store-xml", "store-binary"}) {
        tree.copyIndex(form);
        provider.invalidateResolveCache();
        log.clear();
        const QImage image = provider.currentWallpaper(screen);
        EXPECT_EQ(colourOf(image), QColor(48, 96, 192)) << form;
        EXPECT_TRUE(log.contains("WallpaperProvider: 从壁纸库文件取图 " + tree.picture("Sunset.png"))) << form;
        EXPECT_EQ(provider.currentWallpaperIdentity(screen).token,
                  "file:" + tree.picture("Sunset.png") + "@" + mtime(tree.picture("Sunset.png")))
            << form;
    }
}

TEST_F(WallpaperProviderTest, TextOfAnIndexEntryIsTriedAsItselfThenInEachFolder)
{
    const QString absolute = tree.addPicture("Absolute.png", Qt::red);
    QImage(8, 8, QImage::Format_RGB32).save(tree.locations.pictureFolders.at(0) + "/Both.png");
    tree.addPicture("Both.png", Qt::green);
    struct Case {
        QString relative;
        QString expectedPath;
    };
    for (const Case& c : {Case{absolute, absolute}, Case{"Both.png", tree.locations.pictureFolders.at(0) + "/Both.png"},
                          Case{"file://" + absolute, {}}}) {
        tree.writeIndex(WallpaperTree::pictureIndex(c.relative));
        const auto identity = provider.currentWallpaperIdentity(screen);
        if (c.expectedPath.isEmpty()) {
            EXPECT_EQ(identity.token, "file-ref:" + c.relative);
            EXPECT_TRUE(provider.resolvedWallpaperFromStore().isNull());
        } else {
            EXPECT_EQ(identity.token, "file:" + c.expectedPath + "@" + mtime(c.expectedPath));
            EXPECT_FALSE(provider.resolvedWallpaperFromStore().isNull());
        }
    }
}

// The image walk goes past a text that names no file; the identity stops at it.
TEST_F(WallpaperProviderTest, MissingPictureEndsTheIdentityWalkButNotTheImageWalk)
{
    tree.addPicture("Default.png", Qt::yellow);
    tree.addPicture("Broken.png", Qt::blue);
    QFile(tree.picture("Broken.png")).resize(20); // undecodable: also "not found"
    QVariantMap index = WallpaperTree::pictureIndex("Gone.png");
    index["Spaces"] = QVariantMap{{"a", WallpaperTree::pictureIndex("Broken.png")}};
    index["SystemDefault"] = WallpaperTree::pictureIndex("Default.png");
    tree.writeIndex(index);
    EXPECT_EQ(provider.currentWallpaperIdentity(screen).token, "file-ref:Gone.png");
    EXPECT_EQ(colourOf(provider.currentWallpaper(screen)), QColor(Qt::yellow));
}

TEST_F(WallpaperProviderTest, AerialTakesTheVideoFrameElseTheThumbnail)
{
    tree.copyIndex("store-aerial"); // asset A1B2, named inside the serialized "Configuration"
    EXPECT_EQ(provider.currentWallpaperIdentity(screen).token, "aerial:A1B2");
    const QImage frame = provider.currentWallpaper(screen);
    EXPECT_EQ(frame.size(), QSize(16, 32));
    EXPECT_TRUE(log.contains("WallpaperProvider: 航拍壁纸抽帧 A1B2 16x32px"));

    QFile(tree.locations.aerialBase + "/videos/A1B2.mov").resize(300); // a damaged download
    provider.invalidateResolveCache();
    log.clear();
    const QImage thumbnail = provider.currentWallpaper(screen);
    EXPECT_EQ(thumbnail.size(), QSize(20, 10));
    ASSERT_EQ(log.count("WallpaperProvider: 航拍抽帧失败，退用低分辨率缩略图 A1B2"), 1);
    EXPECT_EQ(log.entries().at(0).level, LogLevel::Warning);

    // A plain assetID works too, and an id that is a path reaches nothing outside the folder.
    tree.writeIndex(QVariantMap{{"SystemDefault", QVariantMap{{"assetID", "../thumbnails/A1B2"}}}});
    provider.invalidateResolveCache();
    EXPECT_EQ(provider.currentWallpaperIdentity(screen).token, "aerial:../thumbnails/A1B2");
    EXPECT_TRUE(provider.currentWallpaper(screen).isNull());
}

TEST_F(WallpaperProviderTest, FallsBackToTheDesktopPictureThenToNothing)
{
    tree.writeIndex(QByteArray("<plist><dict><key>broken"));
    const QString desktop = tree.addPicture("Desktop.png", Qt::magenta);
    workspace.path = desktop;
    EXPECT_EQ(colourOf(provider.currentWallpaper(screen)), QColor(Qt::magenta));
    EXPECT_TRUE(log.contains("WallpaperProvider: 读取壁纸库 Index.plist 失败"));
    EXPECT_TRUE(log.contains("WallpaperProvider: 使用兜底 API 取壁纸 " + desktop));
    EXPECT_EQ(provider.currentWallpaperIdentity(screen).token, "fallback:" + desktop + "@" + mtime(desktop));
    EXPECT_EQ(provider.currentWallpaperIdentity(std::nullopt).token, "unknown");

    QFile::remove(tree.locations.indexPlistPath);
    workspace.path.clear();
    provider.invalidateResolveCache();
    log.clear();
    EXPECT_TRUE(provider.currentWallpaper(screen).isNull());
    EXPECT_EQ(log.count("WallpaperProvider: 壁纸库与兜底 API 均未取到壁纸，保留渐变兜底"), 1);
    EXPECT_EQ(provider.currentWallpaperIdentity(screen).token, "unknown");
}

TEST_F(WallpaperProviderTest, ResolveCacheHoldsThreeSecondsPerScreenFrame)
{
    tree.addPicture("A.png", Qt::red);
    tree.addPicture("B.png", Qt::blue);
    tree.writeIndex(WallpaperTree::pictureIndex("A.png"));
    EXPECT_EQ(colourOf(provider.currentWallpaper(screen)), QColor(Qt::red));
    tree.writeIndex(WallpaperTree::pictureIndex("B.png"));
    scheduler.advance(2.9);
    EXPECT_EQ(colourOf(provider.currentWallpaper(screen)), QColor(Qt::red)); // cached
    EXPECT_EQ(colourOf(provider.currentWallpaper(screen.translated(1512, 0))), QColor(Qt::blue)); // own key
    scheduler.advance(0.2);
    EXPECT_EQ(colourOf(provider.currentWallpaper(screen.translated(1512, 0))), QColor(Qt::blue));
    tree.writeIndex(WallpaperTree::pictureIndex("A.png"));
    EXPECT_EQ(colourOf(provider.currentWallpaper(screen.translated(1512, 0))), QColor(Qt::blue));
    provider.invalidateResolveCache();
    EXPECT_EQ(colourOf(provider.currentWallpaper(screen.translated(1512, 0))), QColor(Qt::red));
    tree.writeIndex(WallpaperTree::pictureIndex("B.png"));
    scheduler.advance(3.0); // expired
    EXPECT_EQ(colourOf(provider.currentWallpaper(screen.translated(1512, 0))), QColor(Qt::blue));
    // The permission line is written once per process, with what the desktop says.
    EXPECT_EQ(log.count("WallpaperProvider: 屏幕录制授权=false（本项目不需要该权限，仅作诊断记录）"), 1);
}
