// A start by hand ended by a termination signal before it is done: the process saves and is gone
// at once, whatever the start was doing.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>

#include <csignal>
#include <functional>

// gtest before Xlib: Xlib's macros (None, Bool...) would rewrite gtest's own names.
#include <gtest/gtest.h>

#include "X11/ProgramDriver.h"

namespace {

// The program ends within half a second of the request; the sanitizers slow everything several times.
#if defined(__SANITIZE_ADDRESS__)
constexpr qint64 kEndWithinMs = 2000;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr qint64 kEndWithinMs = 2000;
#else
constexpr qint64 kEndWithinMs = 500;
#endif
#else
constexpr qint64 kEndWithinMs = 500;
#endif

// The applications of the saved layout's current scene (their paths), or nothing when the file is
// missing or unreadable.
QSet<QString> layoutApplications(const QString& file)
{
    QFile layout(file);
    if (!layout.open(QIODevice::ReadOnly))
        return {};
    const QJsonObject store = QJsonDocument::fromJson(layout.readAll()).object();
    QSet<QString> urls;
    std::function<void(const QJsonValue&)> walk = [&](const QJsonValue& node) {
        if (node.isObject()) {
            const QJsonObject object = node.toObject();
            if (object.contains(QStringLiteral("bundleIdentifier")) && object.contains(QStringLiteral("url")))
                urls.insert(object.value(QStringLiteral("url")).toString());
            for (const QJsonValue& value : object)
                walk(value);
        } else if (node.isArray()) {
            for (const QJsonValue& value : node.toArray())
                walk(value);
        }
    };
    for (const QJsonValue& scene : store.value(QStringLiteral("scenes")).toArray()) {
        if (scene.toObject().value(QStringLiteral("id")) == store.value(QStringLiteral("currentSceneID")))
            walk(scene.toObject().value(QStringLiteral("layout")));
    }
    return urls;
}

// Sends `signalNumber` and waits for the end; how long it took, -1 when the process outlived the wait.
qint64 signalAndTimeTheEnd(Program& program, int signalNumber)
{
    QElapsedTimer elapsed;
    elapsed.start();
    ::kill(pid_t(program.process.processId()), signalNumber);
    if (!program.process.waitForFinished(10000)) {
        program.process.kill();
        program.process.waitForFinished(5000);
        return -1;
    }
    return elapsed.elapsed();
}

void expectAPromptCleanEnd(Program& program, qint64 took)
{
    EXPECT_GE(took, 0) << "the process kept running\n" << program.log().toStdString();
    EXPECT_LE(took, kEndWithinMs) << program.log().toStdString();
    EXPECT_EQ(program.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.process.exitCode(), 0);
    const QString output = QString::fromLocal8Bit(program.process.readAllStandardOutput());
    EXPECT_FALSE(output.contains(QStringLiteral("QWaitCondition"))) << output.toStdString();
    EXPECT_TRUE(program.log().contains(QStringLiteral("=== Corvanta terminating ===")));
}

// A first start by hand shows the grid, fills the icon cache and, ended by a signal, saves the
// layout it found: the applications it holds.
QSet<QString> aFirstStartSavesTheLayout(Program& program)
{
    program.markPinchQuestionAsked();
    program.start();
    EXPECT_TRUE(program.process.waitForStarted(10000));
    EXPECT_TRUE(program.waitForLog(QStringLiteral("Tilehall shown — isVisible=true"))) << program.log().toStdString();
    expectAPromptCleanEnd(program, signalAndTimeTheEnd(program, SIGTERM));
    const QSet<QString> saved = layoutApplications(program.layoutFile());
    EXPECT_GT(saved.size(), 10) << program.log().toStdString();
    return saved;
}

// Every other icon of the cache goes, so the next start finds some and fetches the rest; the log
// starts afresh.
void leaveTheIconCachePartFilled(Program& program)
{
    QDir cache(program.path("data/Corvanta/IconCache"));
    const QStringList icons = cache.entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
    ASSERT_GE(icons.size(), 2) << cache.path().toStdString();
    for (qsizetype i = 0; i < icons.size(); i += 2)
        ASSERT_TRUE(cache.remove(icons.at(i)));
    QFile::remove(program.logFile());
}

} // namespace

// The signal comes while the splash is up and the grid is prepared behind it (its waits turn the
// event loop inside the start): the process saves and ends rather than staying on, hidden.
TEST(StartUpTermination, ATerminationSignalWhileTheSplashIsUpEndsTheProcessAtOnceWithItsSave)
{
    for (const int signalNumber : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signalNumber);
        Program program;
        program.markPinchQuestionAsked();
        program.start();
        ASSERT_TRUE(program.process.waitForStarted(10000));
        ASSERT_TRUE(program.waitForLog(QStringLiteral("阶段154/155：展示冷启动进度小窗（0.9s）"))) << program.log().toStdString();

        expectAPromptCleanEnd(program, signalAndTimeTheEnd(program, signalNumber));
        const QString log = program.log();
        EXPECT_TRUE(log.contains(QStringLiteral("收到终止信号 %1 — 退出").arg(signalNumber))) << log.toStdString();
        EXPECT_FALSE(log.contains(QStringLiteral("Showing tilehall after cold-start splash"))) << log.toStdString();
        // The process had taken the layout over: its end wrote it.
        EXPECT_TRUE(QFile::exists(program.layoutFile())) << log.toStdString();
    }
}

// An icon cache left part-filled by an earlier run: the start fetches the missing icons in the
// background, and the signal comes as that back-fill begins. The back-fill stops between two icons
// and the process ends at once, its layout whole.
TEST(StartUpTermination, ATerminationSignalAsTheIconBackfillBeginsEndsTheProcessAtOnce)
{
    Program program;
    const QSet<QString> saved = aFirstStartSavesTheLayout(program);
    ASSERT_FALSE(HasFailure());
    ASSERT_NO_FATAL_FAILURE(leaveTheIconCachePartFilled(program));

    program.start();
    ASSERT_TRUE(program.process.waitForStarted(10000));
    ASSERT_TRUE(program.waitForLog(QStringLiteral("阶段45：图标预热完成 — 命中 "))) << program.log().toStdString();
    expectAPromptCleanEnd(program, signalAndTimeTheEnd(program, SIGTERM));
    const QString log = program.log();
    // Part-filled indeed: some icons came from the disk, some were left to fetch.
    const QRegularExpressionMatch hits = QRegularExpression(QStringLiteral("阶段45：图标预热完成 — 命中 (\\d+)/(\\d+)")).match(log);
    ASSERT_TRUE(hits.hasMatch());
    EXPECT_GT(hits.captured(1).toInt(), 0) << log.toStdString();
    EXPECT_LT(hits.captured(1).toInt(), hits.captured(2).toInt()) << log.toStdString();
    EXPECT_EQ(layoutApplications(program.layoutFile()), saved) << log.toStdString();
}

// A successor start (hidden, ready) over a part-filled icon cache, ended the moment it reports
// itself ready: the icon back-fill and the page loads are still running on the pools, and the
// font and painting state they could touch goes with the application object. The process still
// ends at once, its layout whole.
TEST(StartUpTermination, ATerminationSignalAsASuccessorStartReportsItselfReadyEndsTheProcessAtOnce)
{
    Program program;
    const QSet<QString> saved = aFirstStartSavesTheLayout(program);
    ASSERT_FALSE(HasFailure());

    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        ASSERT_NO_FATAL_FAILURE(leaveTheIconCachePartFilled(program));
        program.extraEnvironment.insert(QStringLiteral("QUORLA_SUCCESSION"), QStringLiteral("1"));
        program.start();
        ASSERT_TRUE(program.process.waitForStarted(10000));
        ASSERT_TRUE(program.waitForLog(QStringLiteral("；瓦厅保持隐藏待命"))) << program.log().toStdString();
        expectAPromptCleanEnd(program, signalAndTimeTheEnd(program, SIGTERM));
        EXPECT_EQ(layoutApplications(program.layoutFile()), saved) << program.log().toStdString();
    }
}
