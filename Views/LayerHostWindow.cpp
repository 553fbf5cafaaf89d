#include "Views/LayerHostWindow.h"

#include "Platform/DesktopSurface.h"
#include "Platform/WindowStack.h"
#include "Views/LayerItem.h"
#include "Views/PaintHints.h"

#include <QBackingStore>
#include <QGraphicsScene>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QWindow>

namespace corvanta {

LayerHostWindow::LayerHostWindow(int level, Focus focus, WindowStack& stack, QWidget* parent)
    : QGraphicsView(parent),
      m_stack(stack),
      m_scene(new QGraphicsScene(this)),
      m_layer(new LayerItem),
      m_level(level),
      m_blends(!DesktopSurface::needsBackdropCapture())
{
    Qt::WindowFlags flags = Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint | Qt::NoDropShadowWindowHint;
    if (focus == Focus::neverFocused)
        flags |= Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput;
    setWindowFlags(flags);
    // Translucent only where a compositor blends the window with what lies beneath.
    setAttribute(Qt::WA_TranslucentBackground, m_blends);
    keepOpaquePainting();
    setAttribute(Qt::WA_ShowWithoutActivating, focus == Focus::neverFocused);
    setFocusPolicy(focus == Focus::takesFocus ? Qt::StrongFocus : Qt::NoFocus);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Only what changed is painted again: a caret blink or an icon arrival repaints its own
    // rectangle, not the whole screen.
    setViewportUpdateMode(QGraphicsView::MinimalViewportUpdate);
    setBackgroundBrush(Qt::NoBrush);
    viewport()->setAutoFillBackground(false);
    setStyleSheet(QStringLiteral("background: transparent; border: none;"));
    setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);

    // No spatial index: the grid's page strip moves as one, and an index would re-file every
    // cell of every page on each frame of a flip. Painting walks only the shown subtrees (far
    // pages are hidden), which is cheaper than keeping an index of thousands of cells.
    m_scene->setItemIndexMethod(QGraphicsScene::NoIndex);
    m_scene->addItem(m_layer);
    setScene(m_scene);

    create(); // the native window exists from now on, so the stack can hold it
    m_stack.setLevel(windowHandle(), m_level);
}

LayerHostWindow::~LayerHostWindow() = default;

void LayerHostWindow::setFrame(const QRectF& globalFrame)
{
    m_frame = globalFrame;
    setGeometry(DesktopSurface::nativeGeometry(globalFrame));
    const QRectF local(QPointF(0, 0), globalFrame.size());
    m_scene->setSceneRect(local);
    m_layer->setBounds(local);
    setSceneRect(local);
}

void LayerHostWindow::setScreenFrame(const std::optional<QRectF>& screenFrame)
{
    m_screenFrame = screenFrame;
}

QPointF LayerHostWindow::contentAnchor() const
{
    if (!m_screenFrame)
        return {0, 0};
    const QRectF& s = *m_screenFrame;
    // Global space has y up; the content's origin is the window's top left.
    const QPointF centre(s.x() + s.width() / 2, s.y() + s.height() / 2);
    return {centre.x() - m_frame.x(), (m_frame.y() + m_frame.height()) - centre.y()};
}

void LayerHostWindow::setLevel(int level)
{
    m_level = level;
    m_stack.setLevel(windowHandle(), level);
}

void LayerHostWindow::orderFront(bool makeKey)
{
    // A still set by the caller for this show is kept; otherwise take (or reuse) one now.
    if (!isVisible() && !m_blends && !m_hasBackdrop) {
        DesktopCapture& still = DesktopCapture::shared();
        if (m_takesDesktopStill || still.isEmpty())
            still.capture();
        takeDesktopBackdrop(still);
    }
    if (makeKey)
        m_stack.makeKeyAndOrderFront(windowHandle());
    else
        m_stack.orderFront(windowHandle());
    if (makeKey)
        activateWindow();
}

void LayerHostWindow::orderOut()
{
    m_stack.orderOut(windowHandle());
    // The desktop will have changed by the next show. The buffer stays for the next still (its
    // memory already mapped), unless it is the capture's own.
    m_hasBackdrop = false;
    if (!m_backdrop.isDetached())
        m_backdrop = QImage();
}

void LayerHostWindow::keepOpaquePainting()
{
    setAttribute(Qt::WA_OpaquePaintEvent, !m_blends);
    setAttribute(Qt::WA_NoSystemBackground, !m_blends);
}

bool LayerHostWindow::event(QEvent* event)
{
    const bool handled = QGraphicsView::event(event);
    // The style sheet's polish marks the window as one that paints a (transparent) background,
    // which would fill the whole window once more before every frame.
    if (event->type() == QEvent::Polish || event->type() == QEvent::StyleChange)
        keepOpaquePainting();
    return handled;
}

void LayerHostWindow::showEvent(QShowEvent* event)
{
    QGraphicsView::showEvent(event);
    m_stack.restack();
}

double LayerHostWindow::backingScaleFactor() const
{
    if (QWindow* w = windowHandle(); w && w->screen())
        return w->devicePixelRatio();
    if (QScreen* primary = QGuiApplication::primaryScreen())
        return primary->devicePixelRatio();
    return 2;
}

double LayerHostWindow::refreshRate() const
{
    return screenMaxFramesPerSecond().value_or(60);
}

std::optional<int> LayerHostWindow::screenMaxFramesPerSecond() const
{
    QWindow* w = windowHandle();
    if (!w || !w->screen() || w->screen()->refreshRate() <= 0)
        return std::nullopt;
    return int(qRound(w->screen()->refreshRate()));
}

void LayerHostWindow::takeDesktopBackdrop(const DesktopCapture& still)
{
    still.drawRegion(m_frame, m_backdrop);
    m_hasBackdrop = !m_backdrop.isNull();
    viewport()->update();
}

void LayerHostWindow::presentBackdropWhileHidden()
{
    QWindow* handle = windowHandle();
    if (isVisible() || m_blends || !m_hasBackdrop || !handle)
        return;
    // The native window keeps its creation size until shown; the frame needs the real one.
    if (handle->geometry() != geometry())
        handle->setGeometry(geometry());
    QBackingStore* store = backingStore();
    if (!store)
        return;
    const QRect local(QPoint(0, 0), size());
    if (store->size() != local.size())
        store->resize(local.size());
    store->beginPaint(QRegion(local));
    if (QPaintDevice* device = store->paintDevice()) {
        QPainter painter(device);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(local, Qt::black);
        painter.drawImage(QRectF(QPointF(0, 0), m_backdrop.deviceIndependentSize()), m_backdrop);
    }
    store->endPaint();
    DesktopSurface::presentWhileHidden(handle, [&] { store->flush(QRegion(local), handle); });
}

void LayerHostWindow::drawBackground(QPainter* painter, const QRectF& rect)
{
    if (m_hasBackdrop) {
        // The still is in device pixels at the window's origin: copy only the exposed part of it.
        const QRect exposed = painter->transform().mapRect(rect).toAlignedRect() & QRect(QPoint(0, 0), m_backdrop.deviceIndependentSize().toSize());
        painter->save();
        painter->resetTransform();
        smoothOnlyWhenTransformed(*painter);
        const double dpr = m_backdrop.devicePixelRatio();
        painter->drawImage(QRectF(exposed), m_backdrop,
            QRectF(exposed.x() * dpr, exposed.y() * dpr, exposed.width() * dpr, exposed.height() * dpr));
        painter->restore();
    } else if (!m_blends) {
        painter->fillRect(rect, Qt::black);
    }
}

void LayerHostWindow::paintEvent(QPaintEvent* event)
{
    QGraphicsView::paintEvent(event);
    if (m_frameObserver)
        m_frameObserver();
}

} // namespace corvanta
