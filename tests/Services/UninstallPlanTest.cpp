#include "UninstallTestKit.h"
#include "common/LogCapture.h"

#include <deque>

using namespace corvanta;
using namespace corvanta::Uninstall;
using namespace corvanta::test;

TEST(UninstallRecords, KindsAndErrors)
{
    const char* raws[] = {"support", "cache", "preference", "state", "container", "log",
                          "crashReport", "launchItem", "helper", "plugin", "special", "other"};
    const char* titles[] = {"应用支持文件", "缓存", "偏好设置", "窗口状态", "沙盒容器", "日志",
                            "崩溃报告", "后台项目", "特权辅助工具", "插件与扩展", "已知关联件", "其它"};
    for (int i = 0; i < 12; ++i) {
        const ResidualKind kind = allResidualKinds[i];
        EXPECT_EQ(rawValue(kind), QString::fromUtf8(raws[i]));
        EXPECT_EQ(displayName(kind), QString::fromUtf8(titles[i]));
        EXPECT_EQ(residualKindFromRaw(QString::fromUtf8(raws[i])), kind);
    }
    EXPECT_FALSE(residualKindFromRaw(QStringLiteral("Support")));
    EXPECT_FALSE(residualKindFromRaw(QString()));

    EXPECT_EQ(UninstallError::appDeleteFailed(QStringLiteral("x")).description(), QStringLiteral("应用删除失败：x"));
    EXPECT_EQ(UninstallError::protectedApp().description(), QStringLiteral("系统应用与 Corvanta 自身不允许卸载"));

    auto item = [](const char* path, ResidualKind kind) {
        ResidualItem out;
        out.url = QUrl::fromLocalFile(QString::fromUtf8(path));
        out.kind = kind;
        out.size = 10;
        return out;
    };
    UninstallPlan plan;
    plan.residuals = {item("/a", ResidualKind::other), item("/b", ResidualKind::cache), item("/c", ResidualKind::support),
                      item("/d", ResidualKind::cache)};
    const auto groups = plan.residualGroups();
    ASSERT_EQ(groups.size(), 3);
    EXPECT_EQ(groups.at(0).kind, ResidualKind::support);
    EXPECT_EQ(groups.at(1).items, QList<ResidualItem>({plan.residuals.at(1), plan.residuals.at(3)}));
    EXPECT_EQ(groups.at(2).kind, ResidualKind::other);
    EXPECT_EQ(plan.residualsSize(), 40);
    const UninstallPlan kept = plan.keepingResiduals({QUrl::fromLocalFile(QStringLiteral("/d")), QUrl::fromLocalFile(QStringLiteral("/a"))});
    EXPECT_EQ(kept.residuals, QList<ResidualItem>({plan.residuals.at(0), plan.residuals.at(3)}));
    EXPECT_NE(kept, plan);
}

class UninstallPlanTest : public UninstallFixture {};

TEST_F(UninstallPlanTest, PlanRunsInTheBackgroundAndCancelledTicketsAreDropped)
{
    std::deque<Task> background, home;
    env.background = [&](Task task) { background.push_back(std::move(task)); };
    env.home = [&](Task task) { home.push_back(std::move(task)); };
    const AppItem foo = app(QStringLiteral("Foo"), QStringLiteral("com.acme.foo"));
    writeFile(foo.path() + QStringLiteral("/Contents/Resources/.hidden"), QByteArray(1000, 'h'));
    file(lib("Caches/com.acme.foo/data"), 2000);
    UninstallManager m(env);

    QList<UninstallManager::PlanTicket> delivered;
    UninstallPlan received;
    auto done = [&](UninstallManager::PlanTicket ticket, UninstallPlan plan) {
        delivered << ticket;
        received = std::move(plan);
    };
    const auto first = m.makePlan(foo, done);
    const auto second = m.makePlan(foo, done);
    EXPECT_NE(first, second);
    m.cancelPlan(first);
    EXPECT_TRUE(delivered.isEmpty());
    while (!background.empty()) {
        background.front()();
        background.pop_front();
    }
    EXPECT_TRUE(delivered.isEmpty()); // results come home on the home runner only
    while (!home.empty()) {
        home.front()();
        home.pop_front();
    }
    EXPECT_EQ(delivered, QList<UninstallManager::PlanTicket>({second}));
    EXPECT_EQ(received.app, foo);
    EXPECT_EQ(received.appSize, 1000 + 300 + QFileInfo(foo.path() + QStringLiteral("/Contents/Info.plist")).size());
    ASSERT_EQ(received.residuals.size(), 1);
    EXPECT_EQ(received.residuals.first().size, 2000);
    EXPECT_TRUE(received.appIdentity.isValid());
    EXPECT_TRUE(received.permissionIssues.isEmpty());
}

TEST_F(UninstallPlanTest, PermissionIssuesFollowFolderRights)
{
    const AppItem foo = app(QStringLiteral("Foo"), QStringLiteral("com.acme.foo"));
    file(sys("Library/Preferences/com.acme.foo.plist"));
    file(sys("Library/Caches/com.acme.foo/x"));
    for (const char* name : {"com.acme.foo.a.plist", "com.acme.foo.b.plist", "com.acme.foo.c.plist", "com.acme.foo.d.plist"})
        file(lib("Preferences/") + QString::fromUtf8(name));
    // A user who owns nothing in the fixture: everything is someone else's (the test runs as
    // whoever owns the files; a different user id stands for the one without rights).
    const auto owner = SafeFiles::linkStat(home)->uid;
    env.credentials = SafeFiles::Credentials{owner + 4242, {owner + 4242}};
    UninstallManager m(env);
    const UninstallPlan plan = m.buildPlan(foo);
    ASSERT_EQ(plan.permissionIssues.size(), 3);
    EXPECT_EQ(plan.permissionIssues.at(0).title, QStringLiteral("需要管理员授权"));
    EXPECT_EQ(plan.permissionIssues.at(0).detail, QStringLiteral("「Foo」位于 ") + sys("Applications")
                                                      + QStringLiteral("，删除时系统将弹出管理员授权框，输入密码即可继续。"));
    EXPECT_EQ(plan.permissionIssues.at(1).detail,
              QStringLiteral("有 2 项残留位于系统目录（/Library 等），删除时系统会弹出管理员授权框；若跳过授权，这些项目会清理失败。"));
    EXPECT_EQ(plan.permissionIssues.at(2).title, QStringLiteral("部分残留无写入权限"));
    EXPECT_EQ(plan.permissionIssues.at(2).detail,
              QStringLiteral("com.acme.foo.a.plist、com.acme.foo.b.plist、com.acme.foo.c.plist 等 4 项 所在的文件夹 ")
                  + lib("Preferences")
                  + QStringLiteral(" 无写入权限，删除时系统可能要求管理员授权，或该项清理失败（不影响应用本体卸载）。"));
    for (const auto& issue : plan.permissionIssues)
        EXPECT_FALSE(issue.isBlocking);

    // The owner may remove everything in its folders, whatever the files' own modes.
    env.credentials = SafeFiles::Credentials{owner, {owner}};
    QFile::setPermissions(lib("Preferences/com.acme.foo.a.plist"), QFile::ReadOwner);
    UninstallManager ownerManager(env);
    const auto issues = ownerManager.buildPlan(foo).permissionIssues;
    EXPECT_EQ(issues.size(), 1); // only the administrator notice for the system folders
}

TEST_F(UninstallPlanTest, UnreadableCookiesAskForFullDiskAccess)
{
    const AppItem foo = app(QStringLiteral("Foo"), QStringLiteral("com.acme.foo"));
    UninstallManager m(env);
    EXPECT_TRUE(m.buildPlan(foo).permissionIssues.isEmpty()); // no Cookies folder: no issue
    file(lib("Cookies")); // there, but cannot be listed
    const auto issues = m.buildPlan(foo).permissionIssues;
    ASSERT_EQ(issues.size(), 1);
    EXPECT_EQ(issues.first().title, QStringLiteral("完全磁盘访问权限"));
    EXPECT_EQ(issues.first().settingsURL, QStringLiteral("x-apple.systempreferences:com.apple.preference.security?Privacy_AllFiles"));
    EXPECT_TRUE(issues.first().isBlocking);
}

TEST_F(UninstallPlanTest, SettingsLinksOpenAndAreLogged)
{
    QStringList opened;
    env.openUrl = [&](const QString& url) { opened << url; };
    UninstallManager m(env);
    LogCapture log;
    m.openSystemSettings(QStringLiteral("x-apple.systempreferences:com.apple.preference.security?Privacy_AllFiles"));
    m.openSystemSettings(QStringLiteral("http://[bad"));
    EXPECT_EQ(opened, QStringList({QStringLiteral("x-apple.systempreferences:com.apple.preference.security?Privacy_AllFiles")}));
    EXPECT_EQ(log.count(QStringLiteral("Uninstall: opened system settings — ")), 1);
}
