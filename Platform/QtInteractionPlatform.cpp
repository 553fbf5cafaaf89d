#include "Platform/QtInteractionPlatform.h"

#include "Support/QtScheduler.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QWheelEvent>
#include <QWindow>

namespace corvanta {

namespace {

class EventFilterMonitor final : public QObject, public EventMonitorHandle {
public:
    EventFilterMonitor(InteractionPlatform::OverlayProvider overlay, InteractionPlatform::LocalHandler handler,
        const QtInteractionPlatform::ElementClassifier* classifier)
        : m_overlay(std::move(overlay)), m_handler(std::move(handler)), m_classifier(classifier)
    {
        if (QCoreApplication::instance())
            QCoreApplication::instance()->installEventFilter(this);
    }
    ~EventFilterMonitor() override
    {
        if (QCoreApplication::instance())
            QCoreApplication::instance()->removeEventFilter(this);
    }

    bool eventFilter(QObject* receiver, QEvent* event) override
    {
        const auto record = QtInteractionPlatform::translate(receiver, event, m_overlay ? m_overlay() : nullptr,
            QtScheduler::shared().now(), *m_classifier);
        if (!record)
            return false;
        return m_handler(*record) && record->kind == InputEvent::Kind::ScrollWheel;
    }

private:
    InteractionPlatform::OverlayProvider m_overlay;
    InteractionPlatform::LocalHandler m_handler;
    const QtInteractionPlatform::ElementClassifier* m_classifier;
};

class InertMonitor final : public EventMonitorHandle {};

unsigned phaseBits(Qt::ScrollPhase phase)
{
    switch (phase) {
    case Qt::ScrollBegin:
        return InputEvent::kPhaseBegan;
    case Qt::ScrollUpdate:
        return InputEvent::kPhaseChanged;
    case Qt::ScrollEnd:
        return InputEvent::kPhaseEnded;
    case Qt::NoScrollPhase:
    case Qt::ScrollMomentum:
        break;
    }
    return 0;
}

} // namespace

QtInteractionPlatform::QtInteractionPlatform() = default;
QtInteractionPlatform::~QtInteractionPlatform() = default;

QtInteractionPlatform& QtInteractionPlatform::shared()
{
    static QtInteractionPlatform* instance = new QtInteractionPlatform; // lives as long as the process
    return *instance;
}

InteractionPlatform& InteractionPlatform::system()
{
    return QtInteractionPlatform::shared();
}

std::optional<InputEvent> QtInteractionPlatform::translate(QObject* receiver, QEvent* event, const QWindow* overlay, double now,
    const ElementClassifier& classifier)
{
    // Widget windows pass each event on to their widgets; only the window's own copy counts.
    if (!receiver || !receiver->isWindowType())
        return std::nullopt;
    auto* window = static_cast<QWindow*>(receiver);

    InputEvent record;
    record.timestamp = now;
    record.window = window == overlay ? InputEvent::Window::Overlay : InputEvent::Window::Other;
    record.buttons = QGuiApplication::mouseButtons();
    record.modifiers = QGuiApplication::keyboardModifiers();
    if (overlay)
        record.pointerInsideOverlay = overlay->geometry().contains(QCursor::pos());
    const double height = window->height();

    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (event->type() == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton)
            record.kind = InputEvent::Kind::LeftMouseDown;
        else if (event->type() == QEvent::MouseButtonPress && mouse->button() == Qt::RightButton)
            record.kind = InputEvent::Kind::RightMouseDown;
        else if (event->type() == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton)
            record.kind = InputEvent::Kind::LeftMouseUp;
        else if (event->type() == QEvent::MouseMove && (mouse->buttons() & Qt::LeftButton))
            record.kind = InputEvent::Kind::LeftMouseDragged;
        else
            return std::nullopt;
        const QPointF p = mouse->position();
        record.location = QPointF(p.x(), height - p.y());
        record.buttons = mouse->buttons();
        record.modifiers = mouse->modifiers();
        if (record.kind == InputEvent::Kind::LeftMouseUp && classifier)
            record.element = classifier(window, p);
        return record;
    }
    case QEvent::Wheel: {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        record.kind = InputEvent::Kind::ScrollWheel;
        const QPointF p = wheel->position();
        record.location = QPointF(p.x(), height - p.y());
        record.buttons = wheel->buttons();
        record.modifiers = wheel->modifiers();
        record.isDirectionInvertedFromDevice = wheel->inverted();
        const bool precise = !wheel->pixelDelta().isNull() || wheel->phase() != Qt::NoScrollPhase;
        record.hasPreciseScrollingDeltas = precise;
        if (precise && !wheel->pixelDelta().isNull()) {
            record.scrollingDeltaX = wheel->pixelDelta().x();
            record.scrollingDeltaY = wheel->pixelDelta().y();
        } else if (precise) {
            // Smooth-scrolling devices without pixel deltas: 120 units make one 15-degree step of
            // roughly ten points.
            record.scrollingDeltaX = wheel->angleDelta().x() / 12.0;
            record.scrollingDeltaY = wheel->angleDelta().y() / 12.0;
        } else {
            // A notched wheel reports lines: one per 120 units.
            record.scrollingDeltaX = wheel->angleDelta().x() / 120.0;
            record.scrollingDeltaY = wheel->angleDelta().y() / 120.0;
        }
        if (wheel->phase() == Qt::ScrollMomentum)
            record.momentumPhase = InputEvent::kPhaseChanged;
        else
            record.phase = phaseBits(wheel->phase());
        return record;
    }
    default:
        return std::nullopt;
    }
}

std::unique_ptr<EventMonitorHandle> QtInteractionPlatform::addLocalMonitor(OverlayProvider overlay, LocalHandler handler)
{
    return std::make_unique<EventFilterMonitor>(std::move(overlay), std::move(handler), &m_classifier);
}

std::unique_ptr<EventMonitorHandle> QtInteractionPlatform::addGlobalScrollMonitor(OverlayProvider, GlobalHandler)
{
    return std::make_unique<InertMonitor>();
}

bool QtInteractionPlatform::isWindowVisible(const QWindow* window) const
{
    return window && window->isVisible();
}

bool QtInteractionPlatform::hasModalWindow() const
{
    return QGuiApplication::modalWindow() != nullptr;
}

bool QtInteractionPlatform::modalWindowAtOrAboveOverlay(const QWindow* overlay) const
{
    const QWindow* modal = QGuiApplication::modalWindow();
    if (!modal)
        return false;
    if (m_modalStacking)
        return m_modalStacking(modal, overlay);
    // Without a window stack to ask: a dialog parented to the overlay, or one that stays on top,
    // is stacked above it.
    return modal->transientParent() == overlay || modal->flags().testFlag(Qt::WindowStaysOnTopHint);
}

void QtInteractionPlatform::abortModalSessionAndCloseModalWindow()
{
    // Closing a modal dialog rejects it, which ends its event loop.
    if (QWindow* modal = QGuiApplication::modalWindow())
        modal->close();
}

std::optional<double> QtInteractionPlatform::displayRefreshRate() const
{
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return std::nullopt;
    return screen->refreshRate();
}

} // namespace corvanta
