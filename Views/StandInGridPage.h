#pragma once

#include "Models/SceneStore.h"
#include "Support/Clock.h"
#include "Views/FrameRegistry.h"
#include "Views/GridMetrics.h"

#include <QGraphicsObject>
#include <QHash>
#include <QImage>
#include <QUuid>

#include <functional>
#include <optional>

namespace corvanta {

class IconCache;
class InteractionManager;

// What a grid cell needs from its surroundings.
struct StandInServices {
    IconCache* icons = nullptr;
    FrameRegistry* frames = nullptr;
    const QGraphicsItem* frameSpace = nullptr;
};

// A plain cell: the entry's icon (an application's from the memory cache, a folder as a tile) and
// its name, a tap action, and its icon square reported for hit-testing. Used where the full cells
// are not available.
class StandInCell : public QGraphicsObject {
    Q_OBJECT
public:
    StandInCell(const StandInServices& services, const PageEntry& entry, const GridMetrics& metrics, QGraphicsItem* parent = nullptr);

    std::function<void()> onTap;

    const PageEntry& entry() const { return m_entry; }
    void setEntry(const PageEntry& entry);
    void setMetrics(const GridMetrics& metrics);
    void setTrackFrame(bool track);
    QRectF iconRect() const;
    void reportFrame();

    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) override;

protected:
    void mousePressEvent(QGraphicsSceneMouseEvent* event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent* event) override;

private:
    StandInServices m_services;
    PageEntry m_entry;
    GridMetrics m_metrics;
    QImage m_icon;
    bool m_trackFrame = true;
    FrameReport m_report;
};

// One page of cells in their slots (index n: column n mod columns, row n div columns), kept by
// entry id across updates.
class StandInGridPage : public QGraphicsObject {
    Q_OBJECT
public:
    struct State {
        bool isJiggleMode = false;
        std::optional<QUuid> launchingAppID;
        std::optional<QUuid> reorderDraggedEntryID;
        std::optional<QUuid> mergeCandidateID;
        bool trackFrames = true;
        std::optional<QUuid> openedGroupID;
        static State from(const InteractionManager& engine, bool trackFrames, std::optional<QUuid> openedGroupID);
        bool operator==(const State&) const = default;
    };

    StandInGridPage(const StandInServices& services, const TilehallPage& page, const GridMetrics& metrics, QGraphicsItem* parent = nullptr);

    std::function<void(const AppItem&)> onLaunch;
    std::function<void(const QUuid& groupID)> onGroupOpen;
    std::function<void(const AppItem&)> onDelete;
    std::function<void(const QUuid& groupID, const QString& name)> onRenameGroup;

    const TilehallPage& page() const { return m_page; }
    void setPage(const TilehallPage& page, bool animated);
    void setMetrics(const GridMetrics& metrics);
    void setState(const State& state);
    void reportFrames();
    StandInCell* cell(const QUuid& id) const { return m_cells.value(id); }
    static QPointF slotOrigin(qsizetype index, const GridMetrics& metrics);

    QRectF boundingRect() const override;
    void paint(QPainter*, const QStyleOptionGraphicsItem*, QWidget*) override {}

private:
    void reconcile();

    StandInServices m_services;
    TilehallPage m_page;
    GridMetrics m_metrics;
    State m_state;
    QHash<QUuid, StandInCell*> m_cells;
};

} // namespace corvanta
