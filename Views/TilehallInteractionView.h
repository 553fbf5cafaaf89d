#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QUuid>

#include <functional>
#include <memory>

class QAction;
class QDialog;
class QMenu;
class QWheelEvent;

namespace corvanta {

class InteractionManager;
class LayerHostWindow;
class LayoutManager;

// The overlay window's own handling of what the grid's views leave alone: scroll-wheel input the
// engine's monitor has not taken, and the right-click menu (rescan, the scenes, settings, quit)
// with the rename and delete alerts of the scene commands, raised above the overlay.
class TilehallInteractionView : public QObject {
    Q_OBJECT
public:
    // Watches `window`'s viewport for right clicks and wheel events.
    explicit TilehallInteractionView(LayerHostWindow& window, QObject* parent = nullptr);
    ~TilehallInteractionView() override;

    QPointer<InteractionManager> interactionManager;
    QPointer<LayoutManager> layoutManager;
    std::function<void()> onOpenSettings;
    std::function<void()> onRescan;
    // Unset: the application quits.
    std::function<void()> onQuit;

    // How the menu and the alerts are shown; by default above the overlay (tests answer them).
    std::function<void(QMenu& menu, const QPoint& globalPos)> popUpMenu;
    std::function<int(QDialog& alert)> runModal;

    // The wheel event went unhandled by the monitor; true when the engine took it here.
    bool scrollWheel(QWheelEvent& event);
    // A right click at a point of the window's viewport (Qt's coordinates); false when it was left to the
    // element under it (a text field or a button keeps its own menu).
    bool rightMouseDown(const QPoint& windowPos, const QPoint& globalPos);

    std::unique_ptr<QMenu> buildMenu();
    std::unique_ptr<QMenu> buildSceneSubmenu();
    int runModalAboveTilehall(QDialog& alert);

    // The menu's actions (the sender is the chosen item).
    void rescanApps();
    void openSettings();
    void quitApp();
    void selectScene(const QAction* sender);
    void createScene();
    void duplicateScene();
    void renameCurrentScene();
    void deleteCurrentScene();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<LayerHostWindow> m_window;
    bool m_pressShowedMenu = false;
};

} // namespace corvanta
