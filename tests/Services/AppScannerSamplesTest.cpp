// The scanner over the generated sample folder, the same input the demo run shows: every special
// case of that folder meets the scanner at once, under both language set-ups of the program.

#include "Services/AppScanner.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace corvanta;

namespace {

const QString samples = QStringLiteral(CORVANTA_SAMPLE_APPS);

QList<AppItem> scanSamples(const QStringList& languages, const QLocale& locale)
{
    const AppScanner scanner({samples, samples + QStringLiteral("/Utilities")},
                             {std::make_shared<FileBundleReader>(), std::make_shared<NoDisplayNameSource>(), languages,
                              locale});
    return scanner.scanAll();
}

QStringList names(const QList<AppItem>& apps)
{
    QStringList out;
    for (const AppItem& app : apps) {
        out << app.name;
    }
    return out;
}

TEST(AppScannerSamples, EnglishScanNamesSkipsAndOrdersTheSampleFolder)
{
    const QList<AppItem> apps = scanSamples({QStringLiteral("en-US")}, QLocale(QLocale::English, QLocale::UnitedStates));
    // Left out: the background-only agent, the two interface-less agents (Boolean and number 1),
    // the ".APP" bundle, the hidden bundle, the bundle in a sub folder and the second bundle of
    // com.example.atlas. The agent flagged with the text "1" stays. Accented names sort with their
    // base letter, case is ignored ("tally" and "Tally" keep their listing order), Chinese last.
    const QStringList expected = {
        "Activity Gauge", "alpha", "Ångström", "Atlas", "Beta", "Chronos Calendar", "Color Probe", "Corvanta",
        "Disk Medic", "Éclair", "Ferry", "Fieldnotes", "Glacier", "Greenhouse", "Harbor FTP", "Key Vault", "Kiln",
        "Lighthouse", "Log Lens", "Marble", "Metronome", "Mosaic", "Notebook", "Orbit Browser", "Origami",
        "Pixel Forge", "Quillpad — \"Draft\"", "Scratchpad", "Shell Station", "Sketchbook", "Soundboard",
        "Status Panel", "tally", "Tally", "Telescope Sky", "Velvet", "Zebra", "Ziggurat", "地图集", "猫头鹰邮件",
        "白板"};
    EXPECT_EQ(names(apps), expected);

    const auto scratchpad = std::find_if(apps.begin(), apps.end(), [](const AppItem& app) {
        return app.name == QLatin1String("Scratchpad");
    });
    ASSERT_NE(scratchpad, apps.end());
    EXPECT_TRUE(scratchpad->bundleIdentifier.isEmpty());
}

TEST(AppScannerSamples, ChineseScanTakesLocalizedNamesInEveryEncodingAndSortsByPinyin)
{
    const QStringList found = names(scanSamples({QStringLiteral("zh-Hans-CN"), QStringLiteral("en-US")},
                                                QLocale(QLocale::Chinese, QLocale::China)));
    // UTF-16 (both byte orders) strings files, property-list strings files and Info.plist names.
    const QStringList chineseFirst = {"白板", "笔记本", "地图集", "港湾传输", "活动仪表", "猫头鹰邮件", "羽毛笔记"};
    EXPECT_EQ(found.mid(0, chineseFirst.size()), chineseFirst);
    EXPECT_EQ(found.size(), 41);
    EXPECT_TRUE(found.contains(QStringLiteral("Orbit Browser")));  // only a Base localization
}

}  // namespace
