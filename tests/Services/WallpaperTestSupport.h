#pragma once

#include "Platform/DesktopWorkspace.h"
#include "Platform/PropertyList.h"
#include "Services/WallpaperProvider.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

namespace corvanta::test {

inline const QString kWallpaperFixtures = QStringLiteral(CORVANTA_TEST_FIXTURES "/wallpaper");

// The desktop's own picture, as a test sets it.
class FakeDesktopWorkspace final : public DesktopWorkspace {
public:
    QString path;
    bool captureAllowed = false;
    QString desktopImagePath(const QRectF&) const override { return path; }
    bool screenCaptureAllowed() const override { return captureAllowed; }
};

// A home folder with the wallpaper store's layout, a picture folder, and the aerials copied from
// the fixtures.
struct WallpaperTree {
    QTemporaryDir root;
    WallpaperLocations locations =
        WallpaperLocations::forHome(root.filePath("home"), {root.filePath("System/Pictures"), root.filePath("Pictures")});

    WallpaperTree()
    {
        QDir().mkpath(QFileInfo(locations.indexPlistPath).absolutePath());
        QDir().mkpath(locations.pictureFolders.at(0));
        QDir().mkpath(locations.pictureFolders.at(1));
        for (const QString& sub : {QStringLiteral("videos"), QStringLiteral("thumbnails")}) {
            QDir().mkpath(locations.aerialBase + "/" + sub);
            for (const QString& name : QDir(kWallpaperFixtures + "/aerials/" + sub).entryList(QDir::Files))
                QFile::copy(kWallpaperFixtures + "/aerials/" + sub + "/" + name, locations.aerialBase + "/" + sub + "/" + name);
        }
    }
    QString picture(const QString& name) const { return locations.pictureFolders.at(1) + "/" + name; }
    // Writes a solid picture into the picture folder and returns its path.
    QString addPicture(const QString& name, QColor colour, QSize size = {40, 30}) const
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        image.save(picture(name));
        return picture(name);
    }
    void writeIndex(const QByteArray& data) const
    {
        QFile file(locations.indexPlistPath);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(data);
    }
    void writeIndex(const QVariantMap& root) const { writeIndex(PropertyList::toBinary(root)); }
    void copyIndex(const QString& fixtureFolder) const
    {
        QFile::remove(locations.indexPlistPath);
        QFile::copy(kWallpaperFixtures + "/" + fixtureFolder + "/Index.plist", locations.indexPlistPath);
    }
    // The usual shape of an index entry that shows one picture everywhere.
    static QVariantMap pictureIndex(const QString& relative)
    {
        const QVariantMap files{{"relative", relative}};
        const QVariantMap choice{{"Files", QVariantList{files}}, {"Provider", "com.apple.wallpaper.choice.image"}};
        const QVariantMap content{{"Choices", QVariantList{choice}}};
        return {{"AllSpacesAndDisplays", QVariantMap{{"Desktop", QVariantMap{{"Content", content}}}}}};
    }
};

} // namespace corvanta::test
