#include "Models/SceneStore.h"

namespace corvanta {

size_t qHash(const TilehallPage& page, size_t seed) noexcept
{
    seed = qHashMulti(seed, page.id);
    for (const PageEntry& entry : page.entries)
        seed = qHash(entry, seed);
    return seed;
}

std::optional<AppItem> TilehallLayout::findApp(const QUuid& id) const
{
    for (const TilehallPage& page : pages) {
        for (const PageEntry& entry : page.entries) {
            if (const AppItem* app = entry.asApp()) {
                if (app->id == id)
                    return *app;
            } else {
                for (const AppItem& member : entry.asGroup()->apps) {
                    if (member.id == id)
                        return member;
                }
            }
        }
    }
    return std::nullopt;
}

QList<AppItem> TilehallLayout::allApps() const
{
    QList<AppItem> result;
    for (const TilehallPage& page : pages) {
        for (const PageEntry& entry : page.entries) {
            if (const AppItem* app = entry.asApp())
                result.append(*app);
        }
    }
    return result;
}

QList<AppGroup> TilehallLayout::allGroups() const
{
    QList<AppGroup> result;
    for (const TilehallPage& page : pages) {
        for (const PageEntry& entry : page.entries) {
            if (const AppGroup* group = entry.asGroup())
                result.append(*group);
        }
    }
    return result;
}

QList<AppItem> TilehallLayout::allAppsIncludingGroups() const
{
    QList<AppItem> result = allApps();
    for (const AppGroup& group : allGroups())
        result.append(group.apps);
    return result;
}

const TilehallScene& SceneStore::currentScene() const
{
    for (const TilehallScene& scene : scenes) {
        if (scene.id == currentSceneID)
            return scene;
    }
    return scenes.first();
}

} // namespace corvanta
