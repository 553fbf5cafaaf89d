#include "Services/ApplicationRescan.h"

#include "LayoutTestSupport.h"
#include "common/BundleBuilder.h"
#include "common/LogCapture.h"

#include <QTemporaryDir>

#include <deque>
#include <future>
#include <mutex>
#include <thread>

using namespace corvanta;
using namespace corvanta::test;

namespace {

// A rescan whose background and main-thread hops are queues the test drains, over a fixture folder.
class RescanHarness : public LayoutHarness {
protected:
    void SetUp() override
    {
        folder = apps.filePath(QStringLiteral("Applications"));
        QDir().mkpath(folder);
        makeStore();
        scanner = std::make_shared<AppScanner>(
            QStringList{folder},
            AppScanner::Environment{std::make_shared<FileBundleReader>(), std::make_shared<NoDisplayNameSource>(),
                                    QStringList{QStringLiteral("en-US")}, QLocale(QLocale::English)});
        deps.layoutManager = store.get();
        deps.scanner = scanner;
        deps.clock = &scheduler.clock();
        deps.background = [this](Task t) { backgroundQueue.push_back(std::move(t)); };
        deps.mainThread = [this](Task t) { mainQueue.push_back(std::move(t)); };
        deps.homeDirectory = apps.path();
        deps.fileExists = [](const QString& path) { return QFileInfo::exists(path); };
        deps.onPageCount = [this](int n) { pageCount = n; };
        deps.presentReport = [this](const ApplicationRescan::Report& r) { reports.push_back(r); };
        rescan = std::make_unique<ApplicationRescan>(deps);
    }

    void addApp(const QString& name, const QString& identifier)
    {
        makeBundle(folder, name + QStringLiteral(".app"), infoWith(identifier, name));
    }
    void drain()
    {
        while (!backgroundQueue.empty() || !mainQueue.empty()) {
            auto& queue = backgroundQueue.empty() ? mainQueue : backgroundQueue;
            Task t = std::move(queue.front());
            queue.pop_front();
            t();
        }
    }

    QTemporaryDir apps;
    QString folder;
    std::shared_ptr<AppScanner> scanner;
    ApplicationRescan::Dependencies deps;
    std::unique_ptr<ApplicationRescan> rescan;
    std::deque<Task> backgroundQueue, mainQueue;
    int pageCount = 0;
    std::vector<ApplicationRescan::Report> reports;
};

} // namespace

TEST_F(RescanHarness, MergesNewApplicationsAndLogsWhatWasAdded)
{
    addApp(QStringLiteral("Notes"), QStringLiteral("com.example.notes"));
    addApp(QStringLiteral("Atlas"), QStringLiteral("com.example.atlas"));
    LogCapture log;
    rescan->rescanApps(false);
    EXPECT_TRUE(rescan->isScanning());
    EXPECT_TRUE(log.contains(QStringLiteral("开始扫描应用目录（1 个位置：~/Applications）…")));
    drain();

    EXPECT_FALSE(rescan->isScanning());
    EXPECT_TRUE(rescan->didFinishAppScan());
    EXPECT_EQ(store->allScannedApps().size(), 2);
    EXPECT_EQ(pageCount, 1);
    EXPECT_TRUE(log.contains(QStringLiteral("应用扫描完成 — 找到 2 个（上次 0 个，有变化，后台=")));
    EXPECT_TRUE(log.contains(QStringLiteral("布局已更新 — 新增 2 个：Atlas、Notes，页数：1，主线程尾巴=")));
    EXPECT_TRUE(reports.empty());
}

TEST_F(RescanHarness, ASecondRequestWhileScanningIsDropped)
{
    addApp(QStringLiteral("Notes"), QStringLiteral("com.example.notes"));
    LogCapture log;
    rescan->rescanApps(false);
    rescan->rescanApps(true);
    drain();
    EXPECT_TRUE(log.contains(QStringLiteral("应用扫描已在进行中，跳过本次请求（report=true）")));
    EXPECT_EQ(log.count(QStringLiteral("应用扫描完成")), 1);
    EXPECT_TRUE(reports.empty());
}

TEST_F(RescanHarness, AnUnchangedScanSkipsTheMergeButStillReports)
{
    addApp(QStringLiteral("Notes"), QStringLiteral("com.example.notes"));
    rescan->rescanApps(false);
    drain();
    LogCapture log;
    rescan->rescanApps(true);
    drain();
    EXPECT_TRUE(log.contains(QStringLiteral("无变化")));
    EXPECT_FALSE(log.contains(QStringLiteral("布局已更新")));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].message, QStringLiteral("已重新扫描应用"));
    EXPECT_EQ(reports[0].informativeText,
              QStringLiteral("扫描位置：\n• ~/Applications\n\n共发现 1 个应用。没有新增。"));
}

TEST_F(RescanHarness, TheRescanOutlivedByItsOwnerDoesNothing)
{
    addApp(QStringLiteral("Notes"), QStringLiteral("com.example.notes"));
    rescan->rescanApps(false);
    rescan.reset();
    drain();
    EXPECT_TRUE(store->allScannedApps().isEmpty());
}

// A scene made after the last scan is empty: the next rescan fills it although the scan itself is
// unchanged, and its report counts what went into that scene.
TEST_F(RescanHarness, ANewSceneIsFilledByTheNextRescanAndTheReportCountsWhatItGot)
{
    addApp(QStringLiteral("Notes"), QStringLiteral("com.example.notes"));
    addApp(QStringLiteral("Atlas"), QStringLiteral("com.example.atlas"));
    makeBundle(folder, QStringLiteral("Plain.app"), infoWith(QString(), QStringLiteral("Plain")));
    rescan->rescanApps(false);
    drain();
    ASSERT_EQ(store->layout().allAppsIncludingGroups().size(), 3);

    store->createScene(QStringLiteral("工作"));
    ASSERT_TRUE(store->layout().allAppsIncludingGroups().isEmpty());
    LogCapture log;
    rescan->rescanApps(true);
    drain();
    EXPECT_TRUE(log.contains(QStringLiteral("无变化")));
    QStringList names;
    for (const auto& app : store->layout().allAppsIncludingGroups())
        names << app.name;
    EXPECT_EQ(names, (QStringList{QStringLiteral("Atlas"), QStringLiteral("Notes"), QStringLiteral("Plain")}));
    EXPECT_TRUE(log.contains(QStringLiteral("布局已更新 — 新增 3 个：Atlas、Notes、Plain，页数：1")));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(reports[0].informativeText.endsWith(QStringLiteral("共发现 3 个应用。新增 3 个：Atlas、Notes、Plain")))
        << reports[0].informativeText.toStdString();

    // The scene that already had them gets nothing new.
    store->switchScene(store->scenes().constFirst().id);
    reports.clear();
    rescan->rescanApps(true);
    drain();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(reports[0].informativeText.endsWith(QStringLiteral("没有新增。")));
}

// A scene that still holds an application deleted while another scene was current loses it at
// the next rescan, although the scan is the same as the last one.
TEST_F(RescanHarness, AnApplicationGoneWhileAnotherSceneWasCurrentLeavesThatSceneAtTheNextRescan)
{
    addApp(QStringLiteral("Notes"), QStringLiteral("com.example.notes"));
    addApp(QStringLiteral("Atlas"), QStringLiteral("com.example.atlas"));
    rescan->rescanApps(false);
    drain();
    const QUuid first = store->currentSceneID();
    store->duplicateScene();
    QDir(folder + QStringLiteral("/Notes.app")).removeRecursively();
    rescan->rescanApps(false);
    drain();
    ASSERT_EQ(store->layout().allAppsIncludingGroups().size(), 1);

    store->switchScene(first);
    ASSERT_EQ(store->layout().allAppsIncludingGroups().size(), 2);
    rescan->rescanApps(false);
    drain();
    const auto apps = store->layout().allAppsIncludingGroups();
    ASSERT_EQ(apps.size(), 1);
    EXPECT_EQ(apps[0].name, QStringLiteral("Atlas"));
}

TEST(ApplicationRescanReport, TheTenNameCap)
{
    QStringList eleven;
    for (int i = 1; i <= 11; ++i)
        eleven << QString::number(i);
    const auto report = ApplicationRescan::makeReport({QStringLiteral("/Applications")}, 11, eleven);
    EXPECT_TRUE(report.informativeText.endsWith(QStringLiteral("新增 11 个：1、2、3、4、5、6、7、8、9、10 等")));
}

// Quitting right after a show: the owner goes while its scan still waits for a thread. The scan
// must then read nothing (not even the scanner its owner dropped) and post nothing.
TEST_F(RescanHarness, AScanQueuedWhenItsOwnerGoesNeverRuns)
{
    addApp(QStringLiteral("Notes"), QStringLiteral("com.example.notes"));
    rescan->rescanApps(false);
    drain();
    QDir(folder + QStringLiteral("/Notes.app")).removeRecursively();

    int existenceChecks = 0;
    deps.fileExists = [&existenceChecks](const QString&) { return bool(++existenceChecks); };
    rescan = std::make_unique<ApplicationRescan>(deps);
    rescan->rescanApps(false);
    ASSERT_EQ(backgroundQueue.size(), 1u);
    rescan.reset();
    deps.scanner.reset();
    scanner.reset();
    drain();
    EXPECT_EQ(existenceChecks, 0);
    EXPECT_TRUE(mainQueue.empty());
}

// Quitting during a scan on a real thread: the owner's destruction waits for the scan to let go
// of what it reads.
TEST_F(RescanHarness, DestructionWaitsForTheRunningScan)
{
    addApp(QStringLiteral("Notes"), QStringLiteral("com.example.notes"));
    rescan->rescanApps(false);
    drain();
    QDir(folder + QStringLiteral("/Notes.app")).removeRecursively();

    std::promise<void> entered, release;
    std::mutex mutex;
    QStringList events;
    const auto record = [&](const QString& event) {
        std::lock_guard lock(mutex);
        events << event;
    };
    std::thread worker;
    deps.background = [&worker](Task task) { worker = std::thread(std::move(task)); };
    deps.fileExists = [&](const QString&) {
        entered.set_value();
        release.get_future().wait();
        record(QStringLiteral("scan let go"));
        return false;
    };
    deps.mainThread = [](Task) {};
    rescan = std::make_unique<ApplicationRescan>(deps);
    rescan->rescanApps(false);
    entered.get_future().wait();

    std::thread owner([&] {
        rescan.reset();
        record(QStringLiteral("owner gone"));
    });
    release.set_value();
    owner.join();
    worker.join();
    EXPECT_EQ(events, (QStringList{QStringLiteral("scan let go"), QStringLiteral("owner gone")}));
}

// A rescan that read the disk before an application was uninstalled merges after the removal: the
// application must not come back as a tile of a bundle that is gone. One still on disk does.
TEST_F(RescanHarness, AScanThatReadTheDiskBeforeAnUninstallNeverBringsTheApplicationBack)
{
    addApp(QStringLiteral("Notes"), QStringLiteral("com.example.notes"));
    addApp(QStringLiteral("Atlas"), QStringLiteral("com.example.atlas"));
    rescan->rescanApps(false);
    drain();
    ASSERT_EQ(store->layout().allAppsIncludingGroups().size(), 2);

    rescan->rescanApps(false);
    // The scan reads the disk now, both bundles still there.
    ASSERT_EQ(backgroundQueue.size(), 1u);
    Task scan = std::move(backgroundQueue.front());
    backgroundQueue.pop_front();
    scan();
    ASSERT_EQ(mainQueue.size(), 1u);

    // Then the uninstall: the bundle goes, the tile with it; Atlas's tile goes though its bundle stays.
    QUuid notes, atlas;
    for (const AppItem& app : store->layout().allAppsIncludingGroups())
        (app.name == QStringLiteral("Notes") ? notes : atlas) = app.id;
    QDir(folder + QStringLiteral("/Notes.app")).removeRecursively();
    store->removeApp(notes);
    store->removeApp(atlas);
    ASSERT_EQ(store->layout().allAppsIncludingGroups().size(), 0);

    drain(); // the scan's merge lands now
    QStringList names;
    for (const AppItem& app : store->layout().allAppsIncludingGroups())
        names << app.name;
    EXPECT_EQ(names, QStringList({QStringLiteral("Atlas")}));
    for (const AppItem& app : store->allScannedApps())
        EXPECT_NE(app.name, QStringLiteral("Notes"));
}
