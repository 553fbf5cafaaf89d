#include "App/DockHost.h"

#include "Platform/DockStrip.h"
#include "Platform/DockWindows.h"
#include "Platform/ScreenProvider.h"
#include "Services/IconCache.h"
#include "Support/InteractionManager.h"
#include "Views/SystemDockDrag.h"
#include "Views/TilehallContentView.h"
#include "Views/TilehallWindow.h"

#include <QPointer>

namespace corvanta {

DockHost::DockHost(Dependencies deps, QObject* parent)
    : QObject(parent),
      m_deps(std::move(deps)),
      m_preferences(m_deps.preferencesFolder),
      m_manager(m_preferences, m_restarter, *m_deps.scheduler)
{
}

DockHost::~DockHost() = default;

void DockHost::install(InteractionManager& engine, TilehallContentView& root, TilehallWindow& window)
{
    QPointer<TilehallWindow> overlay(&window);
    engine.dockContainsApp = [this](const AppItem& app) { return m_manager.containsApp(app); };
    engine.dockDropZoneContains = [this, overlay](const QPointF& point) { return overlay && dropZoneContains(point, overlay->frame()); };
    root.pinToDock = [this](const AppItem& app) { return m_manager.addToDock(app); };

    SystemDockDrag::Options options;
    DockWindowSource* docks = m_deps.dockWindows;
    options.receiverAvailable = [docks] { return docks && docks->acceptsDroppedFiles(); };
    options.icon = [](const AppItem& app) { return IconCache::shared().cachedImage(IconCache::cacheKey(app)).value_or(QImage()); };
    m_drag = std::make_unique<SystemDockDrag>(engine, *window.viewport(), std::move(options));
    SystemDockDrag* drag = m_drag.get();
    root.systemDockDrag = [drag](const AppItem& app, const QPointF& cursor) { return drag->begin(app, cursor); };
}

std::optional<QRectF> DockHost::currentStrip(const DisplayScreen& screen)
{
    const double now = m_deps.scheduler->now();
    if (m_stripReadAt >= 0 && now - m_stripReadAt < kStripLifetime && m_stripScreen == screen.frame)
        return m_strip;
    const QList<DisplayScreen> screens = m_deps.screens->screens();
    const double primaryHeight = screens.isEmpty() ? 0 : screens.first().frame.height();
    const QList<QRectF> docks =
        m_deps.dockWindows ? DockStrip::toGlobal(m_deps.dockWindows->dockWindowBounds(), primaryHeight) : QList<QRectF>();
    m_strip = DockStrip::strip(screen.frame, DockStrip::visibleFrameBeside(screen.frame, docks));
    m_stripScreen = screen.frame;
    m_stripReadAt = now;
    return m_strip;
}

bool DockHost::dropZoneContains(const QPointF& windowPoint, const QRectF& windowFrame)
{
    const std::optional<DisplayScreen> screen = m_deps.overlayScreen ? m_deps.overlayScreen() : std::nullopt;
    if (!screen)
        return false;
    const QPointF point(windowFrame.x() + windowPoint.x(), windowFrame.y() + windowPoint.y());
    return DockStrip::dropZoneContains(point, currentStrip(*screen));
}

} // namespace corvanta
