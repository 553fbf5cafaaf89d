#include "Platform/IcnsFile.h"
#include "Platform/Jpeg2000Decoder.h"
#include "Platform/SystemIcons.h"

#include "common/BundleBuilder.h"
#include "common/LogCapture.h"
#include "common/PngBytes.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace corvanta;
using namespace corvanta::test;

namespace {

QByteArray bigEndian32(quint32 value)
{
    QByteArray out(4, '\0');
    for (int i = 0; i < 4; ++i)
        out[i] = char((value >> (24 - 8 * i)) & 0xFF);
    return out;
}

QByteArray icns(const QList<std::pair<QByteArray, QByteArray>>& entries)
{
    QByteArray body;
    for (const auto& [type, data] : entries)
        body += type + bigEndian32(quint32(data.size() + 8)) + data;
    return "icns" + bigEndian32(quint32(body.size() + 8)) + body;
}

// A 256-pixel picture: a blue square (30, 120, 220) inset 32 pixels on a transparent ground.
QByteArray jpeg2000Fixture()
{
    QFile file(QStringLiteral(CORVANTA_TEST_FIXTURES "/icons/blue-square-256.jp2"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The older form of one channel: literal runs of up to 128 bytes.
QByteArray runLength(const QByteArray& channel)
{
    QByteArray out;
    for (qsizetype at = 0; at < channel.size(); at += 128) {
        const QByteArray run = channel.mid(at, 128);
        out += char(run.size() - 1) + run;
    }
    return out;
}

void expectColor(const QImage& image, QPoint at, QColor expected)
{
    const QColor found = image.pixelColor(at);
    EXPECT_NEAR(found.red(), expected.red(), 3);
    EXPECT_NEAR(found.green(), expected.green(), 3);
    EXPECT_NEAR(found.blue(), expected.blue(), 3);
    EXPECT_NEAR(found.alpha(), expected.alpha(), 3);
}

} // namespace

TEST(IcnsFile, DecodesTheLargestPictureInEveryEncoding)
{
    const QByteArray jp2 = jpeg2000Fixture();
    ASSERT_FALSE(jp2.isEmpty());
    // JPEG 2000 at 256 pixels beside a PNG at 128: the 256 one is used.
    const auto modern = IcnsFile::parse(icns({{"ic07", encodedPng(128, Qt::red)}, {"ic08", jp2}, {"icp4", encodedPng(16, Qt::green)}}));
    ASSERT_TRUE(modern.has_value());
    const QImage large = modern->largestImage();
    ASSERT_EQ(large.size(), QSize(256, 256));
    expectColor(large, {128, 128}, QColor(30, 120, 220));
    expectColor(large, {5, 5}, QColor(0, 0, 0, 0));

    // The older run-length form with its mask.
    const QByteArray red(16 * 16, char(200)), green(16 * 16, char(40)), blue(16 * 16, char(10)), mask(16 * 16, char(128));
    const auto legacy = IcnsFile::parse(icns({{"s8mk", mask}, {"is32", runLength(red) + runLength(green) + runLength(blue)}}));
    ASSERT_TRUE(legacy.has_value());
    const QImage small = legacy->largestImage();
    ASSERT_EQ(small.size(), QSize(16, 16));
    expectColor(small, {3, 3}, QColor(200, 40, 10, 128));
}

// A picture that does not decode is logged with its file, and the next smaller one is used.
TEST(IcnsFile, LogsAPictureThatDoesNotDecodeAndFallsBack)
{
    QByteArray brokenJp2 = jpeg2000Fixture().left(200);
    const struct {
        const char* name;
        QByteArray data;
    } cases[] = {
        {"truncated JPEG 2000", brokenJp2},
        {"PNG signature and nothing else", QByteArray("\x89PNG\r\n\x1A\n", 8)},
        {"neither PNG nor JPEG 2000", QByteArray(64, 'x')},
        {"PNG with a chunk running past the picture", pngWithOverlongChunk(512)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto file = IcnsFile::parse(icns({{"ic09", c.data}, {"ic07", encodedPng(128, Qt::red)}}));
        ASSERT_TRUE(file.has_value());
        LogCapture log;
        const QImage image = file->largestImage(QStringLiteral("/Apps/Broken.app/Contents/Resources/AppIcon.icns"));
        EXPECT_EQ(image.size(), QSize(128, 128));
        ASSERT_EQ(log.count(QStringLiteral("图标图片无法解码（ic09，512px")), 1) << log.messages().join('\n').toStdString();
        EXPECT_TRUE(log.contains(QStringLiteral("/Apps/Broken.app/Contents/Resources/AppIcon.icns")));
    }
}

// Only the picture used is decoded: 200,000 broken small entries before one good large picture
// cost a walk over their headers, and none of them is decoded (none is logged).
TEST(IcnsFile, ManyEntriesAreWalkedNotDecoded)
{
    QList<std::pair<QByteArray, QByteArray>> entries;
    entries.reserve(200001);
    for (int i = 0; i < 200000; ++i)
        entries.append({"icp4", QByteArray("\x89PNG", 4)});
    entries.append({"ic10", encodedPng(1024, Qt::blue)});
    const auto file = IcnsFile::parse(icns(entries));
    ASSERT_TRUE(file.has_value());
    EXPECT_EQ(file->pictures().size(), 200001);
    LogCapture log;
    EXPECT_EQ(file->largestImage().size(), QSize(1024, 1024));
    EXPECT_TRUE(log.messages().isEmpty());
}

TEST(IcnsFile, HostileTablesEndTheWalkOrAreRefused)
{
    const QByteArray good = icns({{"ic07", encodedPng(128, Qt::red)}});
    EXPECT_FALSE(IcnsFile::parse("icnx" + good.mid(4)).has_value());
    EXPECT_FALSE(IcnsFile::parse("icns").has_value());
    // An entry claiming more than the file, or less than its own header, ends the table there.
    for (quint32 length : {quint32(0), quint32(7), quint32(0xFFFFFFFF)}) {
        QByteArray bytes = good + "ic08" + bigEndian32(length) + encodedPng(256, Qt::red);
        bytes.replace(4, 4, bigEndian32(quint32(bytes.size())));
        const auto file = IcnsFile::parse(bytes);
        ASSERT_TRUE(file.has_value());
        EXPECT_EQ(file->largestImage().size(), QSize(128, 128));
    }
    // Pictures larger than any icon are refused from their header.
    const auto huge = IcnsFile::parse(icns({{"ic10", encodedPng(2048, Qt::red)}}));
    ASSERT_TRUE(huge.has_value());
    EXPECT_TRUE(huge->largestImage().isNull());
    // Run-length data that ends early.
    const auto shortRuns = IcnsFile::parse(icns({{"is32", QByteArray("\x05\x01\x02", 3)}}));
    ASSERT_TRUE(shortRuns.has_value());
    EXPECT_TRUE(shortRuns->largestImage().isNull());
}

// A repeat run may fill the channel to its last pixel, never beyond: one that would write past
// the pixels left is refused, whichever channel it is in.
TEST(IcnsFile, ARunLengthRepeatLongerThanThePixelsLeftIsRefused)
{
    // 16×16: 256 bytes a channel, 250 of them copied, then a repeat of the 6 (0x83) left or of 7.
    const QByteArray head = runLength(QByteArray(128, '\x10')) + runLength(QByteArray(122, '\x10'));
    const QByteArray exact = head + QByteArray("\x83\x20", 2);
    const QByteArray over = head + QByteArray("\x84\x20", 2);
    const QByteArray longest = runLength(QByteArray(128, '\x10')) + QByteArray("\xFF\x30", 2);
    const struct {
        const char* name;
        QByteArray data;
        bool decodes;
    } cases[] = {
        {"repeats fill every channel exactly", exact + exact + exact, true},
        {"a repeat one past the red channel", over + exact + exact, false},
        {"a repeat one past the blue channel", exact + exact + over, false},
        {"the longest repeat (130) with 128 pixels left", longest + exact + exact, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto file = IcnsFile::parse(icns({{"is32", c.data}}));
        ASSERT_TRUE(file.has_value());
        ASSERT_EQ(file->pictures().size(), 1);
        QString error;
        const QImage image = file->decode(file->pictures().front(), &error);
        EXPECT_EQ(image.isNull(), !c.decodes);
        EXPECT_EQ(error.isEmpty(), c.decodes) << error.toStdString();
        if (c.decodes) {
            expectColor(image, QPoint(0, 0), QColor(0x10, 0x10, 0x10));
            expectColor(image, QPoint(15, 15), QColor(0x20, 0x20, 0x20));
        }
    }
}

// The bundle icon goes through the same reader: a JPEG 2000 picture is what the grid gets.
TEST(IcnsFile, BundleIconsUseIt)
{
    QTemporaryDir root;
    const QString bundle = makeBundle(root.path(), QStringLiteral("Blue.app"),
                                      {{QStringLiteral("CFBundleIconFile"), QStringLiteral("AppIcon")}});
    writeFile(bundle + QStringLiteral("/Contents/Resources/AppIcon.icns"),
              icns({{"ic07", encodedPng(128, Qt::red)}, {"ic08", jpeg2000Fixture()}}));
    const QImage icon = BundleIconProvider().bundleIcon(bundle);
    ASSERT_EQ(icon.size(), QSize(256, 256));
    expectColor(icon, {128, 128}, QColor(30, 120, 220));
}
