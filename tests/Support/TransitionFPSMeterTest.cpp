#include "Support/TransitionFPSMeter.h"
#include "Support/VirtualScheduler.h"
#include "common/LogCapture.h"

#include <QObject>

#include <gtest/gtest.h>

using namespace corvanta;

namespace {

class FakeWindow final : public FrameSource {
public:
    QObject object;
    bool content = true;
    std::optional<int> fps = 120;
    std::function<void()> observer;

    QObject* frameSourceObject() override { return &object; }
    bool hasPresentableContent() const override { return content; }
    std::optional<int> screenMaxFramesPerSecond() const override { return fps; }
    void setFrameObserver(std::function<void()> o) override { observer = std::move(o); }
    void paint()
    {
        if (observer)
            observer();
    }
};

struct Harness {
    VirtualScheduler scheduler;
    FakeWindow window;
    TransitionFPSMeter meter;
    explicit Harness(bool pager = false) : meter(scheduler, pager, false) {}

    // Paints at the given milliseconds after the start.
    void paintAt(std::initializer_list<int> ms)
    {
        const double start = scheduler.now();
        for (int t : ms) {
            scheduler.advance(start + t / 1000.0 - scheduler.now());
            window.paint();
        }
    }
    QStringList perfLines(const test::LogCapture& log) const { return log.messages().filter(QStringLiteral("PERF ")); }
};

} // namespace

TEST(TransitionFPSMeter, WritesOneLineWithRateGapsAndStalls)
{
    Harness h;
    test::LogCapture log;
    h.meter.start(QStringLiteral("show"), &h.window, 0.25, TimingCurve::easeOut());
    // Each frame is seen by the next 4 ms sample: at 4, 20, 36, 52, 120, 160 and 176 ms.
    h.paintAt({1, 17, 33, 50, 119, 157, 175});
    h.meter.stopAfter(0.37 - 0.175);
    h.scheduler.advance(1);
    const QStringList lines = h.perfLines(log);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0], QStringLiteral("PERF fps show — 渲染=34.9fps（7 帧/动画窗 172ms，最大帧间隔=68ms，采样率=249/s，屏幕上限=120Hz，总耗时=370ms，"
                                       "卡顿帧=52→120ms(68) 120→160ms(40)）"));
    EXPECT_FALSE(h.meter.isMeasuring());
    EXPECT_EQ(h.scheduler.pendingCount(), 0u); // nothing keeps running while idle
}

TEST(TransitionFPSMeter, SmoothSingleAndShortMeasurements)
{
    {
        Harness h;
        test::LogCapture log;
        h.meter.start(QStringLiteral("hide"), &h.window, 0.25, TimingCurve::easeIn());
        h.paintAt({0, 16, 32, 48});
        h.scheduler.advance(0.1 - 0.048);
        h.meter.stop(true);
        ASSERT_EQ(h.perfLines(log).size(), 1);
        EXPECT_TRUE(h.perfLines(log)[0].endsWith(QStringLiteral("，卡顿帧=无）")));
    }
    {
        Harness h;
        h.window.fps.reset(); // on no screen: 60
        test::LogCapture log;
        h.meter.start(QStringLiteral("show"), &h.window, 0.25, TimingCurve::easeOut());
        h.paintAt({10});
        h.scheduler.advance(0.05);
        h.meter.stop(true);
        ASSERT_EQ(h.perfLines(log).size(), 1);
        EXPECT_TRUE(h.perfLines(log)[0].startsWith(QStringLiteral("PERF fps show — 渲染=0.0fps（1 帧/动画窗 0ms，最大帧间隔=0ms，")));
        EXPECT_TRUE(h.perfLines(log)[0].endsWith(QStringLiteral("屏幕上限=60Hz，总耗时=60ms）")));
    }
    {
        Harness h;
        test::LogCapture log;
        h.meter.start(QStringLiteral("show"), &h.window, 0.25, TimingCurve::easeOut());
        h.scheduler.advance(0.02);
        h.meter.stop(true);
        EXPECT_TRUE(h.perfLines(log).isEmpty()); // 20 ms or less: no line
    }
}

TEST(TransitionFPSMeter, CountsOnlyFramesThatPresentANewProbeValue)
{
    Harness h;
    test::LogCapture log;
    h.meter.start(QStringLiteral("show"), &h.window, 0.1, TimingCurve::easeOut());
    EXPECT_FALSE(h.meter.presentedProbeValue()); // nothing presented before the first frame
    // Five frames while the probe runs, the one after its end, then caret blinks and icon
    // arrivals that present the same finished probe again.
    h.paintAt({3, 23, 43, 63, 83, 119, 139, 159, 179, 199});
    EXPECT_EQ(h.meter.presentedProbeValue(), 1.0f);
    h.meter.stop(true);
    ASSERT_EQ(h.perfLines(log).size(), 1);
    EXPECT_TRUE(h.perfLines(log)[0].contains(QStringLiteral("（6 帧/动画窗 116ms，"))) << h.perfLines(log)[0].toStdString();

    // Two paints within one sample are one frame.
    Harness twice;
    test::LogCapture log2;
    twice.meter.start(QStringLiteral("hide"), &twice.window, 0.25, TimingCurve::easeIn());
    twice.paintAt({5, 6, 21});
    twice.scheduler.advance(0.05);
    twice.meter.stop(true);
    ASSERT_EQ(twice.perfLines(log2).size(), 1);
    EXPECT_TRUE(twice.perfLines(log2)[0].contains(QStringLiteral("（2 帧/动画窗 16ms，"))) << twice.perfLines(log2)[0].toStdString();
}

TEST(TransitionFPSMeter, ARestartDropsTheFirstMeasurementAndItsDelayedStop)
{
    Harness h;
    test::LogCapture log;
    h.meter.start(QStringLiteral("show"), &h.window, 0.25, TimingCurve::easeOut());
    h.meter.stopAfter(0.37);
    h.scheduler.advance(0.1);
    h.meter.start(QStringLiteral("hide"), &h.window, 0.25, TimingCurve::easeIn());
    h.paintAt({0, 16});
    h.scheduler.advance(0.4); // the show's stop comes due and does nothing
    EXPECT_TRUE(h.perfLines(log).isEmpty());
    EXPECT_TRUE(h.meter.isMeasuring());
    h.meter.stop(true);
    ASSERT_EQ(h.perfLines(log).size(), 1);
    EXPECT_TRUE(h.perfLines(log)[0].startsWith(QStringLiteral("PERF fps hide")));

    // Without content there is nothing to measure; a window gone mid-measurement is let go.
    h.window.content = false;
    h.meter.start(QStringLiteral("show"), &h.window, 0.25, TimingCurve::easeOut());
    EXPECT_FALSE(h.meter.isMeasuring());
    EXPECT_EQ(h.scheduler.pendingCount(), 0u);
}

TEST(TransitionFPSMeter, PagerPhasesOnlyWithPagerMetrics)
{
    for (bool metrics : {false, true}) {
        Harness h(metrics);
        QObject pager;
        double x = 0;
        h.meter.setPagerView(&pager, true, [&x]() -> std::optional<double> { return x; });
        test::LogCapture log;
        const auto scrollFrames = [&](int frames) {
            for (int i = 0; i < frames; ++i) {
                x -= 10;
                h.scheduler.advance(0.016);
                h.window.paint();
            }
        };
        h.meter.start(QStringLiteral("scroll"), &h.window, 3, TimingCurve::linear());
        scrollFrames(5);
        h.meter.notePagerCommit(0.002);
        h.meter.notePagerCommit(0.004);
        h.meter.beginPagerSettle();
        scrollFrames(3);
        h.meter.stopAfter(0.45);
        h.scheduler.advance(1);
        const QStringList lines = h.perfLines(log);
        if (!metrics) {
            EXPECT_EQ(lines.size(), 1);
            EXPECT_TRUE(log.messages().filter(QStringLiteral("PERF pager")).isEmpty());
            continue;
        }
        ASSERT_EQ(lines.size(), 3);
        EXPECT_TRUE(lines[0].startsWith(QStringLiteral("PERF pager phase=follow — 内容位置变化=")));
        EXPECT_TRUE(lines[0].endsWith(QStringLiteral("，超过25ms=0，提交=2，平均/最长提交=3.000/4.000ms，legacy=false")));
        EXPECT_TRUE(lines[1].startsWith(QStringLiteral("PERF fps scroll")));
        EXPECT_TRUE(lines[2].startsWith(QStringLiteral("PERF pager phase=settle")));
        EXPECT_TRUE(lines[2].contains(QStringLiteral("，提交=0，")));
    }
}
