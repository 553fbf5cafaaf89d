#pragma once

#include "Support/Clock.h"

#include <QObject>
#include <QPointer>

class QGraphicsItem;
class QGraphicsScene;

namespace corvanta {

class TilehallSearchField;

// Keeps the keyboard with the search field the way a desktop text field keeps it: a click on a
// view that takes no text (a cell, a folder, the folder panel, the background) leaves the focus
// where it is. Only an editor clicked into (the folder's rename field) takes it, a press anywhere
// else ends that editor's turn, and whenever nothing in the scene has the keyboard any more it
// goes back to the field on the next turn. The window losing the keyboard changes nothing here:
// the scene gives the focus back to the same item when the window gets it again.
class SearchFocusKeeper : public QObject {
    Q_OBJECT
public:
    SearchFocusKeeper(TilehallSearchField& field, Scheduler& scheduler);

    // The scene the field is in now (none: watches nothing).
    void watch(QGraphicsScene* scene);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool isField(const QGraphicsItem* item) const;
    void focusChanged(QGraphicsItem* now, Qt::FocusReason reason);
    void giveBackSoon();

    TilehallSearchField& m_field;
    Scheduler& m_scheduler;
    QPointer<QGraphicsScene> m_scene;
    QMetaObject::Connection m_focusConnection;
    ScheduledTask m_giveBack;
};

} // namespace corvanta
