#pragma once

#include "Models/PageEntry.h"
#include "Views/GridCellServices.h"
#include "Views/GridMetrics.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <optional>

class QGraphicsItem;

namespace corvanta {

class InteractionManager;
class ReorderGhostView;

// Shows the reorder ghost in `layer` (an item at the overlay window's origin) while the engine
// drags an entry, fed with the engine's cursor and drop target, and removes it when the drag ends.
// A drag whose entry cannot be found shows no ghost.
class ReorderGhostHost : public QObject {
    Q_OBJECT
public:
    using EntryLookup = std::function<std::optional<PageEntry>(const QUuid&)>;
    using MetricsSource = std::function<GridMetrics()>;

    ReorderGhostHost(const GridCellServices& services, InteractionManager& engine, QGraphicsItem* layer, EntryLookup entry,
        MetricsSource metrics, QObject* parent = nullptr);
    ~ReorderGhostHost() override;

    ReorderGhostView* ghost() const;

private:
    void sync();

    GridCellServices m_services;
    InteractionManager& m_engine;
    QGraphicsItem* m_layer;
    EntryLookup m_entry;
    MetricsSource m_metrics;
    QPointer<ReorderGhostView> m_ghost;
};

} // namespace corvanta
