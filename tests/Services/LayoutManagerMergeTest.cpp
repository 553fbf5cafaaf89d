#include "LayoutTestSupport.h"

#include "Services/UtilitiesFolderName.h"
#include "Support/Constants.h"
#include "common/LogCapture.h"

using namespace corvanta;
using namespace corvanta::test;

namespace {

class LayoutMerge : public LayoutHarness {
protected:
    LayoutConfig grid(int rows, int columns)
    {
        LayoutConfig config;
        config.rows = rows;
        config.columns = columns;
        return config;
    }
    bool flagSet() const { return defaults.boolValue(QString::fromLatin1(LayoutManager::utilitiesFolderEnsuredKey)); }
    // Nothing on disk: only the scan keeps an application.
    static bool nothingExists(const QString&) { return false; }

    // The same applications as a fresh scan gives them: new ids.
    static QList<AppItem> rescanned(const QList<AppItem>& apps)
    {
        QList<AppItem> out = apps;
        for (AppItem& a : out)
            a.id = QUuid::createUuid();
        return out;
    }
};

using Pages = QList<QStringList>;

} // namespace

TEST_F(LayoutMerge, FreshInstallGathersUtilitiesFirstAndFillsPagesInScanOrder)
{
    LayoutManager& s = storeWithPages({page({})}, grid(1, 3));
    const QList<AppItem> scan = {app(QStringLiteral("Maps")), utility(QStringLiteral("Terminal"), QStringLiteral("com.t")),
                                 app(QStringLiteral("Notes")), app(QStringLiteral("Books")),
                                 utility(QStringLiteral("Console"), QStringLiteral("com.c")), app(QStringLiteral("Zoom"))};
    LogCapture log;
    s.updateScannedApps(scan, nothingExists);

    EXPECT_EQ(pageNames(s.layout()), (Pages{{"Utilities: Console, Terminal", "Maps", "Notes"}, {"Books", "Zoom"}}));
    const AppGroup& utilities = *s.layout().pages[0].entries[0].asGroup();
    EXPECT_EQ(utilities.id, AppConstants::systemUtilitiesFolderID);
    EXPECT_TRUE(utilities.isSystemUtilitiesFolder);
    EXPECT_TRUE(flagSet());
    EXPECT_EQ(log.messages().filter(QStringLiteral("阶段140")),
              QStringList{QStringLiteral("阶段140：创建默认「Utilities」文件夹，成员 2")});
    EXPECT_EQ(s.allScannedApps(), scan);
    // New applications keep the scan's ids.
    EXPECT_EQ(s.layout().pages[1].entries[1].id(), scan[5].id);
    EXPECT_TRUE(s.hasPendingSave());

    // The same scan again changes nothing.
    log.clear();
    const QList<QStringList> before = pageNames(s.layout());
    s.updateScannedApps(rescanned(scan), nothingExists);
    EXPECT_EQ(pageNames(s.layout()), before);
    EXPECT_TRUE(log.messages().filter(QStringLiteral("阶段140")).isEmpty());
}

TEST_F(LayoutMerge, UtilitiesWithoutIdentifierAreToldApartByPath)
{
    LayoutManager& s = storeWithPages({page({})});
    const QList<AppItem> scan = {utility(QStringLiteral("Alpha")), utility(QStringLiteral("Beta")), app(QStringLiteral("Maps"))};
    s.updateScannedApps(scan, nothingExists);
    EXPECT_EQ(pageNames(s.layout()), (Pages{{"Utilities: Alpha, Beta", "Maps"}}));
    s.updateScannedApps(rescanned(scan), nothingExists);
    EXPECT_EQ(pageNames(s.layout()), (Pages{{"Utilities: Alpha, Beta", "Maps"}}));
}

TEST_F(LayoutMerge, UtilitiesOnThePagesAreGatheredOnlyUntilTheFolderWasMadeOnce)
{
    const AppItem maps = app(QStringLiteral("Maps"));
    const AppItem disk = utility(QStringLiteral("Disk"), QStringLiteral("com.disk"));
    const AppItem console = utility(QStringLiteral("Console"), QStringLiteral("com.c"));

    // No utility anywhere: no folder, and the flag stays unset.
    LayoutManager& first = storeWithPages({page({maps})});
    first.updateScannedApps(rescanned({maps}), nothingExists);
    EXPECT_EQ(pageNames(first.layout()), (Pages{{"Maps"}}));
    EXPECT_FALSE(flagSet());

    // The folder takes in the utility lying on the page, sorted with the new one.
    LayoutManager& s = storeWithPages({page({disk, maps})});
    s.updateScannedApps(rescanned({disk, maps, console}), nothingExists);
    EXPECT_EQ(pageNames(s.layout()), (Pages{{"Maps", "Utilities: Console, Disk"}}));
    EXPECT_TRUE(flagSet());

    // The user takes Disk out and Console is uninstalled, so the folder goes; utilities on the
    // pages then stay put, and only a utility the layout does not hold yet starts a new folder.
    s.extractFromGroup(disk.id, AppConstants::systemUtilitiesFolderID);
    s.removeApp(s.layout().pages[0].entries[1].asGroup()->apps[0].id); // Console, uninstalled
    EXPECT_EQ(pageNames(s.layout()), (Pages{{"Maps", "Disk"}}));
    s.updateScannedApps(rescanned({disk, maps}), nothingExists);
    EXPECT_EQ(pageNames(s.layout()), (Pages{{"Maps", "Disk"}}));
    const AppItem keychain = utility(QStringLiteral("Keychain"), QStringLiteral("com.k"));
    s.updateScannedApps(rescanned({disk, maps, keychain}), nothingExists);
    EXPECT_EQ(pageNames(s.layout()), (Pages{{"Maps", "Disk", "Utilities: Keychain"}}));
}

TEST_F(LayoutMerge, ExistingUtilitiesFolderTakesNewMembersAtTheEndAndFollowsTheLanguage)
{
    struct Case {
        const char* folderName;
        QStringList languages;
        const char* expectedName;
    };
    const QList<Case> cases = {
        {"Utilities", {QStringLiteral("zh-Hans-CN")}, "实用工具"},
        {"Utilitaires", {QStringLiteral("en-GB")}, "Utilities"},
        {"  ", {QStringLiteral("fr-CA")}, "Utilitaires"},
        {"My Tools", {QStringLiteral("zh-Hans-CN")}, "My Tools"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folderName);
        languages = c.languages;
        AppGroup existing{AppConstants::systemUtilitiesFolderID, QString::fromUtf8(c.folderName),
                          {utility(QStringLiteral("Zed"), QStringLiteral("com.z"))}, false};
        const AppItem maps = app(QStringLiteral("Maps"));
        LayoutManager& s = storeWithPages({page({maps, existing})});
        LogCapture log;
        s.updateScannedApps({maps, utility(QStringLiteral("Zed"), QStringLiteral("com.z")),
                             utility(QStringLiteral("Aardvark"), QStringLiteral("com.a")),
                             utility(QStringLiteral("Aardvark copy"), QStringLiteral("com.a"))},
                            nothingExists);
        ASSERT_EQ(s.layout().pages[0].entries.size(), 2); // no utility left outside the folder
        ASSERT_TRUE(s.layout().pages[0].entries[1].isGroup());
        const AppGroup& result = *s.layout().pages[0].entries[1].asGroup();
        EXPECT_EQ(result.name, QString::fromUtf8(c.expectedName));
        EXPECT_TRUE(result.isSystemUtilitiesFolder);
        ASSERT_EQ(result.apps.size(), 2);
        EXPECT_EQ(result.apps[1].name, QStringLiteral("Aardvark"));
        EXPECT_TRUE(log.contains(QStringLiteral("阶段140：实用工具文件夹增量收录 → 成员 2")));
    }
}

TEST_F(LayoutMerge, RenamedAppsKeepTheirPlaceAndId)
{
    const AppItem inFolder = app(QStringLiteral("Pages"));
    const AppItem top = app(QStringLiteral("Keynote"));
    const AppItem other = app(QStringLiteral("Numbers"));
    LayoutManager& s = storeWithPages({page({top, folder(QStringLiteral("Work"), {inFolder, other})})});
    QList<AppItem> scan = rescanned({top, inFolder, other});
    scan[0].name = QStringLiteral("Keynote Pro");
    scan[0].url = QUrl::fromLocalFile(QStringLiteral("/elsewhere/Keynote.app"));
    scan[1].name = QStringLiteral("Pages 2");
    s.updateScannedApps(scan, nothingExists);
    EXPECT_EQ(pageNames(s.layout()), (Pages{{"Keynote Pro", "Work: Pages 2, Numbers"}}));
    const AppItem& kept = *s.layout().pages[0].entries[0].asApp();
    EXPECT_EQ(kept.id, top.id);
    EXPECT_EQ(kept.url, top.url);
}

TEST_F(LayoutMerge, RemovalAsksTheDiskOnlyAboutAppsTheScanMissed)
{
    const AppItem kept = app(QStringLiteral("Kept"));
    const AppItem onDisk = app(QStringLiteral("OnDisk"));
    const AppItem gone = app(QStringLiteral("Gone"));
    const AppItem goneInFolder = app(QStringLiteral("GoneToo"));
    const AppItem noIDGone = makeApp(QStringLiteral("Loose"), {}, QStringLiteral("/Applications/Loose.app"));
    LayoutManager& s = storeWithPages({page({kept, onDisk, noIDGone}), page({gone}), page({folder(QStringLiteral("F"), {goneInFolder})}), page({})});

    QStringList asked;
    s.updateScannedApps(rescanned({kept}), [&asked, &onDisk](const QString& path) {
        asked << path;
        return path == onDisk.path();
    });
    EXPECT_EQ(pageNames(s.layout()), (Pages{{"Kept", "OnDisk"}}));
    EXPECT_FALSE(asked.contains(kept.path()));
    EXPECT_TRUE(asked.contains(noIDGone.path()));

    // Everything gone: the layout keeps one page.
    s.updateScannedApps({}, nothingExists);
    EXPECT_EQ(pageNames(s.layout()), (Pages{{}}));
}

TEST_F(LayoutMerge, AppsWithoutIdentifierMatchByPathAndStayWhileTheScanHasSuchApps)
{
    const AppItem loose = makeApp(QStringLiteral("Loose"), {}, QStringLiteral("/Applications/Loose.app"));
    LayoutManager& s = storeWithPages({page({loose})});
    const AppItem otherLoose = makeApp(QStringLiteral("Other"), {}, QStringLiteral("/Applications/Other.app"));
    s.updateScannedApps(rescanned({loose, otherLoose}), nothingExists);
    EXPECT_EQ(pageNames(s.layout()), (Pages{{"Loose", "Other"}}));
    // Loose is missing from the scan and the disk, but another identifier-less app keeps it.
    s.updateScannedApps(rescanned({otherLoose}), nothingExists);
    EXPECT_EQ(pageNames(s.layout()), (Pages{{"Loose", "Other"}}));
}

TEST_F(LayoutMerge, NewAppsGoToTheLastPageOnly)
{
    const AppItem a = app(QStringLiteral("A")), b = app(QStringLiteral("B")), c = app(QStringLiteral("C"));
    LayoutManager& s = storeWithPages({page({a}), page({b, c})}, grid(1, 2));
    s.updateScannedApps(rescanned({a, b, c, app(QStringLiteral("D"))}), nothingExists);
    EXPECT_EQ(pageNames(s.layout()), (Pages{{"A"}, {"B", "C"}, {"D"}}));
}

TEST_F(LayoutMerge, GridOfZeroOrNegativeSizeHoldsOneEntryPerPage)
{
    for (const auto& [rows, columns] : {std::pair{0, 1}, std::pair{1, -3}, std::pair{-1, 0}}) {
        SCOPED_TRACE(rows);
        LayoutManager& s = storeWithPages({page({})}, grid(rows, columns));
        EXPECT_EQ(s.pageCapacity(), 1);
        s.updateScannedApps({app(QStringLiteral("A")), app(QStringLiteral("B"))}, nothingExists);
        EXPECT_EQ(pageNames(s.layout()), (Pages{{"A"}, {"B"}}));
        s.compactPages();
        EXPECT_EQ(s.layout().pages.size(), 2);
        s.resetLayout();
        EXPECT_EQ(s.layout().pages.size(), 2);
    }
    LayoutManager& s = storeWithPages({page({})}, grid(INT_MAX, INT_MAX));
    EXPECT_EQ(s.pageCapacity(), qsizetype(INT_MAX) * INT_MAX);
}

TEST(UtilitiesFolderName, LocalizationCandidates)
{
    const QList<std::pair<QString, QStringList>> cases = {
        {"zh-Hans-CN", {"zh-Hans-CN", "zh_Hans_CN", "zh_CN", "zh-Hans", "zh_Hans", "zh"}},
        {"en-US", {"en-US", "en_US", "en"}},
        {"zh-Hant-HK", {"zh-Hant-HK", "zh_Hant_HK", "zh_HK", "zh_TW", "zh-Hant", "zh_Hant", "zh"}},
        {"zh-Hant", {"zh-Hant", "zh_Hant", "zh_TW", "zh_HK", "zh"}},
        {"zh", {"zh", "zh_CN", "zh_TW", "zh_HK"}},
        {"fr", {"fr"}},
    };
    for (const auto& [code, expected] : cases)
        EXPECT_EQ(UtilitiesFolderName::localizationCandidates(code), expected) << code.toStdString();
}

TEST(UtilitiesFolderName, NameFromPreferredLanguagesThenEnglish)
{
    const QString root = QStringLiteral(CORVANTA_TEST_FIXTURES "/utilities-names");
    const QList<std::pair<QStringList, QString>> cases = {
        {{"zh-Hans-CN"}, "实用工具"},
        {{"de-DE", "fr-CA"}, "Utilitaires"}, // an empty entry is skipped
        {{"ja"}, "Utilities"},
        {{}, "Utilities"},
    };
    for (const auto& [languages, expected] : cases)
        EXPECT_EQ(UtilitiesFolderName::localizedName(root, languages), expected) << languages.join(',').toStdString();
    EXPECT_EQ(UtilitiesFolderName::localizedName(QStringLiteral("/nonexistent"), {QStringLiteral("fr")}), "Utilities");

    EXPECT_EQ(UtilitiesFolderName::knownNames(root), (QSet<QString>{"Utilities", "实用工具", "Utilitaires"}));
    EXPECT_EQ(UtilitiesFolderName::knownNames(QStringLiteral("/nonexistent")), (QSet<QString>{"Utilities", "实用工具"}));
}
