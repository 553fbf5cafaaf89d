#include "App/SuccessorHandOver.h"
#include "Services/HotCornerMonitor.h"
#include "Services/PinchTestKit.h"
#include "Services/ShortcutManager.h"
#include "Support/VirtualScheduler.h"
#include "common/FakeGlobalHotKey.h"
#include "common/FakePointerWatcher.h"
#include "common/FakeWindowing.h"
#include "common/LogCapture.h"

#include <QStringList>

#include <gtest/gtest.h>

using namespace corvanta;

namespace {

// A hand-over whose every step is recorded in order, over a trigger service with a hot key, a hot
// corner and a pinch in progress. A step notes the triggers that still answer when it runs.
struct HandOverFixture {
    VirtualScheduler scheduler;
    test::PinchRig pinch;
    test::FakeGlobalHotKey hotKey;
    test::FakePointerWatcher pointer;
    test::FakeScreenProvider screens;
    ShortcutManager triggers{hotKey, scheduler};
    QStringList steps;
    int settles = 0;
    bool suppressionUsed = true;
    bool quitting = false;
    bool visible = false;
    QString startError;
    SuccessorHandOver handOver{dependencies()};

    HandOverFixture()
    {
        screens.all = {test::makeScreen(QStringLiteral("main"), QRectF(0, 0, 1440, 900))};
        triggers.attachHotCorner(std::make_unique<HotCornerMonitor>(pointer, screens, [] { return true; }));
        triggers.registerShortcut(QStringLiteral("F4"));
        triggers.startHotCornerMonitor(HotCorner::topLeft);
        PinchRecognizer* recognizer = pinch.recognizer.get();
        triggers.attachPinch(std::move(pinch.recognizer));
        triggers.onPinchSettle = [this](bool) { ++settles; };
        recognizer->setupPinchGesture(TrackpadGesture::fourFinger, false);
        pinch.fingers(4);
        recognizer->handleMagnifyEvent(MagnifyEvent{-0.2, 0, GesturePhase::began});
    }

    // The triggers that still answer the user.
    QString live() const
    {
        QStringList out;
        if (triggers.pinchRecognizer()->isGestureActive() || triggers.pinchRecognizer()->isArmed())
            out << QStringLiteral("pinch");
        if (hotKey.registered || hotKey.hasHandler())
            out << QStringLiteral("hotKey");
        if (triggers.hotCornerMonitor()->isWatching())
            out << QStringLiteral("corner");
        return out.join(QLatin1Char('+'));
    }
    void step(const QString& name)
    {
        const QString answering = live();
        steps << (answering.isEmpty() ? name : name + QStringLiteral("[") + answering + QStringLiteral("]"));
    }

    SuccessorHandOver::Dependencies dependencies()
    {
        SuccessorHandOver::Dependencies deps;
        deps.scheduler = &scheduler;
        deps.suppressionWasUsed = [this] { return suppressionUsed; };
        deps.isQuitting = [this] { return quitting; };
        deps.isOverlayVisible = [this] { return visible; };
        deps.triggers = &triggers;
        deps.kickDesktopWallpaper = [this] { step(QStringLiteral("kick")); };
        deps.registerTriggersAgain = [this] { steps << QStringLiteral("register"); };
        deps.saveState = [this] { step(QStringLiteral("save")); };
        deps.flushLog = [this] { steps << QStringLiteral("flush"); };
        deps.startSuccessor = [this] {
            steps << QStringLiteral("start");
            return SuccessorHandOver::Started{startError.isEmpty() ? 4321 : 0, startError};
        };
        deps.exitProcess = [this] { steps << QStringLiteral("exit"); };
        return deps;
    }
};

} // namespace

TEST(SuccessorHandOver, AHideHandsOverAfterTheDelayWithEverythingOnDiskBeforeTheSuccessorStarts)
{
    HandOverFixture f;
    test::LogCapture log;
    ASSERT_EQ(f.live(), QStringLiteral("pinch+hotKey+corner"));
    ASSERT_TRUE(f.triggers.pinchRecognizer()->isEngaged());
    f.handOver.handOverToSuccessorAndExit();
    EXPECT_TRUE(log.contains(QStringLiteral("阶段88.5：交班等待中，重开可撤销 — ticket=1")));
    f.handOver.handOverToSuccessorAndExit(); // a hide while a ticket waits issues none
    EXPECT_EQ(f.handOver.gate().serial, 1);
    f.scheduler.advance(0.049);
    EXPECT_TRUE(f.steps.isEmpty());
    f.scheduler.advance(0.001);

    // The pinch is abandoned before the wallpaper kick, the hot key and the corner stopped before
    // anything is written; no settle report reaches the shell.
    EXPECT_EQ(f.steps, (QStringList{"kick[hotKey+corner]", "save", "flush", "start", "flush", "exit"}));
    f.scheduler.advance(1);
    EXPECT_EQ(f.settles, 0);
    EXPECT_TRUE(f.handOver.isExiting());
    EXPECT_TRUE(log.contains(QStringLiteral("阶段88.5/157：交班正式执行 — ticket=1")));
    EXPECT_TRUE(log.contains(QStringLiteral("阶段72：后继进程已拉起 PID=4321")));
    // Exiting is final: no further ticket.
    f.handOver.handOverToSuccessorAndExit();
    EXPECT_EQ(f.handOver.gate().serial, 1);
}

TEST(SuccessorHandOver, NoHandOverWithoutSuppressionOrWhenRevokedVisibleOrQuitting)
{
    {
        HandOverFixture f; // suppression off (the default): the process stays resident
        f.suppressionUsed = false;
        f.handOver.handOverToSuccessorAndExit();
        f.scheduler.advance(1);
        EXPECT_EQ(f.handOver.gate().serial, 0);
        EXPECT_TRUE(f.steps.isEmpty());
    }
    {
        HandOverFixture f; // shown again within the delay
        test::LogCapture log;
        f.handOver.handOverToSuccessorAndExit();
        f.handOver.cancelPendingSuccession();
        EXPECT_TRUE(log.contains(QStringLiteral("阶段88.5：重新显示，撤销旧交班")));
        f.scheduler.advance(1);
        EXPECT_TRUE(f.steps.isEmpty());
        f.handOver.cancelPendingSuccession(); // nothing pending: nothing logged
        EXPECT_EQ(log.count(QStringLiteral("撤销旧交班")), 1);
    }
    {
        HandOverFixture f; // visible when the ticket comes due: used up, the next hide issues a new one
        f.handOver.handOverToSuccessorAndExit();
        f.visible = true;
        f.scheduler.advance(0.05);
        EXPECT_TRUE(f.steps.isEmpty());
        EXPECT_FALSE(f.handOver.gate().pending);
        f.visible = false;
        f.handOver.handOverToSuccessorAndExit();
        EXPECT_EQ(f.handOver.gate().pending, 2);
    }
    {
        HandOverFixture f; // quitting during the delay: termination runs normally
        f.handOver.handOverToSuccessorAndExit();
        f.quitting = true;
        f.scheduler.advance(0.05);
        EXPECT_TRUE(f.steps.isEmpty());
        EXPECT_FALSE(f.handOver.isExiting());
        f.handOver.handOverToSuccessorAndExit();
        EXPECT_EQ(f.handOver.gate().serial, 1);
    }
}

TEST(SuccessorHandOver, ASuccessorThatCannotStartLeavesThisProcessServingWithItsTriggers)
{
    HandOverFixture f;
    f.startError = QStringLiteral("No such file or directory");
    test::LogCapture log;
    f.handOver.handOverToSuccessorAndExit();
    f.scheduler.advance(0.05);
    EXPECT_EQ(f.steps, (QStringList{"kick[hotKey+corner]", "save", "flush", "start", "register"}));
    EXPECT_TRUE(log.contains(QStringLiteral("阶段72：后继进程拉起失败（No such file or directory）")));
    EXPECT_FALSE(f.handOver.isExiting());
    // It keeps working as a resident process: the next hide tries again.
    f.handOver.handOverToSuccessorAndExit();
    EXPECT_EQ(f.handOver.gate().pending, 2);
}
