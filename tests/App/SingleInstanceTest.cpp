#include "App/SingleInstance.h"
#include "Support/LogLevel.h"
#include "common/LogCapture.h"

#include <gtest/gtest.h>

using namespace corvanta;

TEST(SingleInstance, ALaterCopyAsksTheRunningOneToShowUnlessStartedWithTheSessionAndEnds)
{
    struct Case {
        QList<qint64> others;
        bool requestShow;
        bool goesOn;
        int posts;
        const char* found; // the first warning line, or none
    };
    const Case cases[] = {
        {{}, true, true, 0, nullptr},
        {{412}, true, false, 1, "检测到已有实例在运行：[412]，请求它显示瓦厅"},
        {{40, 1234}, false, false, 0, "检测到已有实例在运行：[40, 1234]（本次为登录自启动，不请求显示）"},
    };
    for (const Case& c : cases) {
        test::LogCapture log;
        QStringList calls;
        SingleInstance::Dependencies deps;
        deps.otherInstances = [&] { return c.others; };
        deps.postShowRequest = [&] { calls << QStringLiteral("post"); };
        deps.terminate = [&] { calls << QStringLiteral("terminate"); };
        EXPECT_EQ(SingleInstance(deps).ensureSingleInstance(c.requestShow), c.goesOn);
        EXPECT_EQ(calls.count(QStringLiteral("post")), c.posts);
        if (c.goesOn) {
            EXPECT_TRUE(calls.isEmpty());
            EXPECT_TRUE(log.entries().isEmpty());
            continue;
        }
        // The request goes out before the copy ends.
        EXPECT_EQ(calls.last(), QStringLiteral("terminate"));
        const auto entries = log.entries();
        ASSERT_EQ(entries.size(), 2);
        EXPECT_EQ(entries[0].message, QString::fromUtf8(c.found));
        EXPECT_EQ(entries[0].level, LogLevel::Warning);
        EXPECT_EQ(entries[1].message, QStringLiteral("已有实例在运行，本实例退出"));
        EXPECT_EQ(entries[1].level, LogLevel::Warning);
    }
}
