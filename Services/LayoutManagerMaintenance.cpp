// Whole-page maintenance, the reset to scan order, and the name search.
#include "Services/LayoutManager.h"

#include <QSet>

namespace corvanta {

namespace {

// One form for both sides of a search: case folded, then composed, so that a name and a query
// written with decomposed and precomposed accents still meet.
QString searchKey(const QString& text)
{
    return text.toCaseFolded().normalized(QString::NormalizationForm_C);
}

// Cuts `entries` into pages of `capacity` with new ids; one empty page when there are none.
QList<TilehallPage> paginate(const QList<PageEntry>& entries, qsizetype capacity)
{
    QList<TilehallPage> pages;
    for (qsizetype start = 0; start < entries.size(); start += capacity)
        pages.append(TilehallPage{QUuid::createUuid(), entries.mid(start, capacity)});
    if (pages.isEmpty())
        pages.append(TilehallPage{QUuid::createUuid(), {}});
    return pages;
}

} // namespace

void LayoutManager::removeEmptyPages()
{
    QList<TilehallPage> pages = m_layout.pages;
    pages.removeIf([](const TilehallPage& page) { return page.entries.isEmpty(); });
    if (pages.isEmpty())
        pages.append(newEmptyPage());
    if (pages.size() == m_layout.pages.size())
        return;
    setPages(std::move(pages));
    save();
}

void LayoutManager::compactPages()
{
    QList<PageEntry> entries;
    for (const TilehallPage& page : std::as_const(m_layout.pages))
        entries.append(page.entries);
    setPages(paginate(entries, pageCapacity()));
    save();
}

void LayoutManager::resetLayout()
{
    const QSet<QUuid> hidden(m_layout.hiddenAppIDs.cbegin(), m_layout.hiddenAppIDs.cend());
    QList<PageEntry> entries;
    entries.reserve(m_allScannedApps.size());
    for (const AppItem& app : std::as_const(m_allScannedApps)) {
        if (!hidden.contains(app.id))
            entries.append(PageEntry::app(app));
    }
    setPages(paginate(entries, pageCapacity()));
    rebuildAppLookup();
    save();
}

QList<AppItem> LayoutManager::searchApps(const QString& query) const
{
    if (query.isEmpty())
        return {};
    if (!m_searchKeysValid) {
        m_searchKeys.clear();
        m_searchKeys.reserve(m_allScannedApps.size());
        for (const AppItem& app : m_allScannedApps)
            m_searchKeys.append({searchKey(app.name), searchKey(app.bundleIdentifier)});
        m_searchKeysValid = true;
    }
    const QString needle = searchKey(query);
    QList<AppItem> found;
    for (qsizetype i = 0; i < m_allScannedApps.size(); ++i) {
        const auto& [name, identifier] = m_searchKeys[i];
        if (name.contains(needle) || identifier.contains(needle))
            found.append(m_allScannedApps[i]);
    }
    return found;
}

} // namespace corvanta
