#include "Support/Constants.h"

#include "common/LogCapture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace corvanta;

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QString movedLine = QStringLiteral("阶段149：已迁移 Application Support Verdanza → Corvanta");
const QString failedLine = QStringLiteral("阶段149：Application Support 迁移失败 — ");

} // namespace

TEST(AppConstants, FixedValues)
{
    EXPECT_EQ(AppConstants::systemUtilitiesFolderID.toString(QUuid::WithoutBraces).toUpper(),
              QStringLiteral("0A11C000-5555-4000-8000-5554494C4954"));
    EXPECT_DOUBLE_EQ(AppConstants::wallpaperBlurJPEGQuality, 0.85);
    EXPECT_EQ(AppConstants::scanDirectories(QStringLiteral("/home/ana")),
              (QStringList{QStringLiteral("/home/ana/Applications"), QStringLiteral("/Applications"),
                           QStringLiteral("/Applications/Utilities"), QStringLiteral("/Users/Shared/Applications"),
                           QStringLiteral("/System/Applications"), QStringLiteral("/System/Applications/Utilities"),
                           QStringLiteral("/System/Volumes/Preboot/Cryptexes/App/System/Applications")}));
}

TEST(AppSupportDirectory, FreshAccountCreatesTheFolderSilently)
{
    QTemporaryDir base;
    test::LogCapture log;
    const QString folder = AppConstants::resolvedAppSupportDirectory(base.path() + QStringLiteral("/deep/data"));
    EXPECT_EQ(folder, base.path() + QStringLiteral("/deep/data/Corvanta"));
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_FALSE(log.contains(QStringLiteral("阶段149")));
}

TEST(AppSupportDirectory, EarlierFolderIsMovedOnceWithItsContents)
{
    QTemporaryDir base;
    writeFile(base.path() + QStringLiteral("/Verdanza/layout.json"), "{}");
    writeFile(base.path() + QStringLiteral("/Verdanza/IconCache/v4_a.png"), "png");
    test::LogCapture log;

    const QString folder = AppConstants::resolvedAppSupportDirectory(base.path());
    EXPECT_EQ(readFile(folder + QStringLiteral("/layout.json")), "{}");
    EXPECT_EQ(readFile(folder + QStringLiteral("/IconCache/v4_a.png")), "png");
    EXPECT_FALSE(QFileInfo::exists(base.path() + QStringLiteral("/Verdanza")));
    ASSERT_EQ(log.entries().size(), 1);
    EXPECT_EQ(log.entries().front().level, LogLevel::Info);
    EXPECT_EQ(log.entries().front().message, movedLine);

    log.clear();
    EXPECT_EQ(AppConstants::resolvedAppSupportDirectory(base.path()), folder);
    EXPECT_TRUE(log.entries().isEmpty());
}

TEST(AppSupportDirectory, BothFoldersPresentLeavesTheEarlierOneAlone)
{
    QTemporaryDir base;
    writeFile(base.path() + QStringLiteral("/Corvanta/layout.json"), "new");
    writeFile(base.path() + QStringLiteral("/Verdanza/layout.json"), "old");
    test::LogCapture log;

    const QString folder = AppConstants::resolvedAppSupportDirectory(base.path());
    EXPECT_EQ(readFile(folder + QStringLiteral("/layout.json")), "new");
    EXPECT_EQ(readFile(base.path() + QStringLiteral("/Verdanza/layout.json")), "old");
    EXPECT_FALSE(log.contains(QStringLiteral("阶段149")));
}

TEST(AppSupportDirectory, FailedMoveWarnsAndKeepsTheEarlierFolder)
{
    // A dangling link where the new folder belongs: it does not count as an existing folder, yet a
    // directory cannot be renamed onto it, whoever runs the test.
    QTemporaryDir base;
    writeFile(base.path() + QStringLiteral("/Verdanza/layout.json"), "old");
    ASSERT_TRUE(QFile::link(base.path() + QStringLiteral("/nowhere"), base.path() + QStringLiteral("/Corvanta")));
    test::LogCapture log;

    EXPECT_EQ(AppConstants::resolvedAppSupportDirectory(base.path()), base.path() + QStringLiteral("/Corvanta"));
    EXPECT_EQ(readFile(base.path() + QStringLiteral("/Verdanza/layout.json")), "old");
    ASSERT_EQ(log.entries().size(), 1);
    EXPECT_EQ(log.entries().front().level, LogLevel::Warning);
    EXPECT_TRUE(log.entries().front().message.startsWith(failedLine));
    EXPECT_GT(log.entries().front().message.size(), failedLine.size()); // carries the reason
}

TEST(AppSupportDirectory, DefaultBaseIsThePlatformDataFolder)
{
    EXPECT_EQ(AppConstants::resolvedAppSupportDirectory(),
              QDir::cleanPath(qEnvironmentVariable("XDG_DATA_HOME")) + QStringLiteral("/Corvanta"));
}
