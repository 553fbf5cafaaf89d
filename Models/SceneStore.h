#pragma once

#include "Models/PageEntry.h"

#include <optional>

namespace corvanta {

struct TilehallPage {
    QUuid id;
    QList<PageEntry> entries; // grid reading order

    bool operator==(const TilehallPage&) const = default;
};

size_t qHash(const TilehallPage& page, size_t seed = 0) noexcept;

// One arrangement of the applications.
struct TilehallLayout {
    QList<TilehallPage> pages;
    QList<QUuid> hiddenAppIDs;

    std::optional<AppItem> findApp(const QUuid& id) const;
    QList<AppItem> allApps() const;
    QList<AppGroup> allGroups() const;
    QList<AppItem> allAppsIncludingGroups() const;

    bool operator==(const TilehallLayout&) const = default;
};

struct TilehallScene {
    QUuid id;
    QString name;
    TilehallLayout layout;

    bool operator==(const TilehallScene&) const = default;
};

// The persisted root of layout.json and of backups. `scenes` is kept non-empty by the store.
struct SceneStore {
    QUuid currentSceneID;
    QList<TilehallScene> scenes;

    const TilehallScene& currentScene() const;

    bool operator==(const SceneStore&) const = default;
};

} // namespace corvanta
