#include "Views/SearchFocusKeeper.h"

#include "Views/TilehallSearchField.h"

#include <QGraphicsItem>
#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>

namespace corvanta {

SearchFocusKeeper::SearchFocusKeeper(TilehallSearchField& field, Scheduler& scheduler)
    : QObject(&field), m_field(field), m_scheduler(scheduler)
{
}

void SearchFocusKeeper::watch(QGraphicsScene* scene)
{
    if (scene == m_scene)
        return;
    if (m_scene)
        m_scene->removeEventFilter(this);
    disconnect(m_focusConnection);
    m_giveBack = {};
    m_scene = scene;
    if (!scene)
        return;
    // Without this the scene drops the focus on every click on an item that takes none.
    scene->setStickyFocus(true);
    scene->installEventFilter(this);
    m_focusConnection = connect(scene, &QGraphicsScene::focusItemChanged, this,
        [this](QGraphicsItem* now, QGraphicsItem*, Qt::FocusReason reason) { focusChanged(now, reason); });
}

bool SearchFocusKeeper::isField(const QGraphicsItem* item) const
{
    return item && (item == &m_field || m_field.isAncestorOf(item));
}

bool SearchFocusKeeper::eventFilter(QObject* watched, QEvent* event)
{
    // The window has the keyboard again, and nothing in the scene took it: a popup that opened
    // and closed over it (a menu) can leave the scene without the item that had it.
    if (watched == m_scene && event->type() == QEvent::FocusIn && !m_scene->focusItem())
        giveBackSoon();
    if (watched == m_scene && event->type() == QEvent::GraphicsSceneMousePress) {
        QGraphicsItem* focus = m_scene->focusItem();
        const QPointF at = static_cast<QGraphicsSceneMouseEvent*>(event)->scenePos();
        // A press beside the editor that has the keyboard ends its turn; the field never loses
        // the keyboard to a click.
        if (focus && !isField(focus) && !focus->contains(focus->mapFromScene(at)))
            focus->clearFocus();
    }
    return QObject::eventFilter(watched, event);
}

void SearchFocusKeeper::focusChanged(QGraphicsItem* now, Qt::FocusReason reason)
{
    if (now || reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) {
        m_giveBack = {};
        return;
    }
    giveBackSoon();
}

void SearchFocusKeeper::giveBackSoon()
{
    m_giveBack = ScheduledTask(&m_scheduler, m_scheduler.schedule(0, [this] {
        if (m_scene && !m_scene->focusItem())
            m_field.focusField();
    }));
}

} // namespace corvanta
