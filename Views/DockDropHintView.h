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
    // Centres the pill at (cursor x, max(cursor y − 56, 28)).
    void followCursor(const QPointF& cursor);

    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) override;

private:
    QFont font() const;
    bool m_alreadyInDock = false;
};

} // namespace corvanta
