#include "Views/TilehallGridView.h"

#include "Support/InteractionManager.h"
#include "Views/AppIconView.h"
#include "Views/CellDrawing.h"
#include "Views/FrameRegistry.h"
#include "Views/GroupIconView.h"
#include "Views/ReorderPlaceholderView.h"

#include <QGraphicsScene>

namespace corvanta {

struct TilehallGridView::Cell {
    PageEntry entry;
    qsizetype index = 0;
    AppIconView* app = nullptr;
    GroupIconView* group = nullptr;
    InterpolatingSpring x{0, reorderSpring()};
    InterpolatingSpring y{0, reorderSpring()};

    QGraphicsObject* item() const { return app ? static_cast<QGraphicsObject*>(app) : group; }
};

TilehallGridView::State TilehallGridView::State::from(const InteractionManager& engine, bool trackFrames, std::optional<QUuid> openedGroupID)
{
    State s;
    s.isJiggleMode = engine.isJiggleMode();
    s.launchingAppID = engine.launchingAppID();
    s.reorderDraggedEntryID = engine.reorderDraggedEntryID();
    s.mergeCandidateID = engine.mergeCandidateID();
    s.trackFrames = trackFrames;
    s.openedGroupID = openedGroupID;
    return s;
}

TilehallGridView::TilehallGridView(const GridCellServices& services, const TilehallPage& page, const GridMetrics& metrics, QGraphicsItem* parent)
    : QGraphicsObject(parent), m_services(services), m_page(page), m_metrics(metrics), m_ticker(*services.scheduler)
{
    setFlag(ItemHasNoContents);
    setAcceptedMouseButtons(Qt::NoButton);
    setFlag(ItemSendsGeometryChanges);
    m_cellsMade = isVisible();
    reconcile(false);
}

void TilehallGridView::makeCells()
{
    if (m_cellsMade)
        return;
    m_cellsMade = true;
    reconcile(false);
}

TilehallGridView::~TilehallGridView() = default;

QPointF TilehallGridView::slotOrigin(qsizetype index, const GridMetrics& m)
{
    const qint64 columns = std::max<qint64>(1, m.columns);
    const qsizetype i = std::max<qsizetype>(0, index);
    return {m.columnPitch * double(i % columns), m.rowPitch * double(i / columns)};
}

QRectF TilehallGridView::boundingRect() const
{
    return {0, 0, m_metrics.columnPitch * double(m_metrics.columns), m_metrics.rowPitch * double(m_metrics.rows)};
}

void TilehallGridView::setPage(const TilehallPage& page, bool animated)
{
    m_page = page;
    reconcile(animated);
}

void TilehallGridView::setMetrics(const GridMetrics& metrics)
{
    prepareGeometryChange();
    m_metrics = metrics;
    for (auto& cell : m_cells) {
        if (cell->app)
            cell->app->setMetrics(metrics);
        if (cell->group)
            cell->group->setMetrics(metrics);
    }
    if (m_placeholder)
        m_placeholder->setMetrics(metrics);
    reconcile(false);
}

void TilehallGridView::setState(const State& state)
{
    if (state == m_state)
        return;
    const bool draggedChanged = state.reorderDraggedEntryID != m_state.reorderDraggedEntryID;
    m_state = state;
    if (draggedChanged) {
        reconcile(false);
        return;
    }
    for (auto& cell : m_cells)
        applyInputs(*cell);
}

AppIconView* TilehallGridView::appCell(const QUuid& id) const
{
    const auto cell = m_cells.value(id);
    return cell ? cell->app : nullptr;
}

GroupIconView* TilehallGridView::groupCell(const QUuid& id) const
{
    const auto cell = m_cells.value(id);
    return cell ? cell->group : nullptr;
}

void TilehallGridView::reconcile(bool animated)
{
    if (!m_cellsMade)
        return;
    const double now = m_services.scheduler->now();
    QHash<QUuid, std::shared_ptr<Cell>> kept;
    for (qsizetype i = 0; i < m_page.entries.size(); ++i) {
        const PageEntry& entry = m_page.entries[i];
        const QUuid id = entry.id();
        if (kept.contains(id))
            continue; // a duplicate id would fight over one cell; the first wins
        std::shared_ptr<Cell> cell = m_cells.take(id);
        if (cell && cell->entry.isApp() != entry.isApp())
            cell.reset(); // the same id as another kind of entry: a new cell
        const QPointF slot = slotOrigin(i, m_metrics);
        const bool isNew = !cell;
        if (isNew) {
            cell = std::make_shared<Cell>();
            if (const AppItem* app = entry.asApp()) {
                cell->app = new AppIconView(m_services, *app, m_metrics, this);
                cell->app->onTap = [this, id] {
                    const auto c = m_cells.value(id);
                    if (c && c->entry.isApp() && onLaunch)
                        onLaunch(*c->entry.asApp());
                };
                cell->app->onDelete = [this, id] {
                    const auto c = m_cells.value(id);
                    if (c && c->entry.isApp() && onDelete)
                        onDelete(*c->entry.asApp());
                };
            } else if (const AppGroup* group = entry.asGroup()) {
                cell->group = new GroupIconView(m_services, *group, m_metrics, this);
                cell->group->onTap = [this, id] {
                    if (onGroupOpen)
                        onGroupOpen(id);
                };
                cell->group->onRename = [this, id](const QString& name) {
                    if (onRenameGroup)
                        onRenameGroup(id, name);
                };
            }
        } else if (const AppItem* app = entry.asApp()) {
            cell->app->setApp(*app);
        } else if (const AppGroup* group = entry.asGroup()) {
            cell->group->setGroup(*group);
        }
        cell->entry = entry;
        cell->index = i;

        const bool dragged = m_state.reorderDraggedEntryID == id;
        if (isNew || !animated || dragged) {
            cell->x.reset(slot.x());
            cell->y.reset(slot.y());
        } else {
            cell->x.setTarget(slot.x(), now);
            cell->y.setTarget(slot.y(), now);
        }
        cell->item()->setPos(cell->x.value(now), cell->y.value(now));
        kept.insert(id, cell);
    }
    for (auto& gone : m_cells)
        delete gone->item();
    m_cells = kept;

    // The dragged entry's placeholder, in its slot; its own cell waits hidden.
    const auto dragged = m_state.reorderDraggedEntryID ? m_cells.value(*m_state.reorderDraggedEntryID) : nullptr;
    if (!dragged || (m_placeholder && m_placeholder->entryID() != dragged->entry.id())) {
        delete m_placeholder;
        m_placeholder = nullptr;
    }
    if (dragged) {
        if (!m_placeholder)
            m_placeholder = new ReorderPlaceholderView(dragged->entry.id(), m_metrics, m_services.frames, this);
        m_placeholder->setPos(slotOrigin(dragged->index, m_metrics));
    }

    for (auto& cell : m_cells)
        applyInputs(*cell);
    reportFrames();

    bool moving = false;
    for (auto& cell : m_cells)
        moving = moving || !cell->x.isSettled(now) || !cell->y.isSettled(now);
    if (moving && !m_ticker.isRunning())
        m_ticker.start([this](double t) { tick(t); });
    else if (!moving)
        m_ticker.stop();
}

void TilehallGridView::tick(double now)
{
    bool moving = false;
    for (auto& cell : m_cells) {
        const bool settled = cell->x.isSettled(now) && cell->y.isSettled(now);
        if (settled) {
            cell->x.reset(cell->x.target());
            cell->y.reset(cell->y.target());
        }
        cell->item()->setPos(cell->x.value(now), cell->y.value(now));
        moving = moving || !settled;
    }
    if (!moving)
        m_ticker.stop();
}

void TilehallGridView::applyInputs(Cell& cell)
{
    const QUuid id = cell.entry.id();
    const bool dragged = m_state.reorderDraggedEntryID == id;
    cell.item()->setVisible(!dragged);
    if (cell.app) {
        AppIconView::Inputs in;
        in.isJiggling = m_state.isJiggleMode;
        // The removable rule is only asked in jiggle mode.
        in.showDeleteBadge = m_state.isJiggleMode && isRemovableApp(cell.app->app());
        in.trackFrame = m_state.trackFrames && !dragged;
        in.isLaunching = m_state.launchingAppID == id;
        in.isMergeTarget = m_state.mergeCandidateID == id;
        cell.app->setInputs(in);
    } else if (cell.group) {
        GroupIconView::Inputs in;
        in.trackFrame = m_state.trackFrames && !dragged;
        in.isMergeTarget = m_state.mergeCandidateID == id;
        in.isJiggleMode = m_state.isJiggleMode;
        in.isNameEditable = false;
        in.showsName = true;
        in.isOpened = m_state.openedGroupID == id;
        cell.group->setInputs(in);
    }
}

void TilehallGridView::reportFrames()
{
    for (auto& cell : m_cells)
        reportFrame(*cell);
    if (m_placeholder)
        m_placeholder->setReportedCellFrame(layoutFrame(m_placeholder, m_placeholder->boundingRect(), m_services.frameSpace));
}

void TilehallGridView::reportFrame(Cell& cell)
{
    // The slot's place, not the gliding cell's: the frame is where the cell is going.
    const QRectF slot(slotOrigin(cell.index, m_metrics), QSizeF(m_metrics.columnPitch, m_metrics.rowPitch));
    const QRectF frame = layoutFrame(this, slot, m_services.frameSpace);
    if (cell.app)
        cell.app->setReportedCellFrame(frame);
    if (cell.group)
        cell.group->setReportedCellFrame(frame);
}

QVariant TilehallGridView::itemChange(GraphicsItemChange change, const QVariant& value)
{
    if (change == ItemPositionHasChanged || change == ItemParentHasChanged)
        reportFrames();
    if (change == ItemVisibleHasChanged && value.toBool())
        makeCells();
    return QGraphicsObject::itemChange(change, value);
}

} // namespace corvanta
