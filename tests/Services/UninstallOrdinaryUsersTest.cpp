// The uninstaller for an ordinary user on an ordinary machine: the program's own folders, what is
// left after a removal that stopped part-way, a Library folder that is a link, and what the plan
// and the outcome say about mounts, links and deep trees.
#include "Services/UninstallExecution.h"
#include "Services/UninstallGuard.h"
#include "UninstallTestKit.h"
#include "common/MountNamespace.h"
#include "Platform/FileRead.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

using namespace corvanta;
using namespace corvanta::Uninstall;
using namespace corvanta::test;

namespace {

SafeFiles::RemoveOutcome denied()
{
    SafeFiles::RemoveOutcome out;
    out.status = SafeFiles::RemoveOutcome::Status::failed;
    out.error = EACCES;
    out.message = QString::fromLocal8Bit(std::strerror(EACCES));
    return out;
}

class UninstallOrdinaryUsersTest : public UninstallFixture {
protected:
    ResidualItem leftover(const QString& path, MatchEvidence evidence = MatchEvidence::bundleIdentifier)
    {
        ResidualItem item;
        item.url = QUrl::fromLocalFile(path);
        item.evidence = evidence;
        if (const auto stat = SafeFiles::linkStat(path))
            item.identity = FileIdentity{stat->device, stat->inode};
        return item;
    }
};

} // namespace

// The program's data, state, settings and cache folders are never offered nor deleted, also when
// one of them lies inside a leftover (a cache base pointed into another application's folder).
TEST_F(UninstallOrdinaryUsersTest, TheProgramsOwnFoldersAreNeverOfferedNorDeleted)
{
    const AppItem foo = app(QStringLiteral("Foo"), QStringLiteral("com.acme.foo"));
    env.roots.ownStateFolders = {home + QStringLiteral("/.local/share/Corvanta"), lib("Caches/com.acme.foo/Corvanta"),
                                 lib("Application Support/Foo")};
    file(lib("Caches/com.acme.foo/Corvanta/icons.bin"), 40);
    file(lib("Caches/com.acme.foo/data"));
    file(lib("Application Support/Foo/layout.json"), 50);
    file(lib("Preferences/com.acme.foo.plist"));

    const UninstallPlan plan = planFor(foo);
    EXPECT_EQ(residualPaths(plan), QStringList({QStringLiteral("/Users/me/Library/Preferences/com.acme.foo.plist")}));

    // A plan that names them anyway (made before the folders were the program's) is refused.
    UninstallPlan stale = plan;
    stale.residuals = {leftover(lib("Application Support/Foo"), MatchEvidence::name), leftover(lib("Caches/com.acme.foo"))};
    const UninstallOutcome outcome = run(stale);
    ASSERT_FALSE(outcome.error);
    ASSERT_EQ(outcome.result.residualOutcomes.size(), 2);
    EXPECT_EQ(outcome.result.residualOutcomes.at(0).message, QStringLiteral("不允许删除 Corvanta 自身"));
    EXPECT_EQ(outcome.result.residualOutcomes.at(1).message,
              QStringLiteral("拒绝删除内含 Corvanta 自身文件夹的项目：") + lib("Caches/com.acme.foo"));
    EXPECT_EQ(QFileInfo(lib("Caches/com.acme.foo/Corvanta/icons.bin")).size(), 40);
    EXPECT_EQ(QFileInfo(lib("Application Support/Foo/layout.json")).size(), 50);
    EXPECT_TRUE(exists(lib("Caches/com.acme.foo/data")));
}

// The real machine's list follows the desktop's base-folder variables for every one of them.
TEST(UninstallOwnFolders, FollowTheDesktopsBaseFolders)
{
    const QByteArray names[] = {"XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"};
    QList<QByteArray> saved;
    for (const QByteArray& name : names)
        saved << qgetenv(name.constData());
    qputenv("XDG_DATA_HOME", "/srv/me/data");
    qputenv("XDG_STATE_HOME", "/srv/me/state");
    qputenv("XDG_CONFIG_HOME", "/srv/me/config");
    qputenv("XDG_CACHE_HOME", "/srv/me/cache");
    const QStringList own = UninstallRoots::forThisSystem().ownStateFolders;
    for (qsizetype i = 0; i < saved.size(); ++i) {
        if (saved.at(i).isNull())
            qunsetenv(names[i].constData());
        else
            qputenv(names[i].constData(), saved.at(i));
    }
    for (const char* folder : {"/srv/me/data/Corvanta", "/srv/me/state/Corvanta", "/srv/me/config/Corvanta",
                               "/srv/me/cache/Corvanta"})
        EXPECT_TRUE(own.contains(QString::fromLatin1(folder))) << folder << " in " << own.join(u' ').toStdString();
}

// The bundle of the program is X.app only when the executable lies in X.app/Contents/MacOS.
TEST(UninstallOwnFolders, TheOwnBundleNeedsContentsMacOS)
{
    EXPECT_EQ(UninstallRoots::ownBundleOf(QStringLiteral("/opt/X.app/Contents/MacOS/corvanta")), QStringLiteral("/opt/X.app"));
    for (const char* bare : {"/opt/X.app/Contents/corvanta", "/opt/X.app/Contents/Resources/corvanta",
                             "/opt/X.app/corvanta", "/opt/X.app/contents/MacOS/corvanta", "/opt/X.app/Contents/macos/corvanta"})
        EXPECT_EQ(UninstallRoots::ownBundleOf(QString::fromLatin1(bare)), QString::fromLatin1(bare)) << bare;
}

// A removal that stopped part-way took the Info.plist with it. Once the cause is gone, what is
// left is uninstalled as the application it was, its leftovers with it, also in a later run; a
// folder that merely lacks an Info.plist is still refused.
TEST_F(UninstallOrdinaryUsersTest, WhatAPartialRemovalLeftCanBeUninstalledOnceTheCauseIsGone)
{
    const AppItem foo = app(QStringLiteral("Foo"), QStringLiteral("com.acme.foo"));
    file(lib("Preferences/com.acme.foo.plist"));
    file(lib("Caches/com.acme.foo/db"));
    bool blocked = true;
    env.remove = [&](const QString& path, std::optional<SafeFiles::Identity> expected) {
        if (blocked && path == foo.path()) {
            SafeFiles::RemoveOutcome out = denied();
            if (QFile::remove(path + QStringLiteral("/Contents/Info.plist")))
                out.removedEntries = 1;
            return out;
        }
        return SafeFiles::removeNoFollow(path, expected);
    };
    admin->deletes = false;
    admin->reportsSuccess = false;
    env.remnantsFile = sys("state/Corvanta/uninstall-remnants.json");
    UninstallManager first_run(env);

    const UninstallOutcome first = first_run.executeUninstall(first_run.buildPlan(foo), true);
    ASSERT_TRUE(first.error);
    ASSERT_TRUE(first.result.appPartlyRemoved);
    ASSERT_FALSE(exists(foo.path() + QStringLiteral("/Contents/Info.plist")));
    EXPECT_TRUE(exists(lib("Caches/com.acme.foo/db")));

    // The catalogue of a later run finds the rest with no identifier, named after its file.
    blocked = false;
    UninstallManager m(env);
    AppItem remnant = foo;
    remnant.bundleIdentifier.clear();
    const UninstallPlan again = m.buildPlan(remnant);
    EXPECT_EQ(again.app.bundleIdentifier, QStringLiteral("com.acme.foo"));
    EXPECT_EQ(residualPaths(again), QStringList({QStringLiteral("/Users/me/Library/Caches/com.acme.foo"),
                                                 QStringLiteral("/Users/me/Library/Preferences/com.acme.foo.plist")}));
    const UninstallOutcome second = m.executeUninstall(again, true);
    ASSERT_FALSE(second.error) << second.error->description().toStdString();
    EXPECT_TRUE(second.result.appDeleted);
    EXPECT_EQ(second.result.deletedCount, 2);
    EXPECT_FALSE(exists(foo.path()));
    const auto remembered = readWholeFile(env.remnantsFile);
    ASSERT_TRUE(remembered.has_value());
    EXPECT_FALSE(remembered->contains("Foo.app")) << remembered->toStdString();

    // A folder of documents named like an application, with no Info.plist: not a remnant.
    file(sys("Applications/Photos Backup.app/holiday.jpg"));
    AppItem backup;
    backup.name = QStringLiteral("Photos Backup");
    backup.url = QUrl::fromLocalFile(sys("Applications/Photos Backup.app"));
    const UninstallOutcome refused = m.executeUninstall(m.buildPlan(backup), true);
    ASSERT_TRUE(refused.error);
    EXPECT_EQ(refused.error->reason, QStringLiteral("应用标识不符：") + backup.path());
    EXPECT_TRUE(exists(sys("Applications/Photos Backup.app/holiday.jpg")));
}

// Entries went (an empty folder, a link) while the bundle's files kept their size: still a
// partial removal.
TEST_F(UninstallOrdinaryUsersTest, APartialRemovalWithNoSizeChangeIsStillOne)
{
    const AppItem foo = app(QStringLiteral("Foo"), QStringLiteral("com.acme.foo"));
    folder(foo.path() + QStringLiteral("/Contents/PlugIns"));
    const UninstallPlan plan = planFor(foo);
    env.remove = [&foo](const QString& path, std::optional<SafeFiles::Identity>) {
        SafeFiles::RemoveOutcome out = denied();
        if (path == foo.path() && QDir().rmdir(path + QStringLiteral("/Contents/PlugIns")))
            out.removedEntries = 1;
        return out;
    };
    admin->deletes = false;
    admin->reportsSuccess = false;
    const UninstallOutcome outcome = run(plan);
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(SafeFiles::directorySize(foo.path()), plan.appSize);
    EXPECT_TRUE(outcome.result.appPartlyRemoved);
    EXPECT_EQ(outcome.result.appRemainingPath, foo.path());
}

// A bundle in a folder the user may change, holding a folder the user may not empty, goes to the
// administrator whole: tried plainly first, it would lose its Info.plist and no longer be taken for
// an application. The sheet says before confirming that administrator rights are needed.
TEST_F(UninstallOrdinaryUsersTest, ABundleTheUserMayNotEmptyGoesToTheAdministratorWhole)
{
    const AppItem foo = app(QStringLiteral("Foo"), QStringLiteral("com.acme.foo"));
    const auto all = QFileDevice::Permissions(0x7777);
    for (const QString& open : {sys("Applications"), foo.path(), foo.path() + QStringLiteral("/Contents")})
        ASSERT_TRUE(QFile::setPermissions(open, all));
    const auto owner = SafeFiles::linkStat(home)->uid;
    env.credentials = SafeFiles::Credentials{owner + 4242, {owner + 4242}};
    QStringList triedPlainly;
    env.remove = [&triedPlainly](const QString& path, std::optional<SafeFiles::Identity> expected) {
        triedPlainly << path;
        return SafeFiles::removeNoFollow(path, expected);
    };
    const UninstallPlan plan = planFor(foo);
    ASSERT_FALSE(plan.permissionIssues.isEmpty());
    EXPECT_EQ(plan.permissionIssues.first().title, QStringLiteral("需要管理员授权"));
    const UninstallOutcome outcome = run(plan);
    ASSERT_FALSE(outcome.error) << outcome.error->description().toStdString();
    EXPECT_EQ(admin->calls, QList<QStringList>({QStringList{foo.path()}}));
    EXPECT_FALSE(triedPlainly.contains(foo.path()));
    EXPECT_EQ(outcome.result.appOutcome->status, ItemOutcome::Status::deletedAsAdmin);
}

// The bundle was left unchecked, then swapped for another application's: the leftovers chosen
// for the first are not touched.
TEST_F(UninstallOrdinaryUsersTest, AKeptBundleSwappedForAnotherApplicationBlocksTheLeftovers)
{
    const AppItem foo = app(QStringLiteral("Foo"), QStringLiteral("com.acme.foo"));
    file(lib("Preferences/com.acme.foo.plist"));
    folder(lib("Caches/com.acme.foo"));
    const UninstallPlan plan = planFor(foo);
    ASSERT_EQ(plan.residuals.size(), 2);
    QDir(foo.path()).removeRecursively();
    file(sys("Applications/placeholder"));      // the freed inode goes elsewhere
    app(QStringLiteral("Foo"), QStringLiteral("com.other.bar"));
    const UninstallOutcome outcome = run(plan, false);
    ASSERT_TRUE(outcome.error);
    EXPECT_TRUE(outcome.error->reason == QStringLiteral("拒绝删除已被替换的项目：") + foo.path()
                || outcome.error->reason == QStringLiteral("应用标识不符：") + foo.path())
        << outcome.error->reason.toStdString();
    EXPECT_TRUE(exists(lib("Preferences/com.acme.foo.plist")));
    EXPECT_TRUE(exists(lib("Caches/com.acme.foo")));
    EXPECT_TRUE(exists(sys("Applications/Foo.app/Contents/Info.plist")));
}

// A Library folder that is a link (to another disk, say) is searched where it leads, as a linked
// home is; a scan folder that is itself a link is not entered, and the plan says so.
TEST_F(UninstallOrdinaryUsersTest, ALinkedLibraryIsSearchedAndAFolderThatCannotBeIsNamed)
{
    const AppItem foo = app(QStringLiteral("Foo"), QStringLiteral("com.acme.foo"));
    ASSERT_TRUE(QDir(home + QStringLiteral("/Library")).removeRecursively());
    const QString real = sys("Volumes/Data/Library");
    file(real + QStringLiteral("/Caches/com.acme.foo/db"));
    file(real + QStringLiteral("/Preferences/com.acme.foo.plist"));
    file(sys("Volumes/Data/Logs/com.acme.foo.log"));
    folder(sys("Volumes/Data/Logs/DiagnosticReports")); // hidden by the link above it: not named again
    link(real, home + QStringLiteral("/Library"));
    link(sys("Volumes/Data/Logs"), real + QStringLiteral("/Logs"));

    const UninstallPlan plan = planFor(foo);
    EXPECT_EQ(residualPaths(plan), QStringList({QStringLiteral("/Volumes/Data/Library/Caches/com.acme.foo"),
                                                QStringLiteral("/Volumes/Data/Library/Preferences/com.acme.foo.plist")}));
    bool named = false;
    for (const PermissionIssue& issue : plan.permissionIssues)
        named = named
            || (issue.title == QStringLiteral("部分目录无法扫描")
                && issue.detail == real + QStringLiteral("/Logs 无法读取或是指向别处的链接，其中的残留未能列出。"));
    EXPECT_TRUE(named);

    const UninstallOutcome outcome = run(plan);
    ASSERT_FALSE(outcome.error) << outcome.error->description().toStdString();
    EXPECT_EQ(outcome.result.deletedCount, 2);
    EXPECT_FALSE(exists(real + QStringLiteral("/Caches/com.acme.foo")));
    EXPECT_TRUE(exists(sys("Volumes/Data/Logs/com.acme.foo.log")));
    EXPECT_TRUE(exists(home + QStringLiteral("/Library")));
}

// A tree deeper than the removal walks is not a link loop: the outcome says so and counts what
// went.
TEST_F(UninstallOrdinaryUsersTest, ATreeTooDeepIsNotALinkLoop)
{
    const AppItem foo = app(QStringLiteral("Foo"), QStringLiteral("com.acme.foo"));
    file(lib("Caches/com.acme.foo/top.db"));
    QString deep = lib("Caches/com.acme.foo");
    for (int i = 0; i < 300; ++i)
        deep += QStringLiteral("/d");
    folder(deep);
    const UninstallOutcome outcome = run(planFor(foo), false);
    ASSERT_EQ(outcome.result.residualOutcomes.size(), 1);
    const ItemOutcome& cache = outcome.result.residualOutcomes.first();
    EXPECT_EQ(cache.status, ItemOutcome::Status::failed);
    EXPECT_EQ(cache.message, QStringLiteral("the folder is nested too deeply"));
    EXPECT_GE(cache.removedEntries, 1u);
    EXPECT_FALSE(exists(lib("Caches/com.acme.foo/top.db")));
}

// In a mount namespace of the test's own: a leftover that is a link is judged as the link though
// its target holds a mount, and a mount inside the bundle is named in the plan.
TEST_F(UninstallOrdinaryUsersTest, MountsAreJudgedWhereTheyAreAndNamedBeforeConfirming)
{
    const AppItem foo = app(QStringLiteral("Foo"), QStringLiteral("com.acme.foo"));
    folder(sys("target/mnt"));
    file(sys("data/precious.txt"), 700);
    link(sys("target"), lib("Logs/com.acme.foo"));
    folder(foo.path() + QStringLiteral("/Contents/Resources/library"));

    const test::NamespaceRun child = test::runInOwnMountNamespace([&]() -> std::string {
        std::string failures;
        auto expect = [&](bool held, const QString& what) {
            if (!held)
                failures += what.toStdString() + "\n";
        };
        if (!test::bindMount(sys("data").toStdString(), sys("target/mnt").toStdString()))
            return std::string("cannot bind mount: ") + std::strerror(errno);
        const UninstallPlan plan = planFor(foo);
        expect(residualPaths(plan) == QStringList({QStringLiteral("/Users/me/Library/Logs/com.acme.foo")}),
               QStringLiteral("offered: ") + residualPaths(plan).join(u' '));
        expect(plan.permissionIssues.isEmpty(), QStringLiteral("issues for a link"));
        const UninstallOutcome leftovers = run(plan, false);
        expect(!leftovers.error && leftovers.result.deletedCount == 1,
               QStringLiteral("the link not deleted: ")
                   + (leftovers.result.residualOutcomes.isEmpty() ? QString() : leftovers.result.residualOutcomes.first().message));
        expect(!exists(lib("Logs/com.acme.foo")) && exists(sys("target/mnt/precious.txt")), QStringLiteral("link or target"));

        const QString inside = foo.path() + QStringLiteral("/Contents/Resources/library");
        if (!test::bindMount(sys("data").toStdString(), inside.toStdString()))
            return failures + "cannot bind mount into the bundle";
        const QList<PermissionIssue> issues = planFor(foo).permissionIssues;
        expect(issues.size() == 1 && issues.first().title == QStringLiteral("应用内有挂载点")
                   && issues.first().detail == QStringLiteral("「Foo」中的 ") + inside
                          + QStringLiteral(" 是挂载点，为保护其中的数据，应用本体不会被删除；请先取消该挂载。"),
               QStringLiteral("bundle issue: ") + (issues.isEmpty() ? QString() : issues.first().detail));
        return failures;
    });
    if (!child.ran)
        GTEST_SKIP() << child.failures;
    EXPECT_EQ(child.failures, "");
    EXPECT_EQ(QFileInfo(sys("data/precious.txt")).size(), 700);
}

// The remembered remnants lie in the user's folders: a file cut short, too large or of the wrong
// shape is ignored, and so is each record that could vouch for a folder it does not name plainly
// (a relative or unstandardised path, no identifier, control characters); the rest are read.
TEST_F(UninstallOrdinaryUsersTest, TheRememberedRemnantsFileIsReadWithSuspicion)
{
    const QString foo = sys(QStringLiteral("Applications/Foo.app"));
    folder(foo + QStringLiteral("/Contents/MacOS"));
    const auto stat = SafeFiles::linkStat(foo);
    ASSERT_TRUE(stat);
    env.remnantsFile = sys("state/Corvanta/uninstall-remnants.json");
    const auto record = [&](const QString& path, const QString& identifier, const QByteArray& device) {
        return QByteArray(R"({"path":")") + path.toUtf8() + R"(","device":)" + device + R"(,"inode":")"
            + QByteArray::number(stat->inode) + R"(","identifier":")" + identifier.toUtf8() + R"("})";
    };
    const QByteArray device = '"' + QByteArray::number(stat->device) + '"';
    const QByteArray good = record(foo, QStringLiteral("com.acme.foo"), device);
    const QString relative = foo.mid(1);
    const QString unstandardised = sys(QStringLiteral("Applications/./Foo.app"));
    const struct {
        const char* what;
        QByteArray contents;
        bool kept;
    } cases[] = {
        {"a plain record", R"({"remnants":[)" + good + "]}", true},
        {"cut short", (R"({"remnants":[)" + good + "]}").chopped(3), false},
        {"too large", R"({"remnants":[)" + good + "]}" + QByteArray(300 * 1024, ' '), false},
        {"not a list", R"({"remnants":)" + good + "}", false},
        {"not an object", "[" + good + "]", false},
        {"the device a number", R"({"remnants":[)" + record(foo, QStringLiteral("com.acme.foo"), QByteArray::number(stat->device)) + "]}", false},
        {"a relative path", R"({"remnants":[)" + record(relative, QStringLiteral("com.acme.foo"), device) + "]}", false},
        {"an unstandardised path", R"({"remnants":[)" + record(unstandardised, QStringLiteral("com.acme.foo"), device) + "]}", false},
        {"no identifier", R"({"remnants":[)" + record(foo, QString(), device) + "]}", false},
        {"a control character", R"({"remnants":[)" + record(foo, QStringLiteral("com.acme.foo\\u001b[2J"), device) + "]}", false},
        {"garbage first", R"({"remnants":[17,"x",null,)" + good + "]}", true},
    };
    for (const auto& c : cases) {
        writeFile(env.remnantsFile, c.contents);
        const UninstallGuard guard(env);
        const auto identifier = guard.remnantIdentifier(foo);
        EXPECT_EQ(identifier.has_value(), c.kept) << c.what;
        if (c.kept && identifier) {
            EXPECT_EQ(*identifier, QStringLiteral("com.acme.foo")) << c.what;
        }
    }
}
