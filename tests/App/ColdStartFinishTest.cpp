#include "App/ColdStartFinish.h"
#include "Platform/InMemoryUserDefaults.h"
#include "common/LogCapture.h"

#include <QStringList>

#include <gtest/gtest.h>

using namespace corvanta;

namespace {

struct ColdStartFixture {
    InMemoryUserDefaults defaults;
    QStringList steps;
    std::function<void()> splashDone;
    bool splashActive = false;
    PinchTakeoverAnswer answer = PinchTakeoverAnswer::notNow;
    bool terminating = false;
    bool guideTakesOver = false;
    ColdStartFinish finish{dependencies()};

    ColdStartFinish::Dependencies dependencies()
    {
        ColdStartFinish::Dependencies deps;
        deps.presentSplash = [this](std::function<void()> done) {
            steps << QStringLiteral("splash");
            splashDone = std::move(done);
        };
        deps.dismissSplash = [this] { steps << QStringLiteral("dismissSplash"); };
        deps.setSplashActive = [this](bool active) { splashActive = active; };
        deps.defaults = &defaults;
        deps.askPinchTakeover = [this] {
            steps << QStringLiteral("ask");
            return answer;
        };
        deps.enableFourFingerPinch = [this] { steps << QStringLiteral("enablePinch"); };
        deps.disablePinch = [this] { steps << QStringLiteral("disablePinch"); };
        deps.presentAccessibilityGuideIfNeeded = [this] {
            steps << QStringLiteral("guide?");
            return guideTakesOver;
        };
        deps.showTilehall = [this] { steps << QStringLiteral("show"); };
        deps.isTerminating = [this] { return terminating; };
        return deps;
    }
};

} // namespace

TEST(ColdStartFinish, TheGridOpensOnceWhenBothTheSplashAndTheSetUpAreDoneInEitherOrder)
{
    for (const bool splashFirst : {true, false}) {
        ColdStartFixture f;
        f.defaults.setBool(QString::fromLatin1(ColdStartFinish::didAskFourFingerPinchTakeoverKey), true);
        test::LogCapture log;
        f.finish.begin();
        EXPECT_TRUE(f.splashActive);
        ASSERT_TRUE(f.splashDone);
        if (splashFirst) {
            f.splashDone();
            EXPECT_TRUE(log.contains(QStringLiteral("阶段154：冷启动门控等待 — progress=true setup=false")));
            f.finish.setupFinished();
        } else {
            f.finish.setupFinished();
            EXPECT_TRUE(log.contains(QStringLiteral("阶段154：冷启动门控等待 — progress=false setup=true")));
            f.splashDone();
        }
        EXPECT_EQ(f.steps, (QStringList{"splash", "dismissSplash", "guide?", "show"})) << splashFirst;
        EXPECT_FALSE(f.splashActive);
        EXPECT_TRUE(log.contains(QStringLiteral("Showing tilehall after cold-start splash")));
        // The flags were reset: a late call does nothing more.
        f.finish.tryFinishColdStartAndEnterTilehall();
        EXPECT_EQ(f.steps.count(QStringLiteral("show")), 1);
    }
}

TEST(ColdStartFinish, ThePinchQuestionIsAskedOnceAndItsAnswerOverwritesTheSettingsEitherWay)
{
    for (const bool answer : {true, false}) {
        ColdStartFixture f;
        f.answer = answer ? PinchTakeoverAnswer::enable : PinchTakeoverAnswer::notNow;
        test::LogCapture log;
        f.finish.begin();
        f.finish.setupFinished();
        f.splashDone();
        EXPECT_EQ(f.steps, (QStringList{"splash", "dismissSplash", "ask", answer ? "enablePinch" : "disablePinch", "guide?", "show"}));
        EXPECT_TRUE(f.defaults.boolValue(QString::fromLatin1(ColdStartFinish::didAskFourFingerPinchTakeoverKey)));
        EXPECT_TRUE(log.contains(answer ? QStringLiteral("阶段150：用户选择启用四指捏合并完全接管") : QStringLiteral("阶段150：用户选择暂不启用四指捏合")));

        // The next cold start of the same user is not asked again.
        f.steps.clear();
        f.finish.begin();
        f.finish.setupFinished();
        f.splashDone();
        EXPECT_FALSE(f.steps.contains(QStringLiteral("ask")));
    }
}

TEST(ColdStartFinish, TheAccessibilityGuideTakesTheShowOverWhenThePinchNeedsTrust)
{
    ColdStartFixture f;
    f.defaults.setBool(QString::fromLatin1(ColdStartFinish::didAskFourFingerPinchTakeoverKey), true);
    f.guideTakesOver = true;
    test::LogCapture log;
    f.finish.begin();
    f.finish.setupFinished();
    f.splashDone();
    EXPECT_EQ(f.steps, (QStringList{"splash", "dismissSplash", "guide?"}));
    EXPECT_TRUE(log.contains(QStringLiteral("阶段151/154：冷启动进度后改出辅助功能引导小窗")));
}

// Ending the program while the question is open is no answer: the settings stay, nothing opens,
// and the next start asks again.
TEST(ColdStartFinish, AQuestionDismissedByTheProcesssEndingAnswersNothingAndOpensNothing)
{
    ColdStartFixture f;
    f.answer = PinchTakeoverAnswer::dismissedByTermination;
    test::LogCapture log;
    f.finish.begin();
    f.finish.setupFinished();
    f.splashDone();
    EXPECT_EQ(f.steps, (QStringList{"splash", "dismissSplash", "ask"}));
    EXPECT_FALSE(f.defaults.boolValue(QString::fromLatin1(ColdStartFinish::didAskFourFingerPinchTakeoverKey)));
    EXPECT_FALSE(log.contains(QStringLiteral("阶段150：用户选择")));
    EXPECT_FALSE(log.contains(QStringLiteral("Showing tilehall after cold-start splash")));

    // Asked to end before the finish (the question answered long ago): nothing opens either.
    ColdStartFixture answered;
    answered.defaults.setBool(QString::fromLatin1(ColdStartFinish::didAskFourFingerPinchTakeoverKey), true);
    answered.terminating = true;
    answered.finish.begin();
    answered.finish.setupFinished();
    answered.splashDone();
    EXPECT_EQ(answered.steps, (QStringList{"splash", "dismissSplash"}));
}
