#include "Services/IconDiskCache.h"

#include "common/BundleBuilder.h"
#include "common/LogCapture.h"
#include "common/ManualTasks.h"
#include "common/MountNamespace.h"
#include "common/PngBytes.h"
#include "common/QtPrinters.h"

#include <QDateTime>
#include <QBuffer>
#include <QImageWriter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <sys/mount.h>

using namespace corvanta;
using namespace corvanta::test;

namespace {

QImage solid(QSize size, QColor color = Qt::red)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(color);
    return image;
}

void setModified(const QString& path, qint64 msecs)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    file.setFileTime(QDateTime::fromMSecsSinceEpoch(msecs), QFileDevice::FileModificationTime);
}

// A cache over a temporary folder whose background work runs when the test says, with a wall
// clock the test sets.
struct Fixture {
    QTemporaryDir root;
    QString folder = root.filePath("Corvanta/IconCache");
    ManualTasks tasks;
    qint64 now = QDateTime::currentMSecsSinceEpoch();
    IconDiskCache cache{[this] { return folder; }, tasks.runner(), [this] { return now; }};
    QString bundle = makeBundle(root.path(), "App.app", infoWith("com.example.app"));

    void store(const QImage& image, const QString& key = "com.example.app")
    {
        cache.store(image, key, bundle);
        tasks.runAll();
    }
    QImage onDisk(const QString& key = "com.example.app") const { return QImage(cache.filePath(key)); }
};

} // namespace

TEST(IconDiskCache, FileNamesHashTheKey)
{
    EXPECT_EQ(IconDiskCache::fileName("com.example.notes"),
              "v4_31e47441814fdcf32380096367ae222bcf1eb1328cb8165c8be8c6fa6bbc44c8.png");
    EXPECT_EQ(IconDiskCache::fileName(QStringLiteral("/Applications/计算器.app")),
              "v4_38506c0f730c7fbabf1229faecf31af38cebe70bbfebc4d42d77ab351defedba.png");
    EXPECT_EQ(IconDiskCache::fileName("a").size(), 71);
    EXPECT_NE(IconDiskCache::fileName("a"), IconDiskCache::fileName("b"));
}

TEST(IconDiskCache, WrittenSizes)
{
    const struct {
        QSize source;
        std::optional<QSize> written;
    } cases[] = {
        {{1024, 1024}, QSize(256, 256)}, {{200, 200}, QSize(200, 200)}, {{100, 100}, std::nullopt},
        {{512, 256}, QSize(256, 128)},   {{300, 100}, QSize(256, 85)},  {{100, 300}, QSize(85, 256)},
        {{128, 128}, QSize(128, 128)},   {{127, 127}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.source.width() << "x" << c.source.height());
        Fixture f;
        LogCapture log;
        f.store(solid(c.source));
        const QImage written = f.onDisk();
        EXPECT_EQ(written.isNull() ? std::nullopt : std::optional<QSize>(written.size()), c.written);
        if (!c.written) {
            EXPECT_TRUE(log.contains(QStringLiteral("阶段49：图标源分辨率过低（%1x%2），跳过磁盘缓存")
                                         .arg(c.source.width())
                                         .arg(c.source.height())));
        }
    }
}

TEST(IconDiskCache, ReadsOnlySharpDecodableFilesAndMarksThemUsed)
{
    Fixture f;
    f.store(solid({128, 128}), "sharp");
    writeFile(f.cache.filePath("small"), [] {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        solid({127, 127}).save(&buffer, "png");
        return bytes;
    }());
    writeFile(f.cache.filePath("garbage"), "not an image");
    writeFile(f.cache.filePath("overlong"), pngWithOverlongChunk(128));

    setModified(f.cache.filePath("sharp"), 1000);
    f.now += 5000;
    LogCapture log;
    const auto hit = f.cache.image("sharp");
    ASSERT_TRUE(hit.has_value());
    EXPECT_EQ(hit->size(), QSize(128, 128));
    EXPECT_EQ(QFileInfo(f.cache.filePath("sharp")).lastModified().toMSecsSinceEpoch(), f.now);

    EXPECT_FALSE(f.cache.image("small").has_value());
    EXPECT_TRUE(log.contains(QStringLiteral("阶段49：图标缓存分辨率不达标（127px），当作未命中并安排重写")));
    EXPECT_TRUE(QFile::exists(f.cache.filePath("small")));

    EXPECT_FALSE(f.cache.image("garbage").has_value());
    EXPECT_FALSE(QFile::exists(f.cache.filePath("garbage")));
    EXPECT_FALSE(f.cache.image("overlong").has_value());
    EXPECT_FALSE(QFile::exists(f.cache.filePath("overlong")));
    EXPECT_FALSE(f.cache.image("absent").has_value());
}

TEST(IconDiskCache, RewritesOnlyWhenTheBundleChangedOrTheFileIsTooSmall)
{
    Fixture f;
    const qint64 bundleDate = QFileInfo(f.bundle).lastModified().toMSecsSinceEpoch();

    // Made after the bundle's last change: a later store leaves the file alone.
    f.now = bundleDate + 60'000;
    f.store(solid({512, 512}, Qt::red));
    f.store(solid({512, 512}, Qt::blue));
    EXPECT_EQ(f.onDisk().pixelColor(0, 0), QColor(Qt::red));

    // Made before the bundle changed: rewritten, even after a read moved the file's date past the
    // bundle's.
    f.now = bundleDate - 60'000;
    f.store(solid({512, 512}, Qt::red), "older");
    f.now = bundleDate + 120'000;
    ASSERT_TRUE(f.cache.image("older").has_value());
    f.store(solid({512, 512}, Qt::blue), "older");
    EXPECT_EQ(f.onDisk("older").pixelColor(0, 0), QColor(Qt::blue));

    // A fresh but too small file is rewritten, with a note.
    LogCapture log;
    writeFile(f.cache.filePath("com.example.app"), [] {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        QImageWriter writer(&buffer, "png");
        writer.setText(IconDiskCache::kMadeTextKey, QString::number(QDateTime::currentMSecsSinceEpoch() + 3'600'000));
        writer.write(solid({127, 127}));
        return bytes;
    }());
    f.store(solid({512, 512}, Qt::green));
    EXPECT_EQ(f.onDisk().size(), QSize(256, 256));
    EXPECT_TRUE(log.contains(QStringLiteral("阶段49：现存缓存分辨率不达标（127px），重写")));
}

TEST(IconDiskCache, EvictsLeastRecentlyUsedBeyondCountOrSize)
{
    {
        Fixture f;
        QDir().mkpath(f.folder);
        for (int i = 0; i < IconDiskCache::kMostFiles; ++i) {
            const QString path = f.cache.filePath(QString::number(i));
            writeFile(path, "x");
            setModified(path, 1'000'000 + i * 1000);
        }
        f.store(solid({256, 256}), "new");
        EXPECT_FALSE(QFile::exists(f.cache.filePath("0")));
        EXPECT_TRUE(QFile::exists(f.cache.filePath("1")));
        EXPECT_TRUE(QFile::exists(f.cache.filePath("new")));
        EXPECT_EQ(QDir(f.folder).entryList(QDir::Files).size(), IconDiskCache::kMostFiles);
    }
    {
        Fixture f;
        QDir().mkpath(f.folder);
        const QByteArray tenMiB(10 * 1024 * 1024, 'x');
        for (int i = 0; i < 3; ++i) {
            writeFile(f.cache.filePath(QString::number(i)), tenMiB);
            setModified(f.cache.filePath(QString::number(i)), 1'000'000 + i * 1000);
        }
        f.store(solid({256, 256}), "new");
        EXPECT_FALSE(QFile::exists(f.cache.filePath("0")));
        EXPECT_TRUE(QFile::exists(f.cache.filePath("1")));
        EXPECT_TRUE(QFile::exists(f.cache.filePath("2")));
        EXPECT_TRUE(QFile::exists(f.cache.filePath("new")));
    }
}

TEST(IconDiskCache, SweepsLegacyFilesAndOrphans)
{
    QTemporaryDir root;
    const QString folder = root.filePath("IconCache");
    for (const char* name : {"old.png", "v3_abc.png", "notes.txt", "OLD.PNG"})
        writeFile(folder + "/" + name, "x");
    ManualTasks tasks;
    LogCapture log;
    IconDiskCache cache([&] { return folder; }, tasks.runner());
    writeFile(cache.filePath("kept"), "x");
    writeFile(cache.filePath("orphan"), "x");
    tasks.runAll();
    EXPECT_EQ(QDir(folder).entryList(QDir::Files, QDir::Name),
              QStringList({"OLD.PNG", "notes.txt", IconDiskCache::fileName("kept"), IconDiskCache::fileName("orphan")}));
    EXPECT_TRUE(log.contains(QStringLiteral("阶段49：清理旧版图标缓存 2 个（非 v4 前缀）")));

    cache.keepOnly({"kept", "never stored"});
    tasks.runAll();
    EXPECT_EQ(QDir(folder).entryList(QDir::Files, QDir::Name),
              QStringList({"OLD.PNG", "notes.txt", IconDiskCache::fileName("kept")}));
    EXPECT_TRUE(log.contains(QStringLiteral("阶段136：清理布局外孤儿图标缓存 1 个")));
}

TEST(IconDiskCache, FailedWriteIsLogged)
{
    QTemporaryDir root;
    writeFile(root.filePath("blocker"), "a file where the folder should be");
    ManualTasks tasks;
    LogCapture log;
    IconDiskCache cache([&] { return root.filePath("blocker/IconCache"); }, tasks.runner());
    cache.store(solid({256, 256}), "com.example.app", root.path());
    tasks.runAll();
    EXPECT_TRUE(log.contains(QStringLiteral("阶段45：图标磁盘缓存写入失败 com.example.app: ")));
    EXPECT_EQ(log.entries().last().level, LogLevel::Warning);
}

// A disk that fills up: the icon that found it full is the last one written in this run, even once
// room comes back, since that room is the layout's. Any other failure stops nothing.
TEST(IconDiskCache, StopsWritingForTheRunOnceTheDiskIsFull)
{
    QTemporaryDir root;
    const QString folder = root.filePath("disk");
    QDir().mkpath(folder);
    const test::NamespaceRun run = test::runInOwnMountNamespace([&]() -> std::string {
        std::string failures;
        const auto expect = [&](bool held, const std::string& what) {
            if (!held)
                failures += what + "\n";
        };
        if (::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, "size=64k") != 0)
            return std::string("cannot mount a tmpfs: ") + std::strerror(errno);
        ManualTasks tasks;
        LogCapture log;
        IconDiskCache cache([&] { return folder + "/IconCache"; }, tasks.runner());
        const QString bundle = makeBundle(root.path(), "App.app", infoWith("com.example.app"));
        QFile filler(folder + "/filler");
        filler.open(QIODevice::WriteOnly);
        const QByteArray block(1024, 'f');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
        filler.close();
        // Noise does not compress: each icon needs far more than the few bytes left.
        QImage noisy(256, 256, QImage::Format_ARGB32);
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x)
                noisy.setPixel(x, y, qRgba((x * 7919 + y * 104729) % 251, (x * y) % 253, (x ^ y) % 255, 255));
        cache.store(noisy, "com.example.first", bundle);
        tasks.runAll();
        expect(!QFileInfo::exists(cache.filePath("com.example.first")), "written to a full disk");
        expect(log.count(QStringLiteral("磁盘空间不足，本次运行不再写入图标磁盘缓存")) == 1, "no line for the full disk");

        QFile::remove(folder + "/filler");
        cache.store(noisy, "com.example.second", bundle);
        tasks.runAll();
        expect(!QFileInfo::exists(cache.filePath("com.example.second")), "written after the disk was full");
        expect(log.count(QStringLiteral("磁盘空间不足")) == 1, "the full disk said more than once");
        return failures;
    });
    if (!run.ran)
        GTEST_SKIP() << run.failures;
    EXPECT_EQ(run.failures, "");
}

TEST(IconDiskCache, OtherWriteFailuresStopNothing)
{
    QTemporaryDir root;
    writeFile(root.filePath("blocker"), "a file where the folder should be");
    ManualTasks tasks;
    QString folder = root.filePath("blocker/IconCache");
    IconDiskCache cache([&] { return folder; }, tasks.runner());
    cache.store(solid({256, 256}), "com.example.first", root.path());
    tasks.runAll();
    folder = root.filePath("IconCache");
    cache.store(solid({256, 256}), "com.example.second", root.path());
    tasks.runAll();
    EXPECT_TRUE(QFileInfo::exists(cache.filePath("com.example.second")));
}

// For the layout's save on a full disk the cache empties itself and writes nothing more.
TEST(IconDiskCache, GivesUpItsSpaceForTheLayout)
{
    Fixture f;
    f.store(solid({256, 256}), "com.example.first");
    ASSERT_TRUE(QFileInfo::exists(f.cache.filePath("com.example.first")));
    writeFile(f.folder + "/notes.txt", "not ours");
    LogCapture log;
    f.cache.giveUpSpace();
    EXPECT_FALSE(QFileInfo::exists(f.cache.filePath("com.example.first")));
    EXPECT_TRUE(QFileInfo::exists(f.folder + "/notes.txt"));
    EXPECT_TRUE(log.contains(QStringLiteral("磁盘空间不足：为保存布局清空图标磁盘缓存 1 个")));
    f.store(solid({256, 256}), "com.example.second");
    EXPECT_FALSE(QFileInfo::exists(f.cache.filePath("com.example.second")));
}
