#include "Services/ApplicationRescan.h"

#include "Services/LayoutManager.h"
#include "Support/Logger.h"

#include <QPointer>
#include <QSet>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <stop_token>

namespace corvanta {

namespace {

QString boolText(bool value) { return value ? QStringLiteral("true") : QStringLiteral("false"); }

QString changeSignature(const AppItem& app)
{
    return app.bundleIdentifier + QLatin1Char('|') + app.name + QLatin1Char('|') + app.path();
}

bool sameApplications(const QList<AppItem>& a, const QList<AppItem>& b)
{
    if (a.size() != b.size())
        return false;
    QStringList left, right;
    for (const auto& app : a)
        left << changeSignature(app);
    for (const auto& app : b)
        right << changeSignature(app);
    std::sort(left.begin(), left.end());
    std::sort(right.begin(), right.end());
    return left == right;
}

// Whether the current scene holds exactly the scanned applications: a scene made or restored
// since the last scan lacks some or holds some that are gone, even when the scan itself is unchanged.
bool sceneMatchesScan(const TilehallLayout& layout, const QList<AppItem>& scanned)
{
    QSet<QString> inScene;
    for (const auto& app : layout.allAppsIncludingGroups())
        inScene.insert(ApplicationRescan::identityKey(app));
    QSet<QString> inScan;
    for (const auto& app : scanned)
        inScan.insert(ApplicationRescan::identityKey(app));
    return inScene == inScan;
}

} // namespace

// What the owner and the scan in flight share: the request to stop, and whether a scan is
// running on its thread now.
struct ApplicationRescan::Flight {
    std::stop_source stop;
    std::mutex mutex;
    std::condition_variable idle;
    bool running = false;

    // False when cancelled before the scan got its thread.
    bool begin()
    {
        std::lock_guard lock(mutex);
        if (stop.stop_requested())
            return false;
        running = true;
        return true;
    }
    void end()
    {
        {
            std::lock_guard lock(mutex);
            running = false;
        }
        idle.notify_all();
    }
    void cancelAndWait()
    {
        stop.request_stop();
        std::unique_lock lock(mutex);
        idle.wait(lock, [this] { return !running; });
    }
};

ApplicationRescan::ApplicationRescan(Dependencies dependencies, QObject* parent)
    : QObject(parent), m_deps(std::move(dependencies)), m_flight(std::make_shared<Flight>())
{
}

ApplicationRescan::~ApplicationRescan() { cancel(); }

void ApplicationRescan::cancel()
{
    if (m_flight->stop.stop_requested())
        return;
    if (m_isScanning)
        CLOG_INFO(QStringLiteral("应用扫描已取消"));
    m_flight->cancelAndWait();
}

QString ApplicationRescan::identityKey(const AppItem& app)
{
    return app.bundleIdentifier.isEmpty() ? app.path() : app.bundleIdentifier;
}

QStringList ApplicationRescan::displayedFolders() const
{
    QStringList out;
    const QString& home = m_deps.homeDirectory;
    for (QString folder : m_deps.scanner->directories()) {
        if (!home.isEmpty() && (folder == home || folder.startsWith(home + QLatin1Char('/'))))
            folder = QLatin1Char('~') + folder.mid(home.size());
        out << folder;
    }
    return out;
}

ApplicationRescan::Report ApplicationRescan::makeReport(const QStringList& folders, qsizetype scannedCount,
                                                       const QStringList& addedNames)
{
    QStringList lines;
    for (const auto& folder : folders)
        lines << QStringLiteral("• ") + folder;
    QString text = QStringLiteral("扫描位置：\n") + lines.join(QLatin1Char('\n'));
    text += QStringLiteral("\n\n共发现 %1 个应用。").arg(scannedCount);
    if (!addedNames.isEmpty()) {
        text += QStringLiteral("新增 %1 个：").arg(addedNames.size()) + addedNames.mid(0, 10).join(QStringLiteral("、"));
        if (addedNames.size() > 10)
            text += QStringLiteral(" 等");
    } else {
        text += QStringLiteral("没有新增。");
    }
    return {QStringLiteral("已重新扫描应用"), text};
}

void ApplicationRescan::rescanApps(bool report)
{
    if (m_flight->stop.stop_requested())
        return;
    if (m_isScanning) {
        CLOG_INFO(QStringLiteral("应用扫描已在进行中，跳过本次请求（report=%1）").arg(boolText(report)));
        return;
    }
    m_isScanning = true;
    const QStringList folders = displayedFolders();
    CLOG_INFO(QStringLiteral("开始扫描应用目录（%1 个位置：%2）…").arg(QString::number(folders.size()), folders.join(QStringLiteral("，"))));

    const QList<AppItem> known = m_deps.layoutManager->layout().allAppsIncludingGroups();
    const quint64 removals = m_deps.layoutManager->removalCount();
    QPointer<ApplicationRescan> self(this);
    std::shared_ptr<Flight> flight = m_flight;
    std::shared_ptr<const AppScanner> scanner = m_deps.scanner;
    const Clock* clock = m_deps.clock;
    auto fileExists = m_deps.fileExists;
    TaskRunner mainThread = m_deps.mainThread;
    m_deps.background([self, flight, known, removals, scanner, clock, fileExists, mainThread, report] {
        // Until end(), the owner's destruction waits for this thread, so the clock and the hooks
        // stay valid; after a cancel nothing more is read or posted.
        if (!flight->begin())
            return;
        const std::stop_token stop = flight->stop.get_token();
        const double t0 = clock->now();
        const QList<AppItem> scanned = scanner->scanAll(stop);
        QSet<QString> scannedIdentifiers;
        for (const auto& app : scanned)
            scannedIdentifiers.insert(app.bundleIdentifier);
        QHash<QString, bool> existence;
        for (const auto& app : known) {
            if (stop.stop_requested())
                break;
            if (!scannedIdentifiers.contains(app.bundleIdentifier))
                existence.insert(app.path(), fileExists(app.path()));
        }
        const double backgroundMs = (clock->now() - t0) * 1000.0;
        if (!stop.stop_requested()) {
            mainThread([self, scanned, existence, removals, report, backgroundMs] {
                if (self)
                    self->finish(scanned, existence, removals, report, backgroundMs);
            });
        }
        flight->end();
    });
}

void ApplicationRescan::finish(const QList<AppItem>& given, const QHash<QString, bool>& existence, quint64 removals,
                               bool report, double backgroundMs)
{
    if (m_flight->stop.stop_requested())
        return;
    // An application uninstalled while this scan was reading the disk is not brought back by
    // what it read before: only a bundle that is still there now returns.
    QList<AppItem> scanned = given;
    for (const QString& removed : m_deps.layoutManager->removedSince(removals))
        if (!removed.isEmpty() && (!m_deps.fileExists || !m_deps.fileExists(removed)))
            scanned.removeIf([&removed](const AppItem& app) { return app.path() == removed; });
    m_isScanning = false;
    m_didFinishAppScan = true;
    const double t1 = m_deps.clock->now();
    LayoutManager& store = *m_deps.layoutManager;
    const QList<AppItem> previous = store.allScannedApps();
    const bool unchanged = sameApplications(previous, scanned);
    CLOG_INFO(QStringLiteral("应用扫描完成 — 找到 %1 个（上次 %2 个，%3，后台=%4ms 存在性预检=%5 条）")
                  .arg(scanned.size())
                  .arg(previous.size())
                  .arg(unchanged ? QStringLiteral("无变化") : QStringLiteral("有变化"))
                  .arg(QString::number(backgroundMs, 'f', 0))
                  .arg(existence.size()));

    QStringList added;
    if (!unchanged || !sceneMatchesScan(store.layout(), scanned)) {
        QSet<QString> before;
        for (const auto& app : store.layout().allAppsIncludingGroups())
            before.insert(identityKey(app));
        auto fileExists = m_deps.fileExists;
        store.updateScannedApps(scanned, [existence, fileExists](const QString& path) {
            const auto it = existence.constFind(path);
            return it != existence.constEnd() ? *it : fileExists(path);
        });
        const int pageCount = std::max<int>(1, int(store.layout().pages.size()));
        if (m_deps.onPageCount)
            m_deps.onPageCount(pageCount);
        for (const auto& app : store.layout().allAppsIncludingGroups())
            if (!before.contains(identityKey(app)))
                added << app.name;
        const QString addedText = added.isEmpty()
            ? QStringLiteral("无新增")
            : QStringLiteral("新增 %1 个：").arg(added.size()) + added.mid(0, 8).join(QStringLiteral("、"));
        CLOG_INFO(QStringLiteral("布局已更新 — %1，页数：%2，主线程尾巴=%3ms")
                      .arg(addedText, QString::number(store.layout().pages.size()),
                           QString::number((m_deps.clock->now() - t1) * 1000.0, 'f', 0)));
    }
    if (report && m_deps.presentReport)
        m_deps.presentReport(makeReport(displayedFolders(), scanned.size(), added));
    Q_EMIT scanFinished();
}

} // namespace corvanta
