#include "Views/SystemDockDrag.h"

#include "Support/InteractionManager.h"
#include "Support/Logger.h"

#include <QCursor>
#include <QDrag>
#include <QMimeData>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

namespace corvanta {

SystemDockDragCoordinator::SystemDockDragCoordinator(InteractionManager* manager) : m_manager(manager) {}

void SystemDockDragCoordinator::dragEnded(Qt::DropAction action, const QPointF& windowPoint)
{
    if (m_manager)
        m_manager->finishSystemDockDrag(action == Qt::IgnoreAction ? 0 : int(action), windowPoint);
}

SystemDockDrag::SystemDockDrag(InteractionManager& engine, QWidget& source, Options options, QObject* parent)
    : QObject(parent), m_engine(&engine), m_source(&source), m_options(std::move(options))
{
    if (!m_options.exec)
        m_options.exec = [](QDrag& drag) { return drag.exec(SystemDockDragCoordinator::operationMask, Qt::CopyAction); };
}

bool SystemDockDrag::begin(const AppItem& app, const QPointF&)
{
    if (!m_engine || !m_source)
        return false;
    if (!m_options.receiverAvailable || !m_options.receiverAvailable()) {
        CLOG_INFO(QStringLiteral("阶段108：程序坞不接收拖入的文件，不启动系统拖拽"));
        return false;
    }
    auto coordinator = std::make_shared<SystemDockDragCoordinator>(m_engine.data());
    m_engine->dockDragCoordinator = coordinator;
    QPointer<SystemDockDrag> self(this);
    QTimer::singleShot(0, this, [self, app, coordinator] {
        if (self)
            self->run(app, coordinator);
    });
    return true;
}

void SystemDockDrag::run(const AppItem& app, std::shared_ptr<QObject> coordinator)
{
    if (!m_engine || !m_source || m_engine->dockDragCoordinator != coordinator)
        return;
    auto* mime = new QMimeData;
    mime->setUrls({QUrl::fromLocalFile(app.path())});
    // On the heap and never deleted here: a Dock in another process asks for the dropped data
    // after exec() has returned, and the toolkit keeps the drag for that and disposes of it.
    auto* drag = new QDrag(m_source);
    drag->setMimeData(mime);
    if (m_options.icon) {
        const QImage icon = m_options.icon(app);
        if (!icon.isNull()) {
            drag->setPixmap(QPixmap::fromImage(icon.scaled(kIconSize, kIconSize, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
            drag->setHotSpot(QPoint(kIconSize / 2, kIconSize / 2));
        }
    }
    const Qt::DropAction action = m_options.exec(*drag);
    if (!m_source)
        return;
    const QPoint local = m_source->mapFromGlobal(QCursor::pos());
    const QPointF windowPoint(local.x(), m_source->height() - local.y());
    static_cast<SystemDockDragCoordinator*>(coordinator.get())->dragEnded(action, windowPoint);
    if (m_engine && m_engine->dockDragCoordinator == coordinator)
        m_engine->dockDragCoordinator.reset();
}

} // namespace corvanta
