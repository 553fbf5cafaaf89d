#include "Services/UninstallReceipts.h"
#include "UninstallTestKit.h"
#include "common/LogCapture.h"

#include <QFile>

using namespace corvanta;
using namespace corvanta::Uninstall;
using namespace corvanta::test;

TEST(UninstallReceiptParsers, ToolOutput)
{
    EXPECT_EQ(Receipts::parsePackageList(QStringLiteral(" com.a.one \n\n\tcom.b.two\r\n")),
              QStringList({QStringLiteral("com.a.one"), QStringLiteral("com.b.two")}));
    EXPECT_FALSE(Receipts::decode(QByteArray("\xff\xfe bad", 6)));

    EXPECT_EQ(Receipts::parseInstallLocation(QStringLiteral("package-id: x\nvolume: /\nlocation: Applications\n")),
              QStringLiteral("/Applications"));
    EXPECT_EQ(Receipts::parseInstallLocation(QStringLiteral("volume: /\nlocation: \n")), QStringLiteral("/"));
    EXPECT_FALSE(Receipts::parseInstallLocation(QStringLiteral("location: usr\n")));
    EXPECT_FALSE(Receipts::parseInstallLocation(QStringLiteral("volume: /\nlocation: usr/../..\n")));

    const QString listing = QStringLiteral("usr/local/bin/foo\n"
                                           "/opt/foo/lib.dylib\n"
                                           "usr/local/../../etc/passwd\n"
                                           "usr/local/bin/bad\x01name\n"
                                           "   \n"
                                           "Library/Foo\n");
    EXPECT_EQ(Receipts::parseFileListing(listing, QStringLiteral("/"), 100),
              QStringList({QStringLiteral("/usr/local/bin/foo"), QStringLiteral("/opt/foo/lib.dylib"), QStringLiteral("/Library/Foo")}));
    EXPECT_EQ(Receipts::parseFileListing(listing, QStringLiteral("/usr"), 100),
              QStringList({QStringLiteral("/usr/usr/local/bin/foo"), QStringLiteral("/usr/Library/Foo")}));
    EXPECT_EQ(Receipts::parseFileListing(listing, QStringLiteral("/"), 1), QStringList({QStringLiteral("/usr/local/bin/foo")}));
}

TEST(UninstallReceiptParsers, CandidatePackages)
{
    AppItem app;
    app.name = QStringLiteral("Foo Bar");
    app.bundleIdentifier = QStringLiteral("com.Acme.FooBar");
    const Receipts::PackageMatcher matcher(app);
    struct Case {
        const char* package;
        bool candidate;
    } cases[] = {
        {"com.acme.foobar.pkg", true},       {"COM.ACME.FOOBAR.core", true}, {"org.example.foobar-tools", true},
        {"com.acme.unrelated", true},        {"com.apple.pkg.foobar", false}, {"com.example.other", false},
        {"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(matcher.isCandidate(QString::fromUtf8(c.package)), c.candidate) << c.package;

    AppItem plain;
    plain.name = QStringLiteral("Qt");
    plain.bundleIdentifier = QStringLiteral("org.abc.qtapp");
    const Receipts::PackageMatcher short_(plain);
    EXPECT_FALSE(short_.isCandidate(QStringLiteral("org.other.qt"))); // a 2-character name is no key
    EXPECT_FALSE(short_.isCandidate(QStringLiteral("org.abc.tools"))); // a 3-character vendor is no key
    EXPECT_FALSE(short_.isCandidate(QStringLiteral("org.misc"))); // "org" never matches on its own
    EXPECT_TRUE(short_.isCandidate(QStringLiteral("x.org.abc.qtapp.y")));
}

class UninstallReceiptsTest : public UninstallFixture {
protected:
    void SetUp() override
    {
        UninstallFixture::SetUp();
        env.tools.pkgutil = sys("usr/sbin/pkgutil");
        writeFile(env.tools.pkgutil, "#!/bin/false\n");
        QFile::setPermissions(env.tools.pkgutil, QFile::ReadOwner | QFile::ExeOwner);
    }
    void package(const QString& id, const QString& files)
    {
        runner->answer({QStringLiteral("--pkg-info"), id}, QByteArray("volume: /\nlocation: \n"));
        runner->answer({QStringLiteral("--files"), id}, files.toUtf8());
    }
    int filesQueries() const
    {
        int n = 0;
        for (const auto& call : runner->calls)
            n += call.arguments.value(0) == QLatin1String("--files") ? 1 : 0;
        return n;
    }
};

TEST_F(UninstallReceiptsTest, OwningPackagesContributeOnlyTheirFiles)
{
    const AppItem foo = app(QStringLiteral("Foo"), QStringLiteral("com.acme.foo"));
    folder(lib("Application Support/Foo"));
    file(lib("Application Support/Foo/db"));
    file(lib("Preferences/com.acme.foo.plist"));
    file(sys("usr/local/bin/foo"));
    folder(sys("usr/local/share/foo"));
    file(sys("var/db/receipts/com.acme.foo.bom"));
    const QString r; // listings are relative to the install location, the root of the fixture
    runner->answer({QStringLiteral("--pkgs")}, "com.acme.foo.pkg\ncom.acme.shared\n");
    // Owns a leftover found by the scan; also lists a shared folder, the package database and a
    // path that left its install location.
    package(QStringLiteral("com.acme.foo.pkg"), r + QStringLiteral("Users/me/Library/Application Support/Foo/db\n") + r
                                                    + QStringLiteral("Users/me/Library/Preferences/com.acme.foo.plist\n") + r
                                                    + QStringLiteral("usr/local/bin/foo\n") + r + QStringLiteral("usr/local/share/foo\n") + r
                                                    + QStringLiteral("usr/local\n") + r + QStringLiteral("var/db/receipts/com.acme.foo.bom\n")
                                                    + QStringLiteral("../../etc/passwd\n"));
    // Lists a file of ours but owns nothing already attributed to the application.
    package(QStringLiteral("com.acme.shared"), r + QStringLiteral("usr/local/bin/foo\n"));
    const UninstallGuard guard(env);
    QStringList known{foo.path(), lib("Application Support/Foo")};
    EXPECT_EQ(packageReceiptFiles(foo, known, env, guard),
              QStringList({lib("Application Support/Foo/db"), lib("Preferences/com.acme.foo.plist"), sys("usr/local/bin/foo")}));

    // Of these, only what lies in the folders the scan searches is offered: not /usr/local.
    file(lib("Caches/acme-updater/state.bin"));
    package(QStringLiteral("com.acme.foo.pkg"), QStringLiteral("Users/me/Library/Application Support/Foo/db\n"
                                                               "Users/me/Library/Caches/acme-updater/state.bin\n"
                                                               "usr/local/bin/foo\n"));
    UninstallManager m(env);
    const UninstallPlan plan = m.buildPlan(foo);
    EXPECT_EQ(residualPaths(plan), QStringList({QStringLiteral("/Users/me/Library/Application Support/Foo"),
                                                QStringLiteral("/Users/me/Library/Caches/acme-updater/state.bin"),
                                                QStringLiteral("/Users/me/Library/Preferences/com.acme.foo.plist")}));
    // Reached first by the scan, the preference file keeps the scan's kind.
    EXPECT_EQ(plan.residuals.at(2).kind, ResidualKind::preference);
    EXPECT_EQ(plan.residuals.at(1).evidence, MatchEvidence::packageReceipt);
    EXPECT_EQ(plan.residuals.at(1).kind, ResidualKind::other);
    EXPECT_FALSE(plan.residuals.at(1).requiresAdmin);
}

// A package owning a leftover may list anything; only what the deletion guard would let through is
// offered, and never the user's own documents or hidden files.
TEST_F(UninstallReceiptsTest, ReceiptsNeverOfferWhatTheGuardRefusesOrTheUsersFiles)
{
    const AppItem foo = app(QStringLiteral("Foo"), QStringLiteral("com.acme.foo"));
    folder(lib("Application Support/Foo"));
    const QStringList listed{
        QStringLiteral("Users/me/Library/Application Support/Foo/db"), // inside the leftover the package owns
        QStringLiteral("Users/me/Library/Logs/acme-installer.log"),  // offered
        QStringLiteral("usr/bin/foo"),                              // a system folder the guard refuses
        QStringLiteral("usr/local/bin/foo"),                        // outside the folders the scan searches
        QStringLiteral("opt/foo/lib/libfoo.so"),
        QStringLiteral("Users/Shared/Foo/data"),
        QStringLiteral("Users/me/notes.txt"),                       // the home's own files
        QStringLiteral("Users/me/Library/Keychains/login.keychain-db"),
        QStringLiteral("Users/me/Library/Messages/chat.db"),
        QStringLiteral("Users/me/Library/Mail/V10/MailData/Envelope Index"),
        QStringLiteral("Users/me/Library/Safari/Bookmarks.plist"),
        QStringLiteral("Users/me/Library/Application Support/Google/Chrome/Default/Bookmarks"),
        QStringLiteral("Users/me/Library/Application Support/Firefox/Profiles/x.default/places.sqlite"),
        QStringLiteral("Library/Apple/foo.bundle"),                 // the system vendor's folder
        QStringLiteral("Users/me/.ssh/authorized_keys"),
        QStringLiteral("Users/me/.zshrc"),
        QStringLiteral("Users/me/Library/Preferences/.GlobalPreferences.plist"),
        QStringLiteral("Users/me/Documents/Report.pages"),
        QStringLiteral("Users/me/Desktop/Foo Notes.txt"),
        QStringLiteral("Users/me/Downloads/Foo.dmg"),
        QStringLiteral("Users/me/Pictures/Foo/shot.png"),
        QStringLiteral("Users/me/Music/foo.mp3"),
        QStringLiteral("Users/me/Movies/foo.mov"),
    };
    for (const QString& path : listed)
        file(sys(path));
    runner->answer({QStringLiteral("--pkgs")}, "com.acme.foo.pkg\n");
    package(QStringLiteral("com.acme.foo.pkg"), listed.join(u'\n'));

    UninstallManager m(env);
    const UninstallPlan plan = m.buildPlan(foo);
    EXPECT_EQ(residualPaths(plan), QStringList({QStringLiteral("/Users/me/Library/Application Support/Foo"),
                                                QStringLiteral("/Users/me/Library/Logs/acme-installer.log")}))
        << qPrintable(residualPaths(plan).join(u' '));
    // Whatever reaches the execution anyway is refused there too.
    const UninstallGuard guard(env);
    for (const QString& path : listed.mid(2)) {
        ResidualItem item;
        item.url = QUrl::fromLocalFile(sys(path));
        item.evidence = MatchEvidence::packageReceipt;
        EXPECT_TRUE(guard.basicRefusal(item.path()) || guard.residualRefusal(item, plan)) << qPrintable(path);
    }
}

TEST_F(UninstallReceiptsTest, AtMostTwentyPackagesAreListed)
{
    const AppItem foo = app(QStringLiteral("Foo"), QStringLiteral("com.acme.foo"));
    QByteArray list = "com.apple.pkg.foo\norg.unrelated\n";
    for (int i = 0; i < 25; ++i)
        list += "com.acme.foo.part" + QByteArray::number(i) + "\norg.noise" + QByteArray::number(i) + "\n";
    runner->answer({QStringLiteral("--pkgs")}, list);
    const UninstallGuard guard(env);
    packageReceiptFiles(foo, {foo.path()}, env, guard);
    EXPECT_EQ(filesQueries(), 0); // no install location: the listing is not asked for
    for (const auto& call : runner->calls)
        EXPECT_NE(call.arguments.value(1), QStringLiteral("com.apple.pkg.foo"));
    int infoQueries = 0;
    for (const auto& call : runner->calls)
        infoQueries += call.arguments.value(0) == QLatin1String("--pkg-info") ? 1 : 0;
    EXPECT_EQ(infoQueries, 20);
    EXPECT_EQ(runner->calls.at(20).arguments.value(1), QStringLiteral("com.acme.foo.part19"));
}

TEST_F(UninstallReceiptsTest, MissingToolIsLoggedAndSkipped)
{
    const AppItem foo = app(QStringLiteral("Foo"), QStringLiteral("com.acme.foo"));
    env.tools.pkgutil = sys("nowhere/pkgutil");
    const UninstallGuard guard(env);
    EXPECT_TRUE(packageReceiptFiles(foo, {foo.path()}, env, guard).isEmpty());
    EXPECT_TRUE(runner->calls.isEmpty());

    // A failing or non-UTF-8 answer yields nothing either.
    env.tools.pkgutil = sys("usr/sbin/pkgutil");
    runner->answer({QStringLiteral("--pkgs")}, QByteArray("com.acme.foo\xff\n"));
    EXPECT_TRUE(packageReceiptFiles(foo, {foo.path()}, env, guard).isEmpty());
    EXPECT_EQ(runner->calls.size(), 1);
}
