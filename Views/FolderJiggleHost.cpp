#include "Views/FolderJiggleHost.h"

#include <QGraphicsScene>

namespace corvanta {

FolderJiggleHost::FolderJiggleHost(const GridCellServices& services, QGraphicsItem* parent)
    : QGraphicsObject(parent), m_services(services), m_wobble(*services.scheduler, [this](double a) { setRotation(a); })
{
    setFlag(ItemHasNoContents);
    setAcceptedMouseButtons(Qt::NoButton);
}

void FolderJiggleHost::setCellSize(const QSizeF& size)
{
    m_cellSize = size;
    syncGeometry();
}

void FolderJiggleHost::setRotationAnchor(const QPointF& anchor)
{
    m_anchor = anchor;
    syncGeometry();
}

void FolderJiggleHost::setJiggling(bool jiggling)
{
    m_jiggling = jiggling;
    syncAnimation();
}

void FolderJiggleHost::syncGeometry()
{
    if (!(m_cellSize.width() > 0 && m_cellSize.height() > 0))
        return;
    const QPointF origin(m_anchor.x(), m_cellSize.height() - m_anchor.y());
    if (transformOriginPoint() != origin)
        setTransformOriginPoint(origin);
}

void FolderJiggleHost::syncAnimation()
{
    if (m_jiggling && scene()) {
        if (m_wobble.isRunning())
            return; // a running wobble keeps its amplitude, frequency and phase
        const double amplitude = m_services.uniform(1.0, 1.5);
        const double frequency = m_services.uniform(4.8, 6.2);
        const double swing = 1 / (2 * frequency);
        m_wobble.start({-amplitude, amplitude, swing, m_services.uniform(0, 2 * swing)});
        return;
    }
    if (m_wobble.isRunning()) {
        m_wobble.stop();
        setRotation(0); // back to rest at once
    }
}

QVariant FolderJiggleHost::itemChange(GraphicsItemChange change, const QVariant& value)
{
    if (change == ItemSceneHasChanged)
        syncAnimation();
    return QGraphicsObject::itemChange(change, value);
}

} // namespace corvanta
