// Every window and question of the real program, closed every way the user can, opened again, and
// the program ended from there: the window must come back each time, and the ending must be prompt,
// clean and saved whatever was open or closed before it.
// Qt and project headers before Xlib's macros.
#include "Views/CellDrawing.h"
#include "common/BundleBuilder.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRect>
#include <QRegularExpression>
#include <QUuid>

#include <functional>
#include <optional>
#include <vector>

#include <signal.h>

#include "X11/GridOnScreen.h"
#include "X11/ProgramDriver.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

namespace {

// How long the process may take to end once asked (0.5 s; longer under the sanitizers).
constexpr int endingBudgetMs = CORVANTA_TEST_ENDING_BUDGET_MS;

const QString gridMenuShown = QStringLiteral("右键菜单 — 窗口坐标=(");
const QString settingsShown = QStringLiteral("设置 sheet level=27（目标 aboveOverlay=27）");

// Where a viewable top-level window with this title (_NET_WM_NAME) stands on the screen, and
// whether it has the keyboard.
std::optional<QRect> windowTitled(Display* display, const QString& title, bool* focused = nullptr)
{
    const Atom name = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    std::optional<QRect> found;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
        return found;
    for (unsigned int i = 0; i < count && !found; ++i) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display, children[i], &attributes) || attributes.map_state != IsViewable)
            continue;
        Atom type = 0;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, children[i], name, 0, 1024, False, utf8, &type, &format, &items, &after, &data) == Success
            && data) {
            if (QString::fromUtf8(reinterpret_cast<const char*>(data), int(items)) == title) {
                found = QRect(attributes.x, attributes.y, attributes.width, attributes.height);
                if (focused) {
                    Window focus = 0;
                    int revert = 0;
                    XGetInputFocus(display, &focus, &revert);
                    *focused = focus == children[i];
                }
            }
            XFree(data);
        }
    }
    XFree(children);
    return found;
}

// Waits until the window is on screen with the keyboard, so that keys typed next reach it.
bool waitForWindow(Keyboard& keyboard, const QString& title)
{
    return keyboard.waitFor([&] {
        bool focused = false;
        return windowTitled(keyboard.display, title, &focused).has_value() && focused;
    });
}

// A right click left of the search bar, where there is neither an icon nor the field; the menu
// opens with its first item under the pointer's row.
void openGridMenu(Program& program, Keyboard& keyboard)
{
    const int before = program.logCount(gridMenuShown);
    keyboard.moveTo(60, 40);
    keyboard.button(3, true);
    keyboard.button(3, false);
    ASSERT_TRUE(program.waitForLogCount(gridMenuShown, before + 1)) << program.log().toStdString();
    ASSERT_TRUE(keyboard.waitFor([&] { return keyboard.smallWindowsShown() == 1; })) << "no menu window";
}

// "设置" from the grid's menu: two items up from its bottom ("退出 Corvanta").
void openSettings(Program& program, Keyboard& keyboard)
{
    const int before = program.logCount(settingsShown);
    openGridMenu(program, keyboard);
    if (::testing::Test::HasFatalFailure())
        return;
    keyboard.tap(XK_Up);
    keyboard.tap(XK_Up);
    keyboard.tap(XK_Return);
    ASSERT_TRUE(program.waitForLogCount(settingsShown, before + 1)) << program.log().toStdString();
    ASSERT_TRUE(waitForWindow(keyboard, QStringLiteral("Corvanta 设置"))) << "no settings window with the keyboard";
}

// Asks the program to end (`ask`) and checks it is gone within the budget, with status 0 and its
// layout written by the ending itself.
void expectPromptCleanEnd(Program& program, const std::function<void()>& ask)
{
    QFile::remove(program.layoutFile());
    QElapsedTimer elapsed;
    elapsed.start();
    ask();
    const bool ended = program.process.waitForFinished(5000);
    const qint64 took = elapsed.elapsed();
    if (!ended) {
        program.process.kill();
        program.process.waitForFinished(5000);
    }
    ASSERT_TRUE(ended) << program.log().toStdString();
    EXPECT_LE(took, endingBudgetMs) << "the program took its time to end";
    EXPECT_EQ(program.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.process.exitCode(), 0);
    EXPECT_TRUE(program.log().contains(QStringLiteral("=== Corvanta terminating ===")));
    EXPECT_TRUE(QFileInfo::exists(program.layoutFile())) << "the ending wrote no layout";
}

// The search field's own menu (a window of its own above the grid) opens on a right click and
// closes with Esc.
void expectTheSearchFieldsMenuWorks(Keyboard& keyboard)
{
    keyboard.moveTo(720, 70);
    keyboard.button(3, true);
    keyboard.button(3, false);
    EXPECT_TRUE(keyboard.waitFor([&] { return keyboard.smallWindowsShown() == 1; }, 5000)) << "no menu on the search field";
    keyboard.tap(XK_Escape);
    EXPECT_TRUE(keyboard.waitFor([&] { return keyboard.smallWindowsShown() == 0; }, 5000));
}

} // namespace

TEST(WaysOutEndToEnd, TheSettingsClosedByEscTenTimesOpenEveryTimeAndControlQStillEnds)
{
    Program program;
    Keyboard keyboard;
    startAndShow(program, keyboard);
    if (HasFatalFailure())
        return;
    for (int round = 0; round < 10; ++round) {
        openSettings(program, keyboard);
        if (HasFatalFailure())
            return;
        keyboard.tap(XK_Escape);
        ASSERT_TRUE(keyboard.waitFor([&] { return keyboard.smallWindowsShown() == 0; })) << "round " << round;
        ASSERT_TRUE(keyboard.overlayMapped());
    }
    expectPromptCleanEnd(program, [&] { keyboard.tap(XK_q, XK_Control_L); });
}

namespace {

enum class Way { button, escape, clickOutside };
enum class Ending { controlQ, sigterm };

// A window or question of the program: how it is opened (returning once it is on screen), how its
// button is pressed, whether a click beside it closes it, and what must still work once it closed.
struct Surface {
    const char* name;
    std::function<void(Program&, Keyboard&)> open;
    std::function<void(Program&, Keyboard&)> pressButton;
    bool closesOnAClickOutside = false;
    std::function<void(Keyboard&)> afterClosing;
    // Drawn inside the overlay, not a window of its own: the log line its closing writes.
    QString closedLog = {};
    // The application folders, where the surface needs more than the samples.
    QString applicationDirs = {};
    // Runs over the settings window, which stays open after it.
    bool overSettings = false;
    // Readies the program's files before it starts.
    std::function<void(Program&)> prepare = {};
    // Ended one way only: a plain alert or question like another whose row ends it both ways (the
    // entry must stay quick on two cores under the sanitizers).
    std::optional<Ending> onlyEnding = {};
};

std::optional<QPointF> iconCentre(const QString& log, int index)
{
    const std::optional<QRectF> icon = iconRect(log, index);
    return icon ? std::optional<QPointF>(icon->center()) : std::nullopt;
}

// Where the folder named `name` is on the first page of the saved layout, or -1.
int folderSlot(const Program& program, const QString& name)
{
    QFile file(program.layoutFile());
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QJsonObject store = QJsonDocument::fromJson(file.readAll()).object();
    for (const QJsonValue scene : store.value(QStringLiteral("scenes")).toArray()) {
        if (scene[QStringLiteral("id")] != store.value(QStringLiteral("currentSceneID")))
            continue;
        const QJsonArray entries = scene[QStringLiteral("layout")][QStringLiteral("pages")][0][QStringLiteral("entries")].toArray();
        for (int i = 0; i < entries.size(); ++i)
            if (entries[i][QStringLiteral("group")][QStringLiteral("_0")][QStringLiteral("name")].toString() == name)
                return i;
    }
    return -1;
}

const QString folderOpened = QStringLiteral("Folder panel opened — apps: ");
const QString titleTapped = QStringLiteral("文件夹标题被点击（改名入口）");

// Where the title of an open one-row folder panel stands: centred across, above the panel, which
// is one row pitch and 48 points of insets high and sits centred between the 16-point and 69-point
// reserves of the overlay (which hangs 4 points over the screen's edges).
std::optional<QPointF> openFolderTitle(const QString& log)
{
    static const QRegularExpression probe(QStringLiteral("container=([0-9.]+)x([0-9.]+) .*rowPitch=([0-9.]+)"));
    const QRegularExpressionMatch m = probe.match(log);
    if (!m.hasMatch())
        return std::nullopt;
    const double width = m.captured(1).toDouble(), height = m.captured(2).toDouble(), rowPitch = m.captured(3).toDouble();
    const double panelTop = 16 + (height - 16 - 69 - (rowPitch + 48)) / 2;
    return QPointF(width / 2 - 4, panelTop - 4 - 35);
}

// A click on the Utilities folder grows its panel.
void openUtilitiesFolder(Program& program, Keyboard& keyboard)
{
    int slot = -1;
    ASSERT_TRUE(keyboard.waitFor([&] { return (slot = folderSlot(program, QStringLiteral("Utilities"))) >= 0; }))
        << "no Utilities folder on the first page";
    const std::optional<QPointF> folder = iconCentre(program.log(), slot);
    ASSERT_TRUE(folder.has_value()) << program.log().toStdString();
    const int before = program.logCount(folderOpened);
    keyboard.click(folder->x(), folder->y());
    ASSERT_TRUE(program.waitForLogCount(folderOpened, before + 1)) << program.log().toStdString();
}

const QString alertShown = QStringLiteral("弹窗显示");
const QString alertClosed = QStringLiteral("弹窗关闭");

const QString created = QStringLiteral("阶段62：新建场景 — ");

// The question names the current scene, the one the program made and named.
QString deleteSceneTitle(const Program& program)
{
    static const QRegularExpression name(QStringLiteral("阶段62：新建场景 — (「[^\\n]*」)"));
    return QStringLiteral("删除场景") + name.match(program.log()).captured(1) + QStringLiteral("？");
}

// The settings window's geometry: centred on the screen (over the overlay), 500 x 470.
QPoint settingsPoint(Keyboard& keyboard, int x, int y)
{
    const int width = DisplayWidth(keyboard.display, DefaultScreen(keyboard.display));
    const int height = DisplayHeight(keyboard.display, DefaultScreen(keyboard.display));
    return {width / 2 - 250 + x, height / 2 - 235 + y};
}

const QString resetCancelled = QStringLiteral("设置页重置布局 — 用户取消");

// The settings' "高级" tab, whose first buttons are "备份布局…" and "恢复布局…".
void openFileDialog(Program& program, Keyboard& keyboard, int buttonY, const QString& title)
{
    openSettings(program, keyboard);
    if (::testing::Test::HasFatalFailure())
        return;
    const QPoint tab = settingsPoint(keyboard, 216, 14);
    keyboard.click(tab.x(), tab.y());
    const QPoint button = settingsPoint(keyboard, 70, buttonY);
    keyboard.click(button.x(), button.y());
    ASSERT_TRUE(waitForWindow(keyboard, title)) << "no file dialog " << title.toStdString();
}

// Cancels the file dialog with its "取消" button (bottom right).
void cancelFileDialog(Keyboard& keyboard, const QString& title)
{
    const std::optional<QRect> dialog = windowTitled(keyboard.display, title);
    ASSERT_TRUE(dialog.has_value());
    keyboard.click(dialog->right() - 50, dialog->bottom() - 22);
}

// Closes the settings window the file dialogs ran over, with its done button.
void closeSettings(Keyboard& keyboard)
{
    const QPoint done = settingsPoint(keyboard, 443, 446);
    keyboard.click(done.x(), done.y());
    ASSERT_TRUE(keyboard.waitFor([&] { return keyboard.smallWindowsShown() == 0; })) << "the settings stay open";
}

std::vector<Surface> surfaces()
{
    return {
        {"GridMenu", openGridMenu, {}, true, {}},
        {"SearchFieldMenu",
            [](Program&, Keyboard& keyboard) {
                keyboard.moveTo(720, 70);
                keyboard.button(3, true);
                keyboard.button(3, false);
                ASSERT_TRUE(keyboard.waitFor([&] { return keyboard.smallWindowsShown() == 1; })) << "no menu on the search field";
            },
            {}, true, {}},
        {"Settings", openSettings,
            [](Program&, Keyboard& keyboard) {
                const QPoint done = settingsPoint(keyboard, 443, 446);
                keyboard.click(done.x(), done.y());
            },
            false, expectTheSearchFieldsMenuWorks},
        {"RescanReport",
            [](Program& program, Keyboard& keyboard) {
                const int before = program.logCount(alertShown);
                openGridMenu(program, keyboard);
                if (::testing::Test::HasFatalFailure())
                    return;
                keyboard.tap(XK_Down);
                keyboard.tap(XK_Return);
                ASSERT_TRUE(program.waitForLogCount(alertShown, before + 1)) << program.log().toStdString();
                ASSERT_TRUE(keyboard.waitFor([&] { return keyboard.smallWindowsShown() == 1; })) << "no alert on screen";
                ASSERT_TRUE(keyboard.waitFor([&] { return keyboard.keyboardInASmallWindow(); })) << "the alert has not the keyboard";
            },
            // "好", the one button, is the default one.
            [](Program&, Keyboard& keyboard) { keyboard.tap(XK_Return); }, false, {}},
        {"RenameSceneQuestion",
            [](Program& program, Keyboard& keyboard) {
                openGridMenu(program, keyboard);
                if (::testing::Test::HasFatalFailure())
                    return;
                // "场景", then in its submenu past the one scene: "新建场景", "复制当前场景", "重命名当前场景…".
                for (const KeySym key : {XK_Down, XK_Down, XK_Right, XK_Down, XK_Down, XK_Down, XK_Return})
                    keyboard.tap(key);
                ASSERT_TRUE(waitForWindow(keyboard, QStringLiteral("重命名场景"))) << "no rename question";
            },
            // "取消", left of the default button.
            [](Program&, Keyboard& keyboard) {
                const std::optional<QRect> dialog = windowTitled(keyboard.display, QStringLiteral("重命名场景"));
                ASSERT_TRUE(dialog.has_value());
                keyboard.click(dialog->right() - 140, dialog->bottom() - 21);
            },
            false, {}},
        // Asked only where there are two scenes: the first opening makes the second.
        {"DeleteSceneQuestion",
            [](Program& program, Keyboard& keyboard) {
                if (program.logCount(created) == 0) {
                    openGridMenu(program, keyboard);
                    if (::testing::Test::HasFatalFailure())
                        return;
                    // "场景", then in its submenu past the one scene: "新建场景".
                    for (const KeySym key : {XK_Down, XK_Down, XK_Right, XK_Down, XK_Return})
                        keyboard.tap(key);
                    ASSERT_TRUE(program.waitForLog(created)) << program.log().toStdString();
                    ASSERT_TRUE(keyboard.waitFor([&] { return keyboard.smallWindowsShown() == 0; })) << "the menu stays open";
                }
                openGridMenu(program, keyboard);
                if (::testing::Test::HasFatalFailure())
                    return;
                // Past the two scenes, "新建场景", "复制当前场景" and "重命名当前场景…": "删除当前场景".
                for (const KeySym key : {XK_Down, XK_Down, XK_Right, XK_Down, XK_Down, XK_Down, XK_Down, XK_Down, XK_Return})
                    keyboard.tap(key);
                ASSERT_TRUE(keyboard.waitFor([&] {
                    return keyboard.smallWindowsShown() == 1 && keyboard.keyboardInASmallWindow()
                        && windowTitled(keyboard.display, deleteSceneTitle(program)).has_value();
                })) << program.log().toStdString();
            },
            // "取消", left of the default "删除场景": both scenes stay.
            [](Program& program, Keyboard& keyboard) {
                const std::optional<QRect> question = windowTitled(keyboard.display, deleteSceneTitle(program));
                ASSERT_TRUE(question.has_value());
                keyboard.click(question->right() - 140, question->bottom() - 21);
                ASSERT_TRUE(keyboard.waitFor([&] { return keyboard.smallWindowsShown() == 0; })) << "the question stays open";
                EXPECT_FALSE(program.log().contains(QStringLiteral("阶段62：删除场景"))) << program.log().toStdString();
            },
            false, {}, {}, {}, false, {}, Ending::sigterm},
        {"FolderPanel", openUtilitiesFolder, {}, true, {}, QStringLiteral("Folder panel closed"),
            QStringLiteral(CORVANTA_SAMPLE_APPS ":" CORVANTA_SAMPLE_APPS "/Utilities")},
        // A click on the open folder's title starts renaming it.
        {"FolderRenameField",
            [](Program& program, Keyboard& keyboard) {
                openUtilitiesFolder(program, keyboard);
                if (::testing::Test::HasFatalFailure())
                    return;
                const std::optional<QPointF> title = openFolderTitle(program.log());
                ASSERT_TRUE(title.has_value()) << program.log().toStdString();
                const int taps = program.logCount(titleTapped);
                keyboard.click(title->x(), title->y());
                ASSERT_TRUE(program.waitForLogCount(titleTapped, taps + 1)) << program.log().toStdString();
            },
            {}, true, {}, QStringLiteral("Folder panel closed"), QStringLiteral(CORVANTA_SAMPLE_APPS ":" CORVANTA_SAMPLE_APPS "/Utilities")},
        {"BackupFileDialog",
            [](Program& program, Keyboard& keyboard) { openFileDialog(program, keyboard, 78, QStringLiteral("备份布局")); },
            [](Program&, Keyboard& keyboard) { cancelFileDialog(keyboard, QStringLiteral("备份布局")); }, false, {}, {}, {}, true},
        {"RestoreFileDialog",
            [](Program& program, Keyboard& keyboard) { openFileDialog(program, keyboard, 107, QStringLiteral("恢复布局")); },
            [](Program&, Keyboard& keyboard) { cancelFileDialog(keyboard, QStringLiteral("恢复布局")); }, false, {}, {}, {}, true},
        // A file that is no layout, chosen for restoring: the error is told in an alert.
        {"RestoreErrorAlert",
            [](Program& program, Keyboard& keyboard) {
                QFile bad(program.path("bad.json"));
                ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
                bad.write("not a layout");
                bad.close();
                openFileDialog(program, keyboard, 107, QStringLiteral("恢复布局"));
                if (::testing::Test::HasFatalFailure())
                    return;
                // The dialog opens in the home folder with its name field taking the keys.
                for (const KeySym key : {XK_b, XK_a, XK_d, XK_period, XK_j, XK_s, XK_o, XK_n, XK_Return})
                    keyboard.tap(key);
                ASSERT_TRUE(waitForWindow(keyboard, QStringLiteral("恢复布局失败"))) << program.log().toStdString();
            },
            // "好", the one button, is the default one.
            [](Program&, Keyboard& keyboard) { keyboard.tap(XK_Return); }, false, {}, {}, {}, true},
        // The one application has no executable: a click on it is told why it cannot start, and
        // it stays on the grid for the next try.
        {"LaunchFailureAlert",
            [](Program& program, Keyboard& keyboard) {
                const std::optional<QPointF> icon = iconCentre(program.log(), 0);
                ASSERT_TRUE(icon.has_value()) << program.log().toStdString();
                const int before = program.logCount(alertShown);
                keyboard.click(icon->x(), icon->y());
                ASSERT_TRUE(program.waitForLogCount(alertShown, before + 1)) << program.log().toStdString();
                ASSERT_TRUE(program.log().contains(QStringLiteral("Failed to launch Husk: "))) << program.log().toStdString();
                ASSERT_TRUE(keyboard.waitFor([&] { return keyboard.keyboardInASmallWindow(); })) << "the alert has not the keyboard";
            },
            // "好", the one button, is the default one.
            [](Program&, Keyboard& keyboard) { keyboard.tap(XK_Return); }, false, {}, {}, {}, false,
            [](Program& program) {
                corvanta::test::makeBundle(program.extraApplications(), QStringLiteral("Husk.app"),
                    corvanta::test::infoWith(QStringLiteral("org.fixture.husk"), QStringLiteral("Husk")));
                program.extraEnvironment.insert(QStringLiteral("CORVANTA_APPLICATION_DIRS"), program.extraApplications());
            },
            Ending::sigterm},
        // The layout tab's "重置布局" asks first; "取消" and Esc answer no.
        {"ResetLayoutQuestion",
            [](Program& program, Keyboard& keyboard) {
                openSettings(program, keyboard);
                if (::testing::Test::HasFatalFailure())
                    return;
                const QPoint tab = settingsPoint(keyboard, 118, 14);
                keyboard.click(tab.x(), tab.y());
                const QPoint reset = settingsPoint(keyboard, 68, 240);
                keyboard.click(reset.x(), reset.y());
                ASSERT_TRUE(waitForWindow(keyboard, QStringLiteral("重置布局"))) << "no reset question";
            },
            // "取消", right of "重置"; the layout is kept.
            [](Program& program, Keyboard& keyboard) {
                const std::optional<QRect> question = windowTitled(keyboard.display, QStringLiteral("重置布局"));
                ASSERT_TRUE(question.has_value());
                const int cancels = program.logCount(resetCancelled);
                keyboard.click(question->right() - 38, question->bottom() - 23);
                ASSERT_TRUE(program.waitForLogCount(resetCancelled, cancels + 1)) << program.log().toStdString();
            },
            false, {}, {}, {}, true, {}, Ending::controlQ},
        // A backup into a folder nobody can write, root included: the error is told in an alert.
        {"BackupErrorAlert",
            [](Program& program, Keyboard& keyboard) {
                openFileDialog(program, keyboard, 78, QStringLiteral("备份布局"));
                if (::testing::Test::HasFatalFailure())
                    return;
                for (const KeySym key : {XK_slash, XK_p, XK_r, XK_o, XK_c, XK_slash, XK_b, XK_a, XK_d, XK_period, XK_j, XK_s, XK_o, XK_n,
                         XK_Return})
                    keyboard.tap(key);
                ASSERT_TRUE(waitForWindow(keyboard, QStringLiteral("备份布局失败"))) << program.log().toStdString();
            },
            // "好", the one button, is the default one.
            [](Program&, Keyboard& keyboard) { keyboard.tap(XK_Return); }, false, {}, {}, {}, true, {}, Ending::controlQ},
    };
}

struct Row {
    Surface surface;
    Ending ending;
};

void PrintTo(const Row& row, std::ostream* os)
{
    *os << row.surface.name << (row.ending == Ending::controlQ ? "/ControlQ" : "/Sigterm");
}

std::vector<Row> rows()
{
    std::vector<Row> out;
    for (const Surface& surface : surfaces())
        for (const Ending ending : {Ending::controlQ, Ending::sigterm})
            if (!surface.onlyEnding || *surface.onlyEnding == ending)
                out.push_back({surface, ending});
    return out;
}

class WaysOut : public ::testing::TestWithParam<Row> {};

} // namespace

// One program run per row: the surface is closed every way that applies to it, each time opened
// again; the grid stays on screen throughout; then the program is ended with the surface open.
TEST_P(WaysOut, EveryWayOutLeavesItOpeningAgainAndTheEndingPromptAndSaved)
{
    const Row& row = GetParam();
    const Surface& surface = row.surface;
    Program program;
    if (!surface.applicationDirs.isEmpty())
        program.extraEnvironment.insert(QStringLiteral("CORVANTA_APPLICATION_DIRS"), surface.applicationDirs);
    if (surface.prepare)
        surface.prepare(program);
    Keyboard keyboard;
    startAndShow(program, keyboard);
    if (HasFatalFailure())
        return;

    std::vector<Way> ways{Way::escape};
    if (surface.pressButton)
        ways.insert(ways.begin(), Way::button);
    if (surface.closesOnAClickOutside)
        ways.push_back(Way::clickOutside);
    for (const Way way : ways) {
        SCOPED_TRACE(way == Way::button ? "by its button" : way == Way::escape ? "by Esc" : "by a click outside");
        const int alertsClosed = program.logCount(alertClosed);
        const int closings = surface.closedLog.isEmpty() ? 0 : program.logCount(surface.closedLog);
        surface.open(program, keyboard);
        if (HasFatalFailure())
            return;
        switch (way) {
        case Way::button:
            surface.pressButton(program, keyboard);
            break;
        case Way::escape:
            keyboard.tap(XK_Escape);
            break;
        case Way::clickOutside:
            // Top right, beside the search bar: no icon, no field, no menu.
            keyboard.click(1400, 30);
            break;
        }
        if (HasFatalFailure())
            return;
        if (QByteArray(surface.name) == "RescanReport" || QByteArray(surface.name) == "LaunchFailureAlert") {
            ASSERT_TRUE(program.waitForLogCount(alertClosed, alertsClosed + 1)) << program.log().toStdString();
        }
        if (!surface.closedLog.isEmpty()) {
            ASSERT_TRUE(program.waitForLogCount(surface.closedLog, closings + 1)) << program.log().toStdString();
        }
        if (surface.overSettings) {
            // The dialog is gone and the settings under it are left on screen.
            ASSERT_TRUE(keyboard.waitFor([&] { return keyboard.smallWindowsShown() == 1; })) << surface.name << " stays open";
            closeSettings(keyboard);
        }
        ASSERT_TRUE(keyboard.waitFor([&] { return keyboard.smallWindowsShown() == 0; })) << surface.name << " stays open";
        ASSERT_TRUE(keyboard.overlayMapped()) << "the grid went away with " << surface.name;
        if (surface.afterClosing)
            surface.afterClosing(keyboard);
    }

    // Shown again, then the program is ended from there.
    surface.open(program, keyboard);
    if (HasFatalFailure())
        return;
    expectPromptCleanEnd(program, [&] {
        if (row.ending == Ending::controlQ)
            keyboard.tap(XK_q, XK_Control_L);
        else
            ::kill(pid_t(program.process.processId()), SIGTERM);
    });
}

INSTANTIATE_TEST_SUITE_P(EveryWindow, WaysOut, ::testing::ValuesIn(rows()), [](const ::testing::TestParamInfo<Row>& info) {
    return std::string(info.param.surface.name) + (info.param.ending == Ending::controlQ ? "ControlQ" : "Sigterm");
});

namespace {

// Where the window that has the keyboard stands, when it is narrower than the screen.
std::optional<QRect> focusedSmallWindow(Keyboard& keyboard)
{
    if (!keyboard.keyboardInASmallWindow())
        return std::nullopt;
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(keyboard.display, &focus, &revert);
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(keyboard.display, focus, &attributes))
        return std::nullopt;
    return QRect(attributes.x, attributes.y, attributes.width, attributes.height);
}

const QString pinchAsked = QStringLiteral("阶段150：询问是否启用四指捏合");

// A first start by hand: the one-time pinch question comes up and takes the keyboard.
void startUntilThePinchQuestion(Program& program, Keyboard& keyboard)
{
    program.start();
    ASSERT_TRUE(program.process.waitForStarted(10000));
    ASSERT_NE(keyboard.display, nullptr);
    ASSERT_TRUE(program.waitForLog(pinchAsked)) << program.log().toStdString();
    ASSERT_TRUE(keyboard.waitFor([&] { return keyboard.keyboardInASmallWindow(); })) << "the question has not the keyboard";
}

class PinchQuestionWaysOut : public ::testing::TestWithParam<std::pair<Way, Ending>> {};

} // namespace

// Its "暂不启用" button and Esc both answer "not now"; the grid comes up after it, and the program
// ends promptly from there.
TEST_P(PinchQuestionWaysOut, ClosedItAnswersNotNowShowsTheGridAndTheEndingIsPrompt)
{
    const Way way = GetParam().first;
    const Ending ending = GetParam().second;
    Program program;
    Keyboard keyboard;
    startUntilThePinchQuestion(program, keyboard);
    if (HasFatalFailure())
        return;
    if (way == Way::button) {
        const std::optional<QRect> question = focusedSmallWindow(keyboard);
        ASSERT_TRUE(question.has_value());
        keyboard.click(question->right() - 48, question->bottom() - 24);
    } else {
        keyboard.tap(XK_Escape);
    }
    ASSERT_TRUE(program.waitForLog(QStringLiteral("阶段150：用户选择暂不启用四指捏合"))) << program.log().toStdString();
    ASSERT_TRUE(program.waitForLog(QStringLiteral("Tilehall shown — isVisible=true"))) << program.log().toStdString();
    ASSERT_TRUE(keyboard.waitFor([&] { return keyboard.overlayMapped(); }));
    expectPromptCleanEnd(program, [&] {
        if (ending == Ending::controlQ)
            keyboard.tap(XK_q, XK_Control_L);
        else
            ::kill(pid_t(program.process.processId()), SIGTERM);
    });
}

INSTANTIATE_TEST_SUITE_P(EveryWindow, PinchQuestionWaysOut,
    ::testing::Values(std::pair{Way::button, Ending::controlQ}, std::pair{Way::escape, Ending::sigterm}),
    [](const ::testing::TestParamInfo<std::pair<Way, Ending>>& info) {
        return std::string(info.param.first == Way::button ? "ByItsButton" : "ByEsc")
            + (info.param.second == Ending::controlQ ? "ThenControlQ" : "ThenSigterm");
    });

// Control-Q while the question is open is no answer: the question stands for the next start, the
// grid never comes up, and the process ends at once with its save.
TEST(WaysOutEndToEnd, ControlQWhileThePinchQuestionIsOpenAnswersNothingAndEndsPromptly)
{
    Program program;
    Keyboard keyboard;
    startUntilThePinchQuestion(program, keyboard);
    if (HasFatalFailure())
        return;
    expectPromptCleanEnd(program, [&] { keyboard.tap(XK_q, XK_Control_L); });
    const QString log = program.log();
    EXPECT_FALSE(log.contains(QStringLiteral("阶段150：用户选择"))) << log.toStdString();
    EXPECT_FALSE(log.contains(QStringLiteral("showTilehall() called"))) << log.toStdString();
    QSettings settings(program.path("config/Corvanta/Corvanta.conf"), QSettings::NativeFormat);
    EXPECT_FALSE(settings.value(QStringLiteral("com.corvanta.didAskFourFingerPinchTakeover")).toBool());
}

// A second copy that cannot reach the first says so in an alert: Esc closes it like its button and
// that copy ends; Control-Q or SIGTERM while the alert is open end it as promptly, with status 0.
// The first copy runs on throughout, and one run serves every way.
TEST(WaysOutEndToEnd, TheAnotherCopyAlertEndsItsCopyByEscControlQAndSigterm)
{
    Program program;
    Keyboard keyboard;
    startAndShow(program, keyboard);
    if (HasFatalFailure())
        return;
    const QString firstPid = QString::number(program.process.processId());
    ASSERT_TRUE(QFile::remove(program.path("runtime/corvanta-bus/") + firstPid + QStringLiteral(".sock")));

    for (const char* way : {"Esc", "ControlQ", "Sigterm"}) {
        SCOPED_TRACE(way);
        const int alerts = program.logCount(alertShown);
        QProcess second;
        program.start(second);
        ASSERT_TRUE(second.waitForStarted(10000));
        ASSERT_TRUE(program.waitForLogCount(alertShown, alerts + 1)) << program.log().toStdString();
        ASSERT_TRUE(keyboard.waitFor([&] { return keyboard.keyboardInASmallWindow(); })) << "the alert has not the keyboard";
        QElapsedTimer elapsed;
        elapsed.start();
        if (QByteArray(way) == "Esc")
            keyboard.tap(XK_Escape);
        else if (QByteArray(way) == "ControlQ")
            keyboard.tap(XK_q, XK_Control_L);
        else
            ::kill(pid_t(second.processId()), SIGTERM);
        const bool ended = second.waitForFinished(5000);
        const qint64 took = elapsed.elapsed();
        if (!ended) {
            second.kill();
            second.waitForFinished(5000);
        }
        ASSERT_TRUE(ended) << program.log().toStdString();
        EXPECT_LE(took, endingBudgetMs) << "the copy took its time to end";
        EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(second.exitCode(), 0);
        ASSERT_TRUE(keyboard.waitFor([&] { return keyboard.smallWindowsShown() == 0; })) << "the alert stays on screen";
        EXPECT_EQ(program.process.state(), QProcess::Running);
    }
    expectPromptCleanEnd(program, [&] { keyboard.tap(XK_q, XK_Control_L); });
}

namespace {

// A machine of the test's own for the uninstaller: a home, a system tree, and an applications
// folder holding one application to offer.
struct UninstallFixture {
    QTemporaryDir root{QDir::tempPath() + QStringLiteral("/corvanta-waysout-XXXXXX")};
    QString path(const char* relative) const { return root.path() + QLatin1Char('/') + QLatin1String(relative); }

    // One application for each name, each with a cache folder of its own.
    void build(Program& program, const QStringList& names = {QStringLiteral("Inkpad")}) const
    {
        for (const QString& name : names) {
            const QString identifier = QStringLiteral("org.fixture.") + name.toLower();
            corvanta::test::makeBundle(path("Applications"), name + QStringLiteral(".app"), corvanta::test::infoWith(identifier, name));
            corvanta::test::writeFile(root.path() + QStringLiteral("/home/Library/Caches/") + identifier + QStringLiteral("/blob"),
                QByteArray(100, 'x'));
        }
        QDir().mkpath(path("sys/Library"));
        program.extraEnvironment = {
            {QStringLiteral("CORVANTA_APPLICATION_DIRS"), path("Applications")},
            {QStringLiteral("CORVANTA_UNINSTALL_HOME"), path("home")},
            {QStringLiteral("CORVANTA_UNINSTALL_SYSTEM_ROOT"), path("sys")},
            {QStringLiteral("CORVANTA_UNINSTALL_ADMIN"), QStringLiteral("none")},
        };
    }
};

const QString planReady = QStringLiteral("Uninstall plan ready: ");
const QString deleteRequested = QStringLiteral("Delete requested: ");

// The one cell's badge opens the sheet, which shows its plan with the keyboard.
void openUninstallSheet(Program& program, Keyboard& keyboard)
{
    const int plans = program.logCount(planReady);
    const int requests = program.logCount(deleteRequested);
    ASSERT_NO_FATAL_FAILURE(askToUninstallTheFirstCell(program, keyboard));
    ASSERT_EQ(program.logCount(deleteRequested), requests + 1) << program.log().toStdString();
    ASSERT_TRUE(program.waitForLogCount(planReady, plans + 1)) << program.log().toStdString();
    ASSERT_TRUE(keyboard.waitFor([&] { return windowTitled(keyboard.display, QStringLiteral("卸载")).has_value(); }))
        << "no sheet on screen";
}

// The brightness (0–255) of the screen's pixel at `point`.
int brightness(Display* display, const QPoint& point)
{
    XImage* image = XGetImage(display, DefaultRootWindow(display), point.x(), point.y(), 1, 1, AllPlanes, ZPixmap);
    if (!image)
        return 0;
    const unsigned long pixel = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return int(((pixel >> 16) & 0xff) + ((pixel >> 8) & 0xff) + (pixel & 0xff)) / 3;
}

// "取消" stands left of "卸载" at the foot of the card of a one-leftover plan, centred on the screen;
// it is there once the card shows the plan (before, the grid's dark background is).
QPoint cancelButtonOnceThePlanIsDrawn(Keyboard& keyboard)
{
    const std::optional<QRect> sheet = windowTitled(keyboard.display, QStringLiteral("卸载"));
    EXPECT_TRUE(sheet.has_value());
    if (!sheet)
        return {};
    const QPoint cancel(sheet->center().x() + 48, sheet->center().y() + 95);
    const QPoint buttonFace(cancel.x() - 28, cancel.y()); // beside its title
    EXPECT_TRUE(keyboard.waitFor([&] { return brightness(keyboard.display, buttonFace) > 200; })) << "the plan is not drawn";
    return cancel;
}

bool sheetShown(Keyboard& keyboard)
{
    return windowTitled(keyboard.display, QStringLiteral("卸载")).has_value();
}

class UninstallSheetWaysOut : public ::testing::TestWithParam<Ending> {};

} // namespace

// The uninstall sheet closed by its "取消" button and by Esc: nothing is removed, the grid stays
// with the keyboard (typing searches, the search field's menu opens), the sheet opens again, and
// the program ends promptly from there.
TEST_P(UninstallSheetWaysOut, ClosedItLeavesEverythingOpensAgainAndTheEndingIsPrompt)
{
    UninstallFixture fixture;
    ASSERT_TRUE(fixture.root.isValid());
    Program program;
    fixture.build(program);
    Keyboard keyboard;
    startAndShow(program, keyboard);
    if (HasFatalFailure())
        return;
    for (const Way way : {Way::button, Way::escape}) {
        SCOPED_TRACE(way == Way::button ? "by its button" : "by Esc");
        openUninstallSheet(program, keyboard);
        if (HasFatalFailure())
            return;
        if (way == Way::button) {
            const QPoint cancel = cancelButtonOnceThePlanIsDrawn(keyboard);
            if (HasFatalFailure())
                return;
            keyboard.click(cancel.x(), cancel.y());
        } else {
            keyboard.tap(XK_Escape);
        }
        ASSERT_TRUE(keyboard.waitFor([&] { return !sheetShown(keyboard); })) << "the sheet stays open";
        ASSERT_TRUE(keyboard.overlayMapped());
        expectTheSearchFieldsMenuWorks(keyboard);
    }
    EXPECT_TRUE(QFileInfo::exists(fixture.path("Applications/Inkpad.app")));
    openUninstallSheet(program, keyboard);
    if (HasFatalFailure())
        return;
    expectPromptCleanEnd(program, [&] {
        if (GetParam() == Ending::controlQ)
            keyboard.tap(XK_q, XK_Control_L);
        else
            ::kill(pid_t(program.process.processId()), SIGTERM);
    });
    EXPECT_TRUE(QFileInfo::exists(fixture.path("Applications/Inkpad.app")));
}

INSTANTIATE_TEST_SUITE_P(EveryWindow, UninstallSheetWaysOut, ::testing::Values(Ending::controlQ, Ending::sigterm),
    [](const ::testing::TestParamInfo<Ending>& info) { return std::string(info.param == Ending::controlQ ? "ControlQ" : "Sigterm"); });

namespace {

// Ends the program the row's way: Control-Q to the grid or SIGTERM to the process.
void endBy(Program& program, Keyboard& keyboard, Ending ending)
{
    expectPromptCleanEnd(program, [&] {
        if (ending == Ending::controlQ)
            keyboard.tap(XK_q, XK_Control_L);
        else
            ::kill(pid_t(program.process.processId()), SIGTERM);
    });
}

// Uninstalls the application in the first slot with one leftover it cannot remove, so that the
// result alert tells of it: the leftover folder is put back new between the plan and the deletion,
// and the uninstaller refuses a leftover that is no longer the one the sheet showed (a refusal
// root cannot bypass, unlike a folder's rights).
void openUninstallResultAlert(Program& program, Keyboard& keyboard, const UninstallFixture& fixture)
{
    openUninstallSheet(program, keyboard);
    if (::testing::Test::HasFatalFailure())
        return;
    cancelButtonOnceThePlanIsDrawn(keyboard);
    if (::testing::Test::HasFatalFailure())
        return;
    // The old folder is kept aside, so that the new one cannot be given its freed inode.
    const QDir caches(fixture.path("home/Library/Caches"));
    QDir().mkpath(fixture.path("aside"));
    for (const QString& leftover : caches.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString folder = caches.filePath(leftover);
        ASSERT_TRUE(QDir().rename(folder, fixture.path("aside") + QLatin1Char('/') + QUuid::createUuid().toString(QUuid::WithoutBraces)));
        corvanta::test::writeFile(folder + QStringLiteral("/blob"), QByteArray(100, 'y'));
    }
    const int alerts = program.logCount(alertShown);
    // The sheet has the keyboard: Return confirms.
    keyboard.tap(XK_Return);
    ASSERT_TRUE(program.waitForLogCount(alertShown, alerts + 1)) << program.log().toStdString();
    ASSERT_TRUE(program.log().contains(QStringLiteral("Uninstall: residual delete refused — "))) << program.log().toStdString();
    ASSERT_TRUE(keyboard.waitFor([&] { return !sheetShown(keyboard) && keyboard.keyboardInASmallWindow(); }))
        << "the alert has not the keyboard";
}

class UninstallResultAlertWaysOut : public ::testing::TestWithParam<Ending> {};

} // namespace

// The alert after an uninstall that left something behind, closed by its "好" button and by Esc:
// the grid stays with the keyboard, the alert comes again after the next such uninstall, and the
// program ends promptly from there. One application for each time the alert is shown.
TEST_P(UninstallResultAlertWaysOut, ClosedItLeavesTheGridAndTheEndingIsPrompt)
{
    UninstallFixture fixture;
    ASSERT_TRUE(fixture.root.isValid());
    Program program;
    fixture.build(program, {QStringLiteral("Inkpad"), QStringLiteral("Jotter"), QStringLiteral("Kiln")});
    Keyboard keyboard;
    startAndShow(program, keyboard);
    if (HasFatalFailure())
        return;
    for (const Way way : {Way::button, Way::escape}) {
        SCOPED_TRACE(way == Way::button ? "by its button" : "by Esc");
        const int closed = program.logCount(alertClosed);
        openUninstallResultAlert(program, keyboard, fixture);
        if (HasFatalFailure())
            return;
        if (way == Way::button) {
            const std::optional<QRect> alert = focusedSmallWindow(keyboard);
            ASSERT_TRUE(alert.has_value());
            // "好", the one button, at the alert's bottom right.
            keyboard.click(alert->right() - 48, alert->bottom() - 24);
        } else {
            keyboard.tap(XK_Escape);
        }
        ASSERT_TRUE(program.waitForLogCount(alertClosed, closed + 1)) << program.log().toStdString();
        ASSERT_TRUE(keyboard.waitFor([&] { return keyboard.smallWindowsShown() == 0; })) << "the alert stays on screen";
        ASSERT_TRUE(keyboard.overlayMapped()) << "the grid went away with the alert";
        expectTheSearchFieldsMenuWorks(keyboard);
    }
    openUninstallResultAlert(program, keyboard, fixture);
    if (HasFatalFailure())
        return;
    endBy(program, keyboard, GetParam());
}

INSTANTIATE_TEST_SUITE_P(EveryWindow, UninstallResultAlertWaysOut, ::testing::Values(Ending::controlQ, Ending::sigterm),
    [](const ::testing::TestParamInfo<Ending>& info) { return std::string(info.param == Ending::controlQ ? "ControlQ" : "Sigterm"); });
