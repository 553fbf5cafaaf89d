#include "Views/FolderOverlayHost.h"

#include "Services/LayoutManager.h"
#include "Support/InteractionManager.h"
#include "Support/Logger.h"
#include "Support/TransitionFPSMeter.h"
#include "Views/ContentLayers.h"
#include "Views/FolderOverlayView.h"
#include "Views/TilehallContentView.h"
#include "Views/WallpaperBackground.h"

#include <QGraphicsScene>
#include <QGraphicsView>

namespace corvanta {

FolderOverlayHost::FolderOverlayHost(TilehallContentView& root) : QObject(&root), m_root(root)
{
    connect(&root, &TilehallContentView::stateChanged, this, &FolderOverlayHost::sync);
    connect(&root, &TilehallContentView::metricsChanged, this, [this] {
        if (m_overlay)
            m_overlay->setMetrics(m_root.metrics(), m_root.size());
    });
    connect(&root.layoutManager(), &LayoutManager::layoutChanged, this, &FolderOverlayHost::sync);
    InteractionManager& engine = root.interactionManager();
    connect(&engine, &InteractionManager::launchingAppIDChanged, this, &FolderOverlayHost::sync);
    // A drag under way gives the panel a spare slot.
    connect(&engine, &InteractionManager::reorderDraggedEntryIDChanged, this, &FolderOverlayHost::sync);
    sync();
}

FolderOverlayHost::~FolderOverlayHost()
{
    delete m_overlay;
}

void FolderOverlayHost::sync()
{
    const std::optional<QUuid> id = m_root.openedGroupID();
    const std::optional<AppGroup> group = id ? m_root.findGroup(*id) : std::nullopt;
    if (m_overlay && (!group || m_overlay->group().id != group->id))
        remove();
    if (!group)
        return;
    if (!m_overlay) {
        create();
        return;
    }
    m_overlay->setGroup(*group);
    m_overlay->setLaunchingAppID(m_root.interactionManager().launchingAppID());
    m_overlay->setEditingName(m_root.isEditingFolderName());
    m_overlay->setClosing(m_root.folderClosing());
}

void FolderOverlayHost::create()
{
    const QUuid id = *m_root.openedGroupID();
    FolderOverlayView::Environment environment;
    environment.cells = m_root.cellServices();
    environment.mainEngine = &m_root.interactionManager();
    const QPointer<TilehallContentView> root(&m_root);
    environment.backdrop = [root](QPointF* origin) -> QImage {
        WallpaperBackground* wallpaper = root ? root->wallpaperBackground() : nullptr;
        if (!wallpaper || !wallpaper->isVisible())
            return {};
        const QImage image = wallpaper->coveringImage(origin);
        if (origin)
            *origin = wallpaper->mapToItem(root, *origin);
        return image;
    };
    environment.onMorphStart = [this](const QString& label, double duration) { morphStarted(label, duration); };

    auto* overlay = new FolderOverlayView(std::move(environment), *m_root.findGroup(id), m_root.metrics(), m_root.size(),
        m_root.folderSourceFrame(), m_root.overlay(TilehallContentView::Overlay::openedFolder));
    m_overlay = overlay;
    overlay->onOpened = [this, id] {
        if (m_root.openedGroupID() != id || m_root.folderClosing())
            return;
        if (const std::optional<AppGroup> group = m_root.findGroup(id))
            CLOG_INFO(QStringLiteral("Folder panel opened — apps: ") + QString::number(group->apps.size()));
        m_root.setFolderAnimating(false);
    };
    overlay->onClosed = [this, id] {
        if (m_root.openedGroupID() != id || !m_root.folderClosing())
            return;
        CLOG_INFO(QStringLiteral("Folder panel closed"));
        m_root.resetFolderState();
    };
    overlay->onLaunch = [this](const AppItem& app) { m_root.launchApp(app, QStringLiteral("Folder app launched: ") + app.name); };
    overlay->onRename = [this, id](const QString& name) { m_root.layoutManager().renameGroup(id, name); };
    overlay->onEditingEnded = [this] { m_root.setIsEditingFolderName(false); };
    overlay->setLaunchingAppID(m_root.interactionManager().launchingAppID());
    overlay->setEditingName(m_root.isEditingFolderName());
    overlay->setClosing(m_root.folderClosing());
}

void FolderOverlayHost::remove()
{
    FolderOverlayView* overlay = m_overlay;
    m_overlay = nullptr;
    // Inert at once; deleted on the next turn, since the removal may run inside one of its own
    // callbacks or input events.
    overlay->disappear();
    overlay->setVisible(false);
    overlay->setEnabled(false);
    overlay->deleteLater();
}

void FolderOverlayHost::morphStarted(const QString& label, double duration)
{
    TransitionFPSMeter* meter = m_root.fpsMeter();
    QGraphicsScene* scene = m_root.scene();
    if (!meter || !scene)
        return;
    for (QGraphicsView* view : scene->views()) {
        if (auto* window = dynamic_cast<FrameSource*>(view)) {
            meter->start(label, window, duration, FolderOverlayView::motionCurve());
            meter->stopAfter(duration);
            return;
        }
    }
}

} // namespace corvanta
