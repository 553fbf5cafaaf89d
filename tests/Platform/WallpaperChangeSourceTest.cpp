#include "Platform/WallpaperChangeSource.h"
#include "common/ProcessUntil.h"

#include <QDir>
#include <QSaveFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace corvanta;
using corvanta::test::processUntil;

namespace {

void saveAtomically(const QString& path, const QByteArray& data)
{
    QSaveFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
    ASSERT_TRUE(file.commit());
}

} // namespace

// Each save of the index (an atomic replace, as the desktop writes it) is a change notice, also
// after the first replace dropped the watch on the old file.
TEST(LinuxWallpaperChangeSource, EverySaveOfTheIndexIsANotice)
{
    QTemporaryDir root;
    const QString index = root.filePath("Store/Index.plist");
    QDir().mkpath(root.filePath("Store"));
    saveAtomically(index, "one");
    LinuxWallpaperChangeSource source(index, ":4242");
    QList<QVariantMap> notices;
    QObject::connect(&source, &WallpaperChangeSource::desktopNotification,
                     [&](const QVariantMap& info) { notices.append(info); });
    source.start();
    source.start();

    saveAtomically(index, "two");
    ASSERT_TRUE(processUntil([&] { return !notices.isEmpty(); }));
    EXPECT_TRUE(notices.first().contains("BackgroundChanged"));
    const qsizetype afterFirst = notices.size();
    saveAtomically(index, "three");
    EXPECT_TRUE(processUntil([&] { return notices.size() > afterFirst; }));
}
