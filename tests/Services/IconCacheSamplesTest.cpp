// The icon tiers over the generated sample applications: every sample's icon reaches the disk
// cache under the name its cache key hashes to, unless the bundle offers too small an icon.

#include "Services/AppScanner.h"
#include "Services/IconCache.h"

#include "common/LogCapture.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace corvanta;
using namespace corvanta::test;

TEST(IconCacheSamples, SampleIconsLandOnDiskUnderTheirHashedNames)
{
    const QString samples = QStringLiteral(CORVANTA_SAMPLE_APPS);
    const QList<AppItem> apps =
        AppScanner({samples, samples + QStringLiteral("/Utilities")},
                   {std::make_shared<FileBundleReader>(), std::make_shared<NoDisplayNameSource>(), {"en-US"}, QLocale(QLocale::English)})
            .scanAll();
    ASSERT_GT(apps.size(), 20);

    QTemporaryDir root;
    const auto now = [](Task task) { task(); };
    IconDiskCache disk([&] { return root.filePath("Corvanta/IconCache"); }, now);
    const BundleIconProvider icons;
    IconCache cache(disk, icons, now);
    LogCapture log;

    int written = 0;
    for (const AppItem& app : apps) {
        SCOPED_TRACE(app.name.toStdString());
        const QString key = IconCache::cacheKey(app);
        const QImage loaded = cache.loadImage(key, app.path());
        ASSERT_FALSE(loaded.isNull());

        const QString name = QStringLiteral("v4_")
            + QString::fromLatin1(QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha256).toHex())
            + QStringLiteral(".png");
        const QString file = root.filePath("Corvanta/IconCache/" + name);
        if (IconDiskCache::maxPixelSize(loaded) >= IconDiskCache::kSmallestSide) {
            EXPECT_TRUE(QFile::exists(file));
            EXPECT_EQ(IconDiskCache::maxPixelSize(QImage(file)), std::min(IconDiskCache::maxPixelSize(loaded), 256.0));
            ++written;
        } else {
            EXPECT_FALSE(QFile::exists(file));
            EXPECT_TRUE(log.contains(QStringLiteral("阶段49：图标源分辨率过低（")));
        }
    }
    EXPECT_GT(written, apps.size() / 2);
}
