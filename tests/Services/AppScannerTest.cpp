#include "Services/AppLaunch.h"
#include "Services/AppScanner.h"
#include "Services/NameOrder.h"
#include "Support/Constants.h"

#include "common/BundleBuilder.h"
#include "common/HostilePropertyLists.h"
#include "common/LogCapture.h"
#include "common/QtPrinters.h"

#include <QCollator>
#include <QCoreApplication>
#include <QProcess>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace corvanta;
using namespace corvanta::test;

namespace {

QStringList names(const QList<AppItem>& apps)
{
    QStringList out;
    for (const AppItem& app : apps)
        out << app.name;
    return out;
}

AppScanner::Environment environment(QStringList languages = {"en-US"}, QLocale locale = QLocale(QLocale::English),
                                    std::shared_ptr<DisplayNameSource> displayNames = std::make_shared<NoDisplayNameSource>())
{
    return {std::make_shared<FileBundleReader>(), std::move(displayNames), std::move(languages), std::move(locale)};
}

// A home folder's Applications and the system's, as two fixture folders.
struct Folders {
    QTemporaryDir root;
    QString home = root.filePath("home/Applications");
    QString system = root.filePath("Applications");
    Folders()
    {
        QDir().mkpath(home);
        QDir().mkpath(system);
    }
};

} // namespace

TEST(AppScanner, FirstFolderWinsAndDuplicatesGo)
{
    Folders f;
    makeBundle(f.home, "Mail.app", infoWith("com.example.mail", "Mail (home)"));
    makeBundle(f.system, "Mail.app", infoWith("com.example.mail", "Mail (system)"));
    makeBundle(f.system, "Other Mail.app", infoWith("com.example.mail", "Mail (renamed)"));
    // Without an identifier only the path de-duplicates: both are kept, even with one name.
    makeBundle(f.home, "Tool.app", infoWith("", "Tool"));
    makeBundle(f.system, "Tool.app", infoWith("", "Tool"));

    // Characters a URL writes escaped, or that start its query or fragment.
    makeBundle(f.system, "#1? Tool [é] %41.app", infoWith("com.example.percent", "Percent"));
    makeBundle(f.system, "#1? Tool [é].app", infoWith("com.example.odd", "Odd"));

    // The same folder listed twice, once with a trailing slash, adds nothing.
    auto apps = AppScanner({f.home, f.system, f.system + "/"}, environment()).scanAll();
    EXPECT_EQ(names(apps), QStringList({"Mail (home)", "Odd", "Percent", "Tool", "Tool"}));
    for (const AppItem& app : apps)
        EXPECT_EQ(app.url, QUrl::fromLocalFile(app.path())) << app.path().toStdString();
    EXPECT_EQ(apps.at(1).path(), f.system + QStringLiteral("/#1? Tool [é].app"));
    EXPECT_EQ(apps.at(2).path(), f.system + QStringLiteral("/#1? Tool [é] %41.app"));
    apps.remove(1, 2);
    EXPECT_EQ(apps.at(0).path(), f.home + "/Mail.app");
    EXPECT_EQ(apps.at(1).path(), f.home + "/Tool.app");
    EXPECT_EQ(apps.at(2).path(), f.system + "/Tool.app");
    EXPECT_NE(apps.at(1).id, apps.at(2).id);
    EXPECT_FALSE(apps.at(0).iconPath.has_value());
    EXPECT_FALSE(apps.at(0).isHidden);
}

TEST(AppScanner, KeepsOnlyOpenableTopLevelBundles)
{
    Folders f;
    auto withKey = [](const char* name, const char* key, QVariant value) {
        QVariantMap info = infoWith(QStringLiteral("com.example.%1").arg(name), name);
        info.insert(key, value);
        return info;
    };
    makeBundle(f.system, "Daemon.app", withKey("Daemon", "LSBackgroundOnly", true));
    makeBundle(f.system, "Agent.app", withKey("Agent", "LSUIElement", qint64(1)), PlistForm::Binary);
    makeBundle(f.system, "Quoted.app", withKey("Quoted", "LSUIElement", QStringLiteral("1")));
    makeBundle(f.system, "Visible.app", withKey("Visible", "LSUIElement", false));
    makeBundle(f.system, "Capital.APP", infoWith("com.example.capital", "Capital"));
    makeBundle(f.system, ".Hidden.app", infoWith("com.example.hidden", "Hidden"));
    makeBundle(f.system + "/Sub", "Nested.app", infoWith("com.example.nested", "Nested"));
    writeFile(f.system + "/Plain.app", "a file, not a bundle");

    const auto apps = AppScanner({f.root.filePath("missing"), f.system}, environment()).scanAll();
    EXPECT_EQ(names(apps), QStringList({"Quoted", "Visible"}));
    EXPECT_EQ(apps.at(0).bundleIdentifier, "com.example.Quoted");
}

TEST(AppScanner, NameSources)
{
    Folders f;
    const QString localized = makeBundle(f.system, "Calc.app", infoWith("com.example.calc", "Calculator"));
    // zh-Hans in the text form (UTF-16), en as an XML property list, zh as a binary one.
    QStringEncoder utf16(QStringConverter::Utf16LE, QStringEncoder::Flag::WriteBom);
    writeFile(localized + "/Contents/Resources/zh-Hans.lproj/InfoPlist.strings",
              utf16.encode(QStringLiteral("/* 名称 */\n\"CFBundleDisplayName\" = \"计算器\";\n")));
    writeFile(localized + "/Contents/Resources/zh.lproj/InfoPlist.strings",
              PropertyList::toBinary(QVariantMap{{"CFBundleDisplayName", QStringLiteral("计算")}}));
    writeFile(localized + "/Contents/Resources/en.lproj/InfoPlist.strings",
              PropertyList::toXml(QVariantMap{{"CFBundleDisplayName", QStringLiteral("Calculator (en)")}}));

    QVariantMap emptyDisplay = infoWith("com.example.empty", "Named");
    emptyDisplay.insert("CFBundleDisplayName", QString());
    makeBundle(f.system, "Empty.app", emptyDisplay);
    makeBundle(f.system, "Plain Name.app", infoWith("com.example.plain"));
    // Localisations kept once for several bundles, linked from each (and no real folder beside).
    const QString linked = makeBundle(f.system, "Linked.app", infoWith("com.example.linked", "Linked"));
    writeFile(linked + "/Contents/Shared/zh-Hans.lproj/InfoPlist.strings",
              QStringLiteral("\"CFBundleDisplayName\" = \"链接\";\n").toUtf8());
    ASSERT_TRUE(QFile::link("../Shared/zh-Hans.lproj", linked + "/Contents/Resources/zh-Hans.lproj"));
    const QString broken = makeBundle(f.system, "Broken.app", infoWith("com.example.broken", "Broken"));
    writeFile(broken + "/Contents/Resources/en.lproj/InfoPlist.strings", "\"CFBundleDisplayName\" = \"unterminated");

    const auto nameOf = [&](const AppScanner& scanner, const QString& file) {
        return scanner.appAt(f.system + "/" + file)->name;
    };
    const AppScanner chinese({f.system}, environment({"zh-Hans-CN", "en-US"}));
    EXPECT_EQ(nameOf(chinese, "Calc.app"), QStringLiteral("计算器"));
    EXPECT_EQ(nameOf(chinese, "Linked.app"), QStringLiteral("链接"));
    // The same through a scan, which reads bundles below their open folder.
    EXPECT_TRUE(names(chinese.scanAll()).contains(QStringLiteral("链接")));
    EXPECT_EQ(nameOf(AppScanner({f.system}, environment({"zh-TW"})), "Calc.app"), QStringLiteral("计算"));
    EXPECT_EQ(nameOf(AppScanner({f.system}, environment({"fr-FR"})), "Calc.app"), QStringLiteral("Calculator (en)"));
    // A name that is empty, blank or made of characters nobody sees gives way to the folder's.
    EXPECT_EQ(nameOf(chinese, "Empty.app"), "Empty");
    EXPECT_EQ(nameOf(chinese, "Plain Name.app"), "Plain Name");
    EXPECT_EQ(nameOf(chinese, "Broken.app"), "Broken");

    auto metadata = std::make_shared<FakeDisplayNameSource>();
    metadata->set(f.system + "/Calc.app", QStringLiteral("Metadata Calc"));
    metadata->set(f.system + "/Empty.app", QString());
    const AppScanner withMetadata({f.system}, environment({"zh-Hans-CN"}, QLocale(QLocale::English), metadata));
    EXPECT_EQ(nameOf(withMetadata, "Calc.app"), "Metadata Calc");
    EXPECT_EQ(nameOf(withMetadata, "Empty.app"), "Empty");

    const QList<std::pair<QString, QString>> unseen = {
        {"Blank.app", QStringLiteral(" \t\u3000\u00A0")},
        {"Control.app", QStringLiteral("\u0001\u0007\u200B\u2060\uFEFF")},
        {"Private.app", QStringLiteral("\uE000\u0378")}, // private use, unassigned
        {"Dot.app", QStringLiteral(" \u00B7 ")},
    };
    for (const auto& [file, name] : unseen)
        makeBundle(f.system, file, infoWith("com.example." + file, name));
    EXPECT_EQ(nameOf(chinese, "Blank.app"), "Blank");
    EXPECT_EQ(nameOf(chinese, "Control.app"), "Control");
    EXPECT_EQ(nameOf(chinese, "Private.app"), "Private");
    EXPECT_EQ(nameOf(chinese, "Dot.app"), QStringLiteral(" \u00B7 ")); // something is seen
}

// One malformed bundle must not take the grid with it: each hostile property list is refused or
// read safely, and the scan lists every bundle.
TEST(AppScanner, SurvivesHostilePropertyLists)
{
    Folders f;
    const QString deep = makeBundle(f.system, "Deep.app", {});
    writeFile(deep + "/Contents/Info.plist", deeplyNestedBinaryPlist(100000));
    const QString nul = makeBundle(f.system, "Nul.app", {});
    writeFile(nul + "/Contents/Info.plist", binaryPlistWithNulInString());
    const QString strings = makeBundle(f.system, "Strings.app", infoWith("com.example.strings", "Strings"));
    writeFile(strings + "/Contents/Resources/en.lproj/InfoPlist.strings", deeplyNestedBinaryPlist(100000));
    const QString nulStrings = makeBundle(f.system, "NulStrings.app", infoWith("com.example.nul", "NulStrings"));
    writeFile(nulStrings + "/Contents/Resources/en.lproj/InfoPlist.strings", binaryPlistWithNulInString());

    LogCapture log;
    const QList<AppItem> apps = AppScanner({f.system}, environment()).scanAll();
    EXPECT_EQ(names(apps), (QStringList{"Deep", "Nul", "NulStrings", "Strings"}));
    EXPECT_EQ(log.count("Info.plist of " + deep), 1) << log.messages().join("\n").toStdString();
}

// Someone else's bundle can hold a named pipe where a file should be; reading it must not wait for
// a writer that never comes.
TEST(AppScanner, APipeInPlaceOfAFileDoesNotStallTheScan)
{
    Folders f;
    const QString piped = f.system + "/Piped.app";
    QDir().mkpath(piped + "/Contents");
    ASSERT_EQ(::mkfifo(QFile::encodeName(piped + "/Contents/Info.plist").constData(), 0644), 0);
    const QString strings = makeBundle(f.system, "Strings.app", infoWith("com.example.strings", "Strings"));
    QDir().mkpath(strings + "/Contents/Resources/en.lproj");
    ASSERT_EQ(::mkfifo(QFile::encodeName(strings + "/Contents/Resources/en.lproj/InfoPlist.strings").constData(), 0644), 0);

    LogCapture log;
    const QList<AppItem> apps = AppScanner({f.system}, environment()).scanAll();
    EXPECT_EQ(names(apps), (QStringList{"Piped", "Strings"}));
    EXPECT_EQ(log.count("Info.plist of " + piped), 1) << log.messages().join("\n").toStdString();
}

TEST(AppScanner, CutsOverlongNamesWithALogLine)
{
    Folders f;
    makeBundle(f.system, "Long.app", infoWith("com.example.long", QString(100000, u'L')));
    LogCapture log;
    const QList<AppItem> apps = AppScanner({f.system}, environment()).scanAll();
    ASSERT_EQ(apps.size(), 1);
    EXPECT_EQ(apps[0].name, QString(256, u'L'));
    EXPECT_TRUE(log.contains("应用名称过长（100000 个字符），已截断为 256 个")) << log.messages().join("\n").toStdString();
}

// An identifier of megabytes would be stored in every scene and make a layout the next start
// refuses: it is dropped as a whole (cut, it could name another application's files), and so are
// executable and icon names no folder entry could have.
TEST(AppScanner, DropsOverlongIdentifiersAndFileNamesWithALogLine)
{
    Folders f;
    QVariantMap huge = infoWith(QString(7'500'000, u'i'), "Huge");
    huge.insert("CFBundleExecutable", QString(256, u'e'));
    huge.insert("CFBundleIconFile", QString(256, u'c'));
    const QString hugePath = makeBundle(f.system, "Huge.app", huge);
    QVariantMap longest = infoWith(QString(255, u'k'), "Longest");
    longest.insert("CFBundleExecutable", QString(255, u'e'));
    longest.insert("CFBundleIconFile", QString(255, u'c'));
    const QString longestPath = makeBundle(f.system, "Longest.app", longest);

    LogCapture log;
    const QList<AppItem> apps = AppScanner({f.system}, environment()).scanAll();
    ASSERT_EQ(names(apps), (QStringList{"Huge", "Longest"}));
    EXPECT_EQ(apps[0].bundleIdentifier, QString());
    EXPECT_EQ(apps[1].bundleIdentifier, QString(255, u'k'));
    EXPECT_TRUE(log.contains("应用标识符过长（7500000 字节，上限 255），按无标识符列出：" + hugePath))
        << log.messages().join("\n").toStdString();
    EXPECT_EQ(log.count("应用标识符过长"), 1);

    const FileBundleReader reader;
    const std::optional<Bundle> dropped = reader.bundle(hugePath);
    ASSERT_TRUE(dropped);
    EXPECT_FALSE(dropped->info.executable.has_value());
    EXPECT_FALSE(dropped->info.iconFile.has_value());
    const std::optional<Bundle> kept = reader.bundle(longestPath);
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->info.executable, QString(255, u'e'));
    EXPECT_EQ(kept->info.iconFile, QString(255, u'c'));

    // A bundle path no call of the system takes is not stored either.
    auto fake = std::make_shared<FakeBundleReader>();
    Bundle far;
    far.path = "/Applications/" + QString(5000, u'x') + ".app";
    far.identifier = "com.example.far";
    fake->add(far);
    AppScanner::Environment env = environment();
    env.bundles = fake;
    EXPECT_FALSE(AppScanner({}, env).appAt(far.path).has_value());
    EXPECT_EQ(log.count("AppScanner: skipped a bundle whose path is longer than the system takes"), 1);
}

// A bundle that cannot be listed under its own name, or read, is explained in the log once.
TEST(AppScanner, EachDroppedOrDegradedBundleLogsOneWarning)
{
    Folders f;
    makeBundle(f.system, "Good.app", infoWith("com.example.good", "Good"));
    // A name that is not UTF-8.
    const QByteArray badName = QFile::encodeName(f.system) + "/Caf\xe9.app";
    ASSERT_EQ(::mkdir(badName.constData(), 0755), 0);
    // A loop of links.
    ASSERT_TRUE(QFile::link(f.system + "/Loop2.app", f.system + "/Loop1.app"));
    ASSERT_TRUE(QFile::link(f.system + "/Loop1.app", f.system + "/Loop2.app"));
    // Not a folder at all.
    writeFile(f.system + "/Plain.app", "not a bundle");
    // An Info.plist that does not read: listed by its folder name.
    writeFile(f.system + "/Garbled.app/Contents/Info.plist", "<?xml garbage");
    // A scan folder that cannot be listed (a file where the folder should be).
    const QString notAFolder = f.root.filePath("Not a folder");
    writeFile(notAFolder, "x");

    LogCapture log;
    const auto apps = AppScanner({f.system, notAFolder, f.root.filePath("Missing")}, environment()).scanAll();
    EXPECT_EQ(names(apps), QStringList({"Garbled", "Good"}));

    const auto warnings = [&log](const QString& text) {
        int n = 0;
        for (const auto& entry : log.entries())
            n += entry.level == LogLevel::Warning && entry.message.contains(text) ? 1 : 0;
        return n;
    };
    EXPECT_EQ(warnings(QStringLiteral("not valid UTF-8: ") + f.system + QStringLiteral("/Caf")), 1);
    EXPECT_EQ(warnings(QStringLiteral("loop of symbolic links: ") + f.system + QStringLiteral("/Loop1.app")), 1);
    EXPECT_EQ(warnings(QStringLiteral("loop of symbolic links: ") + f.system + QStringLiteral("/Loop2.app")), 1);
    EXPECT_EQ(warnings(QStringLiteral("unreadable bundle: ") + f.system + QStringLiteral("/Plain.app")), 1);
    EXPECT_EQ(warnings(QStringLiteral("Info.plist of ") + f.system + QStringLiteral("/Garbled.app")), 1);
    EXPECT_EQ(warnings(QStringLiteral("cannot list the folder ") + notAFolder), 1);
    EXPECT_EQ(warnings(QStringLiteral("Missing")), 0) << "a folder that is not there is no fault";
    EXPECT_EQ(warnings(QStringLiteral("Good")), 0);
    EXPECT_EQ(warnings(QStringLiteral("AppScanner:")), 6);
    ::rmdir(badName.constData()); // no QString names it, so the temporary folder cannot remove it
}

// A bundle or Contents folder this user may not enter reads like one whose Info.plist does not:
// listed under its folder name, and said in the log. Root enters every folder, so as root the test
// runs itself again as an ordinary user.
TEST(AppScanner, BundlesThatMayNotBeEnteredAreLoggedAsUnreadable)
{
    if (::geteuid() == 0 && !qEnvironmentVariableIsSet("CORVANTA_TEST_UNPRIVILEGED")) {
        if (!QFileInfo::exists("/usr/bin/setpriv"))
            GTEST_SKIP() << "running as root without setpriv to become another user";
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("CORVANTA_TEST_UNPRIVILEGED", "1");
        child.setProcessEnvironment(env);
        child.start("/usr/bin/setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups", "--",
                                         QCoreApplication::applicationFilePath(),
                                         "--gtest_filter=AppScanner.BundlesThatMayNotBeEnteredAreLoggedAsUnreadable"});
        ASSERT_TRUE(child.waitForFinished(60'000));
        const QByteArray out = child.readAllStandardOutput() + child.readAllStandardError();
        ASSERT_EQ(child.exitCode(), 0) << out.toStdString();
        EXPECT_TRUE(out.contains("[  PASSED  ] 1 test")) << out.toStdString();
        return;
    }
    Folders f;
    const QString closed = makeBundle(f.system, "Closed.app", infoWith("com.example.closed", "Closed Name"));
    const QString sealed = makeBundle(f.system, "Sealed.app", infoWith("com.example.sealed", "Sealed Name"));
    makeBundle(f.system, "Open.app", infoWith("com.example.open", "Open"));
    // No Info.plist at all is an ordinary bundle without one, not a fault.
    QDir().mkpath(f.system + "/Bare.app/Contents");
    ASSERT_EQ(::chmod(QFile::encodeName(closed).constData(), 0), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(sealed + "/Contents").constData(), 0), 0);

    LogCapture log;
    const QList<AppItem> apps = AppScanner({f.system}, environment()).scanAll();
    ::chmod(QFile::encodeName(closed).constData(), 0755);
    ::chmod(QFile::encodeName(sealed + "/Contents").constData(), 0755);
    EXPECT_EQ(names(apps), (QStringList{"Bare", "Closed", "Open", "Sealed"}));
    EXPECT_EQ(log.count("Info.plist of " + closed), 1) << log.messages().join("\n").toStdString();
    EXPECT_EQ(log.count("Info.plist of " + sealed), 1);
    EXPECT_EQ(log.count("AppScanner:"), 2);
}

TEST(AppScanner, SortsByLocaleIgnoringCaseAndKeepsTiesInScanOrder)
{
    Folders f;
    makeBundle(f.home, "a.app", infoWith("com.example.1", "mail"));
    makeBundle(f.system, "b.app", infoWith("com.example.2", "Zebra"));
    makeBundle(f.system, "c.app", infoWith("com.example.3", "Éclair"));
    makeBundle(f.system, "d.app", infoWith("com.example.4", "Fig"));
    makeBundle(f.system, "e.app", infoWith("com.example.5", "apple"));
    makeBundle(f.system, "f.app", infoWith("com.example.6", "MAIL"));

    makeBundle(f.system, "g.app", infoWith("com.example.7", "白板"));

    // A session under LANG=C has a locale without a collation of its own; the order stays the same.
    for (const QLocale& locale : {QLocale(QLocale::English), QLocale::c(), QLocale(QStringLiteral("POSIX"))}) {
        SCOPED_TRACE(locale.name().toStdString());
        const AppScanner scanner({f.home, f.system}, environment({"en-US"}, locale));
        const auto apps = scanner.scanAll();
        EXPECT_EQ(names(apps), QStringList({"apple", QStringLiteral("Éclair"), "Fig", "mail", "MAIL", "Zebra", QStringLiteral("白板")}));

        const auto async = scanner.scanAllAsync().result();
        EXPECT_EQ(names(async), names(apps));
    }
}

// The name order merges the ascending runs the list arrives in; whatever the runs, it must order
// as a stable sort with the collator would, ties in their first order.
TEST(AppScanner, NameOrderMatchesAStableSortWhateverTheRuns)
{
    const QStringList words = {"mail", "Mail", "MAIL", "Éclair", "eclair", "Zebra", "apple", "白板", "App 10", "App 9", "app 1"};
    QList<AppItem> apps;
    quint32 seed = 7;
    for (int i = 0; i < 400; ++i) {
        seed = seed * 1103515245u + 12345u;
        AppItem app;
        app.name = words.at(int((seed >> 16) % quint32(words.size())));
        app.bundleIdentifier = QString::number(i);
        apps.append(app);
    }
    // Stretches already in order, as the listing of a folder gives them, then some in reverse.
    std::sort(apps.begin() + 100, apps.begin() + 200, [](const AppItem& a, const AppItem& b) { return a.name < b.name; });
    std::reverse(apps.begin() + 250, apps.begin() + 300);
    for (const QList<AppItem>& input : {apps, QList<AppItem>(apps.mid(0, 1)), QList<AppItem>()}) {
        QList<AppItem> expected = input;
        QCollator collator{QLocale(QLocale::English)};
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        std::stable_sort(expected.begin(), expected.end(),
                         [&](const AppItem& a, const AppItem& b) { return collator.compare(a.name, b.name) < 0; });
        QList<AppItem> sorted = input;
        sortAppsByName(sorted, QLocale(QLocale::English));
        EXPECT_EQ(sorted, expected);
    }
}

TEST(AppScanner, UtilitiesApps)
{
    const struct {
        const char* url;
        bool expected;
    } cases[] = {
        {"file:///Applications/Utilities/Terminal.app", true},
        {"file:///Applications/Utilities/Terminal.app/", true},
        {"file:///System/Applications/Utilities/Disk%20Utility.app", true},
        {"file:///Applications/Utilities", true},
        {"file:///Applications/UtilitiesX/Tool.app", false},
        {"file:///home/me/Applications/Utilities/Tool.app", false},
        {"file:///Applications/Calculator.app", false},
    };
    for (const auto& c : cases) {
        AppItem app;
        app.url = QUrl(QString::fromLatin1(c.url));
        EXPECT_EQ(isUtilitiesApp(app), c.expected) << c.url;
    }
}

TEST(AppScanner, ReplacedScanFoldersBringTheirOwnUtilitiesFolder)
{
    const QStringList folders = AppConstants::utilitiesDirectories(
        {QStringLiteral("/opt/apps"), QStringLiteral("/opt/apps/Utilities/"), QStringLiteral("/opt/UtilitiesX")});
    EXPECT_EQ(folders, (QStringList{QStringLiteral("/System/Applications/Utilities"), QStringLiteral("/Applications/Utilities"),
                                    QStringLiteral("/opt/apps/Utilities")}));
    AppItem tool;
    tool.url = QUrl::fromLocalFile(QStringLiteral("/opt/apps/Utilities/Log Lens.app"));
    EXPECT_TRUE(isUtilitiesApp(tool, folders));
    tool.url = QUrl::fromLocalFile(QStringLiteral("/opt/apps/Notes.app"));
    EXPECT_FALSE(isUtilitiesApp(tool, folders));
}

TEST(AppLaunch, LogsTheRequestAndTheOutcome)
{
    LogCapture log;
    FakeAppLauncher launcher;
    AppItem good{QUuid::createUuid(), "Notes", "com.example.notes", QUrl("file:///Applications/Notes.app/"), {}, false};
    AppItem gone{QUuid::createUuid(), "Gone", "", QUrl("file:///Applications/Gone.app"), {}, false};
    launcher.failWith("/Applications/Gone.app", LaunchError{LaunchError::Reason::notFound, "not found"});

    launchApp(good, launcher);
    launchApp(gone, launcher);
    EXPECT_EQ(launcher.opened(), QStringList({"/Applications/Notes.app", "/Applications/Gone.app"}));
    EXPECT_EQ(log.messages(), QStringList({"Launching app: Notes at /Applications/Notes.app",
                                           "App launched successfully: Notes",
                                           "Launching app: Gone at /Applications/Gone.app",
                                           "Failed to launch Gone: not found"}));
    EXPECT_EQ(log.entries().last().level, LogLevel::Error);
}

// The user hears of a failed launch in the interface's language, the log keeps the desktop's words.
TEST(AppLaunch, EachFailureIsToldInChinese)
{
    const AppItem gone{QUuid::createUuid(), "Gone", "", QUrl("file:///Applications/Gone.app"), {}, false};
    const QList<std::pair<LaunchError::Reason, QString>> cases = {
        {LaunchError::Reason::notFound, QStringLiteral("找不到这个应用，它可能已被移动或删除。")},
        {LaunchError::Reason::executableMissing, QStringLiteral("这个应用缺少可执行文件，无法启动。")},
        {LaunchError::Reason::notExecutable, QStringLiteral("这个应用的可执行文件没有执行权限，无法启动。")},
        {LaunchError::Reason::startFailed, QStringLiteral("系统未能启动这个应用。")},
    };
    for (const auto& [reason, text] : cases) {
        const LaunchFailureAlert alert = launchFailureAlert(gone, LaunchError{reason, QStringLiteral("in English")});
        EXPECT_EQ(alert.message, QStringLiteral("无法打开“Gone”"));
        EXPECT_EQ(alert.informativeText, text);
    }
}
