#include "Views/OffscreenPrerender.h"

#include <QGraphicsScene>
#include <QGraphicsView>
#include <QImage>
#include <QPainter>

namespace corvanta {

void prerenderOffscreen(QGraphicsView& view)
{
    view.winId();
    QGraphicsScene* scene = view.scene();
    const QRectF rect = view.sceneRect();
    if (!scene || rect.isEmpty())
        return;
    const qreal ratio = view.devicePixelRatioF();
    QImage image((rect.size() * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return;
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    scene->render(&painter, QRectF(QPointF(0, 0), rect.size()), rect);
}

} // namespace corvanta
