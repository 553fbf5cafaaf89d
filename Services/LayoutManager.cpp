#include "Services/LayoutManager.h"

#include "Models/LayoutConfigJson.h"
#include "Models/LayoutJson.h"
#include "Models/StoredLimits.h"
#include "Platform/StandardPaths.h"
#include "Platform/UserDefaults.h"
#include "Services/IconDiskCache.h"
#include "Services/UtilitiesFolderName.h"
#include "Support/AtomicFile.h"
#include "Support/Constants.h"
#include "Support/Logger.h"
#include "Support/QtScheduler.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QPointer>

#include <cerrno>
#include <cstdio>

namespace corvanta {

namespace {

// A failed layout write goes to standard output and to the log.
void printSaveFailure(const QString& reason)
{
    const QString text = QStringLiteral("Failed to save layout: ") + reason;
    const QByteArray line = text.toUtf8() + '\n';
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
    std::fflush(stdout);
    CLOG_ERROR(text);
}

bool namesScene(const SceneStore& store)
{
    for (const TilehallScene& scene : store.scenes) {
        if (scene.id == store.currentSceneID)
            return true;
    }
    return false;
}

} // namespace

TilehallPage LayoutManager::newEmptyPage()
{
    return TilehallPage{QUuid::createUuid(), {}};
}

SceneStore LayoutManager::singleSceneStore(TilehallLayout layout)
{
    const TilehallScene scene{QUuid::createUuid(), QStringLiteral("默认"), std::move(layout)};
    return SceneStore{scene.id, {scene}};
}

std::optional<SceneStore> LayoutManager::decodeAcceptedStore(const QByteArray& bytes, QString* storeError)
{
    std::optional<SceneStore> store = decodeSceneStore(bytes, storeError);
    if (!store && storeError && storeError->isEmpty())
        *storeError = QStringLiteral("The data is not in the correct format.");
    if (!store || !namesScene(*store)) {
        std::optional<TilehallLayout> legacy = decodeLayout(bytes);
        store = legacy ? std::optional(singleSceneStore(std::move(*legacy))) : std::nullopt;
    }
    if (store) {
        if (const int cut = cutStoredNames(*store))
            CLOG_WARN(QStringLiteral("布局中有 ") + QString::number(cut) + QStringLiteral(" 个名称超过 ")
                      + QString::number(StoredLimits::maxNameLength) + QStringLiteral(" 个字符，已截断"));
        if (const int dropped = dropOverlongIdentifiers(*store))
            CLOG_WARN(QStringLiteral("布局中有 ") + QString::number(dropped) + QStringLiteral(" 个应用标识符超过 ")
                      + QString::number(StoredLimits::maxIdentifierLength) + QStringLiteral(" 个字符，已去掉"));
    }
    return store;
}

QString LayoutManager::boundedName(const QString& name)
{
    const QString trimmed = name.trimmed();
    if (trimmed.size() <= StoredLimits::maxNameLength)
        return trimmed;
    CLOG_WARN(QStringLiteral("名称过长（") + QString::number(trimmed.size()) + QStringLiteral(" 个字符），已截断为 ")
              + QString::number(StoredLimits::maxNameLength) + QStringLiteral(" 个"));
    return cutName(trimmed);
}

LayoutManager::Dependencies LayoutManager::systemDependencies()
{
    Dependencies deps;
    deps.scheduler = &QtScheduler::shared();
    deps.defaults = &UserDefaults::standard();
    deps.applicationSupportBase = StandardPaths::applicationSupportDirectory();
    deps.systemFolderLocalizationsRoot = QString::fromLatin1(UtilitiesFolderName::systemLocalizationsRoot);
    deps.preferredLanguages = QLocale::system().uiLanguages();
    deps.makeRoom = [] { IconDiskCache::shared().giveUpSpace(); };
    return deps;
}

LayoutManager& LayoutManager::shared()
{
    static LayoutManager* instance = new LayoutManager(systemDependencies());
    return *instance;
}

LayoutManager::LayoutManager(Dependencies dependencies, QObject* parent)
    : QObject(parent), m_deps(std::move(dependencies)), m_currentSceneID(QUuid::createUuid())
{
    Q_ASSERT(m_deps.scheduler && m_deps.defaults);
    loadSettings();

    std::optional<SceneStore> store = loadSceneStore();
    applyStore(store ? *store : singleSceneStore(TilehallLayout{{newEmptyPage()}, {}}));
    rebuildAppLookup();

    // An earlier build stored a spacing of exactly 48 that the grid no longer fits.
    if (m_config.iconSpacing == 48) {
        m_config.iconSpacing = 36;
        save();
    }
}

LayoutManager::~LayoutManager() = default;

void LayoutManager::loadSettings()
{
    UserDefaults& defaults = *m_deps.defaults;
    const QString key = QString::fromLatin1(settingsKey);
    const QString legacyKey = QString::fromLatin1(legacySettingsKey);
    const std::optional<QByteArray> current = defaults.data(key);
    const std::optional<QByteArray> stored = current ? current : defaults.data(legacyKey);
    if (!stored)
        return;
    QString error;
    const std::optional<LayoutConfig> decoded = decodeLayoutConfig(*stored, &error);
    if (!decoded) {
        keepRejectedSettings(*stored, error);
        return;
    }
    m_config = *decoded;
    if (!current) {
        defaults.setData(key, *stored);
        defaults.remove(legacyKey);
    }
}

std::optional<SceneStore> LayoutManager::loadSceneStore()
{
    const QString path = layoutFilePath();
    // A write cut short (the process killed) leaves its temporary beside the file, as large as
    // the layout; each start clears those no running copy is still writing.
    if (const int removed = removeStaleTemporaries(path))
        CLOG_INFO(QStringLiteral("已清理中断写入留下的 layout.json 临时文件 ") + QString::number(removed) + QStringLiteral(" 个"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        // Present but unreadable: the arrangement in it must survive the next write.
        m_rejectedFilePending = QFileInfo::exists(path);
        return std::nullopt;
    }
    if (file.size() > StoredLimits::maxLayoutFileBytes) {
        CLOG_ERROR(QStringLiteral("layout.json 过大（") + QString::number(file.size()) + QStringLiteral(" 字节，上限 ")
                   + QString::number(StoredLimits::maxLayoutFileBytes) + QStringLiteral("），未读取"));
        m_rejectedFilePending = true;
        return std::nullopt;
    }
    QString error;
    std::optional<SceneStore> store = decodeAcceptedStore(file.readAll(), &error);
    if (!error.isEmpty())
        CLOG_WARN(QStringLiteral("阶段62：layout.json 不是场景集合格式（旧版或损坏），将按旧布局迁移 — ") + error);
    m_rejectedFilePending = !store;
    return store;
}

void LayoutManager::applyStore(const SceneStore& store)
{
    setScenes(store.scenes);
    setCurrentSceneID(store.currentSceneID);
    setLayout(store.currentScene().layout);
}

QString LayoutManager::layoutFilePath() const
{
    const QString testDir = qEnvironmentVariable(testSupportDirVariable);
    if (qEnvironmentVariableIsSet(testSupportDirVariable)) {
        const QString folder = QDir(testDir).filePath(QStringLiteral("Corvanta"));
        QDir().mkpath(folder);
        return QDir(folder).filePath(QStringLiteral("layout.json"));
    }
    const QString folder = AppConstants::resolvedAppSupportDirectory(m_deps.applicationSupportBase);
    return QDir(folder).filePath(QStringLiteral("layout.json"));
}

void LayoutManager::setConfig(const LayoutConfig& config)
{
    if (config == m_config)
        return;
    m_config = config;
    Q_EMIT configChanged();
}

void LayoutManager::save()
{
    QPointer<LayoutManager> self(this);
    m_saveTimer = ScheduledTask(m_deps.scheduler, m_deps.scheduler->schedule(saveDelay, [self] {
        if (!self)
            return;
        // The task is finished; forget it so that cancelling it later does nothing.
        self->m_saveTimer = ScheduledTask();
        self->performSave();
    }));
}

void LayoutManager::performSave()
{
    // A full write now makes the delayed one pointless.
    m_saveTimer.cancel();
    syncCurrentSceneLayout();
    const QByteArray bytes = encodeSceneStore(SceneStore{m_currentSceneID, m_scenes});
    const QString path = layoutFilePath();
    if (m_rejectedFilePending)
        setAsideRejectedFile();
    if (m_rejectedFilePending) {
        printSaveFailure(QStringLiteral("the unreadable layout file at %1 could not be set aside").arg(path));
    } else if (bytes.size() > StoredLimits::maxLayoutFileBytes) {
        // The next start would refuse it and begin from an empty scene: the last file it reads
        // stays instead.
        printSaveFailure(QStringLiteral("the layout would take ") + QString::number(bytes.size())
                         + QStringLiteral(" bytes, more than the ") + QString::number(StoredLimits::maxLayoutFileBytes)
                         + QStringLiteral(" a start reads; layout.json was left as it was"));
    } else {
        QString error;
        int code = 0;
        bool written = writeFileAtomically(path, bytes, &error, FileSync::toDisk, &code);
        // The arrangement comes before any cache: room is made and the write tried once more.
        if (!written && (code == ENOSPC || code == EDQUOT) && m_deps.makeRoom) {
            m_deps.makeRoom();
            written = writeFileAtomically(path, bytes, &error);
        }
        if (!written)
            printSaveFailure(error);
    }
    m_deps.defaults->setData(QString::fromLatin1(settingsKey), encodeLayoutConfig(m_config));
}

void LayoutManager::keepRejectedSettings(const QByteArray& bytes, const QString& reason)
{
    // Beside the layout file, like its own set-aside copies: the next save replaces the settings.
    const QDir folder = QFileInfo(layoutFilePath()).dir();
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmmss"));
    const QString stem = folder.filePath(QStringLiteral("settings-rejected-") + stamp);
    QString copy = stem + QStringLiteral(".json");
    for (int n = 2; QFileInfo::exists(copy) && n < 1000; ++n)
        copy = stem + u'-' + QString::number(n) + QStringLiteral(".json");
    folder.mkpath(QStringLiteral("."));
    if (writeFileAtomically(copy, bytes))
        CLOG_WARN(QStringLiteral("设置无法解码（") + reason + QStringLiteral("），已另存为 ") + copy + QStringLiteral("，改用默认设置"));
    else
        CLOG_ERROR(QStringLiteral("设置无法解码（") + reason + QStringLiteral("），且无法另存，改用默认设置"));
}

void LayoutManager::setAsideRejectedFile()
{
    const QString path = layoutFilePath();
    if (!QFileInfo::exists(path)) {
        m_rejectedFilePending = false;
        return;
    }
    const QFileInfo info(path);
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmmss"));
    const QString stem = info.dir().filePath(QStringLiteral("layout-rejected-") + stamp);
    for (int n = 1; n < 1000; ++n) {
        const QString copy = n == 1 ? stem + QStringLiteral(".json") : stem + QStringLiteral("-%1.json").arg(n);
        if (QFileInfo::exists(copy))
            continue;
        // Copy first; a file we cannot read can still be moved aside whole.
        if (QFile::copy(path, copy) || QFile::rename(path, copy)) {
            CLOG_WARN(QStringLiteral("layout.json 未能读取或解析，写入新布局前已另存为 ") + copy);
            m_rejectedFilePending = false;
            return;
        }
        if (!QFileInfo::exists(copy))
            break; // not a name clash: the folder refuses the copy
    }
    CLOG_ERROR(QStringLiteral("layout.json 未能读取或解析，且无法另存：") + path);
}

void LayoutManager::syncCurrentSceneLayout()
{
    for (TilehallScene& scene : m_scenes) {
        if (scene.id == m_currentSceneID) {
            scene.layout = m_layout;
            Q_EMIT scenesChanged();
            return;
        }
    }
}

void LayoutManager::rebuildAppLookup()
{
    m_appLookup.clear();
    m_appLookup.reserve(m_allScannedApps.size() * 2);
    for (const AppItem& app : m_allScannedApps)
        m_appLookup.insert(app.id, app);
    for (const TilehallPage& page : m_layout.pages) {
        for (const PageEntry& entry : page.entries) {
            if (const AppItem* app = entry.asApp())
                m_appLookup.insert(app->id, *app);
        }
    }
    for (const TilehallPage& page : m_layout.pages) {
        for (const PageEntry& entry : page.entries) {
            if (const AppGroup* group = entry.asGroup()) {
                for (const AppItem& member : group->apps)
                    m_appLookup.insert(member.id, member);
            }
        }
    }
}

void LayoutManager::setLayout(TilehallLayout layout)
{
    m_layout = std::move(layout);
    Q_EMIT layoutChanged();
}

void LayoutManager::setPages(QList<TilehallPage> pages)
{
    m_layout.pages = std::move(pages);
    Q_EMIT layoutChanged();
}

void LayoutManager::setScenes(QList<TilehallScene> scenes)
{
    m_scenes = std::move(scenes);
    Q_EMIT scenesChanged();
}

void LayoutManager::setCurrentSceneID(const QUuid& id)
{
    m_currentSceneID = id;
    Q_EMIT currentSceneIDChanged();
}

void LayoutManager::setAllScannedApps(QList<AppItem> apps)
{
    m_allScannedApps = std::move(apps);
    m_searchKeysValid = false;
    Q_EMIT allScannedAppsChanged();
}

qsizetype LayoutManager::pageCapacity() const
{
    // The settings decoder accepts any count; a page always holds at least one entry.
    return qsizetype(std::max(1, m_config.rows)) * qsizetype(std::max(1, m_config.columns));
}

} // namespace corvanta
