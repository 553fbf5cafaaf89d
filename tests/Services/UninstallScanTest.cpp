#include "Platform/PropertyList.h"
#include "Services/UninstallMatching.h"
#include "Services/UninstallScan.h"
#include "Services/UninstallTargets.h"
#include "UninstallTestKit.h"
#include "common/MountNamespace.h"
#include "common/QtPrinters.h"

#include <cerrno>
#include <cstring>

using namespace corvanta;
using namespace corvanta::Uninstall;
using namespace corvanta::test;

class UninstallScanTest : public UninstallFixture {
protected:
    QStringList scan(const AppItem& item)
    {
        UninstallManager m(env);
        return residualPaths(m.buildPlan(item));
    }
    QString rel(const QString& path) const { return path.mid(root.size()); }
};

TEST_F(UninstallScanTest, MatchContextFromNamesIdentifierAndHelpers)
{
    const AppItem foo = app(QStringLiteral("Foo Bar"), QStringLiteral("com.acme.foobar"), QString(), QStringLiteral("FooBarMain"));
    makeBundle(foo.path() + QStringLiteral("/Contents/Library/LoginItems"), QStringLiteral("Launcher.app"),
               infoWith(QStringLiteral("com.acme.foobar.Launcher")));
    makeBundle(foo.path() + QStringLiteral("/Contents/XPCServices"), QStringLiteral("Short.xpc"), infoWith(QStringLiteral("acme.x")));
    const MatchContext ctx = MatchContext::make(foo, FileBundleReader());
    EXPECT_EQ(ctx.rawNames, QStringList({QStringLiteral("foobar"), QStringLiteral("foobarmain")}));
    EXPECT_EQ(ctx.rawNamePrefixes, QStringList({QStringLiteral("FooBar"), QStringLiteral("FooBarMain")}));
    EXPECT_EQ(ctx.bundleIDKeywords, QStringList({QStringLiteral("com.acme.foobar"), QStringLiteral("com.acme.foobar.launcher")}));
    EXPECT_EQ(ctx.company, QStringLiteral("acme"));

    const AppItem generic = app(QStringLiteral("Generic Thing"), QStringLiteral("com.acme.generic.mac"), QString(), QStringLiteral("Electron"));
    const MatchContext genericCtx = MatchContext::make(generic, FileBundleReader());
    EXPECT_EQ(genericCtx.rawNames, QStringList({QStringLiteral("genericthing")}));
    EXPECT_FALSE(genericCtx.company); // four pieces
}

TEST_F(UninstallScanTest, NameAndIdentifierMatching)
{
    const AppItem foo = app(QStringLiteral("Foo Bar"), QStringLiteral("com.acme.foobar"));
    const MatchContext ctx = MatchContext::make(foo, FileBundleReader());
    struct Case {
        const char* name;
        bool byName;
        bool byID;
    } cases[] = {
        {"Foo Bar", true, false},
        {"FooBarHelper", true, false},
        {"FooBarhelper", false, false},
        {"FooBar Helper", false, false},
        {"foobar.log", true, false},
        {"com.acme.foobar", false, true},
        {"com.acme.foobar.ShipIt", false, true},
        {"com.acme.foobarextra", false, false},
        {"com.acme.foobar_old", false, true},
        {"ABCDE12345.com.acme.foobar", false, true},
        {"x.com.acme.foobar.y", false, true},
        {"com.acme.foobar.", false, false},
        {"foobarbaz", false, false},
    };
    for (const Case& c : cases) {
        const QString name = QString::fromUtf8(c.name);
        EXPECT_EQ(ctx.nameScore(name, normalizedName(name)) > 0, c.byName) << c.name;
        EXPECT_EQ(ctx.bundleScore(normalizedName(name)) > 0, c.byID) << c.name;
    }
    EXPECT_TRUE(ctx.matchesCrashReport(QStringLiteral("foobar-crash.ips")));
    EXPECT_FALSE(ctx.matchesCrashReport(QStringLiteral("foobarbaz.ips")));
}

TEST_F(UninstallScanTest, ShortNamesGiveAPatternShortIdentifiersMatchOnlyExactly)
{
    const AppItem zed = app(QStringLiteral("Zed"), QStringLiteral("io.zed"));
    const MatchContext ctx = MatchContext::make(zed, FileBundleReader());
    EXPECT_TRUE(ctx.rawNamePrefixes.isEmpty());
    EXPECT_EQ(ctx.nameScore(QStringLiteral("Zed"), QStringLiteral("zed")), exactMatch);
    EXPECT_EQ(ctx.nameScore(QStringLiteral("zed.plist"), QStringLiteral("zed.plist")), exactMatch);
    EXPECT_EQ(ctx.nameScore(QStringLiteral("zed.industries"), QStringLiteral("zed.industries")), prefixMatch);
    EXPECT_EQ(ctx.nameScore(QStringLiteral("zedx"), QStringLiteral("zedx")), noMatch);
    EXPECT_TRUE(ctx.matchesCrashReport(QStringLiteral("zed-2024.ips")));
    EXPECT_GT(ctx.bundleScore(QStringLiteral("io.zed")), 0);
    EXPECT_GT(ctx.bundleScore(QStringLiteral("io.zed.plist")), 0);
    EXPECT_EQ(ctx.bundleScore(QStringLiteral("io.zed.helper")), 0);
    EXPECT_EQ(ctx.bundleScore(QStringLiteral("io.zed_old")), 0);
    EXPECT_EQ(ctx.bundleScore(QStringLiteral("team.io.zed")), 0);

    const AppItem qt = app(QStringLiteral("Qt"), QStringLiteral("org.qt-project.qt"));
    EXPECT_TRUE(MatchContext::make(qt, FileBundleReader()).rawNames.isEmpty());
}

// Word boundaries hold in every script: leftovers of an application named in Chinese are found.
TEST_F(UninstallScanTest, ChineseNamesMatchWithTheirExtensions)
{
    const AppItem dict = app(QStringLiteral("有道词典"), QStringLiteral("com.youdao.dict.mac"));
    const MatchContext ctx = MatchContext::make(dict, FileBundleReader());
    EXPECT_EQ(ctx.nameScore(QStringLiteral("有道词典"), QStringLiteral("有道词典")), exactMatch);
    EXPECT_EQ(ctx.nameScore(QStringLiteral("有道词典.backup"), QStringLiteral("有道词典.backup")), prefixMatch);
    EXPECT_EQ(ctx.nameScore(QStringLiteral("有道词典笔"), QStringLiteral("有道词典笔")), noMatch);
    EXPECT_TRUE(ctx.matchesCrashReport(QStringLiteral("有道词典-2024.ips")));

    folder(lib("Application Support/有道词典.backup"));
    folder(lib("Caches/有道词典笔"));
    EXPECT_EQ(scan(dict), QStringList({QStringLiteral("/Users/me/Library/Application Support/有道词典.backup")}));
}

TEST_F(UninstallScanTest, TargetsCollectByKindAndPlace)
{
    const AppItem foo = app(QStringLiteral("Foo Bar"), QStringLiteral("com.acme.foobar"));
    folder(lib("Application Support/Foo Bar/data"));
    file(lib("Preferences/com.acme.foobar.plist"), 100);
    folder(lib("Preferences/com.acme.foobar.plist.d"));
    folder(lib("Preferences/com.acme.foobar"));
    folder(lib("Caches/com.acme.foobar.ShipIt"));
    folder(lib("Caches/com.acme.foobarextra"));
    folder(lib("Caches/com.acme.foobar_old"));
    folder(lib("Group Containers/ABCDE12345.com.acme.foobar"));
    folder(lib("Application Support/Acme/FooBar"));
    folder(lib("Application Support/Acme/Other"));
    file(lib("Logs/DiagnosticReports/foobar-crash.ips"));
    file(lib("Logs/DiagnosticReports/foobarbaz.ips"));
    folder(lib("Saved Application State/com.acme.foobar.savedState"));
    file(sys("Library/LaunchDaemons/com.acme.foobar.plist"));
    file(sys("Library/PrivilegedHelperTools/com.acme.foobar.helper"));

    UninstallManager m(env);
    const UninstallPlan plan = m.buildPlan(foo);
    EXPECT_EQ(residualPaths(plan), QStringList({
                                       QStringLiteral("/Library/LaunchDaemons/com.acme.foobar.plist"),
                                       QStringLiteral("/Library/PrivilegedHelperTools/com.acme.foobar.helper"),
                                       QStringLiteral("/Users/me/Library/Application Support/Acme/FooBar"),
                                       QStringLiteral("/Users/me/Library/Application Support/Foo Bar"),
                                       QStringLiteral("/Users/me/Library/Caches/com.acme.foobar.ShipIt"),
                                       QStringLiteral("/Users/me/Library/Caches/com.acme.foobar_old"),
                                       QStringLiteral("/Users/me/Library/Group Containers/ABCDE12345.com.acme.foobar"),
                                       QStringLiteral("/Users/me/Library/Logs/DiagnosticReports/foobar-crash.ips"),
                                       QStringLiteral("/Users/me/Library/Preferences/com.acme.foobar.plist"),
                                       QStringLiteral("/Users/me/Library/Saved Application State/com.acme.foobar.savedState"),
                                   }));
    QMap<QString, ResidualItem> byPath;
    for (const ResidualItem& item : plan.residuals)
        byPath.insert(rel(item.path()), item);
    const ResidualItem helper = byPath.value(QStringLiteral("/Library/PrivilegedHelperTools/com.acme.foobar.helper"));
    EXPECT_EQ(helper.kind, ResidualKind::helper);
    EXPECT_TRUE(helper.requiresAdmin);
    const ResidualItem prefs = byPath.value(QStringLiteral("/Users/me/Library/Preferences/com.acme.foobar.plist"));
    EXPECT_EQ(prefs.kind, ResidualKind::preference);
    EXPECT_EQ(prefs.size, 100);
    EXPECT_FALSE(prefs.requiresAdmin);
    EXPECT_EQ(prefs.evidence, MatchEvidence::bundleIdentifier);
    EXPECT_EQ(byPath.value(QStringLiteral("/Users/me/Library/Application Support/Acme/FooBar")).evidence, MatchEvidence::vendorFolder);
    EXPECT_EQ(byPath.value(QStringLiteral("/Users/me/Library/Logs/DiagnosticReports/foobar-crash.ips")).kind, ResidualKind::crashReport);
    EXPECT_EQ(byPath.value(QStringLiteral("/Users/me/Library/Group Containers/ABCDE12345.com.acme.foobar")).kind, ResidualKind::container);
    EXPECT_TRUE(byPath.value(QStringLiteral("/Users/me/Library/Application Support/Foo Bar")).identity.isValid());

    const auto groups = plan.residualGroups();
    ASSERT_FALSE(groups.isEmpty());
    EXPECT_EQ(groups.first().kind, ResidualKind::support);
    EXPECT_EQ(groups.last().kind, ResidualKind::helper);
}

// Only an exact match of the application's own name or of an identifier is strong evidence; the
// sheet checks those leftovers and leaves every variant unchecked.
TEST_F(UninstallScanTest, ExactNamesAndIdentifiersAreStrongVariantsWeak)
{
    const AppItem foo = app(QStringLiteral("Foo Bar"), QStringLiteral("com.acme.foobar"), QString(), QStringLiteral("FooBarMain"));
    using E = MatchEvidence;
    const QMap<QString, E> expected{
        {QStringLiteral("Application Support/Foo Bar"), E::name},
        {QStringLiteral("Preferences/com.acme.foobar.plist"), E::bundleIdentifier},
        {QStringLiteral("Caches/com.acme.foobar"), E::bundleIdentifier},
        {QStringLiteral("Caches/com.acme.foobar.ShipIt"), E::identifierVariant},
        {QStringLiteral("Caches/com.acme.foobar_old"), E::identifierVariant},
        {QStringLiteral("Group Containers/ABCDE12345.com.acme.foobar"), E::identifierVariant},
        {QStringLiteral("Application Support/FooBarMain"), E::nameVariant},
        {QStringLiteral("Application Support/FooBarHelper"), E::nameVariant},
        {QStringLiteral("Logs/Foo Bar.old"), E::nameVariant},
        {QStringLiteral("Logs/DiagnosticReports/foobar-crash.ips"), E::nameVariant},
        {QStringLiteral("Application Support/Acme/FooBar"), E::vendorFolder},
    };
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        if (it.key().endsWith(QLatin1String(".plist")) || it.key().endsWith(QLatin1String(".ips")))
            file(lib(it.key()));
        else
            folder(lib(it.key()));
    }
    UninstallManager m(env);
    const UninstallPlan plan = m.buildPlan(foo);
    QMap<QString, E> found;
    for (const ResidualItem& item : plan.residuals)
        found.insert(item.path().mid(lib(QString()).size()), item.evidence);
    EXPECT_EQ(found, expected);
    for (const ResidualItem& item : plan.residuals)
        EXPECT_EQ(item.strength() == EvidenceStrength::strong,
                  item.evidence == E::name || item.evidence == E::bundleIdentifier) << qPrintable(item.path());
}

TEST_F(UninstallScanTest, HostileEntriesAreNeverOffered)
{
    const AppItem foo = app(QStringLiteral("Foo Bar"), QStringLiteral("com.acme.foobar"));
    // A link named after the application pointing out of the tree, in folder and file rows.
    link(outside + QStringLiteral("/precious"), lib("Application Support/Foo Bar"));
    link(outside + QStringLiteral("/precious"), lib("Caches/com.acme.foobar"));
    // A vendor folder that is a link: never descended.
    link(outside + QStringLiteral("/precious"), lib("Caches/Acme"));
    folder(outside + QStringLiteral("/precious/FooBar"));
    // A scan folder that is itself a link.
    folder(outside + QStringLiteral("/logs/com.acme.foobar"));
    link(outside + QStringLiteral("/logs"), lib("Logs"));
    // Control characters in a matching name.
    folder(lib("Application Scripts/com.acme.foobar\n"));
    folder(lib("WebKit/com.acme.foobar.\tx"));

    EXPECT_TRUE(scan(foo).isEmpty()) << qPrintable(scan(foo).join(u'\n'));
}

TEST_F(UninstallScanTest, LinkInFileRowIsOfferedAsTheLinkItself)
{
    const AppItem foo = app(QStringLiteral("Foo Bar"), QStringLiteral("com.acme.foobar"));
    link(outside + QStringLiteral("/precious/keep.txt"), lib("Preferences/com.acme.foobar.plist"));
    UninstallManager m(env);
    const UninstallPlan plan = m.buildPlan(foo);
    ASSERT_EQ(plan.residuals.size(), 1);
    EXPECT_EQ(plan.residuals.first().size, (outside + QStringLiteral("/precious/keep.txt")).toUtf8().size());
}

TEST_F(UninstallScanTest, SiblingProductsKeepTheirOwnLeftovers)
{
    const AppItem foo = app(QStringLiteral("Foo"), QStringLiteral("com.acme.foo"));
    const AppItem pro = app(QStringLiteral("Foo Pro"), QStringLiteral("com.acme.foo.pro"));
    env.installedApps = [=] { return QList<AppItem>{foo, pro}; };
    folder(lib("Caches/com.acme.foo"));
    folder(lib("Caches/com.acme.foo.pro"));
    folder(lib("Caches/com.acme.foo.helper"));
    file(lib("Preferences/com.acme.foo.pro.plist"));
    folder(lib("Application Support/FooPro"));
    folder(lib("Application Support/Foo"));

    EXPECT_EQ(scan(foo), QStringList({QStringLiteral("/Users/me/Library/Application Support/Foo"),
                                      QStringLiteral("/Users/me/Library/Caches/com.acme.foo"),
                                      QStringLiteral("/Users/me/Library/Caches/com.acme.foo.helper")}));
    EXPECT_EQ(scan(pro), QStringList({QStringLiteral("/Users/me/Library/Application Support/FooPro"),
                                      QStringLiteral("/Users/me/Library/Caches/com.acme.foo.pro"),
                                      QStringLiteral("/Users/me/Library/Preferences/com.acme.foo.pro.plist")}));
    // Another application of the same name: what its name alone matches is shared, so not offered.
    // Bundles on disk count even when the catalogue does not list them.
    const AppItem twin = app(QStringLiteral("Foo"), QStringLiteral("com.other.foo"), home + QStringLiteral("/Applications"));
    env.installedApps = [=] { return QList<AppItem>{foo, twin}; };
    EXPECT_EQ(scan(foo), QStringList({QStringLiteral("/Users/me/Library/Caches/com.acme.foo"),
                                      QStringLiteral("/Users/me/Library/Caches/com.acme.foo.helper")}))
        << qPrintable(scan(foo).join(u' '));
}

// The catalogue keeps one bundle per identifier; the copy it dropped still uses the data.
TEST_F(UninstallScanTest, ACopyOfTheApplicationKeepsTheSharedData)
{
    const AppItem original = app(QStringLiteral("Foo"), QStringLiteral("com.acme.foo"));
    const AppItem copy = app(QStringLiteral("Foo"), QStringLiteral("com.acme.foo"), home + QStringLiteral("/Applications"));
    const AppItem renamed = app(QStringLiteral("Foo 2"), QStringLiteral("com.acme.foo"), home + QStringLiteral("/Applications"));
    folder(lib("Caches/com.acme.foo"));
    file(lib("Preferences/com.acme.foo.plist"));
    folder(lib("Application Support/Foo"));
    folder(lib("Application Support/Foo 2"));
    env.installedApps = [=] { return QList<AppItem>{copy}; };
    EXPECT_EQ(scan(copy), QStringList());
    EXPECT_EQ(scan(original), QStringList());
    // Only what the renamed copy's own name matches is its alone.
    EXPECT_EQ(scan(renamed), QStringList({QStringLiteral("/Users/me/Library/Application Support/Foo 2")}));
}

TEST_F(UninstallScanTest, OutermostFolderWins)
{
    const AppItem foo = app(QStringLiteral("FooBar"), QStringLiteral("com.acme.foobar"));
    folder(lib("Application Support/FooBar/Cache"));
    file(lib("Application Support/CrashReporter/FooBar_2024.plist"));
    EXPECT_EQ(scan(foo), QStringList({QStringLiteral("/Users/me/Library/Application Support/CrashReporter/FooBar_2024.plist"),
                                      QStringLiteral("/Users/me/Library/Application Support/FooBar")}));
}

TEST_F(UninstallScanTest, ContainersLaunchItemsAndKnownPaths)
{
    const AppItem foo = app(QStringLiteral("Foo"), QStringLiteral("com.acme.foobar"));
    auto container = [&](const QString& name, const QVariantMap& params) {
        QVariantMap plist{{QStringLiteral("SandboxProfileDataValidationInfo"),
                           QVariantMap{{QStringLiteral("SandboxProfileDataValidationParametersKey"), params}}}};
        writeFile(lib("Containers/") + name + QStringLiteral("/Container.plist"), PropertyList::toXml(plist));
    };
    container(QStringLiteral("OWN"), {{QStringLiteral("application_bundle"), foo.path()}});
    container(QStringLiteral("SHARE"), {{QStringLiteral("application_bundle"), foo.path() + QStringLiteral("/Contents/PlugIns/Share.appex")}});
    container(QStringLiteral("DYLDLIST"), {{QStringLiteral("application_bundle"), sys("Applications/Else.app")},
                                           {QStringLiteral("application_dyld_paths"), QVariantList{foo.path()}}});
    container(QStringLiteral("SIBLING"), {{QStringLiteral("application_bundle"), foo.path() + QStringLiteral("2/Contents/PlugIns/X.appex")}});

    // Launch items go by their label or file name alone; where their program lies says nothing.
    const QString tool = foo.path() + QStringLiteral("/Contents/MacOS/Foo");
    writeFile(lib("LaunchAgents/a.plist"), PropertyList::toXml(QVariantMap{{QStringLiteral("Label"), QStringLiteral("com.acme.foobar")},
                                                                           {QStringLiteral("ProgramArguments"), QVariantList{QStringLiteral("/bin/true")}}}));
    writeFile(lib("LaunchAgents/b.plist"), PropertyList::toXml(QVariantMap{{QStringLiteral("Label"), QStringLiteral("org.other.b")},
                                                                           {QStringLiteral("ProgramArguments"), QVariantList{tool, QStringLiteral("--x")}}}));
    file(lib("Application Support/Foo/agent"));
    writeFile(sys("Library/LaunchDaemons/com.acme.foobar.plist"), PropertyList::toXml(QVariantMap{{QStringLiteral("Program"), QStringLiteral("/bin/true")}}));
    writeFile(sys("Library/LaunchDaemons/d.plist"), PropertyList::toXml(QVariantMap{{QStringLiteral("Program"), lib("Application Support/Foo/agent")}}));
    writeFile(lib("LaunchAgents/e.plist"), QByteArray("not a plist"));

    UninstallManager m(env);
    const UninstallPlan plan = m.buildPlan(foo);
    EXPECT_EQ(residualPaths(plan), QStringList({QStringLiteral("/Library/LaunchDaemons/com.acme.foobar.plist"),
                                                QStringLiteral("/Users/me/Library/Application Support/Foo"),
                                                QStringLiteral("/Users/me/Library/Containers/SHARE"),
                                                QStringLiteral("/Users/me/Library/LaunchAgents/a.plist")}));
    for (const ResidualItem& item : plan.residuals) {
        if (item.path().endsWith(QLatin1String("com.acme.foobar.plist"))) {
            EXPECT_TRUE(item.requiresAdmin && item.kind == ResidualKind::launchItem && item.strength() == EvidenceStrength::strong);
        }
        if (item.path().endsWith(QLatin1String("SHARE"))) {
            EXPECT_TRUE(!item.requiresAdmin && item.kind == ResidualKind::container
                        && item.evidence == MatchEvidence::containerMetadata);
        }
    }

    const AppItem studio = app(QStringLiteral("Android Studio"), QStringLiteral("com.google.android.studio"));
    folder(lib("Application Support/Google/AndroidStudio2024.1"));
    folder(lib("Application Support/Google/AndroidStudio Preview"));
    folder(lib("Application Support/Google/Other"));
    const QStringList found = scan(studio);
    EXPECT_EQ(found, QStringList({QStringLiteral("/Users/me/Library/Application Support/Google/AndroidStudio2024.1")}));
}

TEST_F(UninstallScanTest, PatternExpansion)
{
    folder(sys("p/ab-1/x"));
    folder(sys("p/ab-2/x"));
    folder(sys("p/#{ab"));
    EXPECT_EQ(expandPattern(sys("p/ab-#{v}/x"), home).size(), 2);
    EXPECT_EQ(expandPattern(sys("p/ab-$(v)"), home).size(), 2);
    EXPECT_EQ(expandPattern(sys("p/#{ab"), home), QStringList({sys("p/#{ab")}));
    EXPECT_TRUE(expandPattern(sys("p/zz*"), home).isEmpty());
}

TEST_F(UninstallScanTest, BundledUninstallerDetection)
{
    const QString vendor = sys("Applications/Acme");
    folder(vendor);
    const AppItem foo = app(QStringLiteral("Foo"), QStringLiteral("com.acme.foo"), vendor);
    folder(vendor + QStringLiteral("/Remover")); // a folder counts
    makeBundle(vendor, QStringLiteral("Uninstall Foo.app"), QVariantMap{{QStringLiteral("CFBundleExecutable"), QStringLiteral("u")}});
    makeBundle(vendor, QStringLiteral("Uninstall Empty.app"), QVariantMap{});
    file(vendor + QStringLiteral("/uninstall.txt"));
    EXPECT_EQ(detectBundledUninstaller(foo, env), QUrl::fromLocalFile(vendor + QStringLiteral("/Uninstall Foo.app")));

    // Directly in the Applications folder: only the Utilities folder is searched.
    const AppItem bar = app(QStringLiteral("Bar"), QStringLiteral("com.acme.bar"));
    file(sys("Applications/Bar Uninstaller.sh"));
    EXPECT_FALSE(detectBundledUninstaller(bar, env));
    file(sys("Applications/Utilities/Generic Remover"));
    EXPECT_EQ(detectBundledUninstaller(bar, env), QUrl::fromLocalFile(sys("Applications/Utilities/Generic Remover")));

    // The application's own name is never chosen, even when it says "remove".
    const AppItem remover = app(QStringLiteral("Background Remover"), QStringLiteral("com.acme.br"), vendor + QStringLiteral("2"));
    EXPECT_EQ(detectBundledUninstaller(remover, env), QUrl::fromLocalFile(sys("Applications/Utilities/Generic Remover")));
}

namespace {

// A bundle of the claims table, under the fixture's Applications folder.
struct TableBundle {
    const char* file;       // "Beta" for Beta.app; "Tools/Quill" for one a level down
    const char* identifier;
    const char* bundleName = nullptr;      // CFBundleName, when there is one
    const char* catalogueName = nullptr;   // listed by the catalogue under this name, when it is
    // "XPCServices/Updater.xpc" and its identifier; a privileged helper tool (a plain file) has none
    QList<std::pair<const char*, const char*>> helpers = {};
};

struct LaunchAgent {
    const char* file;  // under ~/Library/LaunchAgents
    const char* label;
    const char* program; // under ~/Library, or in the removed application's bundle when it starts with "@"
};

struct ClaimCase {
    const char* what;
    TableBundle removed;
    QList<TableBundle> others;
    QList<const char*> files; // under ~/Library; a trailing "/" makes a folder
    QList<LaunchAgent> agents;
    QList<const char*> offered; // under ~/Library
};

} // namespace

// An item is offered only when the application being removed is its only claimant: every other
// bundle on disk claims by its identifier, its embedded helpers' identifiers and each of its names
// (file name, CFBundleName, the catalogue's); a folder holding anything another claims is never
// offered whole; launch items go on their own label or file name only.
TEST_F(UninstallScanTest, OnlyWhatNoOtherBundleClaimsIsOffered)
{
    const ClaimCase cases[] = {
        {"a helper two applications embed",
         {"Alpha", "com.vendor.alpha", nullptr, nullptr,
          {{"XPCServices/Updater.xpc", "com.vendor.updater"}, {"Library/LoginItems/Sync.app", "com.vendor.alpha.sync"},
           {"Library/LaunchServices/com.vendor.alpha.helper", nullptr}}},
         {{"Beta", "com.vendor.beta", nullptr, nullptr, {{"XPCServices/Updater.xpc", "com.vendor.updater"}}}},
         {"Caches/com.vendor.updater/", "Application Support/com.vendor.updater/", "Preferences/com.vendor.updater.plist",
          "Caches/com.vendor.alpha/", "Caches/com.vendor.alpha.sync/"},
         {{"com.vendor.updater.plist", "com.vendor.updater", nullptr}, {"com.vendor.alpha.sync.plist", "com.vendor.alpha.sync", nullptr},
          {"com.vendor.alpha.helper.plist", "com.vendor.alpha.helper", nullptr}},
         {"Caches/com.vendor.alpha", "Caches/com.vendor.alpha.sync", "LaunchAgents/com.vendor.alpha.helper.plist",
          "LaunchAgents/com.vendor.alpha.sync.plist"}},
        {"an application named like its vendor folder",
         {"Acme", "com.acme.acme"},
         {{"FooBar", "com.acme.foobar"}},
         {"Application Support/Acme/FooBar/", "Application Support/Acme/Acme.db", "Caches/Acme/com.acme.foobar/",
          "Caches/Acme/com.acme.acme/", "Caches/Acme/notes/", "Preferences/com.acme.acme.plist"},
         {},
         {"Application Support/Acme/Acme.db", "Caches/Acme/com.acme.acme", "Preferences/com.acme.acme.plist"}},
        {"the other application of that vendor",
         {"FooBar", "com.acme.foobar"},
         {{"Acme", "com.acme.acme"}},
         {"Application Support/Acme/FooBar/", "Application Support/Acme/Acme.db", "Caches/Acme/com.acme.foobar/",
          "Caches/Acme/com.acme.acme/"},
         {},
         {"Application Support/Acme/FooBar", "Caches/Acme/com.acme.foobar"}},
        {"a folder named like the application holding nothing another claims",
         {"Acme", "com.acme.acme"},
         {{"FooBar", "com.acme.foobar"}},
         {"Application Support/Acme/settings.json", "Caches/Acme/com.acme.acme/"},
         {},
         {"Application Support/Acme", "Caches/Acme"}},
        {"another application's launch agent",
         {"Foo", "com.acme.foo"},
         {{"Foo Cloud", "com.cloudco.foocloud"}},
         {"Application Support/Foo.cloud/sync"},
         {{"com.cloudco.foocloud.sync.plist", "com.cloudco.foocloud.sync", "Application Support/Foo.cloud/sync"},
          {"runs-foo.plist", "org.example.runner", "@Contents/MacOS/main"},
          {"com.acme.foo.plist", "com.acme.foo", "@Contents/MacOS/main"},
          {"labelled.plist", "com.acme.foo", nullptr},
          {"com.acme.foo.variant.plist", "com.acme.foo.variant", "@Contents/MacOS/main"},
          {"com.acme.foo.taken.plist", "com.cloudco.foocloud", nullptr}},
         {"Application Support/Foo.cloud", "LaunchAgents/com.acme.foo.plist", "LaunchAgents/labelled.plist"}},
        {"another bundle's CFBundleName",
         {"Inkwell", "com.acme.inkwell"},
         {{"Quill", "com.other.quill", "Inkwell"}},
         {"Application Support/Inkwell/", "Application Support/Quill/", "Caches/com.acme.inkwell/"},
         {},
         {"Caches/com.acme.inkwell"}},
        {"another bundle's CFBundleName, listed by the catalogue under a third name",
         {"Inkwell", "com.acme.inkwell"},
         {{"Tools/Quill", "com.other.quill", "Inkwell", "Quill Writer"}},
         {"Application Support/Inkwell/", "Caches/com.acme.inkwell/"},
         {},
         {"Caches/com.acme.inkwell"}},
        {"paths known for the identifier, while a copy of the application stays",
         {"Android Studio", "com.google.android.studio"},
         {{"Android Studio Preview", "com.google.android.studio"}},
         {"Application Support/Google/AndroidStudio2024.1/", "Caches/com.google.android.studio/"},
         {},
         {}},
        {"another bundle's file name, listed by the catalogue under another name",
         {"Quill", "com.acme.quill"},
         {{"Tools/Quill", "com.other.quill", nullptr, "Quill Writer"}},
         {"Application Support/Quill/", "Caches/com.acme.quill/"},
         {},
         {"Caches/com.acme.quill"}},
    };
    for (const ClaimCase& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(QDir(lib(QString())).removeRecursively() && QDir(sys(QStringLiteral("Applications"))).removeRecursively());
        folder(lib(QString()));
        QList<AppItem> catalogue;
        auto install = [&](const TableBundle& b) {
            const QString relative = QString::fromUtf8(b.file);
            const QString name = relative.section(u'/', -1);
            QVariantMap info = infoWith(QString::fromUtf8(b.identifier), b.bundleName ? QString::fromUtf8(b.bundleName) : QString());
            // A generic executable name, so that only the names under test claim anything.
            info.insert(QStringLiteral("CFBundleExecutable"), QStringLiteral("main"));
            const QString folderPath = sys(QStringLiteral("Applications/") + relative).section(u'/', 0, -2);
            const QString path = makeBundle(folderPath, name + QStringLiteral(".app"), info);
            file(path + QStringLiteral("/Contents/MacOS/main"));
            for (const auto& [where, identifier] : b.helpers) {
                const QString at = path + QStringLiteral("/Contents/") + QString::fromUtf8(where);
                if (identifier)
                    makeBundle(at.section(u'/', 0, -2), at.section(u'/', -1), infoWith(QString::fromUtf8(identifier)));
                else
                    file(at);
            }
            AppItem item;
            item.id = QUuid::createUuid();
            item.name = b.catalogueName ? QString::fromUtf8(b.catalogueName) : name;
            item.bundleIdentifier = QString::fromUtf8(b.identifier);
            item.url = QUrl::fromLocalFile(path);
            if (b.catalogueName)
                catalogue << item;
            return item;
        };
        const AppItem removed = install(c.removed);
        for (const TableBundle& other : c.others)
            install(other);
        env.installedApps = [catalogue] { return catalogue; };
        for (const char* entry : c.files) {
            const QString path = lib(QString::fromUtf8(entry));
            if (path.endsWith(u'/'))
                folder(path);
            else
                file(path);
        }
        for (const LaunchAgent& agent : c.agents) {
            QVariantMap plist{{QStringLiteral("Label"), QString::fromUtf8(agent.label)}};
            if (agent.program) {
                const QString program = QString::fromUtf8(agent.program);
                plist.insert(QStringLiteral("Program"), program.startsWith(u'@') ? removed.path() + u'/' + program.mid(1) : lib(program));
            }
            writeFile(lib(QStringLiteral("LaunchAgents/") + QString::fromUtf8(agent.file)), PropertyList::toXml(plist));
        }
        QStringList expected;
        for (const char* entry : c.offered)
            expected << QStringLiteral("/Users/me/Library/") + QString::fromUtf8(entry);
        expected.sort();
        EXPECT_EQ(scan(removed), expected);
    }
}

// A vendor folder that is a mount point is not looked into, whether the application being removed
// keeps its data inside it or is named like it: nothing on the mount is offered. The one named like
// it is not told the folder was kept for the mount either, as the folder holds another's data.
TEST_F(UninstallScanTest, AVendorFolderThatIsAMountIsNotLookedInto)
{
    const AppItem acme = app(QStringLiteral("Acme"), QStringLiteral("com.acme.acme"));
    const AppItem foobar = app(QStringLiteral("FooBar"), QStringLiteral("com.acme.foobar"));
    folder(lib("Application Support/Acme"));
    file(sys("volume/FooBar/data"), 600);
    file(sys("volume/Acme.db"), 700);
    folder(lib("Caches/Acme/com.acme.foobar"));
    file(lib("Preferences/com.acme.acme.plist"));

    const test::NamespaceRun child = test::runInOwnMountNamespace([&]() -> std::string {
        if (!test::bindMount(sys("volume").toStdString(), lib("Application Support/Acme").toStdString()))
            return std::string("cannot bind mount: ") + std::strerror(errno);
        std::string failures;
        auto expect = [&](const QStringList& got, const QStringList& wanted, const char* what) {
            if (got != wanted)
                failures += std::string(what) + ": " + got.join(u' ').toStdString() + "\n";
        };
        UninstallManager m(env);
        const UninstallPlan forFooBar = m.buildPlan(foobar);
        expect(residualPaths(forFooBar), {QStringLiteral("/Users/me/Library/Caches/Acme/com.acme.foobar")}, "FooBar offered");
        const UninstallPlan forAcme = m.buildPlan(acme);
        expect(residualPaths(forAcme), {QStringLiteral("/Users/me/Library/Preferences/com.acme.acme.plist")}, "Acme offered");
        QStringList notes;
        for (const PermissionIssue& issue : forAcme.permissionIssues)
            notes << issue.title + u' ' + issue.detail;
        expect(notes, {}, "Acme notes");
        return failures;
    });
    if (!child.ran)
        GTEST_SKIP() << child.failures;
    EXPECT_EQ(child.failures, "");
    EXPECT_EQ(QFileInfo(sys("volume/FooBar/data")).size(), 600);
}
