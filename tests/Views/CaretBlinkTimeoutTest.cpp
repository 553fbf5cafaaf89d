#include "Platform/GnomeSettings.h"
#include "Support/VirtualScheduler.h"
#include "Views/CaretBlinkTimeout.h"
#include "common/ProcessUntil.h"

#include <QCoreApplication>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStyleHints>

#include <gtest/gtest.h>

#include <gio/gio.h>

#include <cstdlib>

#include <functional>
#include <optional>
#include <vector>

using namespace corvanta;
using corvanta::test::processUntil;

namespace {

int flashTime() { return QGuiApplication::styleHints()->cursorFlashTime(); }

void key(QObject* to)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QCoreApplication::sendEvent(to, &press);
}

void click(QObject* to)
{
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(4, 4), QPointF(4, 4), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(to, &press);
}

// What a Chinese input method sends as the user picks a word: committed text and no key event.
void commitText(QObject* to)
{
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("瓦厅"));
    QCoreApplication::sendEvent(to, &commit);
}

void focus(QObject* to)
{
    QFocusEvent in(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
    QCoreApplication::sendEvent(to, &in);
}

struct Step {
    double at;                            // seconds since the watcher was made
    std::function<void(QObject*)> input;  // null: only look
    bool blinking;                        // expected right after
    std::optional<CaretBlinkTimeout::Settings> change = std::nullopt; // the desktop's new settings, before the input
};

struct Case {
    const char* name;
    CaretBlinkTimeout::Settings settings;
    std::vector<Step> steps;
};

} // namespace

TEST(CaretBlinkTimeoutTest, BlinkingStopsAfterTheDesktopsTimeoutWithoutInputAndInputStartsItAgain)
{
    const int original = flashTime();
    ASSERT_GT(original, 0);
    const std::vector<Case> cases = {
        {"stops once the timeout passes untouched", {true, 10}, {{9.9, nullptr, true}, {10, nullptr, false}, {60, nullptr, false}}},
        {"a key before it pushes the stop back", {true, 10}, {{6, key, true}, {15.9, nullptr, true}, {16, nullptr, false}}},
        {"typing on keeps it going",
         {true, 10},
         {{4, key, true}, {8, key, true}, {12, key, true}, {17, key, true}, {26.9, nullptr, true}, {27, nullptr, false}}},
        {"a click after the stop starts it for another full timeout",
         {true, 10},
         {{11, nullptr, false}, {12, click, true}, {21.9, nullptr, true}, {22, nullptr, false}}},
        {"a focus change counts as input", {true, 3}, {{3, nullptr, false}, {5, focus, true}, {8, nullptr, false}}},
        {"an input method's text counts as a key: it restarts a stopped caret and pushes the stop back",
         {true, 10},
         {{11, nullptr, false}, {12, commitText, true}, {18, commitText, true}, {27.9, nullptr, true}, {28, nullptr, false}}},
        {"no timeout: it never stops", {true, 0}, {{1000, nullptr, true}}},
        {"the desktop says no blinking: it never blinks", {false, 10}, {{0, nullptr, false}, {1, key, false}, {20, click, false}}},
        {"blinking turned off stops it at once; turned on, it runs a full timeout",
         {true, 10},
         {{2, nullptr, false, CaretBlinkTimeout::Settings{false, 10}},
          {3, key, false},
          {20, nullptr, true, CaretBlinkTimeout::Settings{true, 10}},
          {29.9, nullptr, true},
          {30, nullptr, false}}},
        {"a new timeout counts from the change",
         {true, 10},
         {{2, nullptr, true, CaretBlinkTimeout::Settings{true, 3}}, {4.9, nullptr, true}, {5, nullptr, false}, {40, nullptr, false}}},
        {"a timeout turned off lets a stopped caret blink for good",
         {true, 10},
         {{10, nullptr, false}, {11, nullptr, true, CaretBlinkTimeout::Settings{true, 0}}, {1000, nullptr, true}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VirtualScheduler scheduler;
        const double start = scheduler.now();
        QLineEdit edit;
        {
            CaretBlinkTimeout timeout(scheduler, c.settings);
            for (const Step& step : c.steps) {
                scheduler.advance(start + step.at - scheduler.now());
                if (step.change)
                    timeout.setSettings(*step.change);
                if (step.input)
                    step.input(&edit);
                EXPECT_EQ(timeout.isBlinking(), step.blinking) << "at " << step.at;
                EXPECT_EQ(flashTime(), step.blinking ? original : 0) << "at " << step.at;
            }
        }
        // Gone, it leaves the caret blinking as it found it.
        EXPECT_EQ(flashTime(), original);
    }
}

// The user changes the desktop's caret settings while the program runs (in this process's own
// memory-backed store): each change takes effect without a restart.
TEST(CaretBlinkTimeoutTest, FollowsTheDesktopsSettingsAsTheUserChangesThem)
{
    setenv("GSETTINGS_BACKEND", "memory", 1);
    const char* schema = "org.gnome.desktop.interface";
    if (!GnomeSettings::has(QString::fromLatin1(schema), QStringLiteral("cursor-blink"))
        || !GnomeSettings::has(QString::fromLatin1(schema), QStringLiteral("cursor-blink-timeout")))
        GTEST_SKIP() << "GNOME's caret settings are not installed";
    const int original = flashTime();
    VirtualScheduler scheduler;
    GSettings* settings = g_settings_new(schema);
    {
        CaretBlinkTimeout timeout(scheduler, CaretBlinkTimeout::desktopSettings());
        timeout.followDesktopSettings();
        ASSERT_TRUE(timeout.isBlinking());

        g_settings_set_boolean(settings, "cursor-blink", FALSE);
        EXPECT_TRUE(processUntil([&] { return !timeout.isBlinking(); }));
        EXPECT_EQ(flashTime(), 0);

        g_settings_set_int(settings, "cursor-blink-timeout", 2);
        g_settings_set_boolean(settings, "cursor-blink", TRUE);
        EXPECT_TRUE(processUntil([&] { return timeout.isBlinking(); }));
        EXPECT_EQ(flashTime(), original);
        scheduler.advance(2);
        EXPECT_FALSE(timeout.isBlinking());
    }
    g_settings_reset(settings, "cursor-blink");
    g_settings_reset(settings, "cursor-blink-timeout");
    g_object_unref(settings);
}
