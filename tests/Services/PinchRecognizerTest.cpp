#include "PinchTestKit.h"
#include "Services/PinchAvailability.h"
#include "Platform/PropertyList.h"
#include "Support/AtomicFile.h"
#include "common/LogCapture.h"

#include <gtest/gtest.h>

using namespace corvanta;
using test::PinchRig;

namespace {

constexpr unsigned began = GesturePhase::began;
constexpr unsigned changed = GesturePhase::changed;
constexpr unsigned ended = GesturePhase::ended;

void writeDomain(PinchRig& rig, const char* domain, const QVariantMap& values)
{
    ASSERT_TRUE(writeFileAtomically(rig.systemPinch.domainFile(QString::fromLatin1(domain)), PropertyList::toXml(values)));
}

double curve(double t)
{
    return TimingCurve(0, 0, 0.58, 1).value(t);
}

} // namespace

TEST(PinchRecognizer, DecidesWhichMagnifyEventsItTakesFromTheDesktop)
{
    struct Case {
        const char* name;
        int fingers;
        bool calibrated;      // the tracker trusts its geometry
        bool confirmed;       // the tracker has confirmed a pinch
        bool systemPinchOn;
        TapDecision expected;
        bool processed;       // the gesture engine saw it (an opening begins)
    };
    const Case cases[] = {
        {"three fingers disarm", 3, false, false, false, TapDecision::pass, false},
        {"untrusted geometry takes every event", 4, false, false, false, TapDecision::swallow, true},
        {"trusted geometry holds events back until a pinch", 4, true, false, false, TapDecision::swallow, false},
        {"the system's own pinch keeps them meanwhile", 4, true, false, true, TapDecision::pass, false},
        {"a confirmed pinch takes them", 4, true, true, true, TapDecision::swallow, true},
    };
    for (const Case& c : cases) {
        PinchRig rig;
        if (c.systemPinchOn)
            writeDomain(rig, SystemTrackpadPinch::firstDomain, {{QStringLiteral("TrackpadFourFingerPinchGesture"), 2}});
        rig.r().setupPinchGesture(TrackpadGesture::fourFinger, false);
        rig.fingers(c.fingers, c.calibrated);
        if (c.confirmed) {
            rig.r().handleGestureEvent({{TouchPhase::began, TouchPhase::began, TouchPhase::began, TouchPhase::began}});
            rig.r().handlePinchMotionConfirmed();
        }
        EXPECT_EQ(rig.magnify(-0.1, began), c.expected) << c.name;
        EXPECT_EQ(rig.kinds().contains(QStringLiteral("begin:opening")), c.processed) << c.name;
        EXPECT_EQ(rig.r().isArmed(), c.fingers >= 4) << c.name;
    }
}

TEST(PinchRecognizer, AnOpeningFollowsTheCurveAndCompletesPastHalfway)
{
    PinchRig rig;
    rig.r().setupPinchGesture(TrackpadGesture::fourFinger, false);
    rig.fingers(4);
    rig.magnify(-0.1, began);
    rig.scheduler.advance(0.05);
    rig.magnify(-0.4, changed);
    rig.scheduler.advance(0.05);
    rig.magnify(-0.8, changed);
    rig.scheduler.advance(0.3);
    rig.magnify(-0.8, ended);

    EXPECT_EQ(rig.kinds(), (QStringList{"begin:opening", "progress", "progress", "progress", "settle:true"}));
    const auto p = rig.progress();
    ASSERT_EQ(p.size(), 3u);
    EXPECT_NEAR(p[0], curve(0.1), 1e-9);
    EXPECT_NEAR(p[1], curve(0.4), 1e-9);
    EXPECT_NEAR(p[2], curve(0.8), 1e-9);
    EXPECT_FALSE(rig.r().isGestureActive());
}

TEST(PinchRecognizer, AWrongSignOrZeroFirstValueIsRejectedForTheWholeGesture)
{
    {
        PinchRig rig;
        rig.visible = true; // shown: closing fingers cannot open it again
        rig.r().setupPinchGesture(TrackpadGesture::fourFinger, false);
        rig.fingers(4);
        rig.magnify(-0.2, began);
        rig.magnify(0.3, changed);
        rig.magnify(0.9, changed);
        rig.magnify(0.9, ended);
        EXPECT_TRUE(rig.reports.empty());
    }
    {
        PinchRig rig;
        rig.r().setupPinchGesture(TrackpadGesture::fourFinger, false);
        rig.fingers(4);
        rig.magnify(0, began); // no movement yet: not applied
        EXPECT_TRUE(rig.reports.empty());
        rig.r().applyCGMagnification(0);
        rig.r().applyCGMagnification(-0.5);
        EXPECT_TRUE(rig.reports.empty()) << "zero fixes no direction, and the gesture stays silent";
    }
    {
        // The sign rule: a non-zero auxiliary value inverts the magnification.
        PinchRig rig;
        rig.visible = true;
        rig.r().setupPinchGesture(TrackpadGesture::fourFinger, false);
        rig.fingers(4);
        rig.magnify(-0.3, began, 1);
        EXPECT_EQ(rig.kinds(), (QStringList{"begin:closing", "progress"}));
    }
}

TEST(PinchRecognizer, AFlickCompletesOnlyWithinTheFlickWindow)
{
    for (const auto& [elapsed, expected] : {std::pair{0.15, "settle:true"}, std::pair{0.25, "settle:false"}}) {
        PinchRig rig;
        rig.visible = true;
        rig.r().setupPinchGesture(TrackpadGesture::fourFinger, false);
        rig.fingers(4);
        rig.magnify(0.1, began);
        rig.scheduler.advance(elapsed);
        rig.magnify(0.15, changed);
        rig.magnify(0.15, ended);
        ASSERT_FALSE(rig.reports.empty());
        EXPECT_LT(rig.progress().back(), 0.5);
        EXPECT_EQ(rig.reports.back().kind, QString::fromLatin1(expected)) << elapsed;
    }
}

TEST(PinchRecognizer, StillFingersSettleAfterTheIdleTimeOut)
{
    test::LogCapture log;
    PinchRig rig;
    rig.r().setupPinchGesture(TrackpadGesture::fourFinger, false);
    rig.fingers(4);
    rig.magnify(-0.7, began);
    rig.scheduler.advance(0.34);
    EXPECT_TRUE(rig.r().isGestureActive());
    rig.scheduler.advance(0.02);
    EXPECT_FALSE(rig.r().isGestureActive());
    EXPECT_EQ(rig.reports.back().kind, QStringLiteral("settle:true"));
    EXPECT_TRUE(log.contains(QStringLiteral("捏合结算 — 原因=超时兜底")));
}

TEST(PinchRecognizer, TrackerStepsDriveTheGestureUntilAMagnificationValueArrives)
{
    PinchRig rig;
    rig.r().setupPinchGesture(TrackpadGesture::fourFinger, false);
    rig.fingers(4, true);
    // Steps count only once a magnify event of the sequence has been seen.
    rig.r().handleProgressStep(0.5);
    EXPECT_TRUE(rig.reports.empty());
    rig.r().handleGestureEvent({{TouchPhase::began, TouchPhase::began, TouchPhase::began, TouchPhase::began}});
    rig.r().handlePinchMotionConfirmed();
    rig.magnify(0, began); // observed, fixes nothing
    rig.r().handleProgressStep(0.3);
    EXPECT_TRUE(rig.reports.empty()) << "0.3 does not engage";
    rig.scheduler.advance(0.05);
    rig.r().handleProgressStep(0.01);
    EXPECT_EQ(rig.kinds(), (QStringList{"begin:opening", "progress"}));
    rig.scheduler.advance(0.05);
    rig.r().handleProgressStep(0.59);
    EXPECT_NEAR(rig.progress().back(), 0.5, 1e-9) << "cumulative 0.9 is halfway";
}

TEST(PinchRecognizer, ATrackerDrivenSettleBelowHalfwayNeedsSpeed)
{
    // Cumulative 0.54 (progress 0.2) reached slowly, or with a last quick step.
    for (const auto& [interval, expected] : {std::pair{0.1, "settle:false"}, std::pair{0.01, "settle:true"}}) {
        PinchRig rig;
        rig.r().setupPinchGesture(TrackpadGesture::fourFinger, false);
        rig.fingers(4);
        rig.magnify(0, began);
        for (int i = 0; i < 6; ++i) {
            rig.r().handleProgressStep(0.09);
            rig.scheduler.advance(interval);
        }
        rig.r().finishPinchSequenceFromMT();
        EXPECT_NEAR(rig.progress().back(), 0.2, 1e-9);
        EXPECT_EQ(rig.reports.back().kind, QString::fromLatin1(expected)) << interval;
    }
}

TEST(PinchRecognizer, ASwipeReturnsTheGestureToTheDesktop)
{
    PinchRig rig;
    rig.r().setupPinchGesture(TrackpadGesture::fourFinger, false);
    rig.fingers(4);
    rig.magnify(-0.3, began);
    ASSERT_EQ(rig.kinds().first(), QStringLiteral("begin:opening"));
    rig.r().handleSwipeMotionDetected();
    EXPECT_EQ(rig.reports.back().kind, QStringLiteral("settle:false"));
    EXPECT_EQ(rig.magnify(-0.5, changed), TapDecision::pass);
    rig.fingers(4);
    EXPECT_EQ(rig.magnify(-0.5, began), TapDecision::pass) << "locked out until the fingers leave";
    EXPECT_EQ(rig.kinds().count(QStringLiteral("settle:false")), 1);
}

TEST(PinchRecognizer, FingerSequencesEndWhenEveryTouchHasLeftAndReArmOnTheNextBegin)
{
    PinchRig rig;
    rig.r().setupPinchGesture(TrackpadGesture::fiveFinger, false);
    rig.r().handleGestureEvent({{1, 1, 1, 1}});
    EXPECT_FALSE(rig.r().isArmed()) << "four touches in five-finger mode";
    rig.r().handleGestureEvent({{1, 1, 1, 1, 1}});
    EXPECT_TRUE(rig.r().isArmed());
    rig.r().applyCGMagnification(-0.6);
    rig.r().handleGestureEvent({{8, 8, 8, 8, 16}});
    EXPECT_FALSE(rig.r().isArmed());
    EXPECT_EQ(rig.reports.back().kind, QStringLiteral("settle:true"));

    rig.r().handleGestureEvent({{1, 1, 1, 1, 1}});
    EXPECT_TRUE(rig.r().isArmed());

    // The tracker's lift-off ends the sequence alike.
    rig.tracker.handleFrame(QByteArrayView(), 0);
    rig.deliver();
    EXPECT_FALSE(rig.r().isArmed());
}

TEST(PinchRecognizer, NonFiniteMagnificationIsLoggedAndIgnored)
{
    test::LogCapture log;
    PinchRig rig;
    rig.r().setupPinchGesture(TrackpadGesture::fourFinger, false);
    rig.fingers(4);
    rig.magnify(std::numeric_limits<double>::quiet_NaN(), began);
    rig.magnify(-std::numeric_limits<double>::infinity(), changed);
    EXPECT_TRUE(rig.reports.empty());
    EXPECT_FALSE(rig.r().isGestureActive());
    EXPECT_EQ(log.count(QStringLiteral("忽略非有限捏合输入")), 2);
}

// The X server's gestures need no right to the touchpad's device: they are listened to whatever
// its access, and nothing speaks of a permission.
TEST(PinchRecognizer, TheDesktopsPinchEventsInstallWhateverTheTouchpadsAccess)
{
    for (const TouchpadAccess access : {TouchpadAccess::unreadable, TouchpadAccess::absent, TouchpadAccess::readable}) {
        test::LogCapture log;
        PinchRig rig;
        rig.touchpad = access;
        rig.r().setupPinchGesture(TrackpadGesture::fourFinger, false);
        EXPECT_TRUE(rig.events.installed);
        EXPECT_FALSE(rig.r().isPollingAccessibility());
        EXPECT_FALSE(rig.r().unavailable());
        EXPECT_TRUE(log.contains(QStringLiteral("Pinch event tap installed")));
        EXPECT_FALSE(log.contains(QStringLiteral("Accessibility")));
    }
}

// Neither the X server's gestures nor libinput's: the log says why, the reason stays for the
// settings, and the events are tried again each second until they come.
TEST(PinchRecognizer, WithoutPinchEventsItSaysWhyRetriesThenFollowsSleepAndWake)
{
    test::LogCapture log;
    PinchRig rig;
    rig.events.available = false;
    rig.touchpad = TouchpadAccess::unreadable;
    rig.r().setupPinchGesture(TrackpadGesture::fourFinger, false);
    EXPECT_FALSE(rig.events.installed);
    EXPECT_TRUE(rig.r().isPollingAccessibility());
    EXPECT_EQ(rig.r().unavailable(), TouchpadAccess::unreadable);
    EXPECT_EQ(log.count(QStringLiteral("Pinch event tap creation failed — the X server has no touchpad gesture events (XInput 2.4) "
                                       "and the touchpad device cannot be read")),
              1);
    EXPECT_FALSE(log.contains(QStringLiteral("Accessibility")));
    rig.scheduler.advance(29.5);
    EXPECT_EQ(log.count(QStringLiteral("Pinch event tap creation failed")), 1) << "the retries are quiet";
    rig.events.available = true;
    rig.scheduler.advance(1);
    EXPECT_TRUE(rig.events.installed);
    EXPECT_FALSE(rig.r().isPollingAccessibility());
    EXPECT_FALSE(rig.r().unavailable());
    EXPECT_TRUE(log.contains(QStringLiteral("Touchpad gesture events available — pinch event tap installed")));

    rig.sleepWake.willSleep();
    EXPECT_FALSE(rig.events.installed);
    rig.sleepWake.didWake();
    EXPECT_TRUE(rig.events.installed);

    rig.r().setupPinchGesture(TrackpadGesture::off, false);
    EXPECT_FALSE(rig.events.installed);
    EXPECT_FALSE(rig.r().isPollingAccessibility());
    EXPECT_FALSE(rig.sleepWake.didWake);
    // Stopped, the tracker no longer reaches the recogniser.
    rig.tracker.setProgressGate(true);
    rig.tracker.handleFrame(QByteArrayView(), 0);
    EXPECT_TRUE(rig.posted.empty());
}

TEST(PinchRecognizer, TheRetriesEndAfterTwoMinutes)
{
    test::LogCapture log;
    PinchRig rig;
    rig.events.available = false;
    rig.touchpad = TouchpadAccess::absent;
    rig.r().setupPinchGesture(TrackpadGesture::fourFinger, false);
    EXPECT_TRUE(log.contains(QStringLiteral("Pinch event tap creation failed — the X server has no touchpad gesture events (XInput 2.4) "
                                            "and no touchpad was found")));
    rig.scheduler.advance(119.5);
    EXPECT_TRUE(rig.r().isPollingAccessibility());
    rig.scheduler.advance(1);
    EXPECT_FALSE(rig.r().isPollingAccessibility());
    EXPECT_TRUE(log.contains(QStringLiteral("Touchpad gesture events still unavailable after 120s — stop polling")));
    EXPECT_EQ(rig.r().unavailable(), TouchpadAccess::absent);
}

TEST(PinchAvailability, NamesBothMissingSourcesInTheLogAndTheTab)
{
    const struct {
        TouchpadAccess access;
        const char* log;
        const char* tab;
    } cases[] = {
        {TouchpadAccess::unreadable, "the X server has no touchpad gesture events (XInput 2.4) and the touchpad device cannot be read",
         "X 服务器没有触控板手势事件（XInput 2.4），且本应用无权读取触控板设备。"},
        {TouchpadAccess::absent, "the X server has no touchpad gesture events (XInput 2.4) and no touchpad was found",
         "X 服务器没有触控板手势事件（XInput 2.4），且未找到触控板。"},
        {TouchpadAccess::readable, "the X server has no touchpad gesture events (XInput 2.4) and libinput found no touchpad with gestures",
         "X 服务器没有触控板手势事件（XInput 2.4），且 libinput 未找到支持手势的触控板。"},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(pinchUnavailableLogReason(c.access).startsWith(QString::fromUtf8(c.log))) << c.log;
        EXPECT_TRUE(pinchUnavailableText(c.access).startsWith(QString::fromUtf8(c.tab))) << c.tab;
        EXPECT_FALSE(pinchUnavailableText(c.access).contains(QStringLiteral("辅助功能")));
    }
}

TEST(PinchRecognizer, CancellingForgetsTheGestureWithoutASettle)
{
    PinchRig rig;
    rig.r().setupPinchGesture(TrackpadGesture::fourFinger, false);
    rig.fingers(4);
    rig.magnify(-0.3, began);
    rig.r().cancelInteractivePinch();
    rig.scheduler.advance(1);
    rig.magnify(-0.6, changed);
    EXPECT_EQ(rig.kinds(), (QStringList{"begin:opening", "progress"}));
}
