#pragma once

#include <QGraphicsObject>

namespace corvanta {

// The pill that floats above the cursor while an application is dragged over the Dock: a plus and
// "松手添加到程序坞", or a check mark and "已在程序坞中" when the Dock already has it. Its position
// is its centre.
class DockDropHintView : public QGraphicsObject {
    Q_OBJECT
public:
    explicit DockDropHintView(QGraphicsItem* parent = nullptr);

    void setAlreadyInDock(bool already);
    bool alreadyInDock() const { return m_alreadyInDock; }
    QString text() const;
    QSizeF size() const;
    // The pill's room from the overlay's edges: the overlay reaches 4 pt past the screen, and the
    // pill with most of its shadow stays on the screen.
    static constexpr double kEdgeRoom = 12;
    // Centres the pill at (cursor x, max(cursor y − 56, 28)), moved inside `area` (the overlay's
    // bounds, less kEdgeRoom on every side) where it would reach past it.
    void followCursor(const QPointF& cursor, const QRectF& area);
    // The pill itself, in the parent's coordinates.
    QRectF pillRect() const;

    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) override;

private:
    QFont font() const;
    bool m_alreadyInDock = false;
};

} // namespace corvanta
