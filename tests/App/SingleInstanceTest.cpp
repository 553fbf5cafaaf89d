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
        deps.postShowRequest = [&] {
            calls << QStringLiteral("post");
            return 1;
        };
        deps.explainUnreachable = [&](const QList<qint64>&) { calls << QStringLiteral("explain"); };
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

// Copies in the user's other sessions cannot show anything here: this start goes on. One in this
// session that the request cannot reach is named to the user, and this copy still ends.
TEST(SingleInstance, CopiesElsewhereLetThisStartGoOnAndAnUnreachableOneIsExplained)
{
    test::LogCapture log;
    QStringList calls;
    SingleInstance::Dependencies deps;
    deps.otherInstances = [] { return QList<qint64>{}; };
    deps.instancesElsewhere = [] { return QList<qint64>{77}; };
    deps.postShowRequest = [&] {
        calls << QStringLiteral("post");
        return 0;
    };
    deps.explainUnreachable = [&](const QList<qint64>& pids) { calls << QStringLiteral("explain %1").arg(pids.value(0)); };
    deps.terminate = [&] { calls << QStringLiteral("terminate"); };
    EXPECT_TRUE(SingleInstance(deps).ensureSingleInstance(true));
    EXPECT_TRUE(calls.isEmpty());
    EXPECT_TRUE(log.contains(QStringLiteral("其它会话中已有实例在运行：[77]（运行目录或显示不同，请求送不到）— 本实例作为本会话的实例启动")));

    deps.otherInstances = [] { return QList<qint64>{412}; };
    EXPECT_FALSE(SingleInstance(deps).ensureSingleInstance(true));
    EXPECT_EQ(calls, (QStringList{"post", "explain 412", "terminate"}));
    EXPECT_TRUE(log.contains(QStringLiteral("显示请求无法送达已有实例 [412] — 提示用户后退出")));
}
