#pragma once

#include "Platform/DisplayScreen.h"
#include "Support/TimingCurve.h"
#include "Views/LayerHostWindow.h"

#include <QPointer>

#include <functional>
#include <optional>

class QGraphicsProxyWidget;

namespace corvanta {

// The full-screen overlay: one per process, laid over a whole screen just below the Dock, grown by
// 4 pt on every side. It takes the keyboard focus: Esc closes it unless the views consume the key,
// Control-Q quits the program.
class TilehallWindow : public LayerHostWindow {
    Q_OBJECT
public:
    static constexpr double baseTransitionDuration = 0.25;
    static constexpr double maxSlowMotion = 20;
    static constexpr double margin = 4;

    explicit TilehallWindow(const DisplayScreen& screen, WindowStack& stack, QWidget* parent = nullptr);
    TilehallWindow(const DisplayScreen& screen, QWidget* parent = nullptr);

    static int overlayLevel();
    static TimingCurve showTiming() { return TimingCurve::easeOut(); }
    static TimingCurve hideTiming() { return TimingCurve::easeIn(); }
    // 0.25 s times "CORVANTA_SLOWMO" (read on every call).
    static double transitionDuration();
    // The factor of a "CORVANTA_SLOWMO" value: a complete, finite number above 0, at most 20;
    // anything else (leading blanks, trailing characters, 0 or less) gives 1.
    static double slowMotionFactor(const std::optional<QString>& value);

    // The screen frame grown by the margin on every side.
    static QRectF frameFor(const QRectF& screenFrame);
    // Lays the window over `screen` (a move, or a re-fit after a resolution change).
    void fitToScreen(const DisplayScreen& screen);

    // What the views answer to Esc: true when they consumed it (sheet, jiggle, search, folder).
    void setEscapeHandler(std::function<bool()> handler) { m_escapeHandler = std::move(handler); }
    // What Control-Q does (quits the application unless replaced).
    void setTerminateHandler(std::function<void()> handler) { m_terminateHandler = std::move(handler); }

    // Hosts the root view in the content layer, sized to the window.
    void setContentWidget(QWidget* widget);
    QWidget* contentWidget() const;

    // Esc: the views' handler first, else posts "tilehallShouldClose" (no user info).
    void cancelOperation();
    // Control-Q (and only with exactly that modifier); false for everything else.
    bool performKeyEquivalent(int key, Qt::KeyboardModifiers modifiers);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    std::function<bool()> m_escapeHandler;
    std::function<void()> m_terminateHandler;
    QPointer<QGraphicsProxyWidget> m_proxy;
};

} // namespace corvanta
