// Merging an application scan into the working layout, and the Utilities folder.
#include "Services/LayoutManager.h"

#include "Platform/UserDefaults.h"
#include "Services/AppScanner.h"
#include "Services/NameOrder.h"
#include "Services/UtilitiesFolderName.h"
#include "Support/Constants.h"
#include "Support/Logger.h"

#include <QFileInfo>
#include <QSet>

namespace corvanta {

namespace {

// How an application is recognised across scans: its bundle identifier, or its path when it has none.
QString identity(const AppItem& app)
{
    return app.bundleIdentifier.isEmpty() ? QStringLiteral("path:") + app.path()
                                          : QStringLiteral("id:") + app.bundleIdentifier;
}

} // namespace

bool LayoutManager::isUtilitiesFolder(const AppGroup& group)
{
    return group.isSystemUtilitiesFolder || group.id == AppConstants::systemUtilitiesFolderID;
}

QString LayoutManager::localizedUtilitiesFolderName() const
{
    return UtilitiesFolderName::localizedName(m_deps.systemFolderLocalizationsRoot, m_deps.preferredLanguages);
}

void LayoutManager::updateScannedApps(const QList<AppItem>& apps, const DiskExistence& diskExistence)
{
    setAllScannedApps(apps);

    QHash<QString, const AppItem*> scannedByIdentifier;
    scannedByIdentifier.reserve(apps.size());
    for (const AppItem& app : apps) {
        if (!app.bundleIdentifier.isEmpty())
            scannedByIdentifier.insert(app.bundleIdentifier, &app);
    }

    // Names the vendor changed: the stored entry keeps its id and place.
    const auto refreshName = [&scannedByIdentifier](AppItem& app) {
        if (app.bundleIdentifier.isEmpty())
            return false;
        const auto it = scannedByIdentifier.constFind(app.bundleIdentifier);
        if (it == scannedByIdentifier.cend() || (*it)->name == app.name)
            return false;
        app.name = (*it)->name;
        return true;
    };
    for (qsizetype p = 0; p < m_layout.pages.size(); ++p) {
        for (qsizetype e = 0; e < m_layout.pages[p].entries.size(); ++e) {
            PageEntry entry = m_layout.pages[p].entries[e];
            bool changed = false;
            if (AppItem* app = entry.asApp()) {
                changed = refreshName(*app);
            } else if (AppGroup* group = entry.asGroup()) {
                for (AppItem& member : group->apps)
                    changed = refreshName(member) || changed;
            }
            if (changed) {
                m_layout.pages[p].entries[e] = std::move(entry);
                Q_EMIT layoutChanged();
            }
        }
    }

    rebuildAppLookup();

    QSet<QUuid> layoutIDs;
    QSet<QString> layoutIdentifiers;
    QSet<QString> layoutPaths;
    for (const AppItem& app : m_layout.allAppsIncludingGroups()) {
        layoutIDs.insert(app.id);
        layoutIdentifiers.insert(app.bundleIdentifier);
        layoutPaths.insert(app.path());
    }
    QSet<QString> hiddenIdentifiers;
    for (const QUuid& id : m_layout.hiddenAppIDs) {
        const auto it = m_appLookup.constFind(id);
        if (it != m_appLookup.cend())
            hiddenIdentifiers.insert(it->bundleIdentifier);
    }

    QList<AppItem> newApps;
    QSet<QString> scanIdentifiers;
    for (const AppItem& app : apps) {
        scanIdentifiers.insert(app.bundleIdentifier);
        if (layoutIDs.contains(app.id))
            continue;
        const bool known = app.bundleIdentifier.isEmpty()
            ? layoutPaths.contains(app.path())
            : layoutIdentifiers.contains(app.bundleIdentifier) || hiddenIdentifiers.contains(app.bundleIdentifier);
        if (!known)
            newApps.append(app);
    }

    // Gone: the scan no longer lists the identifier and nothing is left at the path.
    const auto isGone = [&](const AppItem& app) {
        if (scanIdentifiers.contains(app.bundleIdentifier))
            return false;
        const QString path = app.path();
        return !(diskExistence ? diskExistence(path) : QFileInfo::exists(path));
    };
    for (qsizetype p = 0; p < m_layout.pages.size(); ++p) {
        QList<PageEntry>& entries = m_layout.pages[p].entries;
        const qsizetype before = entries.size();
        entries.removeIf([&isGone](const PageEntry& entry) {
            const AppItem* app = entry.asApp();
            return app && isGone(*app);
        });
        if (entries.size() != before)
            Q_EMIT layoutChanged();
        for (PageEntry& entry : entries) {
            AppGroup* group = entry.asGroup();
            if (group && group->apps.removeIf(isGone) > 0)
                Q_EMIT layoutChanged();
        }
    }

    pruneEmptyGroups();
    ensureSystemUtilitiesFolder(newApps);

    const qsizetype capacity = pageCapacity();
    for (const AppItem& app : std::as_const(newApps))
        addToLastAvailablePage(PageEntry::app(app), capacity);

    dropTrailingEmptyPages();
    save();
}

void LayoutManager::ensureSystemUtilitiesFolder(QList<AppItem>& newApps)
{
    QList<AppItem> newUtilities;
    for (const AppItem& app : std::as_const(newApps)) {
        if (isUtilitiesApp(app))
            newUtilities.append(app);
    }
    UserDefaults& defaults = *m_deps.defaults;
    const QString flagKey = QString::fromLatin1(utilitiesFolderEnsuredKey);
    const bool ensured = defaults.boolValue(flagKey);
    const auto dropUtilities = [&newApps] {
        newApps.removeIf([](const AppItem& app) { return isUtilitiesApp(app); });
    };

    std::optional<UtilitiesFolderPosition> found = findSystemUtilitiesFolder();
    if (!found) {
        QList<AppItem> members;
        // Utilities without a bundle identifier are told apart by path, so none of them vanishes.
        QSet<QString> seen;
        if (!ensured) {
            QList<TilehallPage> pages = m_layout.pages;
            bool moved = false;
            for (TilehallPage& page : pages) {
                moved = page.entries.removeIf([&](const PageEntry& entry) {
                    const AppItem* app = entry.asApp();
                    if (!app || !isUtilitiesApp(*app))
                        return false;
                    if (!seen.contains(identity(*app))) {
                        seen.insert(identity(*app));
                        members.append(*app);
                    }
                    return true;
                }) > 0 || moved;
            }
            if (moved)
                setPages(std::move(pages));
        }
        for (const AppItem& app : std::as_const(newUtilities)) {
            if (!seen.contains(identity(app))) {
                seen.insert(identity(app));
                members.append(app);
            }
        }
        dropUtilities();
        if (members.isEmpty())
            return;
        sortAppsByName(members);
        const AppGroup folder{AppConstants::systemUtilitiesFolderID, localizedUtilitiesFolderName(), members, true};
        addToLastAvailablePage(PageEntry::group(folder), pageCapacity());
        defaults.setBool(flagKey, true);
        CLOG_INFO(QStringLiteral("阶段140：创建默认「%1」文件夹，成员 %2").arg(folder.name, QString::number(folder.apps.size())));
        return;
    }

    AppGroup folder = found->folder;
    bool changed = false;
    if (!folder.isSystemUtilitiesFolder) {
        folder.isSystemUtilitiesFolder = true;
        changed = true;
    }
    // A name the user chose stays; an empty or stock name follows the system language.
    const QString trimmed = folder.name.trimmed();
    const QString localized = localizedUtilitiesFolderName();
    if ((trimmed.isEmpty() || UtilitiesFolderName::knownNames(m_deps.systemFolderLocalizationsRoot).contains(trimmed))
        && folder.name != localized) {
        folder.name = localized;
        changed = true;
    }
    QSet<QString> present;
    for (const AppItem& member : std::as_const(folder.apps))
        present.insert(identity(member));
    for (const AppItem& app : std::as_const(newUtilities)) {
        if (!present.contains(identity(app))) {
            present.insert(identity(app));
            folder.apps.append(app);
            changed = true;
        }
    }
    dropUtilities();
    if (changed) {
        m_layout.pages[found->page].entries[found->entry] = PageEntry::group(folder);
        Q_EMIT layoutChanged();
        CLOG_INFO(QStringLiteral("阶段140：实用工具文件夹增量收录 → 成员 %1").arg(folder.apps.size()));
    }
    defaults.setBool(flagKey, true);
}

std::optional<LayoutManager::UtilitiesFolderPosition> LayoutManager::findSystemUtilitiesFolder() const
{
    for (qsizetype p = 0; p < m_layout.pages.size(); ++p) {
        const QList<PageEntry>& entries = m_layout.pages[p].entries;
        for (qsizetype e = 0; e < entries.size(); ++e) {
            const AppGroup* group = entries[e].asGroup();
            if (group && isUtilitiesFolder(*group))
                return UtilitiesFolderPosition{p, e, *group};
        }
    }
    return std::nullopt;
}

void LayoutManager::addToLastAvailablePage(const PageEntry& entry, qsizetype capacity)
{
    if (!m_layout.pages.isEmpty() && m_layout.pages.last().entries.size() < capacity)
        m_layout.pages.last().entries.append(entry);
    else
        m_layout.pages.append(TilehallPage{QUuid::createUuid(), {entry}});
    Q_EMIT layoutChanged();
}

void LayoutManager::pruneEmptyGroups()
{
    bool changed = false;
    for (TilehallPage& page : m_layout.pages) {
        changed = page.entries.removeIf([](const PageEntry& entry) {
            const AppGroup* group = entry.asGroup();
            return group && group->apps.isEmpty();
        }) > 0 || changed;
    }
    if (changed)
        Q_EMIT layoutChanged();
}

void LayoutManager::dropTrailingEmptyPages()
{
    bool changed = false;
    while (m_layout.pages.size() >= 2 && m_layout.pages.last().entries.isEmpty()) {
        m_layout.pages.removeLast();
        changed = true;
    }
    if (changed)
        Q_EMIT layoutChanged();
}

} // namespace corvanta
