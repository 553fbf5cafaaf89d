// The overlay's right-click menu, its scene commands through the layout store, and the window
// levels while the menu and the alerts are up.
#include "Platform/WindowLevels.h"
#include "Services/LayoutTestSupport.h"
#include "Support/InteractionTestKit.h"
#include "Views/LayerHostWindow.h"
#include "Views/ModalAboveOverlay.h"
#include "Views/TilehallInteractionView.h"
#include "common/FakeWindowing.h"
#include "common/LogCapture.h"

#include <QAction>
#include <QGraphicsProxyWidget>
#include <QGraphicsScene>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QTimer>
#include <QWheelEvent>

namespace corvanta::test {
namespace {

struct Item {
    QString text;
    bool enabled = true;
    bool checked = false;
    bool operator==(const Item&) const = default;
};

void PrintTo(const Item& item, std::ostream* os)
{
    *os << '"' << item.text.toStdString() << '"' << (item.enabled ? "" : " disabled") << (item.checked ? " checked" : "");
}

QList<Item> itemsOf(const QMenu& menu)
{
    QList<Item> out;
    for (const QAction* action : menu.actions())
        out.append({action->isSeparator() ? QStringLiteral("---") : action->text(), action->isEnabled(), action->isChecked()});
    return out;
}

QAction* actionNamed(const QMenu& menu, const QString& text)
{
    for (QAction* action : menu.actions()) {
        if (action->text() == text)
            return action;
        if (action->menu()) {
            if (QAction* inner = actionNamed(*action->menu(), text))
                return inner;
        }
    }
    return nullptr;
}

class InteractionViewTest : public LayoutHarness {
protected:
    void SetUp() override
    {
        makeStore();
        window.setFrame(QRectF(0, 0, 800, 600));
        window.winId();
        view.layoutManager = store.get();
        view.onRescan = [this] { ++rescans; };
        view.onOpenSettings = [this] { ++settings; };
        view.onQuit = [this] { ++quits; };
        view.popUpMenu = [this](QMenu& menu, const QPoint&) { shown = itemsOf(menu); };
    }

    // Builds the menu and runs `pick` (an item's text) from it.
    void choose(const QString& text)
    {
        std::unique_ptr<QMenu> menu = view.buildMenu();
        QAction* action = actionNamed(*menu, text);
        ASSERT_NE(action, nullptr) << text.toStdString();
        action->trigger();
    }
    // Answers the next alert: accepted with `text` in its field (when it has one), or rejected.
    void answerAlerts(bool accept, const QString& text = {})
    {
        view.runModal = [this, accept, text](QDialog& dialog) {
            auto* alert = dynamic_cast<AlertDialog*>(&dialog);
            alerts.append(alert ? QStringList{alert->message(), alert->informativeText()} + alert->buttonTitles() : QStringList());
            if (alert && alert->textField()) {
                fieldText = alert->textField()->text();
                fieldSize = alert->textField()->size();
                alert->textField()->setText(text);
            }
            return accept ? int(QDialog::Accepted) : int(QDialog::Rejected);
        };
    }
    QStringList sceneNames() const
    {
        QStringList names;
        for (const TilehallScene& scene : store->scenes())
            names << scene.name;
        return names;
    }

    RecordedStack recorded;
    LayerHostWindow window{WindowLevel::overlay, LayerHostWindow::Focus::neverFocused, recorded.stack};
    TilehallInteractionView view{window};
    LogCapture log;
    int rescans = 0;
    int settings = 0;
    int quits = 0;
    QList<Item> shown;
    QList<QStringList> alerts;
    QString fieldText;
    QSize fieldSize;
};

TEST_F(InteractionViewTest, RightClickOnTheGridShowsTheMenu)
{
    EXPECT_TRUE(view.rightMouseDown(QPoint(120, 500), QPoint(120, 500)));
    EXPECT_EQ(shown, (QList<Item>{{"重新扫描应用"}, {"场景"}, {"---"}, {"设置"}, {"---"}, {"退出 Corvanta"}}));
    EXPECT_TRUE(log.contains(QStringLiteral("右键菜单 — 窗口坐标=(120, 100)，按键=1")));

    std::unique_ptr<QMenu> menu = view.buildMenu();
    EXPECT_EQ(actionNamed(*menu, QStringLiteral("退出 Corvanta"))->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    choose(QStringLiteral("重新扫描应用"));
    choose(QStringLiteral("设置"));
    choose(QStringLiteral("退出 Corvanta"));
    EXPECT_EQ(rescans, 1);
    EXPECT_EQ(settings, 1);
    EXPECT_EQ(quits, 1);
}

// The toolkit turns a quick second press into a double click without a press of its own.
TEST_F(InteractionViewTest, EveryRightClickShowsTheMenuHoweverQuicklyItFollowsTheLast)
{
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonDblClick}) {
        shown.clear();
        QMouseEvent press(type, QPointF(120, 500), QPointF(120, 500), Qt::RightButton, Qt::RightButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window.viewport(), &press);
        EXPECT_FALSE(shown.isEmpty()) << "event type " << int(type);
    }
    EXPECT_EQ(log.count(QStringLiteral("右键菜单 — 窗口坐标=(120, 100)")), 2);
}

TEST_F(InteractionViewTest, ATextFieldOrButtonKeepsItsOwnRightClick)
{
    auto* proxy = window.scene()->addWidget(new QLineEdit);
    proxy->setGeometry(QRectF(100, 100, 200, 30));
    EXPECT_FALSE(view.rightMouseDown(QPoint(150, 115), QPoint(150, 115)));
    EXPECT_TRUE(shown.isEmpty());
    EXPECT_TRUE(view.rightMouseDown(QPoint(150, 300), QPoint(150, 300)));
    EXPECT_FALSE(shown.isEmpty());
}

TEST_F(InteractionViewTest, TheSceneSubmenuFollowsTheStore)
{
    const QUuid first = store->currentSceneID();
    const QString firstName = store->scenes().first().name;
    std::unique_ptr<QMenu> scenes = view.buildSceneSubmenu();
    EXPECT_EQ(itemsOf(*scenes), (QList<Item>{{firstName, true, true}, {"---"}, {"新建场景"}, {"复制当前场景"}, {"重命名当前场景…"},
                                    {"删除当前场景", false}}));

    choose(QStringLiteral("新建场景"));
    ASSERT_EQ(store->scenes().size(), 2);
    const QUuid second = store->scenes().last().id;
    store->switchScene(first);
    scenes = view.buildSceneSubmenu();
    const QList<Item> items = itemsOf(*scenes);
    EXPECT_TRUE(items[0].checked);
    EXPECT_FALSE(items[1].checked);
    EXPECT_TRUE(items.last().enabled) << "two scenes: one may go";

    scenes->actions().at(1)->trigger();
    EXPECT_EQ(store->currentSceneID(), second);
    choose(QStringLiteral("复制当前场景"));
    EXPECT_EQ(store->scenes().size(), 3);

    // The store saves what the menu changed.
    scheduler.advance(5);
    ASSERT_TRUE(storedScenes());
    EXPECT_EQ(storedScenes()->scenes.size(), 3);
    EXPECT_EQ(storedScenes()->currentSceneID, store->currentSceneID());

    view.layoutManager = nullptr;
    EXPECT_TRUE(view.buildSceneSubmenu()->actions().isEmpty());
}

TEST_F(InteractionViewTest, RenameAsksForTheNameAndIgnoresCancelAndBlanks)
{
    const QString name = store->scenes().first().name;
    answerAlerts(false, QStringLiteral("Work"));
    choose(QStringLiteral("重命名当前场景…"));
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_EQ(alerts.first(), (QStringList{"重命名场景", "为「" + name + "」输入新名称：", "存储", "取消"}));
    EXPECT_EQ(fieldText, name);
    EXPECT_EQ(fieldSize, QSize(260, 24));
    EXPECT_EQ(sceneNames(), QStringList{name});

    answerAlerts(true, QStringLiteral("   "));
    choose(QStringLiteral("重命名当前场景…"));
    EXPECT_EQ(sceneNames(), QStringList{name});

    answerAlerts(true, QStringLiteral("  Work "));
    choose(QStringLiteral("重命名当前场景…"));
    EXPECT_EQ(sceneNames(), QStringList{"Work"});
}

TEST_F(InteractionViewTest, DeletingAsksFirstAndNeverRemovesTheLastScene)
{
    answerAlerts(true);
    view.deleteCurrentScene();
    EXPECT_TRUE(alerts.isEmpty()) << "one scene: nothing to ask";
    EXPECT_EQ(store->scenes().size(), 1);

    const QUuid first = store->currentSceneID();
    store->switchScene(store->createScene(QStringLiteral("Games")));
    answerAlerts(false);
    choose(QStringLiteral("删除当前场景"));
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_EQ(alerts.first(), (QStringList{"删除场景「Games」？", "该场景的页面、文件夹与排列将一并删除，且无法撤销。其它场景不受影响。", "删除场景", "取消"}));
    EXPECT_EQ(store->scenes().size(), 2);

    answerAlerts(true);
    choose(QStringLiteral("删除当前场景"));
    EXPECT_EQ(store->scenes().size(), 1);
    EXPECT_EQ(store->currentSceneID(), first);
}

TEST_F(InteractionViewTest, TheOverlayStepsDownWhileTheMenuAndAlertsAreUp)
{
    window.setLevel(WindowLevel::overlay);
    QMenu menu;
    menu.addAction(QStringLiteral("x"));
    int levelDuring = -1;
    int menuLevel = -1;
    QTimer::singleShot(0, &menu, [&] {
        levelDuring = window.level();
        menuLevel = recorded.stack.level(menu.windowHandle());
        menu.close();
    });
    popUpMenuAboveOverlay(menu, QPoint(10, 10), &window);
    EXPECT_EQ(levelDuring, WindowLevel::normal);
    EXPECT_EQ(menuLevel, WindowLevel::aboveOverlay);
    EXPECT_EQ(window.level(), WindowLevel::overlay);

    AlertDialog alert(QStringLiteral("m"), QStringLiteral("i"), QStringLiteral("好"), QStringLiteral("取消"));
    QTimer::singleShot(0, &alert, [&] {
        levelDuring = window.level();
        menuLevel = recorded.stack.level(alert.windowHandle());
        alert.accept();
    });
    EXPECT_TRUE(runModalAboveOverlay(alert, &window).accepted());
    EXPECT_EQ(levelDuring, WindowLevel::normal);
    EXPECT_EQ(menuLevel, WindowLevel::aboveOverlay);
    EXPECT_EQ(window.level(), WindowLevel::overlay);
}

TEST_F(InteractionViewTest, WheelEventsGoToTheEngineUntilItsMonitorTakesThem)
{
    VirtualScheduler clock;
    FakeInteractionPlatform platform;
    InteractionManager engine(clock, platform, PagerVariants{});
    engine.setOverlayWindow(window.windowHandle());
    engine.contentSize = QSizeF(800, 600);
    engine.pageCount = 3;
    view.interactionManager = &engine;

    QWheelEvent wheel(QPointF(100, 100), QPointF(100, 100), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    EXPECT_TRUE(view.scrollWheel(wheel));

    engine.installMouseMonitor();
    InputEvent scroll;
    scroll.kind = InputEvent::Kind::ScrollWheel;
    scroll.window = InputEvent::Window::Overlay;
    scroll.scrollingDeltaY = -1;
    scroll.timestamp = 10;
    platform.local(scroll);
    ASSERT_TRUE(engine.scrollWheelViaMonitor());
    EXPECT_FALSE(view.scrollWheel(wheel));
}

} // namespace
} // namespace corvanta::test
