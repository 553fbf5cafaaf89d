#include "Services/ShortcutManager.h"
#include "Services/ShortcutParser.h"
#include "Support/VirtualScheduler.h"
#include "common/FakeGlobalHotKey.h"
#include "common/LogCapture.h"

#include <gtest/gtest.h>

using namespace corvanta;

TEST(ShortcutParser, MapsShortcutTextToKeyCodeAndModifiers)
{
    struct Case {
        const char* text;
        quint32 code;
        quint32 modifiers;
    };
    const Case cases[] = {
        {"F4", 118, 0},
        {"Cmd+Shift+L", 37, 0x300},
        {"cmd + shift + l", 37, 0x300},
        {"Ctrl+Option+Space", 49, 0x1800},
        {"control+alt+space", 49, 0x1800},
        {"Cmd+F1+F2", 120, 0x100},    // the last key word wins
        {"Shift+Cmd", 0, 0x300},      // no key
        {"Option+A", 0, 0x800},       // A's key code is 0
        {"Cmd+1", 0, 0x100},          // digits have no code
        {"Cmd+Cmd+P", 35, 0x100},     // repeated modifiers change nothing
        {"f13", 3, 0},                // not in the table: first letter F
        {"home", 4, 0},               // first letter H
        {"Cmd+é", 0, 0x100},          // a letter outside ASCII
        {"", 0, 0},
        {"++F12++", 111, 0},
    };
    for (const auto& c : cases) {
        const auto parsed = parseShortcut(QString::fromUtf8(c.text));
        EXPECT_EQ(parsed.keyCode, c.code) << c.text;
        EXPECT_EQ(parsed.modifiers, c.modifiers) << c.text;
    }
}

TEST(ShortcutManager, RegistersOneHotKeyAndTogglesOnTheNextTurnOfTheLoop)
{
    test::FakeGlobalHotKey hotKey;
    VirtualScheduler scheduler;
    ShortcutManager manager(hotKey, scheduler);
    int toggles = 0;
    manager.onToggle = [&] { ++toggles; };

    manager.registerShortcut(QStringLiteral("F4"));
    manager.registerShortcut(QStringLiteral("F4"));
    EXPECT_TRUE(hotKey.registered);
    EXPECT_EQ(hotKey.keyCode, 118u);
    EXPECT_EQ(manager.shortcutKey(), QStringLiteral("F4"));

    hotKey.press();
    EXPECT_EQ(toggles, 0) << "the toggle never runs inside the platform callback";
    scheduler.runPending();
    EXPECT_EQ(toggles, 1);
}

TEST(ShortcutManager, ATextWithoutKeyLeavesNoHotKeyBehind)
{
    test::FakeGlobalHotKey hotKey;
    VirtualScheduler scheduler;
    ShortcutManager manager(hotKey, scheduler);
    manager.registerShortcut(QStringLiteral("Cmd+Shift+L"));
    ASSERT_TRUE(hotKey.registered);
    manager.registerShortcut(QStringLiteral("Shift+Cmd"));
    EXPECT_FALSE(hotKey.registered);
    EXPECT_FALSE(hotKey.hasHandler());
    EXPECT_EQ(manager.shortcutKey(), QStringLiteral("Shift+Cmd"));
}

TEST(ShortcutManager, PublishesVisibilityChangesOnce)
{
    test::FakeGlobalHotKey hotKey;
    VirtualScheduler scheduler;
    ShortcutManager manager(hotKey, scheduler);
    int changes = 0;
    QObject::connect(&manager, &ShortcutManager::isTilehallVisibleChanged, [&](bool) { ++changes; });
    manager.setTilehallVisible(true);
    manager.setTilehallVisible(true);
    manager.setTilehallVisible(false);
    EXPECT_EQ(changes, 2);
}

TEST(ShortcutManager, AKeyThatCannotBeRegisteredIsLogged)
{
    test::FakeGlobalHotKey hotKey;
    VirtualScheduler scheduler;
    ShortcutManager manager(hotKey, scheduler);
    {
        test::LogCapture log;
        manager.registerShortcut(QStringLiteral("Option+A"));
        EXPECT_FALSE(hotKey.registered);
        EXPECT_TRUE(log.contains(QStringLiteral("no hot key is active: Option+A")));
    }
    {
        test::LogCapture log;
        hotKey.refuse = true;
        manager.registerShortcut(QStringLiteral("F4"));
        EXPECT_FALSE(hotKey.registered);
        EXPECT_TRUE(log.contains(QStringLiteral("Hot key could not be registered (taken by another program, or no such key here): F4")));
    }
    {
        test::LogCapture log;
        manager.registerShortcut(QStringLiteral("Cmd+\x1b[2J"));
        EXPECT_TRUE(log.contains(QStringLiteral("Cmd+\\u001b[2J"))) << "control characters never reach the log raw";
    }
}
