#include "Views/OffscreenPrerender.h"

#include "Support/TerminationRequest.h"
#include "Views/LayerHostWindow.h"
#include "Views/LayerItem.h"

#include <QBackingStore>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QImage>
#include <QPainter>
#include <QWindow>

namespace corvanta {

namespace {

bool g_drawingOffscreen = false; // main thread only, as every paint is

class OffscreenDrawScope {
public:
    OffscreenDrawScope() : m_outer(g_drawingOffscreen) { g_drawingOffscreen = true; }
    ~OffscreenDrawScope() { g_drawingOffscreen = m_outer; }
    OffscreenDrawScope(const OffscreenDrawScope&) = delete;
    OffscreenDrawScope& operator=(const OffscreenDrawScope&) = delete;

private:
    bool m_outer;
};

} // namespace

bool offscreenDrawCancelled() { return g_drawingOffscreen && TerminationRequest::isAsked(); }

void prerenderOffscreen(QGraphicsView& view)
{
    if (TerminationRequest::isAsked())
        return;
    const OffscreenDrawScope scope;
    view.winId();
    // The pointer's shape over the window too: the first show would otherwise read it from the
    // cursor theme and hand it to the window server while the pointer enters the window. Qt keeps
    // it, and sets the same shape again only when it changes.
    if (QWindow* handle = view.isWindow() ? view.windowHandle() : nullptr)
        handle->setCursor(view.cursor());
    QGraphicsScene* scene = view.scene();
    const QRectF rect = view.sceneRect();
    if (!scene || rect.isEmpty())
        return;
    // Into the window's own backing store, which would otherwise be made by the first paint of
    // the first show: its memory, shared with the window server, is new to the process.
    if (QBackingStore* store = view.isWindow() ? view.backingStore() : nullptr) {
        const QRect local(QPoint(0, 0), view.size());
        if (store->size() != local.size())
            store->resize(local.size());
        store->beginPaint(QRegion(local));
        if (QPaintDevice* device = store->paintDevice()) {
            QPainter painter(device);
            scene->render(&painter, QRectF(local), rect);
        }
        store->endPaint();
        return;
    }
    const qreal ratio = view.devicePixelRatioF();
    QImage image((rect.size() * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return;
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    scene->render(&painter, QRectF(QPointF(0, 0), rect.size()), rect);
}

void prerenderOffscreen(LayerHostWindow& window)
{
    LayerItem* layer = window.contentLayer();
    const bool wasRasterized = layer->isRasterized();
    const double opacity = layer->modelOpacity();
    if (!wasRasterized)
        layer->setRasterized(true, window.backingScaleFactor());
    // Opaque for the draw: a transparent rasterised layer makes no bitmap.
    layer->setModelOpacity(1);
    prerenderOffscreen(static_cast<QGraphicsView&>(window));
    layer->setModelOpacity(opacity);
    if (!wasRasterized)
        layer->setRasterized(false);
}

} // namespace corvanta
