#include "Support/TerminationRequest.h"
#include "Views/FloatingPanel.h"
#include "Views/ModalAboveOverlay.h"
#include "common/FakeWindowing.h"
#include "common/ChildExit.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

using namespace corvanta;
using namespace corvanta::test;

namespace {

// A question runs while a panel that ignores every close (the start-up splash) stands on screen,
// and the ending is asked for from inside the question's loop.
[[noreturn]] void endWhileAQuestionRuns()
{
    RecordedStack recorded;
    auto* content = new QLabel(QStringLiteral("正在准备瓦厅…"));
    content->setFixedSize(200, 60);
    FloatingPanel splash(content, false, recorded.stack);
    splash.orderFrontAsKey();
    AlertDialog question(QStringLiteral("要启用四指捏合吗？"), QString(), QStringLiteral("启用"), QStringLiteral("暂不启用"));

    ModalOutcome outcome;
    bool returned = false;
    bool shownAfter = true;
    QTimer::singleShot(0, [&] {
        QTimer::singleShot(0, [] { TerminationRequest::request(); }); // the question's loop runs this
        outcome = runModal(question);
        returned = true;
        shownAfter = question.isVisible();
    });
    // A bound on a fault: the loops that were never ended.
    QTimer::singleShot(5000, [] { test::finishChild(3, "the event loops kept running after the ending was asked for"); });
    QCoreApplication::exec();

    if (!returned)
        test::finishChild(4, "the question never returned");
    if (!outcome.dismissedByTermination || outcome.accepted())
        test::finishChild(5, "the question was not reported as dismissed by the ending");
    if (shownAfter)
        test::finishChild(6, "the question stayed on screen");
    test::finishChild(0, "ended with the question dismissed by the ending");
}

} // namespace

// The ending is a process-wide mark that is never taken back, so the case runs in a child of its own.
TEST(ModalTermination, AQuestionRunningWhenTheEndingComesIsDismissedByItAndEveryLoopEndsWhateverWindowRefusesToClose)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(endWhileAQuestionRuns(), ::testing::ExitedWithCode(0), "ended with the question dismissed by the ending");
}
