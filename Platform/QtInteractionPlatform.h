#pragma once

#include "Platform/InteractionPlatform.h"

#include <QPointF>

class QEvent;
class QObject;

namespace corvanta {

// The interaction engine's platform on Qt. The local monitor is an application-wide event
// filter that sees every mouse and wheel event of our windows before they are delivered. X11
// reports no scroll events of other applications, so the global scroll monitor delivers nothing.
class QtInteractionPlatform final : public InteractionPlatform {
public:
    // Tells what kind of element lies under a point of a window (top-left origin, window
    // coordinates). The widget layer installs one; without it every point is plain.
    using ElementClassifier = std::function<InputEvent::Element(QWindow* window, const QPointF& point)>;
    // Whether the modal window is stacked at or above the overlay; the window stack installs one.
    using ModalStackingTest = std::function<bool(const QWindow* modal, const QWindow* overlay)>;

    QtInteractionPlatform();
    ~QtInteractionPlatform() override;

    static QtInteractionPlatform& shared();

    void setElementClassifier(ElementClassifier classifier) { m_classifier = std::move(classifier); }
    void setModalStackingTest(ModalStackingTest test) { m_modalStacking = std::move(test); }

    std::unique_ptr<EventMonitorHandle> addLocalMonitor(OverlayProvider overlay, LocalHandler handler) override;
    std::unique_ptr<EventMonitorHandle> addGlobalScrollMonitor(OverlayProvider overlay, GlobalHandler handler) override;
    bool isWindowVisible(const QWindow* window) const override;
    bool hasModalWindow() const override;
    bool modalWindowAtOrAboveOverlay(const QWindow* overlay) const override;
    void abortModalSessionAndCloseModalWindow() override;
    std::optional<double> displayRefreshRate() const override;

    // Turns a Qt event delivered to `window` into an event record; none for events the engine
    // does not watch. `now` stamps it.
    static std::optional<InputEvent> translate(QObject* receiver, QEvent* event, const QWindow* overlay, double now,
        const ElementClassifier& classifier);

private:
    ElementClassifier m_classifier;
    ModalStackingTest m_modalStacking;
};

} // namespace corvanta
