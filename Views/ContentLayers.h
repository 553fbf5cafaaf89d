#pragma once

#include <QColor>
#include <QGraphicsObject>
#include <QSizeF>

namespace corvanta {

// A sized, empty area of the root view that the grid's views are placed into (the search bar, the
// paged grid, the page dots, the overlays above them). It draws nothing itself.
class LayerSlot : public QGraphicsObject {
    Q_OBJECT
public:
    explicit LayerSlot(QGraphicsItem* parent = nullptr);

    QSizeF size() const { return m_size; }
    void setSize(const QSizeF& size);

    QRectF boundingRect() const override { return {QPointF(0, 0), m_size}; }
    void paint(QPainter*, const QStyleOptionGraphicsItem*, QWidget*) override {}

Q_SIGNALS:
    void sizeChanged();

private:
    QSizeF m_size;
};

// The solid-colour background.
class ColorBackdrop : public QGraphicsObject {
    Q_OBJECT
public:
    explicit ColorBackdrop(QGraphicsItem* parent = nullptr);

    QColor color() const { return m_color; }
    void setColor(const QColor& color);
    void setSize(const QSizeF& size);

    QRectF boundingRect() const override { return {QPointF(0, 0), m_size}; }
    void paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) override;

private:
    QColor m_color = Qt::black;
    QSizeF m_size;
};

} // namespace corvanta
