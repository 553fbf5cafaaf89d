#pragma once

#include "Views/GridCellServices.h"
#include "Views/Wobble.h"

#include <QGraphicsObject>

namespace corvanta {

// Wobbles a folder cell's content about a rotation anchor (measured from the cell's bottom-left
// corner, the icon's centre). A wobble draws its amplitude, frequency and phase once and keeps them
// until jiggling stops or the host leaves its scene; a host off any scene never wobbles.
class FolderJiggleHost : public QGraphicsObject {
    Q_OBJECT
public:
    FolderJiggleHost(const GridCellServices& services, QGraphicsItem* parent = nullptr);

    // The content is a child of the host, laid out in cellSize.
    void setCellSize(const QSizeF& size);
    void setRotationAnchor(const QPointF& fromBottomLeft);
    void setJiggling(bool jiggling);
    bool jiggling() const { return m_jiggling; }
    bool isWobbling() const { return m_wobble.isRunning(); }
    const Wobble::Swing& swing() const { return m_wobble.swing(); }

    QRectF boundingRect() const override { return {}; }
    void paint(QPainter*, const QStyleOptionGraphicsItem*, QWidget*) override {}

protected:
    QVariant itemChange(GraphicsItemChange change, const QVariant& value) override;

private:
    void syncGeometry();
    void syncAnimation();

    GridCellServices m_services;
    Wobble m_wobble;
    QSizeF m_cellSize;
    QPointF m_anchor;
    bool m_jiggling = false;
};

} // namespace corvanta
