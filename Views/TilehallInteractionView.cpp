#include "Views/TilehallInteractionView.h"

#include "Platform/QtInteractionPlatform.h"
#include "Services/LayoutManager.h"
#include "Support/InteractionManager.h"
#include "Support/Logger.h"
#include "Support/TerminationRequest.h"
#include "Support/QtScheduler.h"
#include "Views/ElementAtPoint.h"
#include "Views/LayerHostWindow.h"
#include "Views/ModalAboveOverlay.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QIcon>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QWheelEvent>

namespace corvanta {

namespace {

const TilehallScene* sceneWithID(const QList<TilehallScene>& scenes, const QUuid& id)
{
    for (const TilehallScene& scene : scenes) {
        if (scene.id == id)
            return &scene;
    }
    return nullptr;
}

} // namespace

TilehallInteractionView::TilehallInteractionView(LayerHostWindow& window, QObject* parent) : QObject(parent), m_window(&window)
{
    window.viewport()->installEventFilter(this);
}

TilehallInteractionView::~TilehallInteractionView() = default;

bool TilehallInteractionView::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_window || watched != m_window->viewport())
        return false;
    switch (event->type()) {
    // A second right click soon after the first at the same place comes as a double click, without
    // its press: it opens the menu all the same.
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::RightButton)
            return false;
        m_pressShowedMenu = rightMouseDown(mouse->position().toPoint(), mouse->globalPosition().toPoint());
        return m_pressShowedMenu;
    }
    case QEvent::ContextMenu: {
        // The press showed our menu already; otherwise the element under it shows its own.
        const bool ours = m_pressShowedMenu && static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Mouse;
        m_pressShowedMenu = false;
        return ours;
    }
    case QEvent::Wheel:
        return scrollWheel(*static_cast<QWheelEvent*>(event));
    default:
        return false;
    }
}

bool TilehallInteractionView::scrollWheel(QWheelEvent& event)
{
    if (!interactionManager || interactionManager->scrollWheelViaMonitor() || !m_window)
        return false;
    QWindow* window = m_window->windowHandle();
    const auto record =
        QtInteractionPlatform::translate(window, &event, window, QtScheduler::shared().now(), QtInteractionPlatform::ElementClassifier());
    return record && interactionManager->handleScrollWheel(*record);
}

bool TilehallInteractionView::rightMouseDown(const QPoint& windowPos, const QPoint& globalPos)
{
    if (m_window) {
        const InputEvent::Element element = elementAt(*m_window, windowPos);
        if (element == InputEvent::Element::TextField || element == InputEvent::Element::Button
            || element == InputEvent::Element::ScrollView)
            return false;
    }
    const int height = m_window ? m_window->height() : 0;
    CLOG_INFO(QStringLiteral("右键菜单 — 窗口坐标=(") + QString::number(windowPos.x()) + QStringLiteral(", ")
              + QString::number(height - windowPos.y()) + QStringLiteral(")，按键=1"));
    std::unique_ptr<QMenu> menu = buildMenu();
    if (popUpMenu)
        popUpMenu(*menu, globalPos);
    else
        popUpMenuAboveOverlay(*menu, globalPos, m_window);
    return true;
}

std::unique_ptr<QMenu> TilehallInteractionView::buildMenu()
{
    auto menu = std::make_unique<QMenu>();
    QAction* rescan = menu->addAction(QIcon::fromTheme(QStringLiteral("view-refresh")), QStringLiteral("重新扫描应用"));
    rescan->setToolTip(QStringLiteral("重新扫描应用"));
    connect(rescan, &QAction::triggered, this, &TilehallInteractionView::rescanApps);

    std::unique_ptr<QMenu> scenes = buildSceneSubmenu();
    scenes->setTitle(QStringLiteral("场景"));
    QMenu* sceneMenu = scenes.release();
    sceneMenu->setParent(menu.get(), sceneMenu->windowFlags());
    menu->addMenu(sceneMenu);
    menu->addSeparator();

    QAction* settings = menu->addAction(QIcon::fromTheme(QStringLiteral("preferences-system")), QStringLiteral("设置"));
    settings->setToolTip(QStringLiteral("设置"));
    connect(settings, &QAction::triggered, this, &TilehallInteractionView::openSettings);
    menu->addSeparator();

    QAction* quit = menu->addAction(QStringLiteral("退出 Corvanta"));
    // Control stands in for the Command key.
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(quit, &QAction::triggered, this, &TilehallInteractionView::quitApp);
    return menu;
}

std::unique_ptr<QMenu> TilehallInteractionView::buildSceneSubmenu()
{
    auto menu = std::make_unique<QMenu>();
    if (!layoutManager)
        return menu;
    const QUuid current = layoutManager->currentSceneID();
    for (const TilehallScene& scene : layoutManager->scenes()) {
        QAction* item = menu->addAction(scene.name);
        item->setData(scene.id);
        item->setCheckable(true);
        item->setChecked(scene.id == current);
        connect(item, &QAction::triggered, this, [this, item] { selectScene(item); });
    }
    menu->addSeparator();
    connect(menu->addAction(QStringLiteral("新建场景")), &QAction::triggered, this, &TilehallInteractionView::createScene);
    connect(menu->addAction(QStringLiteral("复制当前场景")), &QAction::triggered, this, &TilehallInteractionView::duplicateScene);
    connect(menu->addAction(QStringLiteral("重命名当前场景…")), &QAction::triggered, this, &TilehallInteractionView::renameCurrentScene);
    QAction* remove = menu->addAction(QStringLiteral("删除当前场景"));
    remove->setEnabled(layoutManager->scenes().size() > 1);
    connect(remove, &QAction::triggered, this, &TilehallInteractionView::deleteCurrentScene);
    return menu;
}

void TilehallInteractionView::rescanApps()
{
    if (onRescan)
        onRescan();
}

void TilehallInteractionView::openSettings()
{
    if (onOpenSettings)
        onOpenSettings();
}

void TilehallInteractionView::quitApp()
{
    if (onQuit)
        onQuit();
    else
        TerminationRequest::request();
}

void TilehallInteractionView::selectScene(const QAction* sender)
{
    if (!sender || !layoutManager || sender->data().typeId() != QMetaType::QUuid)
        return;
    layoutManager->switchScene(sender->data().toUuid());
}

void TilehallInteractionView::createScene()
{
    if (layoutManager)
        layoutManager->createScene();
}

void TilehallInteractionView::duplicateScene()
{
    if (layoutManager)
        layoutManager->duplicateScene();
}

void TilehallInteractionView::renameCurrentScene()
{
    if (!layoutManager)
        return;
    const TilehallScene* scene = sceneWithID(layoutManager->scenes(), layoutManager->currentSceneID());
    if (!scene)
        return;
    const QUuid id = scene->id;
    AlertDialog alert(QStringLiteral("重命名场景"), QStringLiteral("为「") + scene->name + QStringLiteral("」输入新名称："),
        QStringLiteral("存储"), QStringLiteral("取消"));
    QLineEdit* field = alert.addTextField(scene->name, QSize(260, 24));
    if (runModalAboveTilehall(alert) == QDialog::Accepted && layoutManager)
        layoutManager->renameScene(id, field->text());
}

void TilehallInteractionView::deleteCurrentScene()
{
    if (!layoutManager)
        return;
    const TilehallScene* scene = sceneWithID(layoutManager->scenes(), layoutManager->currentSceneID());
    if (!scene || layoutManager->scenes().size() < 2)
        return;
    const QUuid id = scene->id;
    AlertDialog alert(QStringLiteral("删除场景「") + scene->name + QStringLiteral("」？"),
        QStringLiteral("该场景的页面、文件夹与排列将一并删除，且无法撤销。其它场景不受影响。"), QStringLiteral("删除场景"),
        QStringLiteral("取消"), AlertDialog::Style::warning);
    if (runModalAboveTilehall(alert) == QDialog::Accepted && layoutManager)
        layoutManager->deleteScene(id);
}

int TilehallInteractionView::runModalAboveTilehall(QDialog& alert)
{
    if (runModal)
        return runModal(alert);
    // Dismissed by the process's ending counts as no answer.
    return runModalAboveOverlay(alert, m_window).accepted() ? QDialog::Accepted : QDialog::Rejected;
}

} // namespace corvanta
