#include "Platform/DesktopWorkspace.h"
#include "Platform/ImageFileDecoder.h"
#include "Platform/PropertyList.h"
#include "Platform/VideoFrameReader.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace corvanta;

namespace {

const QString kFixtures = QStringLiteral(CORVANTA_TEST_FIXTURES "/wallpaper");

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Channel distance small enough for lossy codecs.
::testing::AssertionResult near(QRgb actual, QColor expected, int tolerance = 40)
{
    const int d = std::max({std::abs(qRed(actual) - expected.red()), std::abs(qGreen(actual) - expected.green()),
                            std::abs(qBlue(actual) - expected.blue())});
    if (d <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << QColor(actual).name().toStdString() << " is not near "
                                         << expected.name().toStdString();
}

} // namespace

TEST(WallpaperIndexFixtures, XmlAndBinaryFormsReadAlike)
{
    const auto xml = PropertyList::readFile(kFixtures + "/store-xml/Index.plist");
    const auto binary = PropertyList::readFile(kFixtures + "/store-binary/Index.plist");
    ASSERT_TRUE(xml && binary);
    EXPECT_EQ(*xml, *binary);
    const QVariantMap desktop = xml->toMap()["AllSpacesAndDisplays"].toMap()["Desktop"].toMap();
    const QVariantMap choice = desktop["Content"].toMap()["Choices"].toList().value(0).toMap();
    EXPECT_EQ(choice["Files"].toList().value(0).toMap()["relative"].toString(), "Sunset.png");
    EXPECT_EQ(choice["Configuration"].typeId(), QMetaType::QByteArray);
    EXPECT_EQ(desktop["LastSet"].toDateTime(), QDateTime(QDate(2024, 3, 1), QTime(10, 0), Qt::UTC));
}

TEST(ImageFileDecoder, ReadsHeicAndQtFormatsAndRefusesDamage)
{
    const QImage heic = ImageFileDecoder::decodeFile(kFixtures + "/pictures/Dune.heic");
    ASSERT_EQ(heic.size(), QSize(64, 32));
    EXPECT_TRUE(near(heic.pixel(8, 16), QColor(255, 128, 0)));
    EXPECT_TRUE(near(heic.pixel(56, 16), QColor(0, 0, 128)));

    EXPECT_EQ(ImageFileDecoder::decodeFile(kFixtures + "/pictures/Sunset.png").size(), QSize(40, 30));
    EXPECT_TRUE(ImageFileDecoder::decodeFile(kFixtures + "/pictures/missing.png").isNull());
    const QByteArray heicBytes = readAll(kFixtures + "/pictures/Dune.heic");
    EXPECT_TRUE(ImageFileDecoder::decodeData(heicBytes.left(heicBytes.size() / 2)).isNull());
    EXPECT_TRUE(ImageFileDecoder::decodeData("garbage that is no picture").isNull());
}

// The fixture video: 4 s at 4 frames per second, 32 × 16 stored, left half red, green, blue and
// yellow in seconds 0 to 3 and right half black, marked to be shown turned a quarter clockwise.
TEST(VideoFrameReader, TakesTheFrameAtTwoSecondsTurnedUpright)
{
    const QImage frame = VideoFrameReader::frameNear(kFixtures + "/aerials/videos/A1B2.mov", 2.0, 1.0);
    ASSERT_EQ(frame.size(), QSize(16, 32));
    // Turned clockwise, the stored left half is now the top half.
    EXPECT_TRUE(near(frame.pixel(8, 6), QColor(0, 0, 255)));
    EXPECT_TRUE(near(frame.pixel(8, 26), QColor(0, 0, 0)));

    const QImage first = VideoFrameReader::frameNear(kFixtures + "/aerials/videos/A1B2.mov", 0.0, 1.0);
    EXPECT_TRUE(near(first.pixel(8, 6), QColor(255, 0, 0)));
}

TEST(VideoFrameReader, FailsQuietlyOnBadInput)
{
    QTemporaryDir dir;
    const QString broken = dir.filePath("broken.mov");
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(readAll(kFixtures + "/aerials/videos/A1B2.mov").left(200));
    file.close();
    EXPECT_TRUE(VideoFrameReader::frameNear(broken, 2.0, 1.0).isNull());
    EXPECT_TRUE(VideoFrameReader::frameNear(kFixtures + "/pictures/Sunset.png.missing", 2.0, 1.0).isNull());
    // Past the end by more than the tolerance: no frame is close enough.
    EXPECT_TRUE(VideoFrameReader::frameNear(kFixtures + "/aerials/videos/A1B2.mov", 9.0, 1.0).isNull());
}

TEST(GnomeDesktopWorkspace, WithoutTheSchemaThereIsNoPictureAndNoAbort)
{
    const GnomeDesktopWorkspace missingSchema(QStringLiteral("org.corvanta.test.no-such-schema"));
    EXPECT_TRUE(missingSchema.desktopImagePath({0, 0, 800, 600}).isEmpty());
    const GnomeDesktopWorkspace missingKey(QStringLiteral("org.gnome.desktop.background"),
                                           QStringLiteral("no-such-key"));
    EXPECT_TRUE(missingKey.desktopImagePath({0, 0, 800, 600}).isEmpty());
}
