#pragma once

#include "Platform/DisplayScreen.h"
#include "Platform/DockPreferences.h"
#include "Platform/DockRestart.h"
#include "Services/DockManager.h"

#include <QObject>
#include <QPointF>
#include <QRectF>

#include <functional>
#include <memory>
#include <optional>

namespace corvanta {

class DockWindowSource;
class InteractionManager;
class ScreenProvider;
class SystemDockDrag;
class TilehallContentView;
class TilehallWindow;

// Pinning to the Dock in the running program: the Dock's preferences and restart, the drop zone
// over the Dock's strip on the overlay's screen, and the system drag of a bundle, handed to the
// engine and the root view.
class DockHost : public QObject {
    Q_OBJECT
public:
    struct Dependencies {
        Scheduler* scheduler = nullptr;
        ScreenProvider* screens = nullptr;
        DockWindowSource* dockWindows = nullptr;
        // The screen the overlay is on, if any.
        std::function<std::optional<DisplayScreen>()> overlayScreen;
        // The folder of the Dock's preference domain.
        QString preferencesFolder = DockPreferences::defaultFolder();
    };
    // The strip is read again when older than this (the Dock window's edge is a query per drag
    // event otherwise).
    static constexpr double kStripLifetime = 1.0;

    explicit DockHost(Dependencies deps, QObject* parent = nullptr);
    ~DockHost() override;

    void install(InteractionManager& engine, TilehallContentView& root, TilehallWindow& window);
    DockManager& dockManager() { return m_manager; }

    // Whether a point of the overlay window (origin bottom left) whose frame is `windowFrame`
    // lies in the Dock drop zone of the overlay's screen.
    bool dropZoneContains(const QPointF& windowPoint, const QRectF& windowFrame);

private:
    std::optional<QRectF> currentStrip(const DisplayScreen& screen);

    Dependencies m_deps;
    DockPreferences m_preferences;
    KillallDockRestarter m_restarter;
    DockManager m_manager;
    std::unique_ptr<SystemDockDrag> m_drag;
    std::optional<QRectF> m_strip;
    QRectF m_stripScreen;
    double m_stripReadAt = -1;
};

} // namespace corvanta
