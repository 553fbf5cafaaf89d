#include "Services/UninstallGuard.h"
#include "UninstallTestKit.h"

using namespace corvanta;
using namespace corvanta::Uninstall;
using namespace corvanta::test;

TEST(UninstallPathText, StandardizesAndComparesWithSeparator)
{
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"/a/b/", "/a/b"},         {"/a/./b", "/a/b"},     {"//a//b", "/a/b"},
        {"/a/b/../c", "/a/c"},     {"/a/../../..", "/"},   {"~/x", "/h/x"},
        {"~", "/h"},               {"", ""},               {"/", "/"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(standardizePath(QString::fromUtf8(c.in), QStringLiteral("/h")), QString::fromUtf8(c.out)) << c.in;

    EXPECT_TRUE(isInside(QStringLiteral("/A/Foo.app/x"), QStringLiteral("/A/Foo.app")));
    EXPECT_FALSE(isInside(QStringLiteral("/A/Foo.app2/x"), QStringLiteral("/A/Foo.app")));
    EXPECT_FALSE(isInside(QStringLiteral("/A/Foo.app"), QStringLiteral("/A/Foo.app")));
    EXPECT_TRUE(isInside(QStringLiteral("/x"), QStringLiteral("/")));
}

class UninstallGuardTest : public UninstallFixture {};

TEST_F(UninstallGuardTest, ForbiddenSetHoldsTheSystemAndUserFolders)
{
    const UninstallGuard guard(env);
    const QSet<QString>& set = guard.forbiddenPaths();
    for (const QString& path : {sys("Library/Caches"), sys("usr/local"), sys("Users/Shared"), home,
                                home + QStringLiteral("/.Trash"), lib("Caches/SentryCrash"),
                                lib("Application Support/CrashReporter"), sys("Library/Widgets")})
        EXPECT_TRUE(set.contains(path)) << qPrintable(path);
    EXPECT_FALSE(set.contains(lib("Caches/com.acme.foo")));
}

TEST_F(UninstallGuardTest, BasicRefusalsCarryTheirMessages)
{
    folder(home + QStringLiteral("/Documents"));
    link(home + QStringLiteral("/Documents"), lib("Caches/docs-link"));
    folder(env.roots.ownBundle);
    link(env.roots.ownBundle, lib("Caches/self-link"));
    folder(lib("Caches/ordinary"));
    const UninstallGuard guard(env);
    const QString protectedPrefix = QStringLiteral("拒绝删除受保护目录：");
    struct Case {
        QString path;
        std::optional<QString> refusal;
    } cases[] = {
        {QString(), QStringLiteral("拒绝删除空路径或根目录")},
        {QStringLiteral("/"), QStringLiteral("拒绝删除空路径或根目录")},
        {QStringLiteral("/.."), QStringLiteral("拒绝删除空路径或根目录")},
        {lib("Caches/a\tb"), QStringLiteral("拒绝删除含控制字符的路径")},
        {lib("Caches/a\nb"), QStringLiteral("拒绝删除含控制字符的路径")},
        {lib("Caches/"), protectedPrefix + lib("Caches")},
        {lib("./Caches"), protectedPrefix + lib("Caches")},
        {lib("Caches/x/../../Caches"), protectedPrefix + lib("Caches")},
        {QStringLiteral("/Volumes"), QStringLiteral("拒绝删除过浅的路径：/Volumes")},
        {lib("Caches/docs-link"), protectedPrefix + home + QStringLiteral("/Documents")},
        {env.roots.ownBundle, QStringLiteral("不允许删除 Corvanta 自身")},
        {lib("Caches/self-link"), QStringLiteral("不允许删除 Corvanta 自身")},
        {home + QStringLiteral("/.local/share/Corvanta/layout.json"), QStringLiteral("不允许删除 Corvanta 自身")},
        {outside + QStringLiteral("/precious"), QStringLiteral("拒绝删除配置范围之外的路径：") + outside + QStringLiteral("/precious")},
        {lib("Caches/ordinary"), std::nullopt},
        {lib("Caches/with\x7f" "del"), std::nullopt},
        {lib("Caches/not-there-yet"), std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(guard.basicRefusal(c.path), c.refusal) << qPrintable(c.path);
}

TEST_F(UninstallGuardTest, SafeResidualFilter)
{
    const AppItem foo = app(QStringLiteral("Foo"), QStringLiteral("com.acme.foo"));
    folder(home + QStringLiteral("/Documents"));
    link(home + QStringLiteral("/Documents"), lib("Caches/docs-link"));
    link(outside + QStringLiteral("/precious"), lib("Caches/ordinary-link"));
    const UninstallGuard guard(env);
    struct Case {
        QString path;
        bool safe;
    } cases[] = {
        {lib("Caches/"), false},
        {lib("./Caches"), false},
        {foo.path(), false},
        {foo.path() + QStringLiteral("/Contents"), false},
        {sys("Applications/Other.app"), false},
        {home + QStringLiteral("/Applications"), false},
        {home + QStringLiteral("/Applications/Bar.app"), false},
        {lib("Caches/docs-link"), false},
        {lib("Caches/ctl\x01name"), false},
        {lib("Caches/ordinary-link"), true},
        {lib("Caches/com.acme.foo"), true},
        {sys("opt/acme"), true},
        {outside + QStringLiteral("/precious/keep.txt"), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(guard.isSafeResidual(c.path, foo.path()), c.safe) << qPrintable(c.path);
}

TEST_F(UninstallGuardTest, LeftoversMustSitWhereTheirPassPutsThem)
{
    const AppItem foo = app(QStringLiteral("Foo"), QStringLiteral("com.acme.foo"));
    UninstallPlan plan;
    plan.app = foo;
    folder(lib("Caches/com.acme.foo/deep/er"));
    folder(lib("Application Support/Acme/Foo"));
    folder(lib("Caches/Acme/Foo"));
    file(lib("Preferences/com.acme.foo.plist"));
    folder(sys("usr/local/share/foo"));
    file(sys("usr/local/bin/foo"));
    file(lib("Logs/acme/install.log"));
    file(lib("Keychains/login.keychain-db"));
    folder(sys("var/db/receipts"));
    file(sys("var/db/receipts/com.acme.foo.bom"));
    const UninstallGuard guard(env);
    auto item = [](const QString& path, MatchEvidence evidence) {
        ResidualItem out;
        out.url = QUrl::fromLocalFile(path);
        out.evidence = evidence;
        return out;
    };
    using E = MatchEvidence;
    struct Case {
        ResidualItem item;
        bool allowed;
    } cases[] = {
        {item(lib("Caches/com.acme.foo"), E::bundleIdentifier), true},
        {item(lib("Caches/com.acme.foo/deep/er"), E::bundleIdentifier), false},
        {item(lib("Application Support/Acme/Foo"), E::vendorFolder), true},
        {item(lib("Caches/Acme/Foo"), E::vendorFolder), true},
        {item(lib("Preferences/com.acme.foo.plist"), E::name), true},
        {item(lib("Caches"), E::bundleIdentifier), false},
        {item(home + QStringLiteral("/Library"), E::bundleIdentifier), false},
        {item(lib("Caches/com.acme.foo/../com.acme.foo"), E::bundleIdentifier), false},
        {item(lib("Caches/com.acme.foo"), E::containerMetadata), false},
        {item(lib("Caches/com.acme.foo"), E::launchProgram), false},
        {item(sys("usr/local/bin/foo"), E::packageReceipt), false}, // outside the scan's folders
        {item(lib("Logs/acme/install.log"), E::packageReceipt), true},
        {item(lib("Keychains/login.keychain-db"), E::packageReceipt), false},
        {item(sys("usr/local/share/foo"), E::packageReceipt), false},
        {item(sys("var/db/receipts/com.acme.foo.bom"), E::packageReceipt), false},
        {item(sys("usr/local/bin/foo"), E::bundleIdentifier), false},
        {item(lib("Caches/com.acme.foo"), E::knownPath), false},
        {item(lib("Preferences/com.apple.dock.plist"), E::bundleIdentifier), false},
        {item(sys("Library/Application Support/Apple/Foo"), E::vendorFolder), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(!guard.residualRefusal(c.item, plan).has_value(), c.allowed) << qPrintable(c.item.path());
}

TEST_F(UninstallGuardTest, ReplacedItemsLinkedParentsAndMountPointsAreRefused)
{
    folder(lib("Caches/com.acme.foo"));
    const auto before = SafeFiles::linkStat(lib("Caches/com.acme.foo"));
    ResidualItem item;
    item.url = QUrl::fromLocalFile(lib("Caches/com.acme.foo"));
    item.evidence = MatchEvidence::bundleIdentifier;
    item.identity = FileIdentity{before->device, before->inode};
    UninstallPlan plan;
    {
        const UninstallGuard guard(env);
        EXPECT_FALSE(guard.residualRefusal(item, plan));
    }

    // Swapped for another folder of the same name after the plan (the first one is kept, so its
    // inode cannot be handed out again).
    ASSERT_TRUE(QDir().rename(lib("Caches/com.acme.foo"), lib("Caches/old-foo")));
    folder(lib("Caches/com.acme.foo"));
    {
        const UninstallGuard guard(env);
        EXPECT_EQ(guard.residualRefusal(item, plan), QStringLiteral("拒绝删除已被替换的项目：") + item.path());
    }

    // The same folder seen as the top of another file system.
    const auto now = SafeFiles::linkStat(item.path());
    env.deviceOverride = [inode = now->inode](quint64 device, quint64 ino) { return ino == inode ? device + 1 : device; };
    item.identity = FileIdentity{now->device + 1, now->inode};
    {
        const UninstallGuard guard(env);
        EXPECT_EQ(guard.residualRefusal(item, plan), QStringLiteral("拒绝删除挂载点：") + item.path());
    }
    env.deviceOverride = {};

    // A scan folder that is a link to a folder outside the tree.
    folder(outside + QStringLiteral("/elsewhere/com.acme.foo"));
    QDir(lib("Logs")).removeRecursively();
    link(outside + QStringLiteral("/elsewhere"), lib("Logs"));
    ResidualItem viaLink;
    viaLink.url = QUrl::fromLocalFile(lib("Logs/com.acme.foo"));
    viaLink.evidence = MatchEvidence::bundleIdentifier;
    const UninstallGuard guard(env);
    EXPECT_EQ(guard.residualRefusal(viaLink, plan), QStringLiteral("拒绝删除经由链接到达的路径：") + viaLink.path());
}

TEST_F(UninstallGuardTest, BundleMustBeTheRealApplicationOfThePlan)
{
    UninstallPlan plan;
    plan.app = app(QStringLiteral("Foo"), QStringLiteral("com.acme.foo"));
    const UninstallGuard guard(env);
    EXPECT_FALSE(guard.bundleRefusal(plan));

    UninstallPlan wrongID = plan;
    wrongID.app.bundleIdentifier = QStringLiteral("com.acme.other");
    EXPECT_EQ(guard.bundleRefusal(wrongID), QStringLiteral("应用标识不符：") + plan.app.path());

    UninstallPlan linked = plan;
    link(plan.app.path(), sys("Applications/Linked.app"));
    linked.app.url = QUrl::fromLocalFile(sys("Applications/Linked.app"));
    EXPECT_EQ(guard.bundleRefusal(linked), QStringLiteral("拒绝删除链接形式的应用：") + linked.app.path());

    UninstallPlan nested = plan;
    nested.app = app(QStringLiteral("Deep"), QStringLiteral("com.acme.deep"), sys("Applications/Vendor"));
    EXPECT_EQ(guard.bundleRefusal(nested), QStringLiteral("应用不在应用程序文件夹中：") + nested.app.path());

    UninstallPlan notApp = plan;
    folder(sys("Applications/Folder"));
    notApp.app.url = QUrl::fromLocalFile(sys("Applications/Folder"));
    EXPECT_EQ(guard.bundleRefusal(notApp), QStringLiteral("不是应用程序包：") + notApp.app.path());

    UninstallPlan self = plan;
    self.app = app(QStringLiteral("Corvanta"), QStringLiteral("com.corvanta.app"));
    EXPECT_EQ(guard.bundleRefusal(self), QStringLiteral("不允许删除 Corvanta 自身"));

    UninstallPlan outsideApp = plan;
    outsideApp.app = app(QStringLiteral("Far"), QStringLiteral("com.acme.far"), outside);
    EXPECT_TRUE(guard.bundleRefusal(outsideApp).has_value());
}
