#include "Services/WallpaperBlurCache.h"
#include "common/LogCapture.h"
#include "common/ManualTasks.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>

using namespace corvanta;

// The C library's character classes are defined only for EOF and the values of unsigned char; a
// larger value indexes past the class table. This test program carries its own isxdigit, which
// every caller here binds to, so a call outside that domain is counted instead of reading memory
// it does not own.
namespace {
std::atomic<int> isxdigitDomainErrors{0};
}

extern "C" int isxdigit(int c) noexcept
{
    if (c != EOF && (c < 0 || c > 255)) {
        ++isxdigitDomainErrors;
        return 0;
    }
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

namespace {

struct WallpaperBlurCacheTest : ::testing::Test {
    QTemporaryDir root;
    QString directory = root.filePath("Corvanta/WallpaperBlurCache");
    test::ManualTasks writes;
    WallpaperBlurCache cache{directory, writes.runner(), 0.85};

    QString path(const QString& name) const { return directory + "/" + name; }
    void writeFile(const QString& name, const QByteArray& data, qint64 ageSeconds = 0)
    {
        QDir().mkpath(directory);
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(data);
        file.setFileTime(QDateTime::currentDateTimeUtc().addSecs(-ageSeconds), QFileDevice::FileModificationTime);
    }
    QStringList files() const { return QDir(directory).entryList(QDir::Files, QDir::Name); }
    static QImage picture(QColor colour = QColor(40, 90, 160))
    {
        QImage image(48, 27, QImage::Format_RGB32);
        image.fill(colour);
        return image;
    }
};

} // namespace

TEST(WallpaperBlurCacheNames, FileNamesAndTheirParse)
{
    EXPECT_EQ(WallpaperBlurCache::fileName(255, 49.15, 640, 480), "ff_r49_640x480.jpg");
    EXPECT_EQ(WallpaperBlurCache::fileName(1, 49.5, 2, 3), "1_r50_2x3.jpg");
    EXPECT_EQ(WallpaperBlurCache::fileName(1, 49.49, 2, 3), "1_r49_2x3.jpg");
    EXPECT_EQ(WallpaperBlurCache::fileName(0xfedcba9876543210ull, 0.4, 1, 1), "fedcba9876543210_r0_1x1.jpg");

    using Parsed = std::optional<std::pair<quint64, double>>;
    EXPECT_EQ(WallpaperBlurCache::parseFileName("ff_r49_640x480.jpg"), Parsed({255, 49}));
    EXPECT_EQ(WallpaperBlurCache::parseFileName("AB_r12_10x10.jpg"), Parsed({0xab, 12}));
    EXPECT_EQ(WallpaperBlurCache::parseFileName("ab_q12_10x10.jpg"), Parsed({0xab, 0}));
    EXPECT_EQ(WallpaperBlurCache::parseFileName("zz_r12_10x10.jpg"), std::nullopt);
    EXPECT_EQ(WallpaperBlurCache::parseFileName("0xff_r12_1x1.jpg"), std::nullopt);
    EXPECT_EQ(WallpaperBlurCache::parseFileName("ff.jpg"), std::nullopt);
    EXPECT_EQ(WallpaperBlurCache::parseFileName("__ff__r3_1x1.jpg"), Parsed({255, 3}));
}

// The pointer file and the folder are anyone's to edit: a name may hold any character.
TEST(WallpaperBlurCacheNames, OnlyAsciiHexDigitsMakeAFingerprint)
{
    isxdigitDomainErrors = 0;
    for (char32_t c = 0x80; c <= 0xFFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        const QString name = QString(QChar(char16_t(c))) + QStringLiteral("f_r3_1x1.jpg");
        ASSERT_EQ(WallpaperBlurCache::parseFileName(name), std::nullopt) << unsigned(c);
    }
    // Digit look-alikes from other scripts: fullwidth, Arabic-Indic, superscript.
    for (const char16_t c : {u'\uFF21', u'\uFF11', u'\u0663', u'\u00B9'})
        EXPECT_EQ(WallpaperBlurCache::parseFileName(QString(QChar(c)) + QStringLiteral("_r3_1x1.jpg")), std::nullopt);
    EXPECT_EQ(isxdigitDomainErrors, 0);
}

TEST(WallpaperBlurCacheNames, PointerMustNameAFileInsideTheFolder)
{
    const auto pointer = [](const QString& name) {
        return QJsonDocument(QJsonObject{{"fileName", name}, {"screenWidth", 1512}, {"screenHeight", 982}}).toJson();
    };
    EXPECT_TRUE(WallpaperBlurCache::parseLatestPointer(pointer("ff_r3_1x1.jpg")));
    for (const char* bad : {"../ff_r3_1x1.jpg", "sub/ff_r3_1x1.jpg", "/etc/passwd", ".", "..", ""})
        EXPECT_FALSE(WallpaperBlurCache::parseLatestPointer(pointer(bad))) << bad;
    EXPECT_FALSE(WallpaperBlurCache::parseLatestPointer(R"({"fileName":"a_r1_1x1.jpg","screenWidth":1})"));
    EXPECT_FALSE(WallpaperBlurCache::parseLatestPointer(R"({"fileName":"a_r1_1x1.jpg","screenWidth":"1","screenHeight":1})"));
    EXPECT_FALSE(WallpaperBlurCache::parseLatestPointer(R"({"fileName":"a_r1_1x1.jpg","scre)"));
}

TEST_F(WallpaperBlurCacheTest, StoresLooksUpAndRestoresTheLatest)
{
    cache.store(picture(), 0xabc, 20.2, 5120, 2880);
    cache.writeLatest(0xabc, 20.2, 5120, 2880, 1512, 982);
    EXPECT_FALSE(QFile::exists(path("latest.json"))); // the writes wait for the background
    writes.runAll();
    ASSERT_EQ(files(), QStringList({"abc_r20_5120x2880.jpg", "latest.json"}));

    const QJsonObject json = QJsonDocument::fromJson([&] {
                                 QFile f(path("latest.json"));
                                 f.open(QIODevice::ReadOnly);
                                 return f.readAll();
                             }()).object();
    EXPECT_EQ(json, QJsonObject({{"fileName", "abc_r20_5120x2880.jpg"}, {"screenWidth", 1512}, {"screenHeight", 982}}));

    const QImage found = cache.image(0xabc, 19.8, 5120, 2880); // same rounded radius
    ASSERT_EQ(found.size(), QSize(48, 27));
    EXPECT_LE(std::abs(qBlue(found.pixel(10, 10)) - 160), 6);
    EXPECT_TRUE(cache.image(0xabc, 21, 5120, 2880).isNull());

    const auto entry = cache.readLatestEntry(1512, 982);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->fingerprint, 0xabcu);
    EXPECT_EQ(entry->radius, 20);
    EXPECT_EQ(entry->image.size(), QSize(48, 27));
    EXPECT_FALSE(cache.readLatestEntry(1512, 983)); // another screen size
}

TEST_F(WallpaperBlurCacheTest, DamagedFilesAreMissesAndUndecodableImagesGo)
{
    cache.store(picture(), 0x1, 10, 100, 100);
    writes.runAll();
    QFile jpeg(path("1_r10_100x100.jpg"));
    ASSERT_TRUE(jpeg.open(QIODevice::ReadWrite));
    const QByteArray whole = jpeg.readAll();
    jpeg.resize(whole.size() / 2); // a write cut short
    jpeg.close();
    writeFile("latest.json", R"({"fileName":"1_r10_100x100.jpg","screenWidth":800,"screenHeight":600})");
    EXPECT_FALSE(cache.readLatestEntry(800, 600));
    EXPECT_TRUE(cache.image(0x1, 10, 100, 100).isNull());
    EXPECT_FALSE(QFile::exists(path("1_r10_100x100.jpg")));

    writeFile("2_r10_100x100.jpg", "not a picture at all");
    EXPECT_TRUE(cache.image(0x2, 10, 100, 100).isNull());
    EXPECT_FALSE(QFile::exists(path("2_r10_100x100.jpg")));

    writeFile("latest.json", R"({"fileName":"1_r10_10)");
    EXPECT_FALSE(cache.readLatestEntry(800, 600));
    // The pointer may name a file eviction already took, or one whose name does not parse.
    writeFile("latest.json", R"({"fileName":"gone_r1_1x1.jpg","screenWidth":800,"screenHeight":600})");
    EXPECT_FALSE(cache.readLatestEntry(800, 600));
}

TEST_F(WallpaperBlurCacheTest, PointerOutsideTheFolderIsNeverRead)
{
    QFile outside(root.filePath("Corvanta/ab_r5_1x1.jpg"));
    QDir().mkpath(directory);
    ASSERT_TRUE(picture().save(outside.fileName(), "JPEG"));
    writeFile("latest.json", R"({"fileName":"../ab_r5_1x1.jpg","screenWidth":800,"screenHeight":600})");
    EXPECT_FALSE(cache.readLatestEntry(800, 600));
}

TEST_F(WallpaperBlurCacheTest, LookupRefreshesTheDateEvictionGoesBy)
{
    cache.store(picture(), 0x5, 10, 8, 8);
    writes.runAll();
    QFileInfo info(path("5_r10_8x8.jpg"));
    {
        QFile file(info.filePath());
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.setFileTime(QDateTime::currentDateTimeUtc().addSecs(-7200), QFileDevice::FileModificationTime);
    }
    ASSERT_FALSE(cache.image(0x5, 10, 8, 8).isNull());
    EXPECT_GT(QFileInfo(info.filePath()).lastModified(), QDateTime::currentDateTimeUtc().addSecs(-60));
}

TEST_F(WallpaperBlurCacheTest, EvictsOldestFirstByCountAndSize)
{
    struct Case {
        const char* name;
        int files;
        qint64 size;
        int kept;
    };
    for (const Case& c : {Case{"six small", 6, 100 * 1000, 4}, Case{"three large", 3, 3 * 1000 * 1000, 1},
                          Case{"four small", 4, 1000, 4}}) {
        QDir(directory).removeRecursively();
        for (int i = 0; i < c.files; ++i)
            writeFile(QString("f%1.jpg").arg(i), QByteArray(int(c.size), 'x'), 1000 - i); // f0 oldest
        writeFile("latest.json", "{}", 5000);
        writeFile("X.JPG", QByteArray(6 * 1024 * 1024, 'x'), 9000);
        cache.evictIfNeeded();
        QStringList expected;
        for (int i = c.files - c.kept; i < c.files; ++i)
            expected << QString("f%1.jpg").arg(i);
        expected << "latest.json" << "X.JPG";
        expected.sort();
        QStringList actual = files();
        actual.sort();
        EXPECT_EQ(actual, expected) << c.name;
    }
}

TEST_F(WallpaperBlurCacheTest, WriteFailuresAreLoggedWarnings)
{
    test::LogCapture log;
    QDir().mkpath(root.filePath("Corvanta"));
    QFile blocker(directory); // a plain file where the folder should be
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    cache.store(picture(), 0x9, 10, 8, 8);
    cache.writeLatest(0x9, 10, 8, 8, 800, 600);
    writes.runAll();
    EXPECT_EQ(log.count("阶段45：壁纸模糊缓存写入失败: "), 1);
    EXPECT_EQ(log.count("阶段45：壁纸 latest 指针写入失败: "), 1);
    EXPECT_FALSE(cache.readLatestEntry(800, 600));
}
