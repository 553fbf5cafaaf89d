#pragma once

#include "Models/AppItem.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QPointF>

#include <functional>

class QDrag;
class QWidget;

namespace corvanta {

class InteractionManager;

// The source of one system drag to the Dock: the Dock may only copy the file, and when the drag
// ends the engine learns how (and where, in the overlay window with the origin bottom left).
class SystemDockDragCoordinator : public QObject {
    Q_OBJECT
public:
    explicit SystemDockDragCoordinator(InteractionManager* manager);
    static constexpr Qt::DropActions operationMask = Qt::CopyAction;
    void dragEnded(Qt::DropAction action, const QPointF& windowPoint);

private:
    QPointer<InteractionManager> m_manager;
};

// Starts a real drag of an application's bundle (its file URL) from the overlay, so that a Dock
// that takes dropped files pins it itself. The drag runs its own event loop, so it starts on the
// next turn of the loop, after the engine has handed its drawn drag over.
class SystemDockDrag : public QObject {
    Q_OBJECT
public:
    struct Options {
        // Whether a Dock that accepts dropped files is there; without one no drag starts and the
        // engine keeps its own drag, whose release over the Dock pins by preferences.
        std::function<bool()> receiverAvailable;
        // Runs the drag; by default QDrag::exec with the copy operation.
        std::function<Qt::DropAction(QDrag&)> exec;
        // The application's icon; none: the drag shows the toolkit's default.
        std::function<QImage(const AppItem&)> icon;
    };
    static constexpr int kIconSize = 56;

    SystemDockDrag(InteractionManager& engine, QWidget& source, Options options, QObject* parent = nullptr);

    // `cursor`: the drag's point in the window, origin top left. True when a drag will start.
    bool begin(const AppItem& app, const QPointF& cursor);

private:
    void run(const AppItem& app, std::shared_ptr<QObject> coordinator);

    QPointer<InteractionManager> m_engine;
    QPointer<QWidget> m_source;
    Options m_options;
};

} // namespace corvanta
