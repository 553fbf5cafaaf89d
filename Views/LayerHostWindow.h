#pragma once

#include "Support/TransitionFPSMeter.h"

#include <QGraphicsView>
#include <QImage>
#include <QPixmap>

#include <functional>
#include <optional>

class QGraphicsScene;

namespace corvanta {

class DesktopCapture;
class LayerItem;
class WindowStack;

// A borderless top-level window of ours whose scene has one root item, the content layer that the
// overlay transition animates. It bypasses the window manager and keeps its level on our window
// stack. Frames are in the global space (origin bottom left).
class LayerHostWindow : public QGraphicsView, public FrameSource {
    Q_OBJECT
public:
    enum class Focus { takesFocus, neverFocused };

    LayerHostWindow(int level, Focus focus, WindowStack& stack, QWidget* parent = nullptr);
    ~LayerHostWindow() override;

    LayerItem* contentLayer() const { return m_layer; }

    // Places the window (global space) and sizes its scene and content layer to it.
    void setFrame(const QRectF& globalFrame);
    QRectF frame() const { return m_frame; }
    // The frame of the screen the window belongs to; the content anchor is its centre.
    void setScreenFrame(const std::optional<QRectF>& screenFrame);
    // The centre of the window's screen in the content's coordinates (origin top left), or (0, 0)
    // when the window is on no screen.
    QPointF contentAnchor() const;

    int level() const { return m_level; }
    // The stack the window keeps its level on (windows shown over it go on the same one).
    WindowStack& windowStack() const { return m_stack; }
    void setLevel(int level);

    // Shows the window on top of its level (and, with `makeKey`, gives it the keyboard focus).
    void orderFront(bool makeKey = false);
    void orderOut();

    double backingScaleFactor() const;
    double refreshRate() const;

    // The still of the desktop painted under everything while no compositor blends the window:
    // the part of `still` under the window, drawn into the buffer the last show used.
    void takeDesktopBackdrop(const DesktopCapture& still);
    // Whether ordering the window in takes a fresh still of the desktop (the overlay, which is
    // ordered in first) or reuses the one taken at the start of the show (the strip).
    void setTakesDesktopStill(bool takes) { m_takesDesktopStill = takes; }
    bool hasDesktopBackdrop() const { return m_hasBackdrop; }
    // While hidden, gives the window server the frame the first show would give it, made of the
    // desktop's still alone (what the screen shows anyway), so the server's first read of the
    // window's memory happens now rather than between the key and the first frame.
    void presentBackdropWhileHidden();
    bool blendsWithDesktop() const { return m_blends; }

    // FrameSource
    QObject* frameSourceObject() override { return this; }
    bool hasPresentableContent() const override { return m_layer != nullptr; }
    std::optional<int> screenMaxFramesPerSecond() const override;
    void setFrameObserver(std::function<void()> observer) override { m_frameObserver = std::move(observer); }

protected:
    bool event(QEvent* event) override;
    void drawBackground(QPainter* painter, const QRectF& rect) override;
    void paintEvent(QPaintEvent* event) override;
    // Windows shown outside orderFront() (for example by the platform) still keep their level.
    void showEvent(QShowEvent* event) override;

private:
    // Without a compositor the view paints every pixel itself (the desktop still, else black), so
    // clearing the window first would only fill the whole screen once more on every frame.
    void keepOpaquePainting();

    WindowStack& m_stack;
    QGraphicsScene* m_scene;
    LayerItem* m_layer;
    int m_level;
    bool m_blends;
    QRectF m_frame;
    std::optional<QRectF> m_screenFrame;
    // Opaque RGB32, the window's own format, so each paint copies only the exposed part.
    QImage m_backdrop;
    bool m_hasBackdrop = false;
    bool m_takesDesktopStill = false;
    std::function<void()> m_frameObserver;
};

} // namespace corvanta
