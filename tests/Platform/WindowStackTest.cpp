#include "Platform/WindowLevels.h"
#include "Platform/WindowStack.h"
#include "common/FakeWindowing.h"

#include <QWindow>

#include <gtest/gtest.h>

using namespace corvanta;

namespace {

struct Windows {
    test::RecordedStack recorded;
    QWindow overlay, cover, panel, normal;
    Windows()
    {
        for (QWindow* w : {&overlay, &cover, &panel, &normal})
            w->create();
        recorded.stack.setLevel(&overlay, WindowLevel::overlay);
        recorded.stack.setLevel(&cover, WindowLevel::menuBarCover);
        recorded.stack.setLevel(&panel, WindowLevel::aboveOverlay);
        recorded.stack.setLevel(&normal, WindowLevel::normal);
    }
    QWindow* byName(char c)
    {
        switch (c) {
        case 'o': return &overlay;
        case 'c': return &cover;
        case 'p': return &panel;
        default: return &normal;
        }
    }
};

} // namespace

TEST(WindowStack, KeepsLevelOrderWhateverTheOrderFrontSequence)
{
    struct Case {
        const char* orderFronts; // o overlay, c cover, p panel, n normal
        const char* bottomToTop;
    };
    const Case cases[] = {
        {"ocp", "ocp"},
        {"pco", "ocp"},
        {"ocpo", "ocp"}, // ordering the overlay again does not lift it over the strip
        {"nop", "nop"},
        {"on", "no"},
        {"c", "c"},
    };
    for (const Case& c : cases) {
        Windows w;
        for (const char* p = c.orderFronts; *p; ++p)
            w.recorded.stack.orderFront(w.byName(*p));
        QList<QWindow*> expected;
        for (const char* p = c.bottomToTop; *p; ++p)
            expected.append(w.byName(*p));
        EXPECT_EQ(w.recorded.stack.orderedWindows(), expected) << c.orderFronts;
        // The display server got the same order, topmost first.
        ASSERT_FALSE(w.recorded.log->restacks.isEmpty());
        QList<WId> topToBottom;
        for (auto it = expected.crbegin(); it != expected.crend(); ++it)
            topToBottom.append((*it)->winId());
        EXPECT_EQ(w.recorded.log->restacks.last(), topToBottom) << c.orderFronts;
    }
}

TEST(WindowStack, LaterOrderFrontWinsWithinALevelAndDockWindowsSitBetweenOverlayAndStrip)
{
    Windows w;
    QWindow second;
    second.create();
    w.recorded.stack.setLevel(&second, WindowLevel::aboveOverlay);
    w.recorded.log->docks = {9001, 9002};

    w.recorded.stack.orderFront(&w.panel);
    w.recorded.stack.orderFront(&second);
    w.recorded.stack.orderFront(&w.overlay);
    w.recorded.stack.orderFront(&w.cover);
    EXPECT_EQ(w.recorded.stack.orderedWindows(), (QList<QWindow*>{&w.overlay, &w.cover, &w.panel, &second}));
    w.recorded.stack.orderFront(&w.panel);
    EXPECT_EQ(w.recorded.log->restacks.last(),
              (QList<WId>{w.panel.winId(), second.winId(), w.cover.winId(), 9001, 9002, w.overlay.winId()}));

    // Lowered to the normal level (a modal alert over the grid) and back.
    w.recorded.stack.setLevel(&w.overlay, WindowLevel::normal);
    EXPECT_EQ(w.recorded.stack.level(&w.overlay), WindowLevel::normal);
    w.recorded.stack.orderOut(&w.cover);
    EXPECT_EQ(w.recorded.stack.orderedWindows(), (QList<QWindow*>{&w.overlay, &second, &w.panel}));
}

TEST(WindowStack, MakeKeyFocusesAndDestroyedWindowsDropOut)
{
    test::RecordedStack recorded;
    auto* transient = new QWindow;
    transient->create();
    recorded.stack.setLevel(transient, WindowLevel::aboveOverlay);
    recorded.stack.makeKeyAndOrderFront(transient);
    EXPECT_EQ(recorded.log->focused, QList<QWindow*>{transient});
    delete transient;
    EXPECT_TRUE(recorded.stack.orderedWindows().isEmpty());
    recorded.stack.restack(); // nothing shown: nothing asked of the display server
}
