#include "Platform/SLSMenuBar.h"
#include "common/LogCapture.h"

#include <gtest/gtest.h>

using namespace corvanta;

namespace {

struct Call {
    double inset, alpha;
    bool floatABI;
};

class FakeMenuBar final : public MenuBarBackend {
public:
    explicit FakeMenuBar(QList<Call>* calls) : m_calls(calls) {}
    bool isAvailable() const override { return true; }
    void setMenuBarInsetAndAlpha(double inset, double alpha, bool floatABI) override { m_calls->append({inset, alpha, floatABI}); }

private:
    QList<Call>* m_calls;
};

struct Harness {
    QList<Call> calls;
    int loads = 0;
    int screens = 1;
    SLSMenuBar make(bool enabled, bool floatABI = true)
    {
        return SLSMenuBar(
            enabled, floatABI,
            [this] {
                ++loads;
                return std::make_unique<FakeMenuBar>(&calls);
            },
            {[this] { return screens; }, [] { return true; }, [] { return QStringLiteral("Files"); }});
    }
};

struct EnvGuard {
    const char* key;
    EnvGuard(const char* k, const char* value) : key(k) { qputenv(k, value); }
    ~EnvGuard() { qunsetenv(key); }
};

} // namespace

TEST(SLSMenuBar, ParsesTheSwitches)
{
    EXPECT_TRUE(SLSMenuBar::parseEnabled(QStringLiteral("1")));
    EXPECT_TRUE(SLSMenuBar::parseEnabled(QStringLiteral("TRUE")));
    EXPECT_TRUE(SLSMenuBar::parseEnabled(QStringLiteral("True")));
    for (const char* off : {"yes", "0", "", " 1", "on"})
        EXPECT_FALSE(SLSMenuBar::parseEnabled(QString::fromLatin1(off))) << off;
    EXPECT_FALSE(SLSMenuBar::parseEnabled(std::nullopt));

    EXPECT_FALSE(SLSMenuBar::parseFloatABI(QStringLiteral("double")));
    EXPECT_TRUE(SLSMenuBar::parseFloatABI(QStringLiteral("Double")));
    EXPECT_TRUE(SLSMenuBar::parseFloatABI(std::nullopt));

    using P = SLSMenuBar::InsetAndAlpha;
    const struct {
        const char* value;
        std::optional<P> expected;
    } overrides[] = {
        {" 10 , 0.5 ", P{10, 0.5}},
        {"10,,0.5,", P{10, 0.5}},
        {"-2.5,1", P{-2.5, 1}},
        {"10", std::nullopt},
        {"a,b,c", std::nullopt},
        {"1,2,3", std::nullopt},
        {"1x,2,3", P{2, 3}}, // a piece that is not wholly a number is dropped
        {"1.5,0.25", P{1.5, 0.25}},
        {"", std::nullopt},
    };
    for (const auto& o : overrides)
        EXPECT_EQ(SLSMenuBar::parseOverride(QString::fromLatin1(o.value)), o.expected) << o.value;
}

TEST(SLSMenuBar, DisabledLoadsNothingAndDoesNothing)
{
    Harness h;
    SLSMenuBar bar = h.make(false);
    EXPECT_FALSE(bar.isAvailable());
    bar.hide();
    bar.restore();
    EXPECT_EQ(h.loads, 0);
    EXPECT_TRUE(h.calls.isEmpty());

    // The stand-in of this desktop is never available: the strip window covers the menu bar.
    SLSMenuBar real(true, true, [] { return std::make_unique<UnavailableMenuBarBackend>(); }, {});
    EXPECT_FALSE(real.isAvailable());
    real.hide();
    EXPECT_FALSE(real.isHiddenByUs());
}

TEST(SLSMenuBar, HidesOnceOnOneScreenAndRestoresWhenASecondScreenArrives)
{
    Harness h;
    SLSMenuBar bar = h.make(true, false);
    test::LogCapture log;
    EnvGuard hide("QUORLA_SLS_HIDE", "10, 0.5");
    bar.hide();
    bar.hide();
    ASSERT_EQ(h.calls.size(), 1);
    EXPECT_EQ(h.calls[0].inset, 10);
    EXPECT_EQ(h.calls[0].alpha, 0.5);
    EXPECT_FALSE(h.calls[0].floatABI);
    EXPECT_TRUE(bar.isHiddenByUs());
    EXPECT_TRUE(bar.didSuppressOnce());
    EXPECT_TRUE(log.contains(QStringLiteral("阶段69：SLS 隐藏真实菜单栏 — ABI=double inset=10 alpha=0.5")));

    h.screens = 2;
    bar.hide();
    ASSERT_EQ(h.calls.size(), 2);
    EXPECT_EQ(h.calls[1].inset, 0); // the default restore: inset 0, alpha 1
    EXPECT_EQ(h.calls[1].alpha, 1);
    EXPECT_FALSE(bar.isHiddenByUs());
    EXPECT_TRUE(bar.didSuppressOnce()); // never cleared
    EXPECT_TRUE(log.contains(QStringLiteral("阶段152：多屏环境 — 还原全局 SLS 压制，改用本屏遮盖窗")));
    EXPECT_TRUE(log.contains(QStringLiteral("阶段69：SLS 还原真实菜单栏 — ABI=double inset=0 alpha=1 isActive=true front=Files")));

    bar.hide(); // still two screens, nothing hidden: nothing to do
    bar.restore();
    EXPECT_EQ(h.calls.size(), 2);
    EXPECT_EQ(h.loads, 1);
}
