#pragma once

#include "Models/LayoutConfig.h"
#include "Models/SceneStore.h"
#include "Support/Clock.h"

#include <QHash>
#include <QObject>
#include <QStringList>

#include <functional>
#include <optional>

namespace corvanta {

class UserDefaults;

// A position in the layout: page (`section`) and entry within the page (`item`).
struct IndexPath {
    qsizetype section = 0;
    qsizetype item = 0;
};

// A failed backup or restore, with the message shown to the user.
struct LayoutFileError {
    QString domain;
    int code = 0;
    QString message;
};

// The one store of the arrangement: the working layout of the current scene, all scenes, the
// settings record and the last application scan. Used on the main thread only; every mutating
// operation ends with a debounced write of the whole state.
class LayoutManager final : public QObject {
    Q_OBJECT
    Q_PROPERTY(corvanta::TilehallLayout layout READ layout NOTIFY layoutChanged)
    Q_PROPERTY(corvanta::LayoutConfig config READ config WRITE setConfig NOTIFY configChanged)
    Q_PROPERTY(QList<corvanta::TilehallScene> scenes READ scenes NOTIFY scenesChanged)
    Q_PROPERTY(QUuid currentSceneID READ currentSceneID NOTIFY currentSceneIDChanged)
    Q_PROPERTY(QList<corvanta::AppItem> allScannedApps READ allScannedApps NOTIFY allScannedAppsChanged)

public:
    static constexpr char settingsKey[] = "com.corvanta.settings";
    static constexpr char legacySettingsKey[] = "com.verdanza.settings";
    static constexpr char utilitiesFolderEnsuredKey[] = "com.corvanta.systemUtilitiesFolderEnsured";
    static constexpr char testSupportDirVariable[] = "CORVANTA_TEST_SUPPORT_DIR";
    static constexpr double saveDelay = 0.5;

    struct Dependencies {
        Scheduler* scheduler = nullptr;
        UserDefaults* defaults = nullptr;
        // The per-user Application Support folder; the program's own "Corvanta" folder is under it.
        QString applicationSupportBase;
        // The folder of per-language "SystemFolderLocalizations.strings" files naming Utilities.
        QString systemFolderLocalizationsRoot;
        QStringList preferredLanguages;
        // Frees what the program keeps on the same disk only to save time (the icon cache) when
        // the layout's write finds the disk or the quota full; the write is then tried once more.
        std::function<void()> makeRoom;
    };
    // What the program runs with: the main-thread scheduler, the standard defaults and folders.
    static Dependencies systemDependencies();
    static LayoutManager& shared();

    // Loads the settings and the layout file; never fails.
    explicit LayoutManager(Dependencies dependencies, QObject* parent = nullptr);
    ~LayoutManager() override;

    const TilehallLayout& layout() const { return m_layout; }
    const LayoutConfig& config() const { return m_config; }
    void setConfig(const LayoutConfig& config);
    const QList<TilehallScene>& scenes() const { return m_scenes; }
    QUuid currentSceneID() const { return m_currentSceneID; }
    const QList<AppItem>& allScannedApps() const { return m_allScannedApps; }

    // --- load and save ------------------------------------------------------------------------
    // Asks for a write of the whole state 0.5 s from now; a later call restarts the wait.
    void save();
    // Writes the layout file and the settings at once.
    void performSave();
    bool hasPendingSave() const { return m_saveTimer.isActive(); }
    QString layoutFilePath() const;

    // --- rescan merge ---------------------------------------------------------------------------
    // Tells whether anything exists at a file path.
    using DiskExistence = std::function<bool(const QString& path)>;
    void updateScannedApps(const QList<AppItem>& apps, const DiskExistence& diskExistence = {});
    QString localizedUtilitiesFolderName() const;

    // --- edits ----------------------------------------------------------------------------------
    std::optional<PageEntry> entry(const QUuid& id) const;
    void moveEntry(IndexPath from, IndexPath to);
    std::optional<QUuid> mergeEntries(const QUuid& draggedID, const QUuid& targetID);
    void extractFromGroup(const QUuid& appID, const QUuid& groupID);
    void renameGroup(const QUuid& id, const QString& name);
    // An uninstalled application: out of the scan, the working layout and every other scene.
    void removeApp(const QUuid& id);
    // Counts removals; a scan notes it when it starts reading the disk.
    quint64 removalCount() const { return quint64(m_removedPaths.size()); }
    // The bundle paths of the applications removed since `count`, oldest first.
    QStringList removedSince(quint64 count) const { return m_removedPaths.mid(qsizetype(count)); }

    // --- scenes, backup and restore -------------------------------------------------------------
    void switchScene(const QUuid& id);
    QUuid createScene(const std::optional<QString>& name = std::nullopt);
    std::optional<QUuid> duplicateScene(const std::optional<QUuid>& id = std::nullopt);
    void renameScene(const QUuid& id, const QString& name);
    bool deleteScene(const QUuid& id);
    // Both return the error instead of throwing; nothing changes when one is returned.
    std::optional<LayoutFileError> backupLayout(const QString& path);
    std::optional<LayoutFileError> restoreLayout(const QString& path);

    // --- page maintenance, reset and search -----------------------------------------------------
    void removeEmptyPages();
    void compactPages();
    void resetLayout();
    QList<AppItem> searchApps(const QString& query) const;

    // Entries one page holds: rows × columns, each counted as at least 1.
    qsizetype pageCapacity() const;
    // The folder of the system's utility applications: flagged, or carrying the fixed id.
    static bool isUtilitiesFolder(const AppGroup& group);

Q_SIGNALS:
    void layoutChanged();
    void configChanged();
    void scenesChanged();
    void currentSceneIDChanged();
    void allScannedAppsChanged();

private:
    struct UtilitiesFolderPosition {
        qsizetype page;
        qsizetype entry;
        AppGroup folder;
    };

    // One scene "默认" holding `layout`, current.
    static SceneStore singleSceneStore(TilehallLayout layout);
    static TilehallPage newEmptyPage();
    // A scene store whose current id names one of its scenes, else the earlier single-layout
    // form wrapped into one scene; none when the bytes are neither. `storeError` receives the
    // reason the scene-store form did not decode, if it did not.
    static std::optional<SceneStore> decodeAcceptedStore(const QByteArray& bytes, QString* storeError);

    // load and save
    void loadSettings();
    std::optional<SceneStore> loadSceneStore();
    void setAsideRejectedFile();
    // A typed name, trimmed and cut to the stored length (with a log line when cut).
    static QString boundedName(const QString& name);
    // Settings that do not decode are copied beside the layout file and logged before the
    // defaults replace them.
    void keepRejectedSettings(const QByteArray& bytes, const QString& reason);
    void syncCurrentSceneLayout();
    void rebuildAppLookup();
    void applyStore(const SceneStore& store);

    // published state
    void setLayout(TilehallLayout layout);
    void setPages(QList<TilehallPage> pages);
    void setScenes(QList<TilehallScene> scenes);
    void setCurrentSceneID(const QUuid& id);
    void setAllScannedApps(QList<AppItem> apps);

    // merge
    void ensureSystemUtilitiesFolder(QList<AppItem>& newApps);
    std::optional<UtilitiesFolderPosition> findSystemUtilitiesFolder() const;
    void addToLastAvailablePage(const PageEntry& entry, qsizetype capacity);
    void pruneEmptyGroups();
    void dropTrailingEmptyPages();

    // edits
    std::optional<IndexPath> indexOfEntry(const QUuid& id) const;
    void replaceEntry(const QUuid& id, const PageEntry& entry);
    void removeEntryByID(const QUuid& id);
    void dissolveSingleAppGroups();

    Dependencies m_deps;
    TilehallLayout m_layout;
    LayoutConfig m_config;
    QList<TilehallScene> m_scenes;
    QUuid m_currentSceneID;
    ScheduledTask m_saveTimer;
    QList<AppItem> m_allScannedApps;
    QHash<QUuid, AppItem> m_appLookup;
    // Every removed application's bundle path, for scans that read the disk before the removal.
    QStringList m_removedPaths;
    // Set when the layout file found at start was not accepted; it is copied aside before the
    // first write replaces it.
    bool m_rejectedFilePending = false;
    // Search keys of `m_allScannedApps` (name, identifier), built on first search after a change.
    mutable QList<std::pair<QString, QString>> m_searchKeys;
    mutable bool m_searchKeysValid = false;
};

} // namespace corvanta
