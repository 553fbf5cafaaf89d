#include "Platform/AdminDeleter.h"
#include "Services/UninstallAdminCheck.h"
#include "Services/UninstallDock.h"
#include "Services/UninstallExecution.h"
#include "UninstallTestKit.h"
#include "common/LogCapture.h"
#include "common/MountNamespace.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>

using namespace corvanta;
using namespace corvanta::Uninstall;
using namespace corvanta::test;

namespace {

QVariantMap tile(const QString& url, const QVariant& identifier = QVariant())
{
    QVariantMap data{{QStringLiteral("file-data"), QVariantMap{{QStringLiteral("_CFURLString"), url},
                                                               {QStringLiteral("_CFURLStringType"), 15}}}};
    if (identifier.isValid())
        data.insert(QStringLiteral("bundle-identifier"), identifier);
    return QVariantMap{{QStringLiteral("tile-data"), data}, {QStringLiteral("tile-type"), QStringLiteral("file-tile")}};
}

SafeFiles::RemoveOutcome deniedRemoval(int error, const char* message)
{
    SafeFiles::RemoveOutcome denied;
    denied.status = SafeFiles::RemoveOutcome::Status::failed;
    denied.error = error;
    denied.message = QString::fromLatin1(message);
    return denied;
}

} // namespace

class UninstallExecutionTest : public UninstallFixture {
protected:
    void enableLaunchctl()
    {
        env.tools.launchctl = sys("bin/launchctl");
        writeFile(env.tools.launchctl, "#!/bin/false\n");
        QFile::setPermissions(env.tools.launchctl, QFile::ReadOwner | QFile::ExeOwner);
    }
    QList<QStringList> launchctlCalls() const
    {
        QList<QStringList> out;
        for (const auto& call : runner->calls)
            if (call.program == env.tools.launchctl)
                out << call.arguments;
        return out;
    }
};

TEST_F(UninstallExecutionTest, ProtectedApplicationsAreRefusedBeforeAnything)
{
    LogCapture log;
    const AppItem self = app(QStringLiteral("Corvanta"), QStringLiteral("com.corvanta.app"), sys("Apps"));
    const AppItem system = app(QStringLiteral("Notes"), QStringLiteral("com.apple.Notes"), sys("Apps"));
    const AppItem underSystem = app(QStringLiteral("Tool"), QStringLiteral("com.acme.tool"), sys("System/Applications"));
    const AppItem systemApps = app(QStringLiteral("Tool2"), QStringLiteral("com.acme.tool2"), sys("SystemApps"));
    running->alive = {42};
    for (const AppItem& item : {self, system, underSystem, systemApps}) {
        UninstallPlan plan;
        plan.app = item;
        const UninstallOutcome outcome = run(plan);
        ASSERT_TRUE(outcome.error) << qPrintable(item.name);
        EXPECT_EQ(outcome.error->description(), QStringLiteral("系统应用与 Corvanta 自身不允许卸载"));
        EXPECT_TRUE(exists(item.path()));
    }
    EXPECT_TRUE(running->terminated.isEmpty());
    EXPECT_FALSE(log.contains(QStringLiteral("Uninstall: start")));
}

TEST_F(UninstallExecutionTest, OwnBundleIsTheExecutableOrItsAppFolder)
{
    EXPECT_EQ(UninstallRoots::ownBundleOf(QStringLiteral("/opt/Corvanta.app/Contents/MacOS/corvanta")), QStringLiteral("/opt/Corvanta.app"));
    EXPECT_EQ(UninstallRoots::ownBundleOf(QStringLiteral("/Corvanta.app/Contents/MacOS/corvanta")), QStringLiteral("/Corvanta.app"));
    for (const char* bare : {"/home/me/build/corvanta", "/usr/bin/corvanta", "/opt/x/Contents/MacOS/corvanta",
                             "/opt/X.app/MacOS/corvanta", "/opt/.app/Contents/MacOS/corvanta"})
        EXPECT_EQ(UninstallRoots::ownBundleOf(QString::fromLatin1(bare)), QString::fromLatin1(bare));

    // Run from a build folder, the applications beside the executable are anyone's to uninstall.
    UninstallEnvironment real;
    real.roots = UninstallRoots::forThisSystem();
    const QString executable = QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath();
    EXPECT_EQ(real.roots.ownBundle, executable);
    AppItem beside;
    beside.name = QStringLiteral("Sample");
    beside.bundleIdentifier = QStringLiteral("com.example.sample");
    beside.url = QUrl::fromLocalFile(QFileInfo(executable).path() + QStringLiteral("/sample-apps/Sample.app"));
    EXPECT_FALSE(isProtectedApp(beside, real));

    // Run from an application bundle, that bundle (and what is inside it) stays protected.
    env.roots.ownBundle = UninstallRoots::ownBundleOf(sys("Applications/Corvanta.app/Contents/MacOS/corvanta"));
    const AppItem self = app(QStringLiteral("Corvanta"), QStringLiteral("com.acme.renamed"));
    const AppItem sibling = app(QStringLiteral("Foo"), QStringLiteral("com.acme.foo"));
    EXPECT_TRUE(isProtectedApp(self, env));
    EXPECT_FALSE(isProtectedApp(sibling, env));
}

TEST_F(UninstallExecutionTest, BundleIsCheckedBeforeQuittingOrUnloading)
{
    enableLaunchctl();
    const AppItem foo = app(QStringLiteral("Foo"), QStringLiteral("com.acme.foo"));
    // Launch items are offered by the identifier they are named after: here an embedded helper's.
    makeBundle(foo.path() + QStringLiteral("/Contents/Library/LoginItems"), QStringLiteral("Agent.app"), infoWith(QStringLiteral("com.acme.foo.agent")));
    file(lib("LaunchAgents/com.acme.foo.agent.plist"));
    file(lib("Preferences/com.acme.foo.plist"));
    UninstallPlan plan = planFor(foo);
    ASSERT_EQ(plan.residuals.size(), 2);
    running->alive = {42};

    // The bundle was swapped for one of another application since the plan was made.
    QDir(foo.path()).removeRecursively();
    app(QStringLiteral("Foo"), QStringLiteral("com.evil.other"));
    const UninstallOutcome outcome = run(plan);
    ASSERT_TRUE(outcome.error);
    EXPECT_TRUE(outcome.error->reason.startsWith(QStringLiteral("应用标识不符") ) || outcome.error->reason.startsWith(QStringLiteral("拒绝删除已被替换的项目")));
    EXPECT_TRUE(running->terminated.isEmpty());
    EXPECT_TRUE(launchctlCalls().isEmpty());
    EXPECT_TRUE(exists(foo.path()));
    EXPECT_TRUE(exists(lib("Preferences/com.acme.foo.plist")));
    EXPECT_FALSE(dock->writes);
}

TEST_F(UninstallExecutionTest, FullUninstallQuitsUnloadsDeletesAndPrunesTheDock)
{
    LogCapture log;
    enableLaunchctl();
    const AppItem foo = app(QStringLiteral("Foo"), QStringLiteral("com.acme.foo"));
    // Launch items are offered by the identifier they are named after: here an embedded helper's.
    makeBundle(foo.path() + QStringLiteral("/Contents/Library/LoginItems"), QStringLiteral("Agent.app"), infoWith(QStringLiteral("com.acme.foo.agent")));
    file(lib("LaunchAgents/com.acme.foo.agent.PLIST"));
    file(lib("Logs/com.acme.foo.txt"));
    folder(lib("Caches/com.acme.foo/nested/deeper"));
    link(outside + QStringLiteral("/precious"), lib("Caches/com.acme.foo/nested/out"));
    link(lib("nowhere"), lib("Caches/com.acme.foo/dangling"));
    UninstallPlan plan = planFor(foo);
    ASSERT_EQ(plan.residuals.size(), 3);
    plan.residuals[1].kind = ResidualKind::launchItem; // the .txt log as a launch item: not booted out
    dock->tiles = QVariantList{tile(QStringLiteral("file://") + QString::fromUtf8(QUrl::toPercentEncoding(foo.path(), "/")) + u'/'),
                               tile(QStringLiteral("file:///elsewhere/Bar.app/"), QStringLiteral("com.acme.foo")),
                               tile(QStringLiteral("file://") + foo.path() + QStringLiteral("2/")),
                               QStringLiteral("not a tile")};
    running->alive = {42, 43};

    const UninstallOutcome outcome = run(plan);
    ASSERT_FALSE(outcome.error) << qPrintable(outcome.error->description());
    const UninstallResult& result = outcome.result;
    EXPECT_TRUE(result.appDeleted);
    EXPECT_EQ(result.deletedCount, 3);
    EXPECT_TRUE(result.failedURLs.isEmpty());
    EXPECT_FALSE(exists(foo.path()));
    EXPECT_FALSE(exists(lib("Caches/com.acme.foo")));
    EXPECT_EQ(result.residualOutcomes.at(0).removedEntries, 5u); // two folders, two links, the top

    EXPECT_EQ(running->terminated, QList<qint64>({42, 43}));
    EXPECT_TRUE(running->forced.isEmpty());
    const QString agent = lib("LaunchAgents/com.acme.foo.agent.PLIST");
    const QString uid = QString::number(::getuid());
    EXPECT_EQ(launchctlCalls(), QList<QStringList>({{QStringLiteral("bootout"), QStringLiteral("gui/") + uid, agent},
                                                     {QStringLiteral("bootout"), QStringLiteral("user/") + uid, agent},
                                                     {QStringLiteral("bootout"), QStringLiteral("system"), agent},
                                                     {QStringLiteral("unload"), QStringLiteral("-w"), agent}}));
    ASSERT_TRUE(dock->tiles);
    EXPECT_EQ(dock->tiles->size(), 2);
    EXPECT_EQ(dock->restarts, 1);
    EXPECT_TRUE(log.contains(QStringLiteral("Uninstall: removed Dock icon for Foo (persistent-apps 4 → 2)")));
    EXPECT_TRUE(log.contains(QStringLiteral("Uninstall: done — Foo, residuals 3 deleted / 0 failed")));
}

TEST_F(UninstallExecutionTest, KeepingTheBundleStillQuitsAndPrunes)
{
    const AppItem foo = app(QStringLiteral("Foo"), QStringLiteral("com.acme.foo"));
    dock->tiles = QVariantList{tile(QStringLiteral("file:///x/y.app/"), QStringLiteral("com.acme.foo"))};
    running->alive = {7};
    LogCapture log;
    const UninstallOutcome outcome = run(planFor(foo), false);
    ASSERT_FALSE(outcome.error);
    EXPECT_FALSE(outcome.result.appDeleted);
    EXPECT_TRUE(exists(foo.path()));
    EXPECT_EQ(running->terminated, QList<qint64>({7}));
    EXPECT_TRUE(dock->tiles->isEmpty());
    EXPECT_TRUE(log.contains(QStringLiteral("Uninstall: app bundle skipped (未勾选应用本体)")));

    // No tile of the application: the list is not written and the Dock not restarted.
    dock->tiles = QVariantList{tile(QStringLiteral("file:///x/other.app/"), QStringLiteral("com.acme.other"))};
    const int writes = dock->writes;
    run(planFor(foo), false);
    EXPECT_EQ(dock->writes, writes);
    EXPECT_EQ(dock->restarts, 1);
    EXPECT_EQ(dock->tiles->size(), 1);
}

TEST_F(UninstallExecutionTest, QuitWaitsTwoSecondsThenForces)
{
    const AppItem foo = app(QStringLiteral("Foo"), QStringLiteral("com.acme.foo"));
    running->alive = {5, 6};
    running->quitsOnRequest = false;
    LogCapture log;
    const double start = virtualTime;
    terminateProcesses(foo, env);
    EXPECT_GE(virtualTime - start, 2.0);
    EXPECT_LT(virtualTime - start, 2.2);
    EXPECT_EQ(running->forced, QList<qint64>({5, 6}));
    EXPECT_EQ(log.count(QStringLiteral("Uninstall: force terminating pid ")), 2);
}

TEST_F(UninstallExecutionTest, LeftoverOutcomes)
{
    const AppItem foo = app(QStringLiteral("Foo"), QStringLiteral("com.acme.foo"));
    folder(lib("Caches/com.acme.foo"));
    file(lib("Preferences/com.acme.foo.plist"));
    file(lib("Logs/com.acme.foo.log"));
    UninstallPlan plan = planFor(foo);
    ASSERT_EQ(plan.residuals.size(), 3);
    // Vanished since the plan; replaced by a link to a protected folder; denied (administrator route).
    QDir(lib("Caches/com.acme.foo")).removeRecursively();
    QFile::remove(lib("Logs/com.acme.foo.log"));
    folder(home + QStringLiteral("/Documents"));
    link(home + QStringLiteral("/Documents"), lib("Logs/com.acme.foo.log"));
    env.remove = [this](const QString& path, std::optional<SafeFiles::Identity> expected) {
        if (path.endsWith(QLatin1String(".plist")))
            return deniedRemoval(EACCES, "Permission denied");
        return SafeFiles::removeNoFollow(path, expected, env.deviceOverride);
    };

    const UninstallOutcome outcome = run(plan, false);
    ASSERT_FALSE(outcome.error);
    const UninstallResult& result = outcome.result;
    using S = ItemOutcome::Status;
    ASSERT_EQ(result.residualOutcomes.size(), 3);
    EXPECT_EQ(result.residualOutcomes.at(0).status, S::alreadyGone);
    EXPECT_EQ(result.residualOutcomes.at(1).status, S::refused);
    EXPECT_EQ(result.residualOutcomes.at(2).status, S::deletedAsAdmin);
    EXPECT_EQ(admin->paths, QStringList({lib("Preferences/com.acme.foo.plist")}));
    EXPECT_EQ(result.deletedCount, 2);
    EXPECT_EQ(result.failedURLs, QList<QUrl>({QUrl::fromLocalFile(lib("Logs/com.acme.foo.log"))}));
    EXPECT_TRUE(exists(home + QStringLiteral("/Documents")));

    // The helper claims success but the file is still there: a failure.
    file(lib("Preferences/com.acme.foo.plist"));
    admin->deletes = false;
    LogCapture log;
    const UninstallOutcome again = run(planFor(foo), false);
    EXPECT_EQ(again.result.failedURLs.size(), 1);
    EXPECT_TRUE(log.contains(QStringLiteral("Uninstall: admin delete reported success but file remains — ")
                             + lib("Preferences/com.acme.foo.plist")));
}

TEST_F(UninstallExecutionTest, FailedBundleDeletionStopsBeforeLeftovers)
{
    const AppItem foo = app(QStringLiteral("Foo"), QStringLiteral("com.acme.foo"));
    file(lib("Preferences/com.acme.foo.plist"));
    const UninstallPlan plan = planFor(foo);
    env.remove = [](const QString&, std::optional<SafeFiles::Identity>) { return deniedRemoval(EPERM, "Operation not permitted"); };
    admin->reportsSuccess = false;
    admin->deletes = false;
    LogCapture log;
    const UninstallOutcome outcome = run(plan);
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->description(), QStringLiteral("应用删除失败：Operation not permitted"));
    EXPECT_EQ(admin->paths, QStringList({foo.path()}));
    EXPECT_TRUE(exists(lib("Preferences/com.acme.foo.plist")));
    EXPECT_EQ(outcome.result.residualOutcomes.at(0).status, ItemOutcome::Status::skipped);
    EXPECT_FALSE(outcome.result.appPartlyRemoved); // nothing of it went
    EXPECT_FALSE(dock->writes);

    // The first error is logged, with the administrator attempt announced, before that attempt.
    const QStringList lines = log.messages();
    const qsizetype announced = lines.indexOf(QStringLiteral("Uninstall: app delete failed — Operation not permitted；尝试管理员提权直接删除"));
    const qsizetype attempt = lines.indexOf(QStringLiteral("Uninstall: admin delete failed — ") + foo.path() + QStringLiteral(": User canceled."));
    ASSERT_GE(announced, 0);
    EXPECT_GT(attempt, announced);
    EXPECT_EQ(log.count(QStringLiteral("Uninstall: app delete failed")), 1);

    // Without an administrator route nothing is announced that will not happen.
    env.admin = nullptr;
    log.clear();
    EXPECT_TRUE(run(planFor(foo)).error);
    EXPECT_EQ(log.messages().filter(QStringLiteral("Uninstall: app delete failed")),
              QStringList({QStringLiteral("Uninstall: app delete failed — Operation not permitted")}));
}

TEST_F(UninstallExecutionTest, ResidualFailureCarriesTheFirstError)
{
    const AppItem foo = app(QStringLiteral("Foo"), QStringLiteral("com.acme.foo"));
    file(lib("Preferences/com.acme.foo.plist"));
    env.remove = [](const QString&, std::optional<SafeFiles::Identity>) { return deniedRemoval(EACCES, "Permission denied"); };
    admin->reportsSuccess = false;
    admin->deletes = false;
    LogCapture log;
    const UninstallOutcome outcome = run(planFor(foo), false);
    ASSERT_FALSE(outcome.error);
    ASSERT_EQ(outcome.result.residualOutcomes.size(), 1);
    EXPECT_EQ(outcome.result.residualOutcomes.at(0).status, ItemOutcome::Status::failed);
    EXPECT_EQ(outcome.result.residualOutcomes.at(0).message, QStringLiteral("Permission denied"));
    EXPECT_TRUE(log.contains(QStringLiteral("Uninstall: residual delete failed — ") + lib("Preferences/com.acme.foo.plist")
                             + QStringLiteral(": Permission denied")));
    EXPECT_FALSE(log.contains(QStringLiteral("residual delete failed — ") + lib("Preferences/com.acme.foo.plist")
                              + QStringLiteral(": User canceled.")));
}

TEST_F(UninstallExecutionTest, BundleRemovedPartWaySaysWhatRemains)
{
    const AppItem foo = app(QStringLiteral("Foo"), QStringLiteral("com.acme.foo"));
    file(lib("Preferences/com.acme.foo.plist"));
    const UninstallPlan plan = planFor(foo);
    // The executable goes, then the rest is denied; the administrator route is declined.
    env.remove = [&foo](const QString& path, std::optional<SafeFiles::Identity>) {
        SafeFiles::RemoveOutcome out = deniedRemoval(EACCES, "Permission denied");
        if (path == foo.path() && QFile::remove(path + QStringLiteral("/Contents/MacOS/Foo")))
            out.removedEntries = 1;
        return out;
    };
    admin->reportsSuccess = false;
    admin->deletes = false;
    const UninstallOutcome outcome = run(plan);
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->description(), QStringLiteral("应用删除失败：Permission denied"));
    EXPECT_TRUE(outcome.result.appPartlyRemoved);
    EXPECT_EQ(outcome.result.appRemainingPath, foo.path());
    EXPECT_FALSE(outcome.result.appDeleted);
    EXPECT_TRUE(exists(lib("Preferences/com.acme.foo.plist")));
}

TEST_F(UninstallExecutionTest, UncheckedBundleThatIsAlreadyGoneStillLetsTheLeftoversGo)
{
    const AppItem foo = app(QStringLiteral("Foo"), QStringLiteral("com.acme.foo"));
    file(lib("Preferences/com.acme.foo.plist"));
    const UninstallPlan plan = planFor(foo);
    ASSERT_TRUE(QDir(foo.path()).removeRecursively());
    const UninstallOutcome outcome = run(plan, false);
    ASSERT_FALSE(outcome.error) << qPrintable(outcome.error->description());
    EXPECT_EQ(outcome.result.deletedCount, 1);
    EXPECT_FALSE(exists(lib("Preferences/com.acme.foo.plist")));

    // Asked to delete it, a missing bundle is still refused before anything is touched.
    file(lib("Preferences/com.acme.foo.plist"));
    const UninstallOutcome asked = run(plan, true);
    ASSERT_TRUE(asked.error);
    EXPECT_TRUE(exists(lib("Preferences/com.acme.foo.plist")));
}

// Bind mounts of folders of the same disk, made in a mount namespace of the test's own: at a
// leftover, inside one and inside the bundle. None is offered, none is deleted through, and what
// was mounted there is untouched.
TEST_F(UninstallExecutionTest, BindMountsAreNeverOfferedNorDeletedThrough)
{
    const AppItem foo = app(QStringLiteral("Foo"), QStringLiteral("com.acme.foo"));
    folder(lib("Caches/com.acme.foo"));
    folder(lib("Application Support/Foo/shared"));
    file(lib("Preferences/com.acme.foo.plist"));
    folder(foo.path() + QStringLiteral("/Contents/Resources/library"));
    file(sys("data/precious.txt"), 700);
    file(sys("data2/keep.txt"), 800);
    const UninstallPlan before = planFor(foo);
    ASSERT_EQ(residualPaths(before), QStringList({QStringLiteral("/Users/me/Library/Application Support/Foo"),
                                                  QStringLiteral("/Users/me/Library/Caches/com.acme.foo"),
                                                  QStringLiteral("/Users/me/Library/Preferences/com.acme.foo.plist")}));

    const test::NamespaceRun child = test::runInOwnMountNamespace([&]() -> std::string {
        std::string failures;
        auto expect = [&](bool held, const QString& what) {
            if (!held)
                failures += what.toStdString() + "\n";
        };
        if (!test::bindMount(sys("data").toStdString(), lib("Caches/com.acme.foo").toStdString())
            || !test::bindMount(sys("data2").toStdString(), lib("Application Support/Foo/shared").toStdString()))
            return std::string("cannot bind mount: ") + std::strerror(errno);

        const QStringList offered = residualPaths(planFor(foo));
        expect(offered == QStringList({QStringLiteral("/Users/me/Library/Preferences/com.acme.foo.plist")}),
               QStringLiteral("offered: ") + offered.join(u' '));

        // Mounted after the plan was made: refused with the reason, nothing below touched.
        const UninstallOutcome leftovers = run(before, false);
        const QList<ItemOutcome>& outcomes = leftovers.result.residualOutcomes;
        expect(outcomes.size() == 3, QStringLiteral("outcomes"));
        if (outcomes.size() == 3) {
            expect(outcomes.at(0).status == ItemOutcome::Status::refused
                       && outcomes.at(0).message == QStringLiteral("拒绝删除内含挂载点的项目：") + lib("Application Support/Foo"),
                   QStringLiteral("folder holding a mount: ") + outcomes.at(0).message);
            expect(outcomes.at(1).status == ItemOutcome::Status::refused
                       && outcomes.at(1).message == QStringLiteral("拒绝删除挂载点：") + lib("Caches/com.acme.foo"),
                   QStringLiteral("mount point: ") + outcomes.at(1).message);
            expect(outcomes.at(2).status == ItemOutcome::Status::deleted, QStringLiteral("plain leftover not deleted"));
        }
        expect(exists(lib("Caches/com.acme.foo/precious.txt")) && exists(lib("Application Support/Foo/shared/keep.txt")),
               QStringLiteral("mounted data deleted"));

        // The bundle with a folder of the same disk mounted inside it.
        if (!test::bindMount(sys("data").toStdString(), (foo.path() + QStringLiteral("/Contents/Resources/library")).toStdString()))
            return failures + "cannot bind mount into the bundle";
        UninstallPlan bundleOnly = before;
        bundleOnly.residuals.clear();
        const UninstallOutcome bundle = run(bundleOnly, true);
        expect(bundle.error && bundle.error->reason == QStringLiteral("拒绝删除内含挂载点的项目：") + foo.path(),
               QStringLiteral("bundle holding a mount: ") + (bundle.error ? bundle.error->reason : QString()));
        expect(exists(foo.path() + QStringLiteral("/Contents/Info.plist")), QStringLiteral("bundle touched"));
        return failures;
    });
    if (!child.ran)
        GTEST_SKIP() << child.failures;
    EXPECT_EQ(child.failures, "");
    EXPECT_EQ(QFileInfo(sys("data/precious.txt")).size(), 700);
    EXPECT_EQ(QFileInfo(sys("data2/keep.txt")).size(), 800);
    EXPECT_TRUE(exists(foo.path() + QStringLiteral("/Contents/MacOS/Foo")));
}

// A home and an application folder reached through links (as $HOME or a listed application
// folder may be): paths are compared by where they lead, and the uninstall goes through. A link
// at the bundle itself is still refused.
TEST_F(UninstallExecutionTest, HomeAndApplicationFolderThroughLinks)
{
    link(home, sys("Users/me-link"));
    link(sys("Applications"), sys("LinkedApps"));
    env.roots.home = sys("Users/me-link");
    env.roots.applicationFolders = {sys("LinkedApps"), sys("Users/me-link/Applications")};
    env.roots.ownStateFolders = {sys("Users/me-link/.local/share/Corvanta")};
    app(QStringLiteral("Foo"), QStringLiteral("com.acme.foo"));
    AppItem foo;
    foo.name = QStringLiteral("Foo");
    foo.bundleIdentifier = QStringLiteral("com.acme.foo");
    foo.url = QUrl::fromLocalFile(sys("LinkedApps/Foo.app"));
    folder(lib("Caches/com.acme.foo"));
    file(lib("Preferences/com.acme.foo.plist"));
    folder(home + QStringLiteral("/.local/share/Corvanta"));

    const UninstallPlan plan = planFor(foo);
    EXPECT_EQ(residualPaths(plan), QStringList({QStringLiteral("/Users/me/Library/Caches/com.acme.foo"),
                                                QStringLiteral("/Users/me/Library/Preferences/com.acme.foo.plist")}))
        << qPrintable(residualPaths(plan).join(u' '));
    EXPECT_GT(plan.appSize, 0);
    const UninstallOutcome outcome = run(plan);
    ASSERT_FALSE(outcome.error) << qPrintable(outcome.error->description());
    EXPECT_TRUE(outcome.result.appDeleted);
    EXPECT_EQ(outcome.result.deletedCount, 2);
    EXPECT_FALSE(exists(sys("Applications/Foo.app")));
    EXPECT_FALSE(exists(lib("Caches/com.acme.foo")));
    EXPECT_TRUE(exists(sys("LinkedApps")));
    EXPECT_TRUE(exists(home + QStringLiteral("/.local/share/Corvanta")));

    // The bundle itself a link, though in a linked folder: refused, its target kept.
    const AppItem bar = app(QStringLiteral("Bar"), QStringLiteral("com.acme.bar"), outside);
    link(bar.path(), sys("Applications/Bar.app"));
    AppItem alias = bar;
    alias.url = QUrl::fromLocalFile(sys("LinkedApps/Bar.app"));
    const UninstallOutcome refused = run(planFor(alias));
    ASSERT_TRUE(refused.error);
    EXPECT_EQ(refused.error->reason, QStringLiteral("拒绝删除链接形式的应用：") + sys("Applications/Bar.app"));
    EXPECT_TRUE(exists(bar.path() + QStringLiteral("/Contents/Info.plist")));
}

// Only launch items the guard lets through are booted out: one swapped for another file since the
// plan, one the plan places outside the launch folders and one outside every root are not.
TEST_F(UninstallExecutionTest, RefusedLaunchItemsAreNeverBootedOut)
{
    enableLaunchctl();
    const AppItem foo = app(QStringLiteral("Foo"), QStringLiteral("com.acme.foo"));
    // Launch items are offered by the identifier they are named after: here an embedded helper's.
    makeBundle(foo.path() + QStringLiteral("/Contents/Library/LoginItems"), QStringLiteral("Agent.app"), infoWith(QStringLiteral("com.acme.foo.agent")));
    makeBundle(foo.path() + QStringLiteral("/Contents/Library/LoginItems"), QStringLiteral("Swapped.app"), infoWith(QStringLiteral("com.acme.foo.swapped")));
    file(lib("LaunchAgents/com.acme.foo.agent.plist"));
    file(lib("LaunchAgents/com.acme.foo.swapped.plist"));
    UninstallPlan plan = planFor(foo);
    ASSERT_EQ(plan.residuals.size(), 2);
    // The first file is kept elsewhere, so its inode cannot be handed to the new one.
    ASSERT_TRUE(QFile::rename(lib("LaunchAgents/com.acme.foo.swapped.plist"), outside + QStringLiteral("/old.plist")));
    file(lib("LaunchAgents/com.acme.foo.other.plist"));
    file(lib("LaunchAgents/com.acme.foo.swapped.plist"));
    auto launchItem = [](const QString& path) {
        ResidualItem item;
        item.url = QUrl::fromLocalFile(path);
        item.kind = ResidualKind::launchItem;
        item.evidence = MatchEvidence::launchProgram;
        return item;
    };
    file(lib("Caches/misplaced.plist"));
    plan.residuals << launchItem(lib("Caches/misplaced.plist")) << launchItem(outside + QStringLiteral("/precious/x.plist"));

    run(plan, false);
    QStringList bootedOut;
    for (const QStringList& call : launchctlCalls())
        if (!bootedOut.contains(call.last()))
            bootedOut << call.last();
    EXPECT_EQ(bootedOut, QStringList({lib("LaunchAgents/com.acme.foo.agent.plist")}));
    EXPECT_TRUE(exists(lib("LaunchAgents/com.acme.foo.swapped.plist")));
    EXPECT_TRUE(exists(lib("Caches/misplaced.plist")));
}

// A folder above a leftover swapped for a link between the plan and the execution (the leftover
// still there, the very same inode, reached through the link): refused, nothing behind the link
// touched.
TEST_F(UninstallExecutionTest, FolderAboveALeftoverSwappedForALinkIsRefused)
{
    const AppItem foo = app(QStringLiteral("Foo"), QStringLiteral("com.acme.foo"));
    file(lib("Application Support/Acme/Foo/data"), 100);
    file(lib("Caches/com.acme.foo/cache.db"), 100);
    const UninstallPlan plan = planFor(foo);
    ASSERT_EQ(residualPaths(plan), QStringList({QStringLiteral("/Users/me/Library/Application Support/Acme/Foo"),
                                                QStringLiteral("/Users/me/Library/Caches/com.acme.foo")}));
    // The grandparent of the one (the scan folder above the vendor's) and the parent of the other.
    ASSERT_TRUE(QDir().rename(lib("Application Support"), outside + QStringLiteral("/Support")));
    link(outside + QStringLiteral("/Support"), lib("Application Support"));
    ASSERT_TRUE(QDir().rename(lib("Caches"), outside + QStringLiteral("/Caches")));
    link(outside + QStringLiteral("/Caches"), lib("Caches"));

    const UninstallOutcome outcome = run(plan, false);
    ASSERT_EQ(outcome.result.residualOutcomes.size(), 2);
    for (const ItemOutcome& item : outcome.result.residualOutcomes)
        EXPECT_EQ(item.status, ItemOutcome::Status::refused) << qPrintable(item.url.toLocalFile());
    EXPECT_TRUE(exists(outside + QStringLiteral("/Support/Acme/Foo/data")));
    EXPECT_TRUE(exists(outside + QStringLiteral("/Caches/com.acme.foo/cache.db")));

    // The removal itself refuses the path, whatever the guard said.
    for (const ResidualItem& item : plan.residuals)
        EXPECT_EQ(SafeFiles::removeNoFollow(item.path(), std::nullopt).status, SafeFiles::RemoveOutcome::Status::refused)
            << qPrintable(item.path());
    EXPECT_TRUE(exists(outside + QStringLiteral("/Caches/com.acme.foo/cache.db")));
}

TEST_F(UninstallExecutionTest, NamesInLogLinesAreEscaped)
{
    const AppItem odd = app(QStringLiteral("Odd\nApp"), QStringLiteral("com.acme.odd"));
    LogCapture log;
    run(planFor(odd), false);
    EXPECT_TRUE(log.contains(QStringLiteral("Uninstall: start — Odd\\u000aApp (com.acme.odd), includeApp=false")));
    for (const QString& line : log.messages())
        EXPECT_FALSE(line.contains(u'\n'));
}

TEST(UninstallDockPruning, ExactDecodedPathsAndNonEmptyIdentifiers)
{
    AppItem app;
    app.name = QStringLiteral("Foo Bar");
    app.url = QUrl::fromLocalFile(QStringLiteral("/Applications/Foo Bar.app"));
    const QVariantList tiles{
        tile(QStringLiteral("file:///Applications/Foo%20Bar.app/")),
        tile(QStringLiteral("file:///Applications/Foo%20Bar.app2/")),
        tile(QStringLiteral("file:///Applications/Foo%20Bar.app/Contents/Helper.app/")),
        tile(QStringLiteral("file:///Applications/./Foo%20Bar.app")),
        tile(QStringLiteral("file:///Other.app/"), QString()),
        tile(QStringLiteral("file:///Other.app/"), 5),
        QVariantMap{{QStringLiteral("tile-data"), QStringLiteral("text")}},
        42,
    };
    const DockPruneResult pruned = pruneDockTiles(tiles, app);
    EXPECT_EQ(pruned.removed, 2); // an app without identifier never matches the tile without one
    EXPECT_EQ(pruned.kept.size(), 6);
    EXPECT_EQ(pruned.kept.first(), tiles.at(1));
}

TEST(UninstallAdminHelper, PkexecGetsTheHelperAndEveryPathAsOneArgument)
{
    auto runner = std::make_shared<FakeChildProcessRunner>();
    PkexecAdminDeleter deleter(QStringLiteral("/usr/bin/pkexec"), QStringLiteral("/opt/c/corvanta-admin-delete"), runner);
    const QString path = QStringLiteral("/Library/Foo's \"x\" $(rm -rf ~)/a b");
    const QString second = QStringLiteral("/Library/Caches/-rf");
    EXPECT_EQ(deleter.arguments({path, second}),
              QStringList({QStringLiteral("/opt/c/corvanta-admin-delete"), QStringLiteral("--"), path, second}));
}

TEST(UninstallAdminHelper, ExitStatusesOfPkexecAndTheHelper)
{
    QTemporaryDir dir;
    const QString pkexec = dir.path() + QStringLiteral("/pkexec");
    const QString helper = dir.path() + QStringLiteral("/helper");
    for (const QString& tool : {pkexec, helper}) {
        writeFile(tool, "#!/bin/false\n");
        QFile::setPermissions(tool, QFile::ReadOwner | QFile::ExeOwner);
    }
    auto runner = std::make_shared<FakeChildProcessRunner>();
    PkexecAdminDeleter deleter(pkexec, helper, runner);
    EXPECT_EQ(deleter.availability(), AdminDeleter::Availability::ready);
    const QStringList paths{QStringLiteral("/Library/Foo"), QStringLiteral("/Library/Bar")};
    struct Case {
        int exitCode;
        QByteArray report;
        bool ran;
        QList<bool> succeeded;
    } cases[] = {
        {0, "0 0\n0 1\n", true, {true, true}},
        {126, {}, false, {false, false}},
        {127, {}, false, {false, false}},
        {AdminHelperExit::refused, "65 0\n0 1\n", true, {false, true}},
        {AdminHelperExit::failed, "66 0\n67 1\n", true, {false, false}},
        {AdminHelperExit::failed, {}, true, {false, false}}, // nothing reported: the call's status
    };
    for (const Case& c : cases) {
        runner->answer(deleter.arguments(paths), c.report, c.exitCode);
        const QList<AdminDeleter::Result> results = deleter.deletePaths(paths);
        ASSERT_EQ(results.size(), 2);
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(results.at(i).ran, c.ran) << c.exitCode;
            EXPECT_EQ(results.at(i).succeeded, c.succeeded.at(i)) << c.exitCode << " " << i;
        }
    }
    EXPECT_EQ(runner->calls.first().program, pkexec);

    PkexecAdminDeleter noPkexec(dir.path() + QStringLiteral("/no-pkexec"), helper, runner);
    EXPECT_EQ(noPkexec.availability(), AdminDeleter::Availability::noPkexec);
    EXPECT_FALSE(noPkexec.deletePaths(paths).first().ran);
    PkexecAdminDeleter noHelper(pkexec, dir.path() + QStringLiteral("/no-helper"), runner);
    EXPECT_EQ(noHelper.availability(), AdminDeleter::Availability::noHelper);
}

TEST(UninstallAdminHelper, HelperRefusesOnItsOwn)
{
    const QString helper = QStringLiteral(CORVANTA_BINARY_DIR "/corvanta-admin-delete");
    ASSERT_TRUE(QFile::exists(helper));
    QTemporaryDir dir;
    const QString victim = QDir(dir.path()).canonicalPath() + QStringLiteral("/victim");
    writeFile(victim, "v");
    SpawnChildProcessRunner runner;
    EXPECT_EQ(runner.run(helper, {victim}, 10000, 4096).exitCode, AdminHelperExit::usage);
    EXPECT_EQ(runner.run(helper, {QStringLiteral("--")}, 10000, 4096).exitCode, AdminHelperExit::usage);
    EXPECT_EQ(runner.run(helper, {QStringLiteral("--"), victim, victim}, 10000, 4096).exitCode, AdminHelperExit::refused);
    // Only paths that are in the fixture or do not exist: even a broken helper deletes nothing else.
    const QString absent = QStringLiteral("/corvanta-absent-") + QUuid::createUuid().toString(QUuid::Id128);
    for (const QString& path : {victim, absent, QStringLiteral("/usr/bin") + absent, absent + QStringLiteral("/x/../y"),
                                QDir::homePath() + QStringLiteral("/Library/Caches") + absent + QStringLiteral("\nb")})
        EXPECT_EQ(runner.run(helper, {QStringLiteral("--"), path}, 10000, 4096).exitCode, AdminHelperExit::refused)
            << qPrintable(path);
    EXPECT_TRUE(QFile::exists(victim));
}

// A leftover kept back for what is mounted at or in it is not listed, but the plan says why, so
// the sheet can tell the user.
TEST_F(UninstallExecutionTest, LeftoversKeptForAMountAreNamedInThePlan)
{
    const AppItem foo = app(QStringLiteral("Foo"), QStringLiteral("com.acme.foo"));
    folder(lib("Caches/com.acme.foo"));
    folder(lib("Application Support/Foo/shared"));
    file(lib("Preferences/com.acme.foo.plist"));
    folder(sys("data"));
    EXPECT_TRUE(planFor(foo).permissionIssues.isEmpty());

    const test::NamespaceRun child = test::runInOwnMountNamespace([&]() -> std::string {
        if (!test::bindMount(sys("data").toStdString(), lib("Caches/com.acme.foo").toStdString())
            || !test::bindMount(sys("data").toStdString(), lib("Application Support/Foo/shared").toStdString()))
            return std::string("cannot bind mount: ") + std::strerror(errno);
        const QList<PermissionIssue> expected{
            {QStringLiteral("已跳过挂载点"), QStringLiteral("拒绝删除内含挂载点的项目：") + lib("Application Support/Foo"), std::nullopt, false},
            {QStringLiteral("已跳过挂载点"), QStringLiteral("拒绝删除挂载点：") + lib("Caches/com.acme.foo"), std::nullopt, false},
        };
        QList<PermissionIssue> issues = planFor(foo).permissionIssues;
        std::sort(issues.begin(), issues.end(), [](const auto& a, const auto& b) { return a.detail < b.detail; });
        if (issues == expected)
            return {};
        std::string seen;
        for (const PermissionIssue& issue : issues)
            seen += (issue.title + QStringLiteral("：") + issue.detail).toStdString() + "\n";
        return "issues:\n" + seen;
    });
    if (!child.ran)
        GTEST_SKIP() << child.failures;
    EXPECT_EQ(child.failures, "");
}

TEST_F(UninstallExecutionTest, HelperNeverDeletesAnotherNameThanTheBytesItWasGiven)
{
    const UninstallGuard guard(env);
    folder(lib("Caches"));
    const QByteArray caches = QFile::encodeName(lib("Caches/"));
    const QByteArray invalid = caches + "a\xff";             // not UTF-8
    const QByteArray lookalike = caches + "a\xef\xbf\xbd";   // "a" and U+FFFD, what the first reads back as
    for (const QByteArray& name : {invalid, lookalike}) {
        ASSERT_EQ(::close(::open(name.constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600)), 0);
    }
    const auto present = [](const QByteArray& path) {
        struct stat info {};
        return ::lstat(path.constData(), &info) == 0;
    };
    QString why;
    EXPECT_EQ(adminHelperDelete(invalid, guard, why), AdminHelperExit::refused);
    EXPECT_EQ(why, QStringLiteral("拒绝删除含无效字符编码的路径"));
    EXPECT_TRUE(present(invalid));
    EXPECT_TRUE(present(lookalike));

    // A name read back with U+FFFD may stand for other bytes: the program neither offers nor deletes it.
    const QString text = QFile::decodeName(lookalike);
    EXPECT_EQ(guard.basicRefusal(text), QStringLiteral("拒绝删除含无效字符编码的路径"));
    EXPECT_FALSE(guard.isSafeResidual(text, sys("Applications/Foo.app")));
    EXPECT_EQ(adminHelperDelete(lookalike, guard, why), AdminHelperExit::refused);
    EXPECT_TRUE(present(lookalike));

    // A plain name in the same folder goes.
    file(lib("Caches/com.acme.foo"));
    EXPECT_EQ(adminHelperDelete(QFile::encodeName(lib("Caches/com.acme.foo")), guard, why), AdminHelperExit::deleted);
    EXPECT_FALSE(exists(lib("Caches/com.acme.foo")));
}

TEST(UninstallAdminHelper, UserIdIsReadStrictly)
{
    EXPECT_EQ(parseUserId("1000"), 1000u);
    EXPECT_EQ(parseUserId("0"), 0u);
    for (const char* bad : {"", " 1000", "+1000", "-0", "1000 ", "10x", "4294967295", "4294967296", "99999999999", "0x10"})
        EXPECT_FALSE(parseUserId(bad).has_value()) << "'" << bad << "'";
    EXPECT_FALSE(parseUserId(nullptr).has_value());

    // The helper itself: an empty PKEXEC_UID is no user at all, never root.
    const QString helper = QStringLiteral(CORVANTA_BINARY_DIR "/corvanta-admin-delete");
    const QString absent = QStringLiteral("/corvanta-absent-") + QUuid::createUuid().toString(QUuid::Id128);
    const QByteArray saved = qgetenv("PKEXEC_UID");
    const bool had = qEnvironmentVariableIsSet("PKEXEC_UID");
    SpawnChildProcessRunner runner;
    for (const char* bad : {"", "4294967296"}) {
        qputenv("PKEXEC_UID", bad);
        EXPECT_EQ(runner.run(helper, {QStringLiteral("--"), absent}, 10000, 4096).exitCode, AdminHelperExit::usage) << "'" << bad << "'";
    }
    if (had)
        qputenv("PKEXEC_UID", saved);
    else
        qunsetenv("PKEXEC_UID");
}

TEST_F(UninstallExecutionTest, HelperRoundTripRefusesAByteOrderMark)
{
    // Decoded, a leading byte order mark vanishes: the bytes would name the bare path, another file.
    const UninstallGuard guard(env);
    file(lib("Caches/com.acme.foo"));
    const QByteArray marked = QByteArray("\xef\xbb\xbf") + QFile::encodeName(lib("Caches/com.acme.foo"));
    QString why;
    EXPECT_EQ(adminHelperDelete(marked, guard, why), AdminHelperExit::refused);
    EXPECT_EQ(why, QStringLiteral("拒绝删除含无效字符编码的路径"));
    EXPECT_TRUE(exists(lib("Caches/com.acme.foo")));
}

// Only what an uninstall may delete: a real application bundle in an application folder, or an
// item in the Library folders the scan searches, at a place a plan could have put it.
TEST_F(UninstallExecutionTest, HelperTakesOnlyBundlesAndLibraryLeftovers)
{
    const AppItem foo = app(QStringLiteral("Foo"), QStringLiteral("com.acme.foo"));
    const AppItem notes = app(QStringLiteral("Notes"), QStringLiteral("com.apple.Notes"));
    folder(lib("Caches/com.acme.foo"));
    file(lib("Preferences/com.acme.foo.plist"));
    file(lib("LaunchAgents/com.acme.foo.plist"));
    file(lib("Application Support/Acme/Foo/data"));
    file(sys("Library/Application Support/Acme/Foo/bin/tool"));
    file(home + QStringLiteral("/notes.txt"));
    file(lib("Keychains/login.keychain-db"));
    file(lib("Mail/V10/inbox.mbox"));
    file(home + QStringLiteral("/Documents/report.txt"));
    file(sys("usr/local/bin/tool"));
    file(sys("opt/vendor/file"));
    file(sys("Applications/Photos Backup.app/holiday.jpg"));
    folder(sys("Applications/Empty.app/Contents"));
    file(sys("Applications/Tool.app/Contents/Info.plist"), 0);
    file(sys("Applications/Sub/Deep.app/Contents/Info.plist"));
    file(sys("Library/Application Support/Apple/Foo/bin/tool"));
    const UninstallGuard guard(env);
    const QStringList accepted{foo.path(), lib("Caches/com.acme.foo"), lib("Preferences/com.acme.foo.plist"),
                               lib("LaunchAgents/com.acme.foo.plist"), lib("Application Support/Acme/Foo"),
                               sys("Library/Application Support/Acme/Foo/bin/tool")};
    for (const QString& path : accepted)
        EXPECT_EQ(adminHelperRefusal(path, guard), std::nullopt) << qPrintable(path);
    const QStringList refused{home + QStringLiteral("/notes.txt"), lib("Keychains/login.keychain-db"), lib("Keychains"),
                              lib("Mail/V10/inbox.mbox"), home + QStringLiteral("/Documents/report.txt"),
                              sys("usr/local/bin/tool"), sys("opt/vendor/file"), sys("opt/vendor"),
                              sys("Applications/Photos Backup.app"), sys("Applications/Empty.app"),
                              sys("Applications/Tool.app"), sys("Applications/Sub/Deep.app"), notes.path(),
                              foo.path() + QStringLiteral("/Contents"), lib("Caches"),
                              sys("Library/Application Support/Apple/Foo/bin/tool")};
    for (const QString& path : refused)
        EXPECT_TRUE(adminHelperRefusal(path, guard).has_value()) << qPrintable(path);

    // One call: a bundle that does not go keeps the paths after it.
    QByteArray report;
    QStringList why;
    EXPECT_EQ(adminHelperRun({QFile::encodeName(lib("Caches/com.acme.foo")), QFile::encodeName(sys("Applications/Photos Backup.app")),
                              QFile::encodeName(lib("Preferences/com.acme.foo.plist"))},
                             guard, report, why),
              AdminHelperExit::failed);
    EXPECT_EQ(report, QByteArray("0 0\n65 1\n67 2\n"));
    EXPECT_FALSE(exists(lib("Caches/com.acme.foo")));
    EXPECT_TRUE(exists(sys("Applications/Photos Backup.app/holiday.jpg")));
    EXPECT_TRUE(exists(lib("Preferences/com.acme.foo.plist")));
}

TEST_F(UninstallExecutionTest, OneAuthorisationPerUninstallForExactlyItsItems)
{
    const AppItem foo = app(QStringLiteral("Foo"), QStringLiteral("com.acme.foo"));
    file(lib("Preferences/com.acme.foo.plist"));
    folder(lib("Caches/com.acme.foo"));
    file(lib("Logs/com.acme.foo.log"));
    const UninstallPlan plan = planFor(foo);
    ASSERT_EQ(plan.residuals.size(), 3);
    QStringList leftovers;
    for (const ResidualItem& item : plan.residuals)
        leftovers << item.path();

    // Nothing here is this user's to remove: the bundle and every leftover go in one call, bundle
    // first. The bundle is not tried plainly first: that would empty what it could of it, its
    // Info.plist among it, and the helper would no longer take it for an application.
    QStringList triedPlainly;
    env.remove = [&triedPlainly](const QString& path, std::optional<SafeFiles::Identity>) {
        triedPlainly << path;
        return deniedRemoval(EACCES, "Permission denied");
    };
    const auto owner = SafeFiles::linkStat(home)->uid;
    env.credentials = SafeFiles::Credentials{owner + 4242, {owner + 4242}};
    const UninstallOutcome outcome = run(plan);
    ASSERT_FALSE(outcome.error);
    ASSERT_EQ(admin->calls.size(), 1);
    EXPECT_EQ(admin->calls.first(), QStringList{foo.path()} + leftovers);
    EXPECT_FALSE(triedPlainly.contains(foo.path()));
    EXPECT_EQ(outcome.result.deletedCount, 3);
    EXPECT_EQ(outcome.result.appOutcome->status, ItemOutcome::Status::deletedAsAdmin);

    // The bundle is the user's; two leftovers are denied: one call for both, after the plain removals.
    admin->calls.clear();
    const AppItem bar = app(QStringLiteral("Bar"), QStringLiteral("com.acme.bar"));
    file(lib("Preferences/com.acme.bar.plist"));
    file(lib("Logs/com.acme.bar.log"));
    folder(lib("Caches/com.acme.bar"));
    const UninstallPlan barPlan = planFor(bar);
    ASSERT_EQ(barPlan.residuals.size(), 3);
    env.credentials = SafeFiles::Credentials::ofProcess();
    env.remove = [this](const QString& path, std::optional<SafeFiles::Identity> expected) {
        if (path.endsWith(QLatin1String(".plist")) || path.endsWith(QLatin1String(".log")))
            return deniedRemoval(EACCES, "Permission denied");
        return SafeFiles::removeNoFollow(path, expected, env.deviceOverride);
    };
    const UninstallOutcome second = run(barPlan);
    ASSERT_FALSE(second.error);
    ASSERT_EQ(admin->calls.size(), 1);
    QStringList denied;
    for (const ResidualItem& item : barPlan.residuals)
        if (!item.path().endsWith(QLatin1String("com.acme.bar")))
            denied << item.path();
    EXPECT_EQ(admin->calls.first(), denied);
    EXPECT_EQ(second.result.deletedCount, 3);

    // No route that can take them: nobody is asked, and the leftovers fail with the denial.
    admin->calls.clear();
    admin->available = AdminDeleter::Availability::noPkexec;
    file(lib("Preferences/com.acme.bar.plist"));
    const UninstallOutcome third = run(planFor(bar), false);
    EXPECT_TRUE(admin->calls.isEmpty());
    EXPECT_EQ(third.result.failedURLs, QList<QUrl>({QUrl::fromLocalFile(lib("Preferences/com.acme.bar.plist"))}));
}

// The real helper, run as root for another user, in a mount namespace of its own: the user's
// entry in the user database points at a fixture home, and /usr/local and /opt are fresh empty
// file systems, so whatever it wrongly deleted would be a canary, never a real file.
TEST(UninstallAdminHelper, HelperRunAsRootDeletesOnlyWhatAnUninstallMay)
{
    const QString helper = QStringLiteral(CORVANTA_BINARY_DIR "/corvanta-admin-delete");
    ASSERT_TRUE(QFile::exists(helper));
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString base = QDir(dir.path()).canonicalPath();
    const QString home = base + QStringLiteral("/home/me");
    const QString evil = base + QStringLiteral("/evil");
    QFile passwd(QStringLiteral("/etc/passwd"));
    ASSERT_TRUE(passwd.open(QIODevice::ReadOnly));
    QByteArray users = passwd.read(1 << 20);
    if (!users.endsWith('\n'))
        users += '\n';
    writeFile(base + QStringLiteral("/passwd"), users + "corvanta-test:x:4242:4242::" + QFile::encodeName(home) + ":/bin/sh\n");

    const test::NamespaceRun child = test::runInOwnMountNamespace([&]() -> std::string {
        if (!test::bindMount((base + QStringLiteral("/passwd")).toStdString(), "/etc/passwd"))
            return std::string("cannot bind the user database: ") + std::strerror(errno);
        // Root's home as well: an empty PKEXEC_UID read as root would let the helper in there.
        const struct passwd* rootUser = ::getpwuid(0);
        const QString rootHome = rootUser && rootUser->pw_dir ? QFile::decodeName(rootUser->pw_dir) : QString();
        // Made a scratch file system only where nothing of the test lies below it.
        const bool rootScratch = rootHome.startsWith(u'/') && rootHome != QLatin1String("/") && QFileInfo(rootHome).isDir()
            && !base.startsWith(rootHome + u'/') && !helper.startsWith(rootHome + u'/');
        const QByteArray rootFolder = QFile::encodeName(rootScratch ? rootHome : QStringLiteral("/opt"));
        for (const char* scratch : {"/usr/local", "/opt", rootFolder.constData()})
            if (::mount("tmpfs", scratch, "tmpfs", 0, "size=1m") != 0)
                return std::string("cannot mount a scratch ") + scratch + ": " + std::strerror(errno);
        const QString app = makeBundle(home + QStringLiteral("/Applications"), QStringLiteral("Foo.app"),
                                       infoWith(QStringLiteral("com.acme.foo"), QStringLiteral("Foo")));
        writeFile(home + QStringLiteral("/Library/Caches/com.acme.foo/cache.db"), "c");
        const QStringList canaries{home + QStringLiteral("/notes.txt"),
                                   home + QStringLiteral("/Library/Keychains/login.keychain-db"),
                                   home + QStringLiteral("/Applications/Photos Backup.app/holiday.jpg"),
                                   QStringLiteral("/usr/local/bin/corvanta-canary"),
                                   QStringLiteral("/opt/corvanta-canary/file"),
                                   evil + QStringLiteral("/Library/Caches/victim")};
        for (const QString& canary : canaries)
            writeFile(canary, "canary");
        const QString rootCanary = (rootScratch ? rootHome : QStringLiteral("/opt")) + QStringLiteral("/Library/Caches/com.acme.foo");
        writeFile(rootCanary + QStringLiteral("/cache.db"), "canary");
        const QStringList refused{home + QStringLiteral("/notes.txt"),
                                  home + QStringLiteral("/Library/Keychains/login.keychain-db"),
                                  home + QStringLiteral("/Library/Keychains"),
                                  home + QStringLiteral("/Applications/Photos Backup.app"),
                                  QStringLiteral("/usr/local/bin/corvanta-canary"),
                                  QStringLiteral("/usr/local/bin"),
                                  QStringLiteral("/opt/corvanta-canary/file"),
                                  QStringLiteral("/opt/corvanta-canary"),
                                  evil + QStringLiteral("/Library/Caches/victim"),
                                  home + QStringLiteral("/Library/Caches/../../notes.txt")};

        // The caller's environment names another home; the helper must not listen to it.
        const QByteArray savedHome = qgetenv("HOME");
        qputenv("PKEXEC_UID", "4242");
        qputenv("HOME", QFile::encodeName(evil));
        SpawnChildProcessRunner runner;
        std::string failures;
        for (const QString& path : refused) {
            const ChildResult result = runner.run(helper, {QStringLiteral("--"), path}, 10000, 4096);
            if (result.exitCode != AdminHelperExit::refused)
                failures += "not refused (" + std::to_string(result.exitCode) + "): " + path.toStdString() + "\n";
        }
        // No user named: never read as root.
        qputenv("PKEXEC_UID", "");
        const ChildResult unnamed = runner.run(helper, {QStringLiteral("--"), rootCanary}, 10000, 4096);
        if (unnamed.exitCode != AdminHelperExit::usage || !QFileInfo::exists(rootCanary + QStringLiteral("/cache.db")))
            failures += "an empty PKEXEC_UID was not refused (" + std::to_string(unnamed.exitCode) + ")\n";
        qputenv("PKEXEC_UID", "4242");
        // What an uninstall may delete still goes, the bundle first, in one call.
        const ChildResult allowed = runner.run(
            helper, {QStringLiteral("--"), app, home + QStringLiteral("/Library/Caches/com.acme.foo")}, 10000, 4096);
        qunsetenv("PKEXEC_UID");
        qputenv("HOME", savedHome);
        if (allowed.exitCode != AdminHelperExit::deleted || allowed.output != "0 0\n0 1\n")
            failures += "the bundle and its cache were not deleted: " + allowed.output.toStdString() + "\n";
        if (QFileInfo::exists(app) || QFileInfo::exists(home + QStringLiteral("/Library/Caches/com.acme.foo")))
            failures += "the bundle or its cache remains\n";
        for (const QString& canary : canaries)
            if (!QFileInfo::exists(canary))
                failures += "deleted: " + canary.toStdString() + "\n";
        return failures;
    });
    if (!child.ran)
        GTEST_SKIP() << child.failures;
    EXPECT_EQ(child.failures, "");
}
