#include "Platform/LibinputPinchEventSource.h"
#include "Platform/PinchEventSource.h"
#include "Platform/TouchpadFrameSource.h"

#include <QStringList>

#include <gtest/gtest.h>

using namespace corvanta;

TEST(PinchEventSource, APinchStageBecomesTouchesAndAMagnificationInSequenceOrder)
{
    struct Case {
        PinchStage stage;
        double scale;
        QStringList expected;
    };
    const Case cases[] = {
        {PinchStage::begin, 1.0, {"touches 1x4", "magnify 0 phase 1"}},
        {PinchStage::update, 0.7, {"magnify -0.3 phase 4", "touches 2x4"}},
        {PinchStage::update, 1.25, {"magnify 0.25 phase 4", "touches 2x4"}},
        {PinchStage::end, 0.4, {"magnify -0.6 phase 8", "touches 8x4"}},
        {PinchStage::cancel, 0.9, {"magnify -0.1 phase 16", "touches 16x4"}},
    };
    for (const Case& c : cases) {
        QStringList seen;
        PinchEventSource::Handlers handlers;
        handlers.onMagnify = [&](const MagnifyEvent& e) {
            seen << QStringLiteral("magnify %1 phase %2").arg(QString::number(e.magnification, 'g', 6)).arg(e.phase);
            return TapDecision::pass;
        };
        handlers.onGesture = [&](const GestureTouchesEvent& e) {
            seen << QStringLiteral("touches %1x%2").arg(e.touchPhases.empty() ? -1 : e.touchPhases.front()).arg(e.touchPhases.size());
        };
        deliverPinchStage(handlers, c.stage, c.scale, 4);
        EXPECT_EQ(seen, c.expected) << int(c.stage);
    }
}

// libinput opens the seat even when it may read none of its touchpads; such a source would never
// deliver a pinch, so it does not count as installed.
TEST(LibinputPinchEventSource, ASeatWithoutAReadableTouchpadDoesNotInstall)
{
    if (touchpadAccess() == TouchpadAccess::readable)
        GTEST_SKIP() << "this machine has a touchpad this process may read";
    LibinputPinchEventSource source;
    EXPECT_FALSE(source.install({}));
    EXPECT_FALSE(source.isInstalled());
}
