#include "Views/TilehallWindow.h"

#include "Platform/WindowLevels.h"
#include "Platform/WindowStack.h"
#include "Support/Logger.h"
#include "Support/NotificationCenter.h"
#include "Support/TerminationRequest.h"
#include "Views/LayerItem.h"

#include <QCoreApplication>
#include <QGraphicsProxyWidget>
#include <QKeyEvent>
#include <QLocale>

#include <cmath>

namespace corvanta {

TilehallWindow::TilehallWindow(const DisplayScreen& screen, WindowStack& stack, QWidget* parent)
    : LayerHostWindow(overlayLevel(), Focus::takesFocus, stack, parent)
{
    setMouseTracking(true);
    setTakesDesktopStill(true);
    fitToScreen(screen);
}

TilehallWindow::TilehallWindow(const DisplayScreen& screen, QWidget* parent) : TilehallWindow(screen, WindowStack::shared(), parent) {}

int TilehallWindow::overlayLevel()
{
    return WindowLevel::overlay;
}

double TilehallWindow::slowMotionFactor(const std::optional<QString>& value)
{
    if (!value || value->isEmpty() || value->front().isSpace() || value->back().isSpace())
        return 1;
    bool ok = false;
    const double factor = QLocale::c().toDouble(*value, &ok);
    // A huge or non-finite factor would overflow the timers; a tenfold slower show is plenty.
    if (!ok || !std::isfinite(factor) || factor <= 0)
        return 1;
    return std::min(factor, maxSlowMotion);
}

double TilehallWindow::transitionDuration()
{
    const std::optional<QString> value =
        qEnvironmentVariableIsSet("CORVANTA_SLOWMO") ? std::optional<QString>(qEnvironmentVariable("CORVANTA_SLOWMO")) : std::nullopt;
    return baseTransitionDuration * slowMotionFactor(value);
}

QRectF TilehallWindow::frameFor(const QRectF& screenFrame)
{
    return screenFrame.adjusted(-margin, -margin, margin, margin);
}

void TilehallWindow::fitToScreen(const DisplayScreen& screen)
{
    setScreenFrame(screen.isNull() ? std::nullopt : std::optional<QRectF>(screen.frame));
    setFrame(frameFor(screen.frame));
}

void TilehallWindow::setContentWidget(QWidget* widget)
{
    if (m_proxy) {
        m_proxy->setWidget(nullptr);
        delete m_proxy;
    }
    if (!widget)
        return;
    m_proxy = new QGraphicsProxyWidget(contentLayer());
    m_proxy->setWidget(widget);
    m_proxy->setGeometry(QRectF(QPointF(0, 0), frame().size()));
}

QWidget* TilehallWindow::contentWidget() const
{
    return m_proxy ? m_proxy->widget() : nullptr;
}

void TilehallWindow::resizeEvent(QResizeEvent* event)
{
    LayerHostWindow::resizeEvent(event);
    if (m_proxy)
        m_proxy->setGeometry(QRectF(QPointF(0, 0), frame().size()));
}

void TilehallWindow::cancelOperation()
{
    if (m_escapeHandler && m_escapeHandler()) {
        CLOG_INFO(QStringLiteral("ESC pressed — consumed by UI state (clear search / close folder)"));
        return;
    }
    CLOG_INFO(QStringLiteral("ESC pressed — closing tilehall"));
    NotificationCenter::defaultCenter().post(Notifications::tilehallShouldClose);
}

bool TilehallWindow::performKeyEquivalent(int key, Qt::KeyboardModifiers modifiers)
{
    // Control plays the part of the command key here; keypad state is not a modifier.
    if ((modifiers & ~Qt::KeypadModifier) != Qt::ControlModifier || key != Qt::Key_Q)
        return false;
    CLOG_INFO(QStringLiteral("Cmd+Q pressed — terminating Corvanta"));
    if (m_terminateHandler)
        m_terminateHandler();
    else
        TerminationRequest::request();
    return true;
}

void TilehallWindow::keyPressEvent(QKeyEvent* event)
{
    if (performKeyEquivalent(event->key(), event->modifiers())) {
        event->accept();
        return;
    }
    LayerHostWindow::keyPressEvent(event); // the views see the key first
    if (event->isAccepted())
        return;
    if (event->key() == Qt::Key_Escape && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        cancelOperation();
        event->accept();
    }
}

} // namespace corvanta
