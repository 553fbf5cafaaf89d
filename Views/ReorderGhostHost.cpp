#include "Views/ReorderGhostHost.h"

#include "Support/InteractionManager.h"
#include "Views/ReorderGhostView.h"

namespace corvanta {

ReorderGhostHost::ReorderGhostHost(const GridCellServices& services, InteractionManager& engine, QGraphicsItem* layer, EntryLookup entry,
    MetricsSource metrics, QObject* parent)
    : QObject(parent), m_services(services), m_engine(engine), m_layer(layer), m_entry(std::move(entry)), m_metrics(std::move(metrics))
{
    connect(&engine, &InteractionManager::reorderDraggedEntryIDChanged, this, &ReorderGhostHost::sync);
    sync();
}

ReorderGhostHost::~ReorderGhostHost() { delete m_ghost.data(); }

ReorderGhostView* ReorderGhostHost::ghost() const { return m_ghost.data(); }

void ReorderGhostHost::sync()
{
    const std::optional<QUuid> id = m_engine.reorderDraggedEntryID();
    if (m_ghost && (!id || m_ghost->entry().id() != *id))
        delete m_ghost.data();
    if (!id || m_ghost)
        return;
    const std::optional<PageEntry> entry = m_entry ? m_entry(*id) : std::nullopt;
    if (!entry)
        return;
    auto* ghost = new ReorderGhostView(m_services, *entry, m_metrics ? m_metrics() : GridMetrics{}, m_layer);
    ghost->follow(m_engine); // starts at the cursor
    m_ghost = ghost;
}

} // namespace corvanta
