#include "App/LaunchSource.h"

#include <gtest/gtest.h>

using namespace corvanta;

TEST(LaunchSource, LoginStartIsTheMarkOrARegisteredLoginItemShortlyAfterBoot)
{
    struct Case {
        bool mark, boot, registered;
        bool asked, login;
        const char* line;
    };
    const Case cases[] = {
        {true, false, false, false, true, "登录项（开机自启动） [lgit标记=true, 刚开机=false, 已注册=未查询(已短路), 刚开机兜底=false]"},
        {true, true, false, false, true, "登录项（开机自启动） [lgit标记=true, 刚开机=true, 已注册=未查询(已短路), 刚开机兜底=false]"},
        {false, true, true, true, true, "登录项（开机自启动） [lgit标记=false, 刚开机=true, 已注册=true, 刚开机兜底=true]"},
        {false, true, false, true, false, "用户手动启动 [lgit标记=false, 刚开机=true, 已注册=false, 刚开机兜底=false]"},
        {false, false, true, false, false, "用户手动启动 [lgit标记=false, 刚开机=false, 已注册=未查询(已短路), 刚开机兜底=false]"},
    };
    for (const Case& c : cases) {
        int asked = 0;
        const LaunchSource source = LaunchSource::decide(c.mark, c.boot, [&] {
            ++asked;
            return c.registered;
        });
        EXPECT_EQ(asked, c.asked ? 1 : 0) << c.line;
        EXPECT_EQ(source.isLoginLaunch, c.login) << c.line;
        EXPECT_EQ(source.logLine(), QStringLiteral("阶段29/65：启动来源 = ") + QString::fromUtf8(c.line));
        EXPECT_EQ(launchModeFor(false, source), c.login ? LaunchMode::login : LaunchMode::cold);
        EXPECT_EQ(launchModeFor(true, source), LaunchMode::successor);
    }
}
