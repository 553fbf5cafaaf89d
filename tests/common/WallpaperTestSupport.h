#pragma once

#include "Platform/DesktopWorkspace.h"
#include "Platform/PropertyList.h"
#include "Platform/WallpaperChangeSource.h"
#include "Services/WallpaperBlurCache.h"
#include "Services/WallpaperProvider.h"
#include "Services/WallpaperStore.h"
#include "Support/VirtualScheduler.h"
#include "common/ManualTasks.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <memory>

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

class FakeChangeSource final : public WallpaperChangeSource {
public:
    int starts = 0;
    void start() override { ++starts; }
};

// A store on a fixture tree with pictures A (red) and B (blue, of another grey) of 400 × 300,
// virtual time, and background jobs and main-thread hops that run only when the test says so.
struct WallpaperStoreHarness {
    WallpaperTree tree;
    FakeDesktopWorkspace workspace;
    VirtualScheduler scheduler;
    WallpaperProvider provider{tree.locations, workspace, scheduler.clock()};
    QString cacheDirectory = tree.root.filePath("support/Corvanta/WallpaperBlurCache");
    WallpaperBlurCache cache{cacheDirectory, [](Task task) { task(); }, 0.85};
    ManualTasks background;
    ManualTasks main;
    FakeChangeSource changes;
    const QRectF screen{0, 0, 1512, 982};
    std::unique_ptr<WallpaperStore> store;
    int published = 0;

    WallpaperStoreHarness()
    {
        tree.addPicture("A.png", QColor(200, 40, 40), {400, 300});
        tree.addPicture("B.png", QColor(30, 30, 240), {400, 300});
        showPicture("A.png");
        store = makeStore();
    }
    std::unique_ptr<WallpaperStore> makeStore()
    {
        auto made = std::make_unique<WallpaperStore>(WallpaperStore::Dependencies{
            scheduler, background.runner(), main.runner(), provider, cache, &changes, screen});
        QObject::connect(made.get(), &WallpaperStore::blurredImageChanged, [this] { ++published; });
        // A slice of the run loop: virtual time passes and whatever is due runs.
        made->setRunLoopSlice([this](double seconds) {
            scheduler.advance(seconds);
            runJobs();
        });
        return made;
    }
    void showPicture(const QString& name) const { tree.writeIndex(WallpaperTree::pictureIndex(name)); }
    void runJobs()
    {
        while (background.pending() || main.pending()) {
            background.runAll();
            main.runAll();
        }
    }
    void refreshAndRun(double strength)
    {
        store->refresh(strength);
        runJobs();
    }
};

} // namespace corvanta::test
