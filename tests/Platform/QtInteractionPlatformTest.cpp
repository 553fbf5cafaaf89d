#include "Platform/QtInteractionPlatform.h"
#include "Platform/Widgets/WidgetElementClassifier.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

namespace corvanta {
namespace {

class QtInteractionPlatformTest : public ::testing::Test {
protected:
    void SetUp() override { overlay.resize(800, 600); }

    std::optional<InputEvent> translate(QObject* receiver, QEvent* event)
    {
        return QtInteractionPlatform::translate(receiver, event, &overlay, 42.0, {});
    }

    QWindow overlay;
    QWindow other;
};

TEST_F(QtInteractionPlatformTest, MouseEventsBecomeBottomLeftRecordsOfTheirWindow)
{
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(100, 150), QPointF(100, 150), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    const auto down = translate(&overlay, &press);
    ASSERT_TRUE(down);
    EXPECT_EQ(down->kind, InputEvent::Kind::LeftMouseDown);
    EXPECT_EQ(down->location, QPointF(100, 450));
    EXPECT_EQ(down->window, InputEvent::Window::Overlay);
    EXPECT_EQ(down->timestamp, 42.0);

    QMouseEvent move(QEvent::MouseMove, QPointF(10, 10), QPointF(10, 10), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    EXPECT_EQ(translate(&other, &move)->kind, InputEvent::Kind::LeftMouseDragged);
    EXPECT_EQ(translate(&other, &move)->window, InputEvent::Window::Other);

    QMouseEvent hover(QEvent::MouseMove, QPointF(10, 10), QPointF(10, 10), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    EXPECT_FALSE(translate(&overlay, &hover)); // a move without the button is no drag
    QMouseEvent rightUp(QEvent::MouseButtonRelease, QPointF(1, 1), QPointF(1, 1), Qt::RightButton, Qt::NoButton, Qt::NoModifier);
    EXPECT_FALSE(translate(&overlay, &rightUp));
    QObject plain; // widgets get their own copy of each window event; only the window's counts
    EXPECT_FALSE(translate(&plain, &press));
}

TEST_F(QtInteractionPlatformTest, WheelEventsCarryDeltasAndPhases)
{
    QWheelEvent notch(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    const auto wheel = translate(&overlay, &notch);
    ASSERT_TRUE(wheel);
    EXPECT_FALSE(wheel->hasPreciseScrollingDeltas);
    EXPECT_EQ(wheel->scrollingDeltaY, -1.0);

    QWheelEvent swipe(QPointF(5, 5), QPointF(5, 5), QPoint(-30, 2), QPoint(-90, 6), Qt::NoButton, Qt::NoModifier, Qt::ScrollBegin, true);
    const auto precise = translate(&overlay, &swipe);
    EXPECT_TRUE(precise->hasPreciseScrollingDeltas);
    EXPECT_EQ(precise->scrollingDeltaX, -30.0);
    EXPECT_EQ(precise->phase, InputEvent::kPhaseBegan);
    EXPECT_TRUE(precise->isDirectionInvertedFromDevice);

    QWheelEvent momentum(QPointF(5, 5), QPointF(5, 5), QPoint(-8, 0), QPoint(-24, 0), Qt::NoButton, Qt::NoModifier, Qt::ScrollMomentum, false);
    const auto coasting = translate(&overlay, &momentum);
    EXPECT_EQ(coasting->phase, 0u);
    EXPECT_NE(coasting->momentumPhase, 0u);
}

TEST_F(QtInteractionPlatformTest, LocalMonitorSeesEventsBeforeDeliveryAndSwallowsOnlyScrolls)
{
    QtInteractionPlatform platform;
    QList<InputEvent> seen;
    bool swallow = true;
    auto monitor = platform.addLocalMonitor([this] { return &overlay; }, [&](const InputEvent& e) {
        seen << e;
        return swallow;
    });
    QWheelEvent notch(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    notch.setAccepted(false);
    QCoreApplication::sendEvent(&overlay, &notch);
    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(seen[0].window, InputEvent::Window::Overlay);

    monitor.reset();
    QCoreApplication::sendEvent(&overlay, &notch);
    EXPECT_EQ(seen.size(), 1); // removed with its handle

    // The global scroll source of this system delivers nothing, but can be held like any other.
    EXPECT_TRUE(platform.addGlobalScrollMonitor({}, {}));
}

TEST(WidgetElementClassifierTest, NamesTextFieldsAndButtonsUnderAPoint)
{
    QWidget top;
    top.resize(300, 300);
    auto* field = new QLineEdit(&top);
    field->setGeometry(10, 10, 100, 30);
    auto* button = new QPushButton(QStringLiteral("好"), &top);
    button->setGeometry(10, 60, 100, 30);
    auto* label = new QLabel(QStringLiteral("x"), &top);
    label->setGeometry(10, 110, 100, 30);
    top.show();
    QWindow* window = top.windowHandle();
    ASSERT_TRUE(window);
    EXPECT_EQ(classifyWidgetAt(window, {20, 20}), InputEvent::Element::TextField);
    EXPECT_EQ(classifyWidgetAt(window, {20, 70}), InputEvent::Element::Button);
    EXPECT_EQ(classifyWidgetAt(window, {20, 120}), InputEvent::Element::Other);
    EXPECT_EQ(classifyWidgetAt(window, {250, 250}), InputEvent::Element::None);
}

} // namespace
} // namespace corvanta
