// The delete badge's flow over a root view: tickets, the sheet's states, the result alerts.
#include "Views/DeleteRequestFlow.h"
#include "Views/GridHosts.h"
#include "Views/TilehallGridView.h"
#include "Views/RootViewTestKit.h"
#include "Views/UninstallConfirmationSheet.h"
#include "Views/UninstallReasonText.h"
#include "common/LogCapture.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstring>

#include <gtest/gtest.h>

namespace corvanta::test {
namespace {

using Uninstall::ItemOutcome;
using Uninstall::UninstallOutcome;
using Uninstall::UninstallPlan;

class DeleteRequestFlowTest : public RootViewTest {
protected:
    AppItem inkpad = app(QStringLiteral("Inkpad"));
    AppItem quill = app(QStringLiteral("Quill"));
    UninstallConfirmationSheet sheet{QStringLiteral("/fx/home")};
    std::unique_ptr<DeleteRequestFlow> flow;
    quint64 nextTicket = 0;
    QList<std::pair<quint64, std::function<void(quint64, UninstallPlan)>>> scans;
    QList<quint64> cancelled;
    QList<std::pair<UninstallPlan, bool>> uninstalls;
    std::function<void(UninstallOutcome)> finishUninstall;
    QList<UninstallAlert> alerts;
    int sheetShows = 0, sheetHides = 0;

    void SetUp() override
    {
        storeWithPages({page({PageEntry::app(inkpad), PageEntry::app(quill)})});
        makeView();
        DeleteRequestFlow::Dependencies deps;
        deps.root = view;
        deps.engine = &engine;
        deps.sheet = &sheet;
        deps.home = QStringLiteral("/fx/home");
        deps.isProtected = [](const AppItem& a) { return a.bundleIdentifier.startsWith(QStringLiteral("com.apple.")); };
        deps.makePlan = [this](const AppItem&, std::function<void(quint64, UninstallPlan)> done) {
            scans.append({++nextTicket, std::move(done)});
            return nextTicket;
        };
        deps.cancelPlan = [this](quint64 ticket) { cancelled << ticket; };
        deps.uninstall = [this](const UninstallPlan& plan, bool includeApp, std::function<void(UninstallOutcome)> done) {
            uninstalls.append({plan, includeApp});
            finishUninstall = std::move(done);
        };
        deps.openSystemSettings = [](const QString&) {};
        deps.showSheet = [this](UninstallConfirmationSheet*, bool visible) { visible ? ++sheetShows : ++sheetHides; };
        deps.runAlert = [this](const UninstallAlert& alert) {
            // The grid is already updated when the alert comes up.
            alertSawInkpad = appInLayout(inkpad.id);
            alerts << alert;
        };
        flow = std::make_unique<DeleteRequestFlow>(std::move(deps));
    }
    void TearDown() override { flow.reset(); }

    bool alertSawInkpad = true;
    bool appInLayout(const QUuid& id) const
    {
        for (const auto& p : store->layout().pages) {
            for (const auto& entry : p.entries) {
                if (entry.isApp() && entry.asApp()->id == id)
                    return true;
            }
        }
        return false;
    }
    UninstallPlan planFor(const AppItem& a) const
    {
        UninstallPlan plan;
        plan.app = a;
        plan.appSize = 1000;
        Uninstall::ResidualItem cache;
        cache.url = QUrl::fromLocalFile(QStringLiteral("/fx/home/Library/Caches/") + a.bundleIdentifier);
        cache.kind = Uninstall::ResidualKind::cache;
        cache.evidence = Uninstall::MatchEvidence::bundleIdentifier;
        plan.residuals = {cache};
        return plan;
    }
};

TEST_F(DeleteRequestFlowTest, PlansOfEarlierOrCancelledRequestsAreDroppedWithALogLine)
{
    LogCapture log;
    flow->requestDelete(inkpad);
    EXPECT_TRUE(log.contains(QStringLiteral("Delete requested: Inkpad (com.example.inkpad) — building plan")));
    EXPECT_EQ(view->uninstallScanningApp(), inkpad);
    EXPECT_TRUE(engine.suppressScrollPaging);
    EXPECT_DOUBLE_EQ(engine.modalScrimOpacity(), 0.35);
    EXPECT_EQ(sheet.scanningApp(), inkpad);

    // A second request replaces the first: its scan is cancelled and its late plan never shows.
    flow->requestDelete(quill);
    EXPECT_EQ(cancelled, QList<quint64>{1});
    scans[0].second(scans[0].first, planFor(inkpad));
    EXPECT_TRUE(log.contains(QStringLiteral("Uninstall plan dropped — request replaced or cancelled: Inkpad")));
    EXPECT_EQ(sheet.scanningApp(), quill);
    EXPECT_FALSE(sheet.plan().has_value());

    scans[1].second(scans[1].first, planFor(quill));
    EXPECT_FALSE(view->uninstallScanningApp().has_value());
    EXPECT_TRUE(view->hasUninstallPlan());
    ASSERT_TRUE(sheet.plan().has_value());
    EXPECT_EQ(sheet.plan()->app, quill);
    EXPECT_EQ(sheetHides, 0); // the sheet stayed up from the first request to the plan

    // Cancelled during the scan (the root view's Esc): the plan that still comes is dropped, the
    // sheet stays away and the overlay's paging and scrim come back.
    flow->requestDelete(inkpad);
    EXPECT_TRUE(view->handleEscape());
    EXPECT_EQ(cancelled.last(), scans[2].first);
    EXPECT_FALSE(view->showsUninstallSheet());
    EXPECT_FALSE(engine.suppressScrollPaging);
    EXPECT_DOUBLE_EQ(engine.modalScrimOpacity(), 0);
    EXPECT_EQ(sheetHides, 1);
    scans[2].second(scans[2].first, planFor(inkpad));
    EXPECT_FALSE(view->showsUninstallSheet());
    EXPECT_FALSE(sheet.plan().has_value() && sheet.plan()->app == inkpad);
}

TEST_F(DeleteRequestFlowTest, ProtectedApplicationsGetNoSheet)
{
    LogCapture log;
    const AppItem system = makeApp(QStringLiteral("Notes"), QStringLiteral("com.apple.Notes"), QStringLiteral("/Applications/Notes.app"));
    flow->requestDelete(system);
    EXPECT_TRUE(log.contains(QStringLiteral("Delete rejected (protected app): Notes")));
    EXPECT_TRUE(scans.isEmpty());
    EXPECT_FALSE(view->showsUninstallSheet());
    EXPECT_EQ(sheetShows, 0);
}

TEST_F(DeleteRequestFlowTest, ConfirmedUninstallRemovesTheApplicationBeforeTheAlert)
{
    LogCapture log;
    flow->requestDelete(inkpad);
    scans[0].second(scans[0].first, planFor(inkpad));
    sheet.onConfirm(sheet.plan().value(), true);
    EXPECT_FALSE(view->showsUninstallSheet());
    QCoreApplication::processEvents();
    ASSERT_EQ(uninstalls.size(), 1);

    UninstallOutcome outcome;
    outcome.result.appDeleted = true;
    outcome.result.failedURLs = {uninstalls[0].first.residuals[0].url};
    outcome.result.residualOutcomes = {{uninstalls[0].first.residuals[0].url, ItemOutcome::Status::failed,
                                        QString::fromLocal8Bit(std::strerror(EACCES)), 0}};
    finishUninstall(outcome);
    EXPECT_FALSE(appInLayout(inkpad.id));
    EXPECT_FALSE(alertSawInkpad);
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_EQ(alerts[0].message, QStringLiteral("「Inkpad」已删除"));
    EXPECT_EQ(alerts[0].informativeText, QStringLiteral("但有 1 项残留清理失败（可能权限不足），可稍后手动清理。\n"
                                                         "• ~/Library/Caches/com.example.inkpad：权限不足"));
    EXPECT_TRUE(log.contains(QStringLiteral("Delete completed: Inkpad — residuals 0 deleted / 1 failed")));
}

// The uninstalled application leaves on the reorder spring: the cell after it glides into the freed
// slot instead of jumping there.
TEST_F(DeleteRequestFlowTest, TheCellsAfterAnUninstalledApplicationGlideIntoItsSlot)
{
    show();
    scheduler.advance(1.0);
    TilehallGridView* grid = view->hosts()->pageView(0);
    ASSERT_NE(grid, nullptr);
    ASSERT_NE(grid->appCell(quill.id), nullptr);
    const QPointF first = grid->appCell(inkpad.id)->pos();
    const QPointF second = grid->appCell(quill.id)->pos();
    ASSERT_NE(first, second);

    flow->requestDelete(inkpad);
    scans[0].second(scans[0].first, planFor(inkpad));
    sheet.onConfirm(sheet.plan().value(), true);
    QCoreApplication::processEvents();
    ASSERT_EQ(uninstalls.size(), 1);
    UninstallOutcome outcome;
    outcome.result.appDeleted = true;
    outcome.result.deletedCount = 1;
    finishUninstall(outcome);

    grid = view->hosts()->pageView(0);
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->appCell(inkpad.id), nullptr);
    ASSERT_NE(grid->appCell(quill.id), nullptr);
    EXPECT_EQ(grid->appCell(quill.id)->pos(), second); // still where it was
    EXPECT_TRUE(grid->isSettling());
    scheduler.advance(0.05);
    const double x = grid->appCell(quill.id)->pos().x();
    EXPECT_LT(x, second.x());
    EXPECT_GT(x, first.x()); // on its way, not there yet
    scheduler.advance(1.0);
    EXPECT_EQ(grid->appCell(quill.id)->pos(), first);
    EXPECT_FALSE(grid->isSettling());
}

TEST_F(DeleteRequestFlowTest, BundleRemovedPartWayLosesItsTileAndTheAlertSaysWhatRemains)
{
    LogCapture log;
    flow->requestDelete(inkpad);
    scans[0].second(scans[0].first, planFor(inkpad));
    sheet.onConfirm(sheet.plan().value(), true);
    QCoreApplication::processEvents();
    ASSERT_EQ(uninstalls.size(), 1);

    UninstallOutcome outcome;
    outcome.error = Uninstall::UninstallError::appDeleteFailed(QStringLiteral("Permission denied"));
    outcome.result.appPartlyRemoved = true;
    outcome.result.appRemainingPath = QStringLiteral("/fx/home/Applications/Inkpad.app");
    finishUninstall(outcome);
    EXPECT_FALSE(appInLayout(inkpad.id));
    EXPECT_FALSE(alertSawInkpad);
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_EQ(alerts[0].message, QStringLiteral("「Inkpad」未能完全删除"));
    EXPECT_EQ(alerts[0].informativeText,
              QStringLiteral("应用已被部分删除，无法再启动；剩余部分仍在 ~/Applications/Inkpad.app（可能权限不足），可稍后手动删除。\n"
                             "应用删除失败：权限不足\n"
                             "应用本体未能完全删除，以下勾选的 1 项残留已保留：\n"
                             "• ~/Library/Caches/com.example.inkpad"));
    EXPECT_TRUE(alerts[0].critical);
    EXPECT_TRUE(log.contains(QStringLiteral("Delete failed: Inkpad — 应用删除失败：Permission denied")));

    // A failure that left the bundle whole keeps the tile.
    flow->requestDelete(quill);
    scans[1].second(scans[1].first, planFor(quill));
    sheet.onConfirm(sheet.plan().value(), true);
    QCoreApplication::processEvents();
    UninstallOutcome whole;
    whole.error = Uninstall::UninstallError::appDeleteFailed(QStringLiteral("Permission denied"));
    finishUninstall(whole);
    EXPECT_TRUE(appInLayout(quill.id));
    EXPECT_EQ(alerts.last().message, QStringLiteral("删除「Quill」失败"));
    EXPECT_EQ(alerts.last().informativeText, QStringLiteral("应用删除失败：权限不足\n"
                                                            "应用本体未删除，以下勾选的 1 项残留已保留：\n"
                                                            "• ~/Library/Caches/com.example.quill"));
}

// Refusals are not put down to missing rights and name their path once; a failure part-way says
// what went already, and a tree too deep is not called a link loop.
TEST(UninstallResultAlert, RefusalsAndPartialFailuresAreToldAsTheyAre)
{
    UninstallPlan plan;
    plan.app.name = QStringLiteral("Inkpad");
    const QUrl mount = QUrl::fromLocalFile(QStringLiteral("/h/Library/Caches/x"));
    const QUrl linked = QUrl::fromLocalFile(QStringLiteral("/h/Library/Logs/y"));
    const QUrl deep = QUrl::fromLocalFile(QStringLiteral("/h/Library/Application Support/Deep"));
    UninstallOutcome outcome;
    outcome.result.appDeleted = true;
    outcome.result.failedURLs = {mount, linked, deep};
    outcome.result.residualOutcomes = {
        {mount, ItemOutcome::Status::refused, QStringLiteral("拒绝删除挂载点：/h/Library/Caches/x"), 0},
        {linked, ItemOutcome::Status::refused, QStringLiteral("拒绝删除经由链接到达的路径：/h/Library/Logs/y"), 0},
        {deep, ItemOutcome::Status::failed, QStringLiteral("the folder is nested too deeply"), 300},
    };
    const auto alert = uninstallResultAlert(plan, true, outcome, QStringLiteral("/h"));
    ASSERT_TRUE(alert.has_value());
    EXPECT_EQ(alert->informativeText, QStringLiteral("但有 3 项残留清理失败，可稍后手动清理。\n"
                                                     "• ~/Library/Caches/x：拒绝删除挂载点\n"
                                                     "• ~/Library/Logs/y：拒绝删除经由链接到达的路径\n"
                                                     "• ~/Library/Application Support/Deep：文件夹层级超过 256 层，过深的部分未删除（其中 300 项已删除）"));

    // A bundle refused for a mount inside it: no word of rights either.
    UninstallOutcome refused;
    refused.error = Uninstall::UninstallError::appDeleteFailed(QStringLiteral("a mount point lies inside"));
    refused.result.appPartlyRemoved = true;
    refused.result.appRemainingPath = QStringLiteral("/h/Applications/Inkpad.app");
    const auto partial = uninstallResultAlert(plan, true, refused, QStringLiteral("/h"));
    ASSERT_TRUE(partial.has_value());
    EXPECT_EQ(partial->informativeText, QStringLiteral("应用已被部分删除，无法再启动；剩余部分仍在 ~/Applications/Inkpad.app，可稍后手动删除。\n"
                                                       "应用删除失败：其中有挂载点，已拒绝删除"));
}

TEST(UninstallResultAlert, SaysWhatReallyHappened)
{
    UninstallPlan plan;
    plan.app.name = QStringLiteral("Inkpad");
    const QUrl failed = QUrl::fromLocalFile(QStringLiteral("/sys/Library/LaunchDaemons/x.plist"));

    UninstallOutcome clean;
    clean.result.appDeleted = true;
    clean.result.deletedCount = 3;
    EXPECT_FALSE(uninstallResultAlert(plan, true, clean, QStringLiteral("/h")).has_value());

    // The bundle was unchecked: the alert must not say it was deleted.
    UninstallOutcome kept;
    kept.result.deletedCount = 2;
    kept.result.failedURLs = {failed};
    kept.result.residualOutcomes = {{failed, ItemOutcome::Status::refused, QStringLiteral("拒绝删除"), 0}};
    const auto keptAlert = uninstallResultAlert(plan, false, kept, QStringLiteral("/h"));
    ASSERT_TRUE(keptAlert.has_value());
    EXPECT_EQ(keptAlert->message, QStringLiteral("「Inkpad」已保留"));
    EXPECT_TRUE(keptAlert->informativeText.startsWith(QStringLiteral("已清理 2 项残留，但有 1 项残留清理失败")));
    EXPECT_TRUE(keptAlert->informativeText.contains(QStringLiteral("• /sys/Library/LaunchDaemons/x.plist：拒绝删除")));
    EXPECT_FALSE(keptAlert->critical);

    UninstallOutcome error;
    error.error = Uninstall::UninstallError::appDeleteFailed(QString::fromLocal8Bit(std::strerror(EBUSY)));
    const auto errorAlert = uninstallResultAlert(plan, true, error, QStringLiteral("/h"));
    ASSERT_TRUE(errorAlert.has_value());
    EXPECT_EQ(errorAlert->message, QStringLiteral("删除「Inkpad」失败"));
    EXPECT_EQ(errorAlert->informativeText, QStringLiteral("应用删除失败：正在被使用"));
    EXPECT_TRUE(errorAlert->critical);
}

// Every reason the deletion layers give reaches the user in Chinese: system error texts by their
// number, the file layer's and the administrator route's own kinds, and anything unforeseen.
TEST(UninstallResultAlert, ReasonsAreChineseWhateverTheLayerBelowSaid)
{
    const std::pair<QString, QString> cases[] = {
        {QString::fromLocal8Bit(std::strerror(EACCES)), QStringLiteral("权限不足")},
        {QString::fromLocal8Bit(std::strerror(EPERM)), QStringLiteral("操作不被允许（权限不足）")},
        {QString::fromLocal8Bit(std::strerror(EROFS)), QStringLiteral("位于只读文件系统上")},
        {QString::fromLocal8Bit(std::strerror(ENOTEMPTY)), QStringLiteral("文件夹不为空")},
        {QString::fromLocal8Bit(std::strerror(ENOEXEC)), QStringLiteral("系统错误（错误码 ") + QString::number(ENOEXEC) + QStringLiteral("）")},
        {QStringLiteral("no administrator helper"), QStringLiteral("没有可用的管理员授权方式")},
        {QStringLiteral("not authorised"), QStringLiteral("未获得管理员授权")},
        {QStringLiteral("the helper failed (status 3)"), QStringLiteral("管理员授权删除失败（状态 3）")},
        {QStringLiteral("a mount point lies inside"), QStringLiteral("其中有挂载点，已拒绝删除")},
        {QStringLiteral("file remains"), QStringLiteral("删除后文件仍然存在")},
        {QStringLiteral("拒绝删除挂载点：/x"), QStringLiteral("拒绝删除挂载点：/x")},
        {QStringLiteral("something nobody foresaw"), QStringLiteral("删除失败（原因未知）")},
        {QString(), QStringLiteral("删除失败")},
    };
    for (const auto& [reported, shown] : cases)
        EXPECT_EQ(UninstallText::failureReason(reported), shown) << reported.toStdString();

    UninstallPlan plan;
    plan.app.name = QStringLiteral("Inkpad");
    const QUrl failed = QUrl::fromLocalFile(QStringLiteral("/h/Library/Caches/x"));
    UninstallOutcome partial;
    partial.result.appDeleted = true;
    partial.result.failedURLs = {failed};
    partial.result.residualOutcomes = {{failed, ItemOutcome::Status::failed, QStringLiteral("no administrator helper"), 0}};
    const auto alert = uninstallResultAlert(plan, true, partial, QStringLiteral("/h"));
    ASSERT_TRUE(alert.has_value());
    EXPECT_TRUE(alert->informativeText.endsWith(QStringLiteral("• ~/Library/Caches/x：没有可用的管理员授权方式")))
        << alert->informativeText.toStdString();
}

} // namespace
} // namespace corvanta::test
