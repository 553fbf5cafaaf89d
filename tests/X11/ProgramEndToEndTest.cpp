// The real program on the virtual display: started like a user would, driven with the keyboard.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QPoint>
#include <QPointF>
#include <QRegularExpression>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <optional>

// gtest before Xlib: Xlib's macros (None, Bool...) would rewrite gtest's own names.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include "X11/ProgramDriver.h"

// The program sees only these sample applications, copied into a folder of its own (so a test may
// remove one while it runs).
static void onlySampleApplications(Program& program, std::initializer_list<const char*> names)
{
    ASSERT_TRUE(QDir().mkpath(program.extraApplications()));
    for (const char* name : names) {
        std::error_code error;
        std::filesystem::copy(std::filesystem::path(CORVANTA_SAMPLE_APPS) / name,
            std::filesystem::path(program.extraApplications().toStdString()) / name, std::filesystem::copy_options::recursive, error);
        ASSERT_FALSE(error) << error.message();
    }
    program.extraEnvironment.insert(QStringLiteral("CORVANTA_APPLICATION_DIRS"), program.extraApplications());
}

// Presses on an icon of the grid's first rows and keeps the button down: presses along the rows
// until the engine reports a hit; a press that missed is turned into a short page drag, so it
// closes nothing. Returns where the pointer is.
static QPoint pressOnAnIcon(Program& program, Keyboard& keyboard)
{
    bool hit = false;
    for (int y = 110; y < 420 && !hit; y += 15) {
        for (int x = 80; x < 420 && !hit; x += 40) {
            const int hitsBefore = int(program.log().count(QStringLiteral("mouseDown hit entry")));
            keyboard.moveTo(x, y);
            keyboard.button(1, true);
            hit = keyboard.waitFor([&] { return program.log().count(QStringLiteral("mouseDown hit entry")) > hitsBefore; }, 230);
            if (!hit) {
                keyboard.moveTo(x + 30, y);
                QThread::msleep(30);
                keyboard.button(1, false);
                QThread::msleep(450);
            }
        }
    }
    EXPECT_TRUE(hit) << program.log().toStdString();
    if (!hit)
        return {};
    Window root = 0, child = 0;
    int x = 0, y = 0, wx = 0, wy = 0;
    unsigned int mask = 0;
    XQueryPointer(keyboard.display, DefaultRootWindow(keyboard.display), &root, &child, &x, &y, &wx, &wy, &mask);
    return {x, y};
}

// Presses on an icon and drags it, button held, down to the screen row `bottom` in 20 steps
// (calling `eachStep` after each). Returns where the press was.
static QPoint dragAnIconDownTo(Program& program, Keyboard& keyboard, int bottom, const std::function<void()>& eachStep = {})
{
    const QPoint start = pressOnAnIcon(program, keyboard);
    if (start.isNull())
        return start;
    for (int step = 1; step <= 20; ++step) {
        keyboard.moveTo(start.x() + step * 10, start.y() + (bottom - start.y()) * step / 20);
        if (eachStep)
            eachStep();
        QThread::msleep(30);
    }
    return start;
}

TEST(ProgramEndToEnd, AStartByHandAsksThePinchQuestionEndsWithTheGridShownAndTheHotKeyTogglesIt)
{
    Program program;
    ASSERT_TRUE(program.home.isValid());
    program.start();
    ASSERT_TRUE(program.process.waitForStarted(10000));
    Keyboard keyboard;
    ASSERT_NE(keyboard.display, nullptr);

    // The splash runs while the grid is prepared hidden; then the one-time question comes up.
    ASSERT_TRUE(program.waitForLog(QStringLiteral("阶段154/155：展示冷启动进度小窗（0.9s）"))) << program.log().toStdString();
    ASSERT_TRUE(program.waitForLog(QStringLiteral("阶段29/160：后台预热完成"))) << program.log().toStdString();
    EXPECT_FALSE(program.log().contains(QStringLiteral("Tilehall shown")));
    // Esc answers "暂不启用" once the question has the keyboard; a tap waits long enough for its
    // answer to be logged, so no spare Esc reaches the grid that follows.
    ASSERT_TRUE(program.waitForLog(QStringLiteral("阶段150：询问是否启用四指捏合"))) << program.log().toStdString();
    ASSERT_TRUE(keyboard.waitFor([&] {
        if (program.log().contains(QStringLiteral("阶段150：用户选择")))
            return true;
        keyboard.tap(XK_Escape);
        return program.waitForLog(QStringLiteral("阶段150：用户选择"), 1000);
    }, 20000)) << program.log().toStdString();
    EXPECT_TRUE(program.log().contains(QStringLiteral("阶段150：用户选择暂不启用四指捏合")));
    ASSERT_TRUE(program.waitForLog(QStringLiteral("Showing tilehall after cold-start splash"))) << program.log().toStdString();
    ASSERT_TRUE(program.waitForLog(QStringLiteral("Tilehall shown — isVisible=true"))) << program.log().toStdString();
    EXPECT_TRUE(keyboard.waitFor([&] { return keyboard.overlayMapped(); }));

    // The hot key hides it and shows it again.
    keyboard.tap(XK_F4);
    ASSERT_TRUE(program.waitForLog(QStringLiteral("Tilehall hidden"))) << program.log().toStdString();
    EXPECT_TRUE(program.log().contains(QStringLiteral("Shortcut triggered — toggling tilehall")));
    EXPECT_TRUE(keyboard.waitFor([&] { return !keyboard.overlayMapped(); }));
    keyboard.tap(XK_F4);
    EXPECT_TRUE(keyboard.waitFor([&] { return keyboard.overlayMapped(); }));

    // Esc goes to the overlay, which has the keyboard, and closes it.
    keyboard.tap(XK_Escape);
    ASSERT_TRUE(program.waitForLog(QStringLiteral("AppDelegate received .tilehallShouldClose (launchedApp=false)"))) << program.log().toStdString();
    EXPECT_TRUE(keyboard.waitFor([&] { return !keyboard.overlayMapped(); }));

    // Termination writes the layout at once, whatever the debounced save did before; the answer
    // to the question is kept, so it is never asked again.
    QThread::msleep(700);
    QFile::remove(program.layoutFile());
    program.process.terminate();
    ASSERT_TRUE(program.process.waitForFinished(10000));
    EXPECT_EQ(program.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.process.exitCode(), 0);
    EXPECT_TRUE(program.log().contains(QStringLiteral("=== Corvanta terminating ===")));
    EXPECT_TRUE(QFile::exists(program.layoutFile()));
    QSettings settings(program.path("config/Corvanta/Corvanta.conf"), QSettings::NativeFormat);
    EXPECT_TRUE(settings.value(QStringLiteral("com.corvanta.didAskFourFingerPinchTakeover")).toBool());
}

TEST(ProgramEndToEnd, ASecondCopyMakesTheFirstShowTheGridEndsWithZeroAndTheFirstsChangesSurvive)
{
    Program program;
    Keyboard keyboard;
    startAndShow(program, keyboard);
    if (HasFatalFailure())
        return;
    keyboard.tap(XK_Escape);
    ASSERT_TRUE(keyboard.waitFor([&] { return !keyboard.overlayMapped(); }));

    // A new application appears; the first copy merges it into its layout at its next show, which
    // the second copy asks for.
    QDir().mkpath(program.extraApplications() + QStringLiteral("/Harbor Light.app/Contents"));
    QFile info(program.extraApplications() + QStringLiteral("/Harbor Light.app/Contents/Info.plist"));
    ASSERT_TRUE(info.open(QIODevice::WriteOnly));
    info.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
               "<key>CFBundleIdentifier</key><string>com.example.harborlight</string>"
               "<key>CFBundleName</key><string>Harbor Light</string></dict></plist>\n");
    info.close();
    QThread::msleep(2100); // past the reuse window of the last heavy refresh

    QProcess second;
    program.start(second);
    ASSERT_TRUE(second.waitForFinished(10000)) << program.log().toStdString();
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    const QString firstPid = QString::number(program.process.processId());
    EXPECT_TRUE(program.log().contains(QStringLiteral("检测到已有实例在运行：[") + firstPid + QStringLiteral("]，请求它显示瓦厅")))
        << program.log().toStdString();
    EXPECT_TRUE(program.log().contains(QStringLiteral("已有实例在运行，本实例退出")));
    ASSERT_TRUE(program.waitForLog(QStringLiteral("收到新实例请求：显示瓦厅"))) << program.log().toStdString();
    EXPECT_TRUE(keyboard.waitFor([&] { return keyboard.overlayMapped(); }));
    EXPECT_EQ(program.process.state(), QProcess::Running);

    const auto layoutHasNewApp = [&] {
        QFile layout(program.layoutFile());
        return layout.open(QIODevice::ReadOnly) && layout.readAll().contains("Harbor Light");
    };
    ASSERT_TRUE(keyboard.waitFor(layoutHasNewApp, 15000)) << program.log().toStdString();
    QThread::msleep(1000);
    EXPECT_TRUE(layoutHasNewApp());
    program.process.terminate();
    ASSERT_TRUE(program.process.waitForFinished(10000));
    EXPECT_TRUE(layoutHasNewApp());
}

TEST(ProgramEndToEnd, ASuccessorStartStaysHiddenAndReadyWithoutTheSplash)
{
    Program program;
    program.extraEnvironment.insert(QStringLiteral("QUORLA_SUCCESSION"), QStringLiteral("1"));
    program.start();
    ASSERT_TRUE(program.process.waitForStarted(10000));
    ASSERT_TRUE(program.waitForLog(QStringLiteral("扩展=false；瓦厅保持隐藏待命"))) << program.log().toStdString();
    Keyboard keyboard;
    ASSERT_NE(keyboard.display, nullptr);
    // The first heartbeat, a second after the warm-up ended and well past the moment a start by
    // hand would have shown the grid, says the program is settled, hidden.
    ASSERT_TRUE(program.waitForLog(QStringLiteral("HEARTBEAT — isVisible=false"))) << program.log().toStdString();
    EXPECT_FALSE(keyboard.overlayMapped());
    const QString log = program.log();
    EXPECT_FALSE(log.contains(QStringLiteral("阶段154/155：展示冷启动进度小窗")));
    EXPECT_FALSE(log.contains(QStringLiteral("Tilehall shown")));
    EXPECT_TRUE(log.contains(QStringLiteral("阶段29/65：启动来源 = ")));

    keyboard.tap(XK_F4);
    ASSERT_TRUE(program.waitForLog(QStringLiteral("Tilehall shown — isVisible=true"))) << program.log().toStdString();
    EXPECT_TRUE(keyboard.waitFor([&] { return keyboard.overlayMapped(); }));
    program.process.terminate();
    ASSERT_TRUE(program.process.waitForFinished(10000));
    EXPECT_EQ(program.process.exitCode(), 0);
}

TEST(ProgramEndToEnd, ControlQOnTheOverlayQuitsThroughTheSameTermination)
{
    Program program;
    Keyboard keyboard;
    startAndShow(program, keyboard);
    if (HasFatalFailure())
        return;

    QThread::msleep(700);
    QFile::remove(program.layoutFile());
    keyboard.tap(XK_q, XK_Control_L);
    ASSERT_TRUE(program.process.waitForFinished(10000)) << program.log().toStdString();
    EXPECT_EQ(program.process.exitCode(), 0);
    EXPECT_TRUE(program.log().contains(QStringLiteral("Cmd+Q pressed — terminating Corvanta")));
    EXPECT_TRUE(program.log().contains(QStringLiteral("=== Corvanta terminating ===")));
    EXPECT_TRUE(QFile::exists(program.layoutFile()));
}

TEST(ProgramEndToEnd, TypingANameAndReturnLaunchesItAndHidesTheOverlay)
{
    Program program;
    Keyboard keyboard;
    startAndShow(program, keyboard);
    if (HasFatalFailure())
        return;

    // The search field takes the keyboard a moment after the overlay appears.
    QThread::msleep(600);
    // Esc in the field first clears the text, and the overlay stays.
    keyboard.tap(XK_x);
    ASSERT_TRUE(program.waitForLog(QStringLiteral("Search performed: 'x'"))) << program.log().toStdString();
    keyboard.tap(XK_Escape);
    ASSERT_TRUE(program.waitForLog(QStringLiteral("ESC — clearing search text first"))) << program.log().toStdString();
    EXPECT_TRUE(keyboard.overlayMapped());
    for (const KeySym key : {XK_g, XK_l, XK_a, XK_c, XK_i, XK_e, XK_r})
        keyboard.tap(key);
    ASSERT_TRUE(program.waitForLog(QStringLiteral("Search performed: 'glacier' — results: 1"))) << program.log().toStdString();
    keyboard.tap(XK_Return);

    ASSERT_TRUE(program.waitForLog(QStringLiteral("Search submit — launching first result: Glacier"))) << program.log().toStdString();
    EXPECT_TRUE(program.waitForLog(QStringLiteral("AppDelegate received .tilehallShouldClose (launchedApp=true)")))
        << program.log().toStdString();
    EXPECT_TRUE(keyboard.waitFor([&] { return !keyboard.overlayMapped(); }));
    EXPECT_TRUE(keyboard.waitFor([&] { return program.launched(QStringLiteral("Glacier")); }));

    program.process.terminate();
    ASSERT_TRUE(program.process.waitForFinished(10000));
}

// An application that has gone since the grid last looked (a restored backup brings such ones
// back): Return on it keeps the grid, a Chinese alert says why, and the application leaves the grid.
TEST(ProgramEndToEnd, LaunchingAnApplicationThatHasGoneKeepsTheGridAndSaysWhy)
{
    Program program;
    ASSERT_NO_FATAL_FAILURE(onlySampleApplications(program, {"Atlas.app", "Glacier.app"}));
    Keyboard keyboard;
    startAndShow(program, keyboard);
    if (HasFatalFailure())
        return;
    ASSERT_TRUE(QDir(program.extraApplications() + QStringLiteral("/Glacier.app")).removeRecursively());

    QThread::msleep(600); // the search field takes the keyboard a moment after the overlay appears
    for (const KeySym key : {XK_g, XK_l, XK_a, XK_c, XK_i, XK_e, XK_r})
        keyboard.tap(key);
    ASSERT_TRUE(program.waitForLog(QStringLiteral("Search performed: 'glacier' — results: 1"))) << program.log().toStdString();
    keyboard.tap(XK_Return);
    ASSERT_TRUE(program.waitForLog(QStringLiteral("Failed to launch Glacier: "))) << program.log().toStdString();
    ASSERT_TRUE(program.waitForLog(QStringLiteral("弹窗显示"))) << program.log().toStdString();
    EXPECT_TRUE(keyboard.overlayMapped());
    EXPECT_FALSE(program.log().contains(QStringLiteral("tilehallShouldClose (launchedApp=true)")));
    EXPECT_FALSE(program.launched(QStringLiteral("Glacier")));

    // "好" is the alert's one button, and its default; the grid is still there behind it, without
    // the application that has gone.
    QThread::msleep(700);
    ASSERT_TRUE(keyboard.waitFor([&] {
        keyboard.tap(XK_Return);
        return program.waitForLog(QStringLiteral("弹窗关闭"), 1000);
    }, 15000)) << program.log().toStdString();
    EXPECT_TRUE(keyboard.overlayMapped());
    ASSERT_TRUE(program.waitForLog(QStringLiteral("布局已更新"))) << program.log().toStdString();
    keyboard.tap(XK_BackSpace);
    ASSERT_TRUE(program.waitForLog(QStringLiteral("Search performed: 'glacie' — results: 0"))) << program.log().toStdString();

    program.process.terminate();
    ASSERT_TRUE(program.process.waitForFinished(10000));
}

// A backup made while an application was there, restored after it has gone: the restore looks for
// the restored applications on disk at once, so the one that has gone does not come back to the grid.
TEST(ProgramEndToEnd, RestoringABackupLeavesOutTheApplicationsGoneSince)
{
    Program program;
    ASSERT_NO_FATAL_FAILURE(onlySampleApplications(program, {"Atlas.app", "Glacier.app"}));
    Keyboard keyboard;
    startAndShow(program, keyboard);
    if (HasFatalFailure())
        return;
    QThread::msleep(800);

    // The settings from the grid's menu, on their last tab ("高级"); its first button backs up.
    keyboard.moveTo(60, 40);
    keyboard.button(3, true);
    keyboard.button(3, false);
    ASSERT_TRUE(program.waitForLog(QStringLiteral("右键菜单 — 窗口坐标=("))) << program.log().toStdString();
    QThread::msleep(400);
    keyboard.tap(XK_Up);
    keyboard.tap(XK_Up);
    keyboard.tap(XK_Return);
    ASSERT_TRUE(program.waitForLog(QStringLiteral("设置 sheet level=27（目标 aboveOverlay=27）"))) << program.log().toStdString();
    QThread::msleep(500);
    for (int i = 0; i < 4; ++i)
        keyboard.tap(XK_Right);
    keyboard.tap(XK_Tab);
    const int windowsWithSheet = keyboard.smallWindowsShown();
    keyboard.tap(XK_space);
    ASSERT_TRUE(keyboard.waitFor([&] { return keyboard.smallWindowsShown() > windowsWithSheet; })) << "no backup dialog";
    QThread::msleep(500);
    // The proposed name is selected: typing replaces it.
    for (const KeySym key : {XK_o, XK_l, XK_d})
        keyboard.tap(key);
    keyboard.tap(XK_Return);
    const QString backup = program.home.path() + QStringLiteral("/old.json");
    ASSERT_TRUE(keyboard.waitFor([&] { return QFileInfo::exists(backup); })) << program.log().toStdString();
    ASSERT_TRUE(keyboard.waitFor([&] { return keyboard.smallWindowsShown() == windowsWithSheet; }));

    // The application goes; the restore brings it back into the layout, and must drop it again.
    ASSERT_TRUE(QDir(program.extraApplications() + QStringLiteral("/Glacier.app")).removeRecursively());
    const int updatesBefore = program.logCount(QStringLiteral("布局已更新"));
    QThread::msleep(300);
    // "恢复布局..." sits below "备份布局..." on the sheet, which is centred on the 1440 × 900 screen.
    keyboard.moveTo(538, 321);
    keyboard.button(1, true);
    keyboard.button(1, false);
    ASSERT_TRUE(keyboard.waitFor([&] { return keyboard.smallWindowsShown() > windowsWithSheet; })) << "no restore dialog";
    QThread::msleep(500);
    for (const KeySym key : {XK_o, XK_l, XK_d, XK_period, XK_j, XK_s, XK_o, XK_n})
        keyboard.tap(key);
    keyboard.tap(XK_Return);
    ASSERT_TRUE(program.waitForLog(QStringLiteral("阶段62：恢复备份"))) << program.log().toStdString();
    EXPECT_TRUE(program.waitForLogCount(QStringLiteral("布局已更新"), updatesBefore + 1)) << program.log().toStdString();
    EXPECT_TRUE(keyboard.waitFor([&] {
        QFile file(program.layoutFile());
        return file.open(QIODevice::ReadOnly) && !file.readAll().contains("Glacier");
    })) << "the layout still holds the application that has gone";

    program.process.terminate();
    ASSERT_TRUE(program.process.waitForFinished(10000));
}

namespace {

// The grid's geometry as the program logged it at its first layout pass.
struct Probe {
    double width = 0, height = 0, marginX = 0, columnPitch = 0, rowPitch = 0, icon = 0, labelHeight = 0;
    int rows = 0, columns = 0;

    static std::optional<Probe> fromLog(const QString& log)
    {
        static const QRegularExpression line(QStringLiteral(
            "container=([0-9.]+)x([0-9.]+) rows=([0-9]+) cols=([0-9]+) iconScale=[0-9.]+ → marginX=([0-9.]+) colPitch=([0-9.]+) "
            "rowPitch=([0-9.]+) icon=([0-9.]+) labelH=([0-9.]+)"));
        const QRegularExpressionMatch m = line.match(log);
        if (!m.hasMatch())
            return std::nullopt;
        const auto n = [&](int i) { return m.captured(i).toDouble(); };
        return Probe{n(1), n(2), n(5), n(6), n(7), n(8), n(9), int(n(3)), int(n(4))};
    }
    // The centre of the icon in slot `index` of a grid whose slot 0 has its top left at `origin`.
    QPointF iconCentre(const QPointF& origin, int index) const
    {
        const int column = index % columns, row = index / columns;
        const double labelSpacing = 12;
        return {origin.x() + columnPitch * (column + 0.5),
            origin.y() + rowPitch * row + (rowPitch - (labelHeight + icon + labelSpacing)) / 2 + icon / 2};
    }
    // The main grid: under the 56-point search padding and the 36-point search bar, centred across.
    QPointF gridOrigin() const { return {(width - columnPitch * columns) / 2, 56 + 36}; }
    // A one-page folder panel of `members`: a full grid row wide plus insets of half the margin (at
    // most 24), 24 points above its rows, centred between the 16-point and 69-point reserves.
    QPointF panelOrigin(int members) const
    {
        const double inset = std::min(marginX / 2, 24.0);
        const int rowsShown = std::max(1, (members + columns - 1) / columns);
        const double panelHeight = rowPitch * rowsShown + 48;
        const double panelWidth = columnPitch * columns + 2 * inset;
        return {width / 2 - panelWidth / 2 + inset, 16 + (height - 16 - 69 - panelHeight) / 2 + 24};
    }
};

// Page 0 of the saved layout: each entry's name, and the members of each folder.
struct FirstPage {
    QStringList names;
    QHash<QString, QStringList> members;

    static FirstPage read(const QString& file)
    {
        QFile in(file);
        FirstPage page;
        if (!in.open(QIODevice::ReadOnly))
            return page;
        const QJsonObject store = QJsonDocument::fromJson(in.readAll()).object();
        for (const QJsonValue scene : store.value(QStringLiteral("scenes")).toArray()) {
            if (scene[QStringLiteral("id")] != store.value(QStringLiteral("currentSceneID")))
                continue;
            const QJsonArray entries = scene[QStringLiteral("layout")][QStringLiteral("pages")][0][QStringLiteral("entries")].toArray();
            // Each entry holds its case's payload under "_0".
            for (const QJsonValue entry : entries) {
                const QJsonValue group = entry[QStringLiteral("group")][QStringLiteral("_0")];
                if (group.isObject()) {
                    const QString name = group[QStringLiteral("name")].toString();
                    page.names << name;
                    for (const QJsonValue app : group[QStringLiteral("apps")].toArray())
                        page.members[name] << app[QStringLiteral("name")].toString();
                } else {
                    page.names << entry[QStringLiteral("app")][QStringLiteral("_0")][QStringLiteral("name")].toString();
                }
            }
        }
        return page;
    }
};

// The program started with the samples' own Utilities folder standing in for the system's; the
// grid's geometry and its first page are read once that folder is on it.
class ProgramWithUtilities : public ::testing::Test {
protected:
    void SetUp() override
    {
        program.extraEnvironment.insert(
            QStringLiteral("CORVANTA_APPLICATION_DIRS"), QStringLiteral(CORVANTA_SAMPLE_APPS ":" CORVANTA_SAMPLE_APPS "/Utilities"));
        startAndShow(program, keyboard);
        if (HasFatalFailure())
            return;
        probe = Probe::fromLog(program.log());
        ASSERT_TRUE(probe.has_value()) << program.log().toStdString();
        ASSERT_TRUE(keyboard.waitFor([&] {
            page = FirstPage::read(program.layoutFile());
            return page.names.contains(QStringLiteral("Utilities"));
        })) << "no Utilities folder on the first page";
    }

    Program program;
    Keyboard keyboard;
    std::optional<Probe> probe;
    FirstPage page;
};

} // namespace

TEST_F(ProgramWithUtilities, TheUtilitiesFolderOpensLaunchesAMemberAndClosesWithEsc)
{
    if (HasFatalFailure())
        return;
    const int folderIndex = int(page.names.indexOf(QStringLiteral("Utilities")));
    const QStringList members = page.members.value(QStringLiteral("Utilities"));
    ASSERT_FALSE(members.isEmpty());
    ASSERT_LT(folderIndex, probe->rows * probe->columns);
    const QPointF folder = probe->iconCentre(probe->gridOrigin(), folderIndex);

    // A tap on the folder grows its panel; its first member launches from its place in the panel.
    QThread::msleep(500);
    keyboard.click(folder.x(), folder.y());
    ASSERT_TRUE(program.waitForLog(QStringLiteral("Group opened: "))) << program.log().toStdString();
    ASSERT_TRUE(program.waitForLog(QStringLiteral("Folder panel opened — apps: ") + QString::number(members.size())))
        << program.log().toStdString();
    const QPointF first = probe->iconCentre(probe->panelOrigin(int(members.size())), 0);
    keyboard.click(first.x(), first.y());
    ASSERT_TRUE(program.waitForLog(QStringLiteral("Folder app launched: ") + members.first())) << program.log().toStdString();
    EXPECT_TRUE(program.waitForLog(QStringLiteral("AppDelegate received .tilehallShouldClose (launchedApp=true)")));
    EXPECT_TRUE(keyboard.waitFor([&] { return program.launched(members.first()); }));
    EXPECT_TRUE(keyboard.waitFor([&] { return !keyboard.overlayMapped(); }));

    // Shown again the grid has no folder open; the folder reopens and Esc folds it back.
    QThread::msleep(300);
    keyboard.tap(XK_F4);
    ASSERT_TRUE(program.waitForLogCount(QStringLiteral("Tilehall shown — isVisible=true"), 2)) << program.log().toStdString();
    ASSERT_TRUE(keyboard.waitFor([&] { return keyboard.overlayMapped(); }));
    QThread::msleep(500);
    keyboard.click(folder.x(), folder.y());
    ASSERT_TRUE(program.waitForLogCount(QStringLiteral("Folder panel opened — apps: "), 2)) << program.log().toStdString();
    keyboard.tap(XK_Escape);
    ASSERT_TRUE(program.waitForLog(QStringLiteral("ESC — closing open folder first"))) << program.log().toStdString();
    ASSERT_TRUE(program.waitForLog(QStringLiteral("Folder panel closed"))) << program.log().toStdString();
    EXPECT_TRUE(keyboard.overlayMapped()); // Esc closed the folder, not the overlay

    // The grid takes clicks again: an application on it launches.
    const int appIndex = folderIndex == 0 ? 1 : 0;
    const QString appName = page.names.at(appIndex);
    ASSERT_FALSE(page.members.contains(appName));
    const QPointF app = probe->iconCentre(probe->gridOrigin(), appIndex);
    keyboard.click(app.x(), app.y());
    ASSERT_TRUE(program.waitForLog(QStringLiteral("App launched: ") + appName)) << program.log().toStdString();
    EXPECT_TRUE(keyboard.waitFor([&] { return program.launched(appName); }));
    EXPECT_TRUE(keyboard.waitFor([&] { return !keyboard.overlayMapped(); }));

    program.process.terminate();
    ASSERT_TRUE(program.process.waitForFinished(10000));
}

// Waits until typing `keys` shows up as the search `text` in the log.
static bool typedIntoTheSearchField(Program& program, Keyboard& keyboard, std::initializer_list<KeySym> keys, const QString& text)
{
    for (const KeySym key : keys)
        keyboard.tap(key);
    return program.waitForLog(QStringLiteral("Search performed: '") + text + QStringLiteral("' — results: "), 5000);
}

TEST_F(ProgramWithUtilities, AfterClicksOnFoldersCellsAndTheBackgroundTypingStillSearches)
{
    if (HasFatalFailure())
        return;
    const QPointF folder = probe->iconCentre(probe->gridOrigin(), int(page.names.indexOf(QStringLiteral("Utilities"))));
    QThread::msleep(600); // the field has the keyboard by now

    // A folder opened with a click and closed with Esc leaves the keyboard with the field.
    keyboard.click(folder.x(), folder.y());
    ASSERT_TRUE(program.waitForLog(QStringLiteral("Folder panel opened — apps: "))) << program.log().toStdString();
    keyboard.tap(XK_Escape);
    ASSERT_TRUE(program.waitForLog(QStringLiteral("Folder panel closed"))) << program.log().toStdString();
    EXPECT_TRUE(typedIntoTheSearchField(program, keyboard, {XK_g, XK_l, XK_a}, QStringLiteral("gla"))) << program.log().toStdString();
    keyboard.tap(XK_Escape);
    ASSERT_TRUE(program.waitForLog(QStringLiteral("ESC — clearing search text first"))) << program.log().toStdString();

    // A click on the open folder's panel, away from its members, neither: typing there searches
    // (and the search closes the folder at once).
    keyboard.click(folder.x(), folder.y());
    ASSERT_TRUE(program.waitForLogCount(QStringLiteral("Folder panel opened — apps: "), 2)) << program.log().toStdString();
    const QPointF panel = probe->panelOrigin(int(page.members.value(QStringLiteral("Utilities")).size()));
    keyboard.click(panel.x() + 4, panel.y() - 12);
    QThread::msleep(200);
    EXPECT_TRUE(typedIntoTheSearchField(program, keyboard, {XK_k, XK_e, XK_y}, QStringLiteral("key"))) << program.log().toStdString();
    keyboard.tap(XK_Escape);
    ASSERT_TRUE(program.waitForLogCount(QStringLiteral("ESC — clearing search text first"), 2)) << program.log().toStdString();

    // A long press on a cell (jiggle mode) and a click on the background (which ends it) leave
    // the keyboard with the field too.
    pressOnAnIcon(program, keyboard);
    if (HasFatalFailure())
        return;
    ASSERT_TRUE(program.waitForLog(QStringLiteral("— entering jiggle mode"))) << program.log().toStdString();
    keyboard.button(1, false);
    QThread::msleep(200);
    keyboard.click(60, 40);
    ASSERT_TRUE(program.waitForLog(QStringLiteral("InteractionManager: exit jiggle mode"))) << program.log().toStdString();
    EXPECT_TRUE(typedIntoTheSearchField(program, keyboard, {XK_o, XK_r, XK_b}, QStringLiteral("orb"))) << program.log().toStdString();
    EXPECT_TRUE(keyboard.overlayMapped());

    program.process.terminate();
    ASSERT_TRUE(program.process.waitForFinished(10000));
}

TEST(ProgramEndToEnd, RightClickOnTheGridOpensTheMenuAndItsFirstItemRescans)
{
    Program program;
    Keyboard keyboard;
    startAndShow(program, keyboard);
    if (HasFatalFailure())
        return;
    QThread::msleep(600);
    const int scansBefore = int(program.log().count(QStringLiteral("应用扫描完成")));

    // Left of the search bar there is no icon and no field; the menu opens below and right of
    // the pointer, its first item "重新扫描应用" on top.
    keyboard.moveTo(60, 40);
    keyboard.button(3, true);
    keyboard.button(3, false);
    ASSERT_TRUE(program.waitForLog(QStringLiteral("右键菜单 — 窗口坐标=("))) << program.log().toStdString();
    QThread::msleep(400);
    keyboard.moveTo(100, 52);
    QThread::msleep(100);
    keyboard.button(1, true);
    keyboard.button(1, false);
    EXPECT_TRUE(keyboard.waitFor([&] { return program.log().count(QStringLiteral("应用扫描完成")) > scansBefore; }))
        << program.log().toStdString();
    EXPECT_TRUE(keyboard.overlayMapped()) << "the menu leaves the overlay open";

    // Ending the program with the rescan's report open closes it unanswered.
    ASSERT_TRUE(program.waitForLog(QStringLiteral("弹窗显示"))) << program.log().toStdString();
    program.process.terminate();
    ASSERT_TRUE(program.process.waitForFinished(10000));
    EXPECT_EQ(program.process.exitCode(), 0);
    EXPECT_TRUE(program.log().contains(QStringLiteral("弹窗因程序退出而关闭 — 不作为回答"))) << program.log().toStdString();
}

namespace {

// A strip across the bottom of the screen that says it is the desktop's Dock.
struct FixtureDockWindow {
    Display* display = XOpenDisplay(nullptr);
    Window window = 0;
    FixtureDockWindow(int x, int y, int width, int height)
    {
        if (!display)
            return;
        window = XCreateSimpleWindow(display, DefaultRootWindow(display), x, y, unsigned(width), unsigned(height), 0, 0, 0x336699);
        const Atom type = XInternAtom(display, "_NET_WM_WINDOW_TYPE", False);
        const Atom dock = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DOCK", False);
        XChangeProperty(display, window, type, XA_ATOM, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(&dock), 1);
        XMapRaised(display, window);
        XSync(display, False);
    }
    // Makes the window a drop target (XdndAware, version 5).
    void acceptDrops()
    {
        const Atom aware = XInternAtom(display, "XdndAware", False);
        const long version = 5;
        XChangeProperty(display, window, aware, XA_ATOM, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(&version), 1);
        XSync(display, False);
    }
    // Answers the drag protocol: accepts every position with the copy action, asks for the
    // dropped URIs and finishes the drop. Returns the URIs once they have arrived.
    QByteArray serviceDrops()
    {
        const Atom position = XInternAtom(display, "XdndPosition", False);
        const Atom status = XInternAtom(display, "XdndStatus", False);
        const Atom drop = XInternAtom(display, "XdndDrop", False);
        const Atom finished = XInternAtom(display, "XdndFinished", False);
        const Atom copy = XInternAtom(display, "XdndActionCopy", False);
        const Atom selection = XInternAtom(display, "XdndSelection", False);
        const Atom uriList = XInternAtom(display, "text/uri-list", False);
        const Atom target = XInternAtom(display, "CORVANTA_DROP", False);
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == ClientMessage && (event.xclient.message_type == position || event.xclient.message_type == drop)) {
                const Window source = Window(event.xclient.data.l[0]);
                XEvent reply{};
                reply.xclient.type = ClientMessage;
                reply.xclient.display = display;
                reply.xclient.window = source;
                reply.xclient.format = 32;
                reply.xclient.data.l[0] = long(window);
                if (event.xclient.message_type == position) {
                    reply.xclient.message_type = status;
                    reply.xclient.data.l[1] = 1; // accepted
                    reply.xclient.data.l[4] = long(copy);
                } else {
                    XConvertSelection(display, selection, uriList, target, window, Time(event.xclient.data.l[2]));
                    reply.xclient.message_type = finished;
                    reply.xclient.data.l[1] = 1;
                    reply.xclient.data.l[2] = long(copy);
                    pendingFinish = reply;
                    continue;
                }
                XSendEvent(display, source, False, NoEventMask, &reply);
            } else if (event.type == SelectionNotify && event.xselection.property != None) {
                Atom type = None;
                int format = 0;
                unsigned long count = 0, after = 0;
                unsigned char* data = nullptr;
                if (XGetWindowProperty(display, window, target, 0, 65536, True, AnyPropertyType, &type, &format, &count, &after, &data)
                        == Success
                    && data) {
                    dropped = QByteArray(reinterpret_cast<const char*>(data), int(count));
                    XFree(data);
                }
                XSendEvent(display, pendingFinish.xclient.window, False, NoEventMask, &pendingFinish);
            }
        }
        XFlush(display);
        return dropped;
    }
    XEvent pendingFinish{};
    QByteArray dropped;

    ~FixtureDockWindow()
    {
        if (display) {
            XDestroyWindow(display, window);
            XCloseDisplay(display);
        }
    }
};

} // namespace

TEST(ProgramEndToEnd, DraggingAnAppOntoTheDockStripPinsItInTheDockDomain)
{
    Program program;
    Keyboard keyboard;
    const QString preferences = program.path("Preferences");
    ASSERT_TRUE(QDir().mkpath(preferences));
    const QString domain = preferences + QStringLiteral("/com.apple.dock.plist");
    ASSERT_TRUE(QFile::copy(QStringLiteral(CORVANTA_TEST_FIXTURES "/dock/com.apple.dock.plist"), domain));
    QFile::setPermissions(domain, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    program.extraEnvironment.insert(QStringLiteral("CORVANTA_DOCK_PREFERENCES_DIR"), preferences);
    const int width = DisplayWidth(keyboard.display, DefaultScreen(keyboard.display));
    const int height = DisplayHeight(keyboard.display, DefaultScreen(keyboard.display));
    FixtureDockWindow dock(0, height - 48, width, 48);
    ASSERT_NE(dock.window, 0u);
    startAndShow(program, keyboard);
    if (HasFatalFailure())
        return;
    QThread::msleep(600);

    // Press on an icon and drag it down onto the Dock's strip, then let go there.
    dragAnIconDownTo(program, keyboard, height - 20);
    if (HasFatalFailure())
        return;
    ASSERT_TRUE(program.waitForLog(QStringLiteral("InteractionManager: 进入程序坞投放区"))) << program.log().toStdString();
    QThread::msleep(100);
    keyboard.button(1, false);

    ASSERT_TRUE(program.waitForLog(QStringLiteral("阶段38：已加入程序坞 — "))) << program.log().toStdString();
    EXPECT_TRUE(program.log().contains(QStringLiteral("系统拖拽启动失败 — 回退自绘拖拽"))) << "the fixture Dock takes no dropped files";
    EXPECT_TRUE(program.waitForLog(QStringLiteral("跳过重启 Dock")));
    EXPECT_TRUE(keyboard.waitFor([&] { return !keyboard.overlayMapped(); }));

    QFile file(domain);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray written = file.readAll();
    EXPECT_TRUE(written.startsWith("<?xml")) << "written back in the form found";
    EXPECT_EQ(written.count("<key>tile-type</key>"), 5) << "the four tiles found and the new one";
    EXPECT_TRUE(written.contains("file://" CORVANTA_SAMPLE_APPS)) << written.toStdString();
    EXPECT_TRUE(written.contains("<key>persistent-others</key>"));

    program.process.terminate();
    ASSERT_TRUE(program.process.waitForFinished(10000));
}

TEST(ProgramEndToEnd, ADockThatTakesFilesGetsTheBundleThroughASystemDrag)
{
    Program program;
    Keyboard keyboard;
    const QString preferences = program.path("Preferences");
    program.extraEnvironment.insert(QStringLiteral("CORVANTA_DOCK_PREFERENCES_DIR"), preferences);
    const int width = DisplayWidth(keyboard.display, DefaultScreen(keyboard.display));
    const int height = DisplayHeight(keyboard.display, DefaultScreen(keyboard.display));
    FixtureDockWindow dock(0, height - 48, width, 48);
    ASSERT_NE(dock.window, 0u);
    dock.acceptDrops();
    startAndShow(program, keyboard);
    if (HasFatalFailure())
        return;
    QThread::msleep(600);

    const QPoint start = dragAnIconDownTo(program, keyboard, height - 20, [&] { dock.serviceDrops(); });
    if (HasFatalFailure())
        return;
    const int x = start.x();
    ASSERT_TRUE(program.waitForLog(QStringLiteral("阶段108：系统拖拽会话已启动 — "))) << program.log().toStdString();
    // The drag runs its own loop now: move a little over the Dock so that it hears of us, then drop.
    for (int step = 0; step < 10; ++step) {
        keyboard.moveTo(x + 200 + step * 5, height - 20);
        dock.serviceDrops();
        QThread::msleep(50);
    }
    keyboard.button(1, false);
    EXPECT_TRUE(keyboard.waitFor([&] { return !dock.serviceDrops().isEmpty(); }, 5000)) << program.log().toStdString();
    EXPECT_TRUE(dock.dropped.startsWith("file://" CORVANTA_SAMPLE_APPS)) << dock.dropped.toStdString();
    EXPECT_TRUE(program.waitForLog(QStringLiteral("InteractionManager: 系统拖拽结束 — operation=1（已接收），条目保留在瓦厅")))
        << program.log().toStdString();
    EXPECT_FALSE(QFile::exists(preferences + QStringLiteral("/com.apple.dock.plist"))) << "the Dock pins what it took itself";

    program.process.terminate();
    ASSERT_TRUE(program.process.waitForFinished(10000));
}

// The screen's pixels in `area`, as the X server holds them.
static QImage grabScreen(Display* display, const QRect& area)
{
    QImage out(area.size(), QImage::Format_RGB32);
    XImage* image = XGetImage(display, DefaultRootWindow(display), area.x(), area.y(), unsigned(area.width()),
        unsigned(area.height()), AllPlanes, ZPixmap);
    if (!image)
        return {};
    for (int y = 0; y < area.height(); ++y)
        for (int x = 0; x < area.width(); ++x)
            out.setPixel(x, y, QRgb(XGetPixel(image, x, y)) | 0xff000000u);
    XDestroyImage(image);
    return out;
}

// The largest difference of one colour channel between two pictures of the same size.
static int largestDifference(const QImage& a, const QImage& b)
{
    int largest = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            largest = std::max({largest, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q))});
        }
    }
    return largest;
}

TEST(ProgramEndToEnd, DraggingToTheScreensEdgeWithoutADockShowsNoDockHint)
{
    Program program;
    // A single page of applications: the edge turns no page, so nothing but a hint could move there.
    ASSERT_NO_FATAL_FAILURE(onlySampleApplications(program, {"Atlas.app", "Glacier.app", "Kiln.app", "Marble.app"}));
    Keyboard keyboard;
    startAndShow(program, keyboard);
    if (HasFatalFailure())
        return;
    QThread::msleep(600);
    const int width = DisplayWidth(keyboard.display, DefaultScreen(keyboard.display));
    const int height = DisplayHeight(keyboard.display, DefaultScreen(keyboard.display));
    // Where a hint for a cursor at the right edge would float: above the cursor, left of the
    // dragged copy.
    const QPoint edge(width - 1, height / 2);
    const QRect hintArea(edge.x() - 94, edge.y() - 70, 46, 22);
    const QImage before = grabScreen(keyboard.display, hintArea);
    ASSERT_FALSE(before.isNull());

    // Under the cursor at the edge: the grid's bare background until the dragged copy is drawn there.
    const QRect underCursor(edge.x() - 24, edge.y() - 16, 24, 32);
    const QImage bareEdge = grabScreen(keyboard.display, underCursor);

    const QPoint start = pressOnAnIcon(program, keyboard);
    if (HasFatalFailure())
        return;
    for (int step = 1; step <= 20; ++step) {
        keyboard.moveTo(start.x() + (edge.x() - start.x()) * step / 20, start.y() + (edge.y() - start.y()) * step / 20);
        QThread::msleep(30);
    }
    ASSERT_TRUE(program.waitForLog(QStringLiteral("InteractionManager: reorder drag started"))) << program.log().toStdString();
    // The copy drawn under the cursor at the edge shows the program has followed it there.
    ASSERT_TRUE(keyboard.waitFor([&] { return largestDifference(bareEdge, grabScreen(keyboard.display, underCursor)) >= 24; }))
        << "the dragged copy never reached the edge";
    EXPECT_LT(largestDifference(before, grabScreen(keyboard.display, hintArea)), 24) << "something was drawn where the hint goes";
    keyboard.button(1, false);
    // The drop is logged after every position of the drag: no drop zone was entered before it.
    ASSERT_TRUE(program.waitForLog(QStringLiteral("InteractionManager: reorder drop — "))) << program.log().toStdString();
    EXPECT_FALSE(program.log().contains(QStringLiteral("进入程序坞投放区"))) << "no Dock, no drop zone";
    // Once the copy has flown back from the edge, nothing is left where the hint goes either.
    ASSERT_TRUE(keyboard.waitFor([&] { return largestDifference(bareEdge, grabScreen(keyboard.display, underCursor)) < 24; }))
        << "the dragged copy stays at the edge";
    EXPECT_LT(largestDifference(before, grabScreen(keyboard.display, hintArea)), 24);
    EXPECT_TRUE(keyboard.overlayMapped());

    program.process.terminate();
    ASSERT_TRUE(program.process.waitForFinished(10000));
}

TEST(ProgramEndToEnd, ThePointerInTheChosenHotCornerTogglesTheOverlay)
{
    Program program;
    ASSERT_TRUE(program.home.isValid());
    {
        // The settings as the program keeps them, with the top-left corner chosen.
        QSettings settings(program.path("config/Corvanta/Corvanta.conf"), QSettings::IniFormat);
        settings.setValue(QStringLiteral("com.corvanta.settings"), QByteArray(R"({"hotCorner":"topLeft"})"));
    }
    program.start();
    ASSERT_TRUE(program.process.waitForStarted(10000));
    ASSERT_TRUE(program.waitForLog(QStringLiteral("应用扫描完成"))) << program.log().toStdString();
    EXPECT_TRUE(program.log().contains(QStringLiteral("Setting up hot corner: topLeft")));
    EXPECT_TRUE(program.log().contains(QStringLiteral("触控角监听已安装 — corner=topLeft，角点=1，CGEventTap=true")));

    Keyboard pointer;
    ASSERT_NE(pointer.display, nullptr);
    const auto moveTo = [&](int x, int y) {
        XTestFakeMotionEvent(pointer.display, -1, x, y, CurrentTime);
        XFlush(pointer.display);
    };
    // A pointer away from the corner toggles nothing: once the corner itself has been hit, the
    // overlay has been shown that once.
    moveTo(400, 300);
    moveTo(0, 0);
    ASSERT_TRUE(program.waitForLog(QStringLiteral("Tilehall shown — isVisible=true"))) << program.log().toStdString();
    EXPECT_TRUE(program.log().contains(QStringLiteral("触控角命中 — corner=topLeft")));
    EXPECT_EQ(program.logCount(QStringLiteral("触控角命中")), 1) << program.log().toStdString();
    EXPECT_EQ(program.logCount(QStringLiteral("showTilehall() called")), 1) << program.log().toStdString();
    EXPECT_TRUE(pointer.waitFor([&] { return pointer.overlayMapped(); }));

    // Leaving the corner re-arms it; touching it again hides the overlay. The program reads the
    // pointer once per batch of motion, so on a busy machine a quick way out and back in can reach
    // it as one position in the corner: the way out is then made again, with more time to be seen.
    const QString hit = QStringLiteral("触控角命中");
    int away = 300;
    for (int attempt = 0; attempt < 5 && program.logCount(hit) < 2; ++attempt, away *= 2) {
        moveTo(400, 300);
        QThread::msleep(away);
        moveTo(1, 1);
        program.waitForLogCount(hit, 2, 2000);
    }
    ASSERT_EQ(program.logCount(hit), 2) << program.log().toStdString();
    ASSERT_TRUE(program.waitForLog(QStringLiteral("Tilehall hidden"))) << program.log().toStdString();
    EXPECT_TRUE(pointer.waitFor([&] { return !pointer.overlayMapped(); }));

    program.process.terminate();
    ASSERT_TRUE(program.process.waitForFinished(10000));
}

// A virtual display of the test's own, which the test can take away.
struct OwnDisplay {
    QProcess server;
    QString name;

    bool start()
    {
        // -displayfd picks a free number and writes it on the given descriptor (standard output).
        server.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                              QStringLiteral("0"), QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"),
                                              QStringLiteral("tcp")});
        if (!server.waitForStarted(10000))
            return false;
        QDeadlineTimer deadline(10000);
        while (!server.canReadLine() && !deadline.hasExpired())
            server.waitForReadyRead(100);
        const QByteArray number = server.readLine().trimmed();
        if (number.isEmpty())
            return false;
        name = QLatin1Char(':') + QString::fromLatin1(number);
        return true;
    }
    ~OwnDisplay()
    {
        if (server.state() != QProcess::NotRunning) {
            server.kill();
            server.waitForFinished(5000);
        }
    }
};

// The X server goes away under the running program: it ends by its own termination, which writes
// the layout, instead of hanging or ending from inside Xlib.
TEST(ProgramEndToEnd, LosingTheDisplayEndsThroughTheTermination)
{
    OwnDisplay display;
    ASSERT_TRUE(display.start());
    Program program;
    program.extraEnvironment.insert(QStringLiteral("DISPLAY"), display.name);
    program.markPinchQuestionAsked();
    program.start();
    ASSERT_TRUE(program.process.waitForStarted(10000));
    ASSERT_TRUE(program.waitForLog(QStringLiteral("应用扫描完成"))) << program.log().toStdString();
    ASSERT_TRUE(program.waitForLog(QStringLiteral("Tilehall shown — isVisible=true"))) << program.log().toStdString();
    QFile::remove(program.layoutFile());

    display.server.kill();
    ASSERT_TRUE(display.server.waitForFinished(5000));
    const bool ended = program.process.waitForFinished(15000);
    if (!ended) {
        // A program that hangs here is the fault; SIGTERM must still be honoured.
        program.process.terminate();
        program.process.waitForFinished(5000);
        program.process.kill();
        program.process.waitForFinished(5000);
    }
    ASSERT_TRUE(ended) << program.log().toStdString();
    EXPECT_EQ(program.process.exitStatus(), QProcess::NormalExit);
    EXPECT_TRUE(program.log().contains(QStringLiteral("=== Corvanta terminating ===")));
    EXPECT_TRUE(QFile::exists(program.layoutFile()));
}

namespace {

// The screen's pixels in a band, as the display shows them.
QByteArray screenBand(Display* display, int top, int height)
{
    const Window root = DefaultRootWindow(display);
    const int width = DisplayWidth(display, DefaultScreen(display));
    XImage* image = XGetImage(display, root, 0, top, unsigned(width), unsigned(height), AllPlanes, ZPixmap);
    if (!image)
        return {};
    const QByteArray bytes(image->data, qsizetype(image->bytes_per_line) * image->height);
    XDestroyImage(image);
    return bytes;
}

} // namespace

TEST(ProgramEndToEnd, TheSettingsFromTheMenuChangeTheGridToFourBySix)
{
    Program program;
    Keyboard keyboard;
    startAndShow(program, keyboard);
    if (HasFatalFailure())
        return;
    QThread::msleep(800);
    // Below the search bar, where the rows of icons are.
    const QByteArray gridBefore = screenBand(keyboard.display, 300, 500);

    keyboard.moveTo(60, 40);
    keyboard.button(3, true);
    keyboard.button(3, false);
    ASSERT_TRUE(program.waitForLog(QStringLiteral("右键菜单 — 窗口坐标=("))) << program.log().toStdString();
    QThread::msleep(400);
    // From the bottom of the menu: "退出 Corvanta", then "设置".
    keyboard.tap(XK_Up);
    keyboard.tap(XK_Up);
    keyboard.tap(XK_Return);
    ASSERT_TRUE(program.waitForLog(QStringLiteral("openSettings() called"))) << program.log().toStdString();
    ASSERT_TRUE(program.waitForLog(QStringLiteral("设置 sheet level=27（目标 aboveOverlay=27）"))) << program.log().toStdString();
    QThread::msleep(500);

    // The keyboard starts on the tab bar: two tabs to the right is "布局", whose first controls are
    // the rows and the columns.
    keyboard.tap(XK_Right);
    keyboard.tap(XK_Right);
    QThread::msleep(200);
    keyboard.tap(XK_Tab);
    keyboard.tap(XK_a, XK_Control_L);
    keyboard.tap(XK_4);
    keyboard.tap(XK_Tab);
    keyboard.tap(XK_a, XK_Control_L);
    keyboard.tap(XK_6);
    keyboard.tap(XK_Tab);

    // The settings reach the disk after the store's short wait.
    const auto stored = [&program]() -> std::pair<int, int> {
        QSettings settings(program.path("config/Corvanta/Corvanta.conf"), QSettings::NativeFormat);
        const QJsonObject config = QJsonDocument::fromJson(settings.value(QStringLiteral("com.corvanta.settings")).toByteArray()).object();
        return {config.value(QStringLiteral("rows")).toInt(), config.value(QStringLiteral("columns")).toInt()};
    };
    EXPECT_TRUE(keyboard.waitFor([&] { return stored() == std::pair{4, 6}; }))
        << "stored rows and columns: " << stored().first << " x " << stored().second << "\n"
        << program.log().toStdString();

    // Esc ends the sheet; the grid behind it is laid out anew.
    keyboard.tap(XK_Escape);
    ASSERT_TRUE(keyboard.waitFor([&] { return keyboard.overlayMapped(); }));
    QThread::msleep(800);
    EXPECT_NE(screenBand(keyboard.display, 300, 500), gridBefore) << "the grid did not follow the new rows and columns";
    EXPECT_TRUE(keyboard.overlayMapped()) << "closing the settings leaves the grid open";

    program.process.terminate();
    ASSERT_TRUE(program.process.waitForFinished(10000));
}

namespace {

// The applications of the current scene in the layout file.
int appsInCurrentScene(const Program& program)
{
    QFile file(program.layoutFile());
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QJsonObject store = QJsonDocument::fromJson(file.readAll()).object();
    const QString current = store.value(QStringLiteral("currentSceneID")).toString();
    for (const QJsonValue scene : store.value(QStringLiteral("scenes")).toArray()) {
        if (scene.toObject().value(QStringLiteral("id")).toString() != current)
            continue;
        int count = 0;
        for (const QJsonValue page : scene.toObject().value(QStringLiteral("layout")).toObject().value(QStringLiteral("pages")).toArray())
            count += int(page.toObject().value(QStringLiteral("entries")).toArray().size());
        return count;
    }
    return -1;
}

void openTheGridMenu(Program& program, Keyboard& keyboard)
{
    const int menusBefore = program.logCount(QStringLiteral("右键菜单 — 窗口坐标=("));
    keyboard.moveTo(60, 40);
    keyboard.button(3, true);
    keyboard.button(3, false);
    ASSERT_TRUE(program.waitForLogCount(QStringLiteral("右键菜单 — 窗口坐标=("), menusBefore + 1)) << program.log().toStdString();
    QThread::msleep(400);
}

} // namespace

// A scene made from the menu starts empty; the menu's rescan fills it at once, and its report says
// what went into it.
TEST(ProgramEndToEnd, ANewSceneFromTheMenuIsFilledByTheMenusRescan)
{
    Program program;
    Keyboard keyboard;
    startAndShow(program, keyboard);
    if (HasFatalFailure())
        return;
    ASSERT_TRUE(keyboard.waitFor([&] { return appsInCurrentScene(program) > 0; })) << program.log().toStdString();
    QThread::msleep(800);
    const QByteArray fullGrid = screenBand(keyboard.display, 150, 500);

    // "场景" is the second item; its submenu opens on its first scene, below which is "新建场景".
    openTheGridMenu(program, keyboard);
    if (HasFatalFailure())
        return;
    keyboard.tap(XK_Down);
    keyboard.tap(XK_Down);
    keyboard.tap(XK_Right);
    QThread::msleep(300);
    keyboard.tap(XK_Down);
    keyboard.tap(XK_Return);
    ASSERT_TRUE(program.waitForLog(QStringLiteral("阶段62：新建场景 — 「场景 1」"))) << program.log().toStdString();
    ASSERT_TRUE(keyboard.waitFor([&] { return appsInCurrentScene(program) == 0; })) << program.log().toStdString();
    QThread::msleep(800);
    const QByteArray emptyGrid = screenBand(keyboard.display, 150, 500);
    EXPECT_TRUE(emptyGrid != fullGrid) << "the new scene shows no icons";

    // "重新扫描应用" is the first item.
    const int mergesBefore = program.logCount(QStringLiteral("布局已更新 — 新增 "));
    openTheGridMenu(program, keyboard);
    if (HasFatalFailure())
        return;
    keyboard.tap(XK_Down);
    keyboard.tap(XK_Return);
    ASSERT_TRUE(program.waitForLog(QStringLiteral("弹窗显示"))) << program.log().toStdString();
    EXPECT_EQ(program.logCount(QStringLiteral("布局已更新 — 新增 ")), mergesBefore + 1) << program.log().toStdString();
    QThread::msleep(500);
    keyboard.tap(XK_Return);
    ASSERT_TRUE(program.waitForLog(QStringLiteral("弹窗关闭"))) << program.log().toStdString();
    EXPECT_TRUE(keyboard.waitFor([&] { return appsInCurrentScene(program) > 0; })) << program.log().toStdString();
    QThread::msleep(800);
    EXPECT_TRUE(keyboard.overlayMapped());
    EXPECT_TRUE(screenBand(keyboard.display, 150, 500) != emptyGrid) << "the rescan left the new scene empty";

    program.process.terminate();
    ASSERT_TRUE(program.process.waitForFinished(10000));
}

// Ending the program while the one-time pinch question is open is no answer: nothing is recorded
// or switched off, the grid never appears, and the process ends at once with its save.
TEST(ProgramEndToEnd, SigtermWhileThePinchQuestionIsOpenAnswersNothingAndEndsPromptlyWithItsSave)
{
    Program program;
    program.start();
    ASSERT_TRUE(program.process.waitForStarted(10000));
    Keyboard keyboard;
    ASSERT_NE(keyboard.display, nullptr);
    ASSERT_TRUE(program.waitForLog(QStringLiteral("阶段150：询问是否启用四指捏合"))) << program.log().toStdString();
    // The question is on screen with the keyboard, waiting for its answer.
    ASSERT_TRUE(keyboard.waitFor([&] { return keyboard.keyboardInASmallWindow(); })) << program.log().toStdString();
    const QString settingsFile = program.path("config/Corvanta/Corvanta.conf");
    // Whether the question counts as asked, and the stored pinch settings.
    // Settings not yet written count as the defaults (enabled, four fingers): the store writes them
    // a moment after the start, which may be before or after this point.
    const auto storedSettings = [&] {
        QSettings settings(settingsFile, QSettings::NativeFormat);
        const QJsonObject config = QJsonDocument::fromJson(settings.value(QStringLiteral("com.corvanta.settings")).toByteArray()).object();
        return std::pair{settings.value(QStringLiteral("com.corvanta.didAskFourFingerPinchTakeover")).toBool(),
                         (config.value(QStringLiteral("pinchGestureEnabled")).toBool(true) ? QStringLiteral("true/") : QStringLiteral("false/"))
                             + config.value(QStringLiteral("trackpadGesture")).toString(QStringLiteral("fourFinger"))};
    };
    const QString pinchBefore = storedSettings().second;
    QFile::remove(program.layoutFile());

    QElapsedTimer elapsed;
    elapsed.start();
    program.process.terminate();
    ASSERT_TRUE(program.process.waitForFinished(10000)) << program.log().toStdString();
    EXPECT_LT(elapsed.elapsed(), 5000) << "the program took its time to end";
    EXPECT_EQ(program.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.process.exitCode(), 0);

    const QString log = program.log();
    EXPECT_FALSE(log.contains(QStringLiteral("阶段150：用户选择"))) << log.toStdString();
    EXPECT_FALSE(log.contains(QStringLiteral("Showing tilehall after cold-start splash"))) << log.toStdString();
    EXPECT_FALSE(log.contains(QStringLiteral("showTilehall() called"))) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("=== Corvanta terminating ===")));
    EXPECT_TRUE(QFile::exists(program.layoutFile())) << "the termination wrote no layout";
    // The question stands for the next start; the pinch settings are as they were.
    EXPECT_FALSE(storedSettings().first);
    EXPECT_EQ(storedSettings().second, pinchBefore) << pinchBefore.toStdString();
}

// The user's second session (its own runtime folder) cannot see the grid of the first: a start
// there is that session's copy, and the first copy is left alone.
TEST(ProgramEndToEnd, ACopyStartedInAnotherSessionStartsAsThatSessionsCopy)
{
    Program program;
    Keyboard keyboard;
    startAndShow(program, keyboard);
    if (HasFatalFailure())
        return;
    const QString otherRuntime = program.path("runtime-other");
    ASSERT_TRUE(QDir().mkpath(otherRuntime));
    QFile::setPermissions(otherRuntime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    program.extraEnvironment.insert(QStringLiteral("XDG_RUNTIME_DIR"), otherRuntime);

    QProcess second;
    program.start(second);
    ASSERT_TRUE(second.waitForStarted(10000));
    const QString firstPid = QString::number(program.process.processId());
    ASSERT_TRUE(program.waitForLog(QStringLiteral("其它会话中已有实例在运行：[") + firstPid + QLatin1Char(']')))
        << program.log().toStdString();
    ASSERT_TRUE(program.waitForLogCount(QStringLiteral("Tilehall shown — isVisible=true"), 2)) << program.log().toStdString();
    EXPECT_EQ(second.state(), QProcess::Running);
    EXPECT_FALSE(program.log().contains(QStringLiteral("已有实例在运行，本实例退出")));
    EXPECT_FALSE(program.log().contains(QStringLiteral("收到新实例请求")));

    second.terminate();
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitCode(), 0);
    program.process.terminate();
    ASSERT_TRUE(program.process.waitForFinished(10000));
}

// A copy in this session that the request cannot reach: the new start says why in an alert (and
// the log) instead of ending without a word.
TEST(ProgramEndToEnd, ACopyThatCannotBeReachedIsNamedToTheUserInAnAlert)
{
    Program program;
    Keyboard keyboard;
    startAndShow(program, keyboard);
    if (HasFatalFailure())
        return;
    const QString firstPid = QString::number(program.process.processId());
    ASSERT_TRUE(QFile::remove(program.path("runtime/corvanta-bus/") + firstPid + QStringLiteral(".sock")));

    QProcess second;
    program.start(second);
    ASSERT_TRUE(second.waitForStarted(10000));
    ASSERT_TRUE(program.waitForLog(QStringLiteral("显示请求无法送达已有实例 [") + firstPid + QLatin1Char(']')))
        << program.log().toStdString();
    ASSERT_TRUE(program.waitForLog(QStringLiteral("弹窗显示"))) << program.log().toStdString();
    EXPECT_EQ(second.state(), QProcess::Running) << "the alert waits for the user";
    QThread::msleep(700);
    // "好" is the alert's one button, and its default.
    ASSERT_TRUE(keyboard.waitFor([&] {
        keyboard.tap(XK_Return);
        return second.waitForFinished(1000);
    }, 15000)) << program.log().toStdString();
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(program.log().contains(QStringLiteral("已有实例在运行，本实例退出")));
    EXPECT_EQ(program.process.state(), QProcess::Running);

    program.process.terminate();
    ASSERT_TRUE(program.process.waitForFinished(10000));
}

// The search field's right-click menu is a window of its own above the grid (in Chinese), not a
// picture inside the overlay that the icons cover.
TEST(ProgramEndToEnd, TheSearchFieldsMenuOpensAboveTheGrid)
{
    Program program;
    Keyboard keyboard;
    startAndShow(program, keyboard);
    if (HasFatalFailure())
        return;
    QThread::msleep(600);
    ASSERT_EQ(keyboard.smallWindowsShown(), 0);
    keyboard.moveTo(720, 70);
    keyboard.button(3, true);
    keyboard.button(3, false);
    EXPECT_TRUE(keyboard.waitFor([&] { return keyboard.smallWindowsShown() == 1; }, 5000)) << "no menu window";
    keyboard.tap(XK_Escape);
    EXPECT_TRUE(keyboard.waitFor([&] { return keyboard.smallWindowsShown() == 0; }, 5000));
    EXPECT_TRUE(keyboard.overlayMapped());

    program.process.terminate();
    ASSERT_TRUE(program.process.waitForFinished(10000));
}

// Bundles strangers made: an identifier of megabytes, a name nobody sees, a localisation kept
// behind a link; and the temporary of a layout write killed midway. Two starts later every one
// is listed, the layout reads back, and the temporary is gone.
TEST(ProgramEndToEnd, HostileBundlesLeaveAReadableLayoutAfterTwoStarts)
{
    Program program;
    program.extraEnvironment.insert(QStringLiteral("QUORLA_SUCCESSION"), QStringLiteral("1"));
    const auto bundle = [&](const QString& name, const QByteArray& keys) {
        const QString contents = program.extraApplications() + u'/' + name + QStringLiteral(".app/Contents");
        QDir().mkpath(contents + QStringLiteral("/Resources"));
        QFile info(contents + QStringLiteral("/Info.plist"));
        EXPECT_TRUE(info.open(QIODevice::WriteOnly));
        info.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>" + keys + "</dict></plist>\n");
        return contents;
    };
    QDir().mkpath(program.extraApplications());
    bundle(QStringLiteral("Huge Identifier"), "<key>CFBundleIdentifier</key><string>" + QByteArray(7'500'000, 'i')
                                                  + "</string><key>CFBundleName</key><string>Huge Identifier</string>");
    bundle(QStringLiteral("Blank Name"), "<key>CFBundleIdentifier</key><string>com.example.blank</string>"
                                         "<key>CFBundleName</key><string>  \t </string>");
    const QString linked = bundle(QStringLiteral("Linked"), "<key>CFBundleIdentifier</key><string>com.example.linked</string>"
                                                            "<key>CFBundleName</key><string>Linked</string>");
    QDir().mkpath(linked + QStringLiteral("/Shared/en.lproj"));
    QFile strings(linked + QStringLiteral("/Shared/en.lproj/InfoPlist.strings"));
    ASSERT_TRUE(strings.open(QIODevice::WriteOnly));
    strings.write("\"CFBundleDisplayName\" = \"Linked Name\";\n");
    strings.close();
    ASSERT_TRUE(QFile::link(QStringLiteral("../Shared/en.lproj"), linked + QStringLiteral("/Resources/en.lproj")));
    QDir().mkpath(program.path("data/Corvanta"));
    const QString leftover = program.path("data/Corvanta/.layout.json.5h2k9q0w1z.tmp");
    QFile temporary(leftover);
    ASSERT_TRUE(temporary.open(QIODevice::WriteOnly));
    temporary.write(QByteArray(2 * 1024 * 1024, '{'));
    temporary.close();

    for (int start = 1; start <= 2; ++start) {
        SCOPED_TRACE(start);
        QProcess copy;
        program.start(copy);
        ASSERT_TRUE(copy.waitForStarted(10000));
        ASSERT_TRUE(program.waitForLogCount(QStringLiteral("扩展=false；瓦厅保持隐藏待命"), start, 30000)) << program.log().toStdString();
        EXPECT_FALSE(QFileInfo::exists(leftover));
        // The scan done and its result saved: the start's work is over.
        ASSERT_TRUE(program.waitForLogCount(QStringLiteral("应用扫描完成"), start, 30000)) << program.log().toStdString();
        const auto saved = [&] {
            QFile layout(program.layoutFile());
            return layout.open(QIODevice::ReadOnly) && layout.readAll().contains("\"Linked Name\"");
        };
        QDeadlineTimer deadline(15000);
        while (!saved() && !deadline.hasExpired())
            QThread::msleep(25);
        ASSERT_TRUE(saved()) << program.log().toStdString();
        copy.terminate();
        ASSERT_TRUE(copy.waitForFinished(15000));
        EXPECT_EQ(copy.exitStatus(), QProcess::NormalExit) << program.log().toStdString();
        EXPECT_EQ(copy.exitCode(), 0);
        QFile layout(program.layoutFile());
        ASSERT_TRUE(layout.open(QIODevice::ReadOnly));
        const QByteArray bytes = layout.readAll();
        EXPECT_LT(bytes.size(), 1024 * 1024);
        for (const char* name : {"\"Huge Identifier\"", "\"Blank Name\"", "\"Linked Name\""})
            EXPECT_TRUE(bytes.contains(name)) << name;
    }
    const QString log = program.log();
    EXPECT_FALSE(log.contains(QStringLiteral("layout.json 过大")));
    EXPECT_FALSE(log.contains(QStringLiteral("未能读取或解析")));
    EXPECT_TRUE(log.contains(QStringLiteral("已清理中断写入留下的 layout.json 临时文件 1 个")));
    EXPECT_TRUE(log.contains(QStringLiteral("应用标识符过长（7500000 字节，上限 255）")));
}
