// Every window and question of the real program, closed every way the user can, opened again, and
// the program ended from there: the window must come back each time, and the ending must be prompt,
// clean and saved whatever was open or closed before it.
#include <QElapsedTimer>
#include <QFileInfo>

#include <functional>

#include "X11/ProgramDriver.h"

namespace {

// How far the process may take to end once asked.
constexpr int endingBudgetMs = 500;

const QString gridMenuShown = QStringLiteral("右键菜单 — 窗口坐标=(");
const QString settingsShown = QStringLiteral("设置 sheet level=27（目标 aboveOverlay=27）");

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
    ASSERT_TRUE(keyboard.waitFor([&] { return keyboard.smallWindowsShown() == 1; })) << "no settings window on screen";
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
