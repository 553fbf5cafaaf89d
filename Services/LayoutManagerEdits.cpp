// Edits of the working layout made by the user from the grid.
#include "Services/LayoutManager.h"

#include "Support/Logger.h"

namespace corvanta {

namespace {

QString entryName(const PageEntry& entry)
{
    if (const AppItem* app = entry.asApp())
        return app->name;
    return entry.asGroup()->name;
}

// Takes the matching applications out of a stored scene's layout and tidies it the way the working
// layout is tidied: emptied folders go, folders left with one member give it back to the grid
// (except Utilities), emptied trailing pages go.
bool removeFromStoredLayout(TilehallLayout& layout, const std::function<bool(const AppItem&)>& matches)
{
    bool changed = false;
    for (TilehallPage& page : layout.pages) {
        changed = page.entries.removeIf([&matches](const PageEntry& entry) {
            const AppItem* app = entry.asApp();
            return app && matches(*app);
        }) > 0 || changed;
        for (PageEntry& entry : page.entries) {
            AppGroup* group = entry.asGroup();
            if (!group || group->apps.removeIf(matches) == 0)
                continue;
            changed = true;
            if (group->apps.size() == 1 && !LayoutManager::isUtilitiesFolder(*group))
                entry = PageEntry::app(group->apps.first());
        }
        page.entries.removeIf([](const PageEntry& entry) {
            const AppGroup* group = entry.asGroup();
            return group && group->apps.isEmpty();
        });
    }
    while (changed && layout.pages.size() >= 2 && layout.pages.last().entries.isEmpty())
        layout.pages.removeLast();
    return changed;
}

} // namespace

std::optional<IndexPath> LayoutManager::indexOfEntry(const QUuid& id) const
{
    for (qsizetype p = 0; p < m_layout.pages.size(); ++p) {
        const QList<PageEntry>& entries = m_layout.pages[p].entries;
        for (qsizetype e = 0; e < entries.size(); ++e) {
            if (entries[e].id() == id)
                return IndexPath{p, e};
        }
    }
    return std::nullopt;
}

std::optional<PageEntry> LayoutManager::entry(const QUuid& id) const
{
    const std::optional<IndexPath> at = indexOfEntry(id);
    if (!at)
        return std::nullopt;
    return m_layout.pages[at->section].entries[at->item];
}

void LayoutManager::replaceEntry(const QUuid& id, const PageEntry& entry)
{
    if (const std::optional<IndexPath> at = indexOfEntry(id)) {
        m_layout.pages[at->section].entries[at->item] = entry;
        Q_EMIT layoutChanged();
    }
}

void LayoutManager::removeEntryByID(const QUuid& id)
{
    if (const std::optional<IndexPath> at = indexOfEntry(id)) {
        m_layout.pages[at->section].entries.removeAt(at->item);
        Q_EMIT layoutChanged();
    }
}

void LayoutManager::moveEntry(IndexPath from, IndexPath to)
{
    const qsizetype pageCount = m_layout.pages.size();
    const auto validPage = [pageCount](qsizetype page) { return page >= 0 && page < pageCount; };
    if (!validPage(from.section) || !validPage(to.section))
        return;
    QList<PageEntry>& source = m_layout.pages[from.section].entries;
    // A negative target index is as meaningless as a negative page: no move.
    if (from.item < 0 || from.item >= source.size() || to.item < 0)
        return;
    PageEntry moved = source.takeAt(from.item);
    Q_EMIT layoutChanged();
    QList<PageEntry>& target = m_layout.pages[to.section].entries;
    target.insert(std::min(to.item, target.size()), std::move(moved));
    Q_EMIT layoutChanged();
    save();
}

std::optional<QUuid> LayoutManager::mergeEntries(const QUuid& draggedID, const QUuid& targetID)
{
    if (draggedID == targetID)
        return std::nullopt;
    const std::optional<PageEntry> dragged = entry(draggedID);
    const std::optional<PageEntry> target = entry(targetID);
    if (!dragged || !target)
        return std::nullopt;

    AppGroup result;
    if (const AppGroup* folder = target->asGroup()) {
        result = *folder;
        const QList<QUuid> memberIDs = folder->appIDs();
        for (const AppItem& app : dragged->containedApps()) {
            if (!memberIDs.contains(app.id))
                result.apps.append(app);
        }
    } else {
        const AppItem& targetApp = *target->asApp();
        result = AppGroup{QUuid::createUuid(), targetApp.name, {targetApp}, false};
        for (const AppItem& app : dragged->containedApps()) {
            if (app.id != targetApp.id)
                result.apps.append(app);
        }
    }
    replaceEntry(targetID, PageEntry::group(result));
    removeEntryByID(draggedID);
    pruneEmptyGroups();
    rebuildAppLookup();
    save();
    CLOG_INFO(QStringLiteral("阶段36：合并文件夹 — 目标=%1 ← 拖动=%2，成员数=%3")
                  .arg(entryName(*target), entryName(*dragged), QString::number(result.apps.size())));
    return result.id;
}

void LayoutManager::extractFromGroup(const QUuid& appID, const QUuid& groupID)
{
    const std::optional<AppItem> app = m_layout.findApp(appID);
    if (!app)
        return;
    const std::optional<IndexPath> at = indexOfEntry(groupID);
    if (!at)
        return;
    const AppGroup* found = m_layout.pages[at->section].entries[at->item].asGroup();
    if (!found || !found->appIDs().contains(appID))
        return;

    AppGroup folder = *found;
    folder.apps.removeIf([&appID](const AppItem& member) { return member.id == appID; });
    QList<PageEntry>& entries = m_layout.pages[at->section].entries;
    if (!folder.apps.isEmpty()) {
        entries[at->item] = PageEntry::group(folder);
        Q_EMIT layoutChanged();
        entries.insert(at->item + 1, PageEntry::app(*app));
    } else {
        entries[at->item] = PageEntry::app(*app);
    }
    Q_EMIT layoutChanged();
    dissolveSingleAppGroups();
    rebuildAppLookup();
    save();
    CLOG_INFO(QStringLiteral("阶段37：从文件夹拖出 — %1（「%2」只剩 %3 项）")
                  .arg(app->name, folder.name, QString::number(folder.apps.size())));
}

void LayoutManager::renameGroup(const QUuid& id, const QString& name)
{
    const QString trimmed = boundedName(name);
    if (trimmed.isEmpty())
        return;
    for (TilehallPage& page : m_layout.pages) {
        for (PageEntry& entry : page.entries) {
            AppGroup* group = entry.asGroup();
            if (!group || group->id != id)
                continue;
            if (group->name == trimmed)
                return;
            group->name = trimmed;
            Q_EMIT layoutChanged();
            save();
            return;
        }
    }
}

void LayoutManager::removeApp(const QUuid& id)
{
    // The other scenes hold the same application under the same id, or under another one when it
    // was found again by a scan made while they were current: its bundle path tells.
    const std::optional<AppItem> removed = m_appLookup.contains(id) ? std::optional(m_appLookup.value(id)) : m_layout.findApp(id);
    const QString removedPath = removed ? removed->path() : QString();
    m_removedPaths << removedPath;
    const auto matches = [&id, &removedPath](const AppItem& app) {
        return app.id == id || (!removedPath.isEmpty() && app.path() == removedPath);
    };
    QList<TilehallScene> scenes = m_scenes;
    bool scenesChanged = false;
    for (TilehallScene& scene : scenes) {
        if (scene.id != m_currentSceneID)
            scenesChanged = removeFromStoredLayout(scene.layout, matches) || scenesChanged;
    }
    if (scenesChanged)
        setScenes(std::move(scenes));

    removeEntryByID(id);
    QList<AppItem> scanned = m_allScannedApps;
    if (scanned.removeIf([&id](const AppItem& app) { return app.id == id; }) > 0)
        setAllScannedApps(std::move(scanned));
    m_appLookup.remove(id);
    for (TilehallPage& page : m_layout.pages) {
        for (PageEntry& entry : page.entries) {
            AppGroup* group = entry.asGroup();
            if (group && group->apps.removeIf([&id](const AppItem& app) { return app.id == id; }) > 0)
                Q_EMIT layoutChanged();
        }
    }
    pruneEmptyGroups();
    dissolveSingleAppGroups();
    dropTrailingEmptyPages();
    save();
}

void LayoutManager::dissolveSingleAppGroups()
{
    int dissolved = 0;
    for (TilehallPage& page : m_layout.pages) {
        for (PageEntry& entry : page.entries) {
            const AppGroup* group = entry.asGroup();
            if (!group || group->apps.size() != 1 || isUtilitiesFolder(*group))
                continue;
            entry = PageEntry::app(group->apps.first());
            ++dissolved;
        }
    }
    if (dissolved == 0)
        return;
    Q_EMIT layoutChanged();
    pruneEmptyGroups();
    rebuildAppLookup();
    CLOG_INFO(QStringLiteral("阶段107：单成员文件夹自动解散 ×%1，app 回到网格").arg(dissolved));
}

} // namespace corvanta
