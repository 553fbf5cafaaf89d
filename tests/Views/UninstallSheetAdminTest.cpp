// What the uninstall sheet says about administrator rights, from a plan the uninstaller built on a
// fixture machine where nothing belongs to the user.
#include "Services/UninstallAdminCheck.h"
#include "Services/UninstallTestKit.h"
#include "Views/UninstallConfirmationSheet.h"

#include <QLabel>

namespace corvanta {
namespace {

class UninstallSheetAdminText : public test::UninstallFixture {
protected:
    QStringList issueLines(const AppItem& app)
    {
        UninstallManager manager(env);
        UninstallConfirmationSheet sheet(home);
        sheet.resize(1440, 900);
        sheet.begin();
        sheet.setPlan(manager.buildPlan(app));
        QStringList lines;
        for (QLabel* line : sheet.findChildren<QLabel*>(QStringLiteral("uninstallIssue")))
            lines << line->text();
        return lines;
    }
};

TEST_F(UninstallSheetAdminText, PromisesThePasswordPromptOnlyWhereItWillCome)
{
    const AppItem foo = app(QStringLiteral("Foo"), QStringLiteral("com.acme.foo"));
    file(sys("Library/Preferences/com.acme.foo.plist"));
    const auto owner = SafeFiles::linkStat(home)->uid;
    env.credentials = SafeFiles::Credentials{owner + 4242, {owner + 4242}};

    QTemporaryDir tools;
    const QString pkexec = tools.path() + QStringLiteral("/pkexec");
    const QString helper = tools.path() + QStringLiteral("/corvanta-admin-delete");
    for (const QString& tool : {pkexec, helper}) {
        test::writeFile(tool, "#!/bin/false\n");
        QFile::setPermissions(tool, QFile::ReadOwner | QFile::ExeOwner);
    }
    const QString missing = tools.path() + QStringLiteral("/missing");
    UninstallRoots elsewhere = env.roots; // the helper's own view: another user's folders
    elsewhere.home = outside;
    elsewhere.systemRoot = outside;
    elsewhere.applicationFolders = {outside + QStringLiteral("/Applications")};

    const QString where = QStringLiteral("• 无法取得管理员授权：「Foo」位于 ") + sys(QStringLiteral("Applications"))
        + QStringLiteral("，删除它需要管理员权限，但");
    const QString leftover = QStringLiteral("• 无法取得管理员授权：com.acme.foo.plist 需要管理员权限才能删除，但");
    struct Case {
        const char* name;
        std::shared_ptr<AdminDeleter> admin;
        std::optional<UninstallRoots> adminRoots;
        QString why; // empty: the route is there
    } cases[] = {
        {"ready", std::make_shared<PkexecAdminDeleter>(pkexec, helper, runner), std::nullopt, {}},
        {"no pkexec", std::make_shared<PkexecAdminDeleter>(missing, helper, runner), std::nullopt,
         QStringLiteral("本机没有安装 pkexec，无法弹出管理员授权框")},
        {"no helper", std::make_shared<PkexecAdminDeleter>(pkexec, missing, runner), std::nullopt,
         QStringLiteral("未找到 Corvanta 的管理员删除工具 corvanta-admin-delete")},
        {"route off", nullptr, std::nullopt, QStringLiteral("本次运行未启用管理员授权")},
        {"not the helper's folders", std::make_shared<PkexecAdminDeleter>(pkexec, helper, runner), elsewhere,
         QStringLiteral("管理员删除工具只删除应用程序文件夹中的应用和资源库中的残留，不处理此位置")},
    };
    for (const Case& c : cases) {
        env.admin = c.admin;
        env.adminRoots = c.adminRoots;
        const QStringList lines = issueLines(foo);
        if (c.why.isEmpty()) {
            EXPECT_EQ(lines, QStringList({QStringLiteral("• 需要管理员授权：「Foo」位于 ") + sys(QStringLiteral("Applications"))
                                              + QStringLiteral("，删除时系统将弹出管理员授权框，输入密码即可继续。"),
                                          QStringLiteral("• 需要管理员授权：有 1 项残留位于系统目录（/Library 等），删除时系统会弹出管理员授权框；若跳过授权，这些项目会清理失败。")}))
                << c.name;
            continue;
        }
        EXPECT_EQ(lines, QStringList({where + c.why + QStringLiteral("，因此无法删除应用本体。"),
                                      leftover + c.why + QStringLiteral("，这些残留将无法清理（不影响应用本体卸载）。")}))
            << c.name;
        EXPECT_FALSE(lines.join(u'\n').contains(QStringLiteral("输入密码即可继续"))) << c.name;
    }
}

} // namespace
} // namespace corvanta
