#include "Support/Logger.h"

#include "Platform/SystemLog.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <mutex>
#include <thread>

using namespace corvanta;

namespace {

class FakeSystemLog final : public SystemLog {
public:
    void send(LogLevel level, std::string_view line) override
    {
        std::lock_guard lock(mutex);
        entries.append({level, QByteArray(line.data(), qsizetype(line.size()))});
    }
    std::mutex mutex;
    QList<std::pair<LogLevel, QByteArray>> entries;
};

// 2026-03-04 05:06:07.089 local time: every field needs its zero padding.
const qint64 fixedTime = QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7, 89)).toMSecsSinceEpoch();
const QByteArray fixedStamp = "2026-03-04 05:06:07.089";
const QByteArray banner = "\n=== Corvanta Session " + fixedStamp + " ===\n";

class LoggerTest : public ::testing::Test {
public:
    std::unique_ptr<Logger> makeLogger(std::shared_ptr<SystemLog> systemLog = nullptr)
    {
        return std::make_unique<Logger>(Logger::Options{base.path(), std::move(systemLog), [] { return fixedTime; }});
    }
    QString folder() const { return base.path() + QStringLiteral("/Corvanta"); }
    QString logFile() const { return folder() + QStringLiteral("/Corvanta.log"); }
    QString archiveFile() const
    {
        return folder() + QStringLiteral("/Corvanta-")
               + QDateTime::fromMSecsSinceEpoch(fixedTime).toString(QStringLiteral("yyyy-MM-dd-HHmmss"))
               + QStringLiteral(".log");
    }

    static QByteArray read(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    static void write(const QString& path, const QByteArray& bytes)
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QTemporaryDir base;
};

} // namespace

TEST_F(LoggerTest, WritesTheBannerThenOneLinePerCallToFileAndSystemLog)
{
    // Digits and separators must not follow the user's region settings.
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::Arabic, QLocale::Egypt));

    auto systemLog = std::make_shared<FakeSystemLog>();
    auto logger = makeLogger(systemLog);
    EXPECT_EQ(read(logFile()), banner); // synchronously, before any line

    struct Case {
        LogLevel level;
        QString message;
        QByteArray expected;
    };
    const QList<Case> cases = {
        {LogLevel::Debug, QStringLiteral("d"), "[" + fixedStamp + "] [DEBUG] [LayoutManager.cpp:123 load] d\n"},
        {LogLevel::Info, QStringLiteral("阶段1：启动"),
         "[" + fixedStamp + "] [INFO] [LayoutManager.cpp:123 load] " + QStringLiteral("阶段1：启动").toUtf8() + "\n"},
        // Text from other people's files can never start a line of its own or steer a terminal.
        {LogLevel::Warning, QStringLiteral("Mail\n[2026-01-01 00:00:00.000] [ERROR] [x.cpp:1 f] forged"),
         "[" + fixedStamp + "] [WARN] [LayoutManager.cpp:123 load] Mail\\n[2026-01-01 00:00:00.000] [ERROR] [x.cpp:1 f] forged\n"},
        {LogLevel::Info, QStringLiteral("a\rb\tc\x1b[31md\x7f") + QChar(0x85) + QChar(0x2028) + QStringLiteral("e %1 \\n"),
         "[" + fixedStamp + "] [INFO] [LayoutManager.cpp:123 load] a\\rb\\tc\\x1b[31md\\x7f\\x85\\u2028e %1 \\n\n"},
        {LogLevel::Error, QString(), "[" + fixedStamp + "] [ERROR] [LayoutManager.cpp:123 load] \n"},
    };
    QByteArray expectedFile = banner;
    for (const Case& c : cases) {
        logger->log(c.level, c.message, "/build/tree/Services/LayoutManager.cpp", "load", 123);
        expectedFile += c.expected;
    }
    logger->flush();
    QLocale::setDefault(previous);

    EXPECT_EQ(read(logFile()), expectedFile);
    ASSERT_EQ(systemLog->entries.size(), cases.size());
    for (qsizetype i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(systemLog->entries[i].first, cases[i].level);
        EXPECT_EQ(systemLog->entries[i].second, cases[i].expected);
    }
}

TEST_F(LoggerTest, NamedLevelOperationsAndLineNumbers)
{
    auto logger = makeLogger();
    logger->debug(QStringLiteral("a"), "Plain.cpp", "f", 1);
    logger->info(QStringLiteral("b"), "Plain.cpp", "f", 1000000);
    logger->warning(QStringLiteral("c"), "Plain.cpp", "f", 20);
    logger->error(QStringLiteral("d"), "Plain.cpp", "f", 305);
    logger->flush();
    EXPECT_EQ(read(logFile()), banner + "[" + fixedStamp + "] [DEBUG] [Plain.cpp:1 f] a\n" //
                                   + "[" + fixedStamp + "] [INFO] [Plain.cpp:1000000 f] b\n"
                                   + "[" + fixedStamp + "] [WARN] [Plain.cpp:20 f] c\n"
                                   + "[" + fixedStamp + "] [ERROR] [Plain.cpp:305 f] d\n");
}

TEST_F(LoggerTest, EachSessionAddsOneBannerAndTwoOpenLoggersKeepEachOthersLines)
{
    // Two processes on one file: each appends at the true end, so neither overwrites the other.
    auto first = makeLogger();
    auto second = makeLogger();
    first->info(QStringLiteral("from first"), "A.cpp", "a", 1);
    first->flush();
    second->info(QStringLiteral("from second"), "B.cpp", "b", 2);
    second->flush();
    first.reset();
    second.reset();
    auto third = makeLogger();
    third.reset();

    EXPECT_EQ(read(logFile()), banner + banner + "[" + fixedStamp + "] [INFO] [A.cpp:1 a] from first\n" + "["
                                   + fixedStamp + "] [INFO] [B.cpp:2 b] from second\n" + banner);
}

TEST_F(LoggerTest, SetsAsideOnlyAFileOverTheLimit)
{
    struct Case {
        qint64 size;
        bool setAside;
    };
    for (const Case c : {Case{5'000'000, false}, Case{5'000'001, true}}) {
        SCOPED_TRACE(c.size);
        const QByteArray old(c.size, 'x');
        write(logFile(), old);
        QFile::remove(archiveFile());

        makeLogger().reset();
        if (c.setAside) {
            EXPECT_EQ(read(archiveFile()), old);
            EXPECT_EQ(read(logFile()), banner);
        } else {
            EXPECT_FALSE(QFileInfo::exists(archiveFile()));
            EXPECT_EQ(read(logFile()), old + banner);
        }
    }
}

TEST_F(LoggerTest, SetAsideNeverReplacesAnEarlierArchiveOfTheSameName)
{
    const QByteArray old(5'000'001, 'x');
    write(logFile(), old);
    write(archiveFile(), "archived a moment ago\n");

    makeLogger().reset();
    EXPECT_EQ(read(archiveFile()), "archived a moment ago\n");
    EXPECT_EQ(read(logFile()), old + banner);
}

TEST_F(LoggerTest, EarlierLogFolderMovesOnlyWhenTheCurrentOneIsMissing)
{
    const QString earlier = base.path() + QStringLiteral("/Verdanza");
    write(earlier + QStringLiteral("/Corvanta.log"), "old line\n");
    write(earlier + QStringLiteral("/Corvanta-2025-01-01-000000.log"), "older\n");

    makeLogger().reset();
    EXPECT_FALSE(QFileInfo::exists(earlier));
    EXPECT_EQ(read(logFile()), "old line\n" + banner);
    EXPECT_EQ(read(folder() + QStringLiteral("/Corvanta-2025-01-01-000000.log")), "older\n");

    write(earlier + QStringLiteral("/Corvanta.log"), "stays\n");
    makeLogger().reset();
    EXPECT_EQ(read(earlier + QStringLiteral("/Corvanta.log")), "stays\n");
    EXPECT_EQ(read(logFile()), "old line\n" + banner + banner);
}

TEST_F(LoggerTest, WithoutAWritableFileEveryCallStillReachesSystemLogAndListeners)
{
    struct Case {
        const char* name;
        std::function<void(LoggerTest&)> prepare;
    };
    const Case cases[] = {
        // The log folder cannot be created: a file stands where it belongs.
        {"no folder", [](LoggerTest& t) { write(t.folder(), "not a folder"); }},
        // Every write fails as on a full disk.
        {"disk full",
         [](LoggerTest& t) {
             QDir().mkpath(t.folder());
             ASSERT_TRUE(QFile::link(QStringLiteral("/dev/full"), t.logFile()));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(base.path()).removeRecursively();
        QDir().mkpath(base.path());
        c.prepare(*this);

        auto systemLog = std::make_shared<FakeSystemLog>();
        auto logger = makeLogger(systemLog);
        QStringList heard;
        logger->addListener([&](LogLevel, const QString& message) { heard << message; });
        logger->error(QStringLiteral("still here"), "X.cpp", "x", 9);
        logger->flush();
        ASSERT_EQ(systemLog->entries.size(), 1);
        EXPECT_EQ(systemLog->entries.front().second, "[" + fixedStamp + "] [ERROR] [X.cpp:9 x] still here\n");
        EXPECT_EQ(heard, QStringList{QStringLiteral("still here")});
    }
}

TEST_F(LoggerTest, LinesFromManyThreadsArriveWholeAndInEachThreadsOrder)
{
    auto logger = makeLogger();
    constexpr int threads = 8;
    constexpr int perThread = 500;
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            for (int i = 0; i < perThread; ++i)
                logger->info(QStringLiteral("t%1 n%2").arg(t).arg(i), "T.cpp", "run", t);
        });
    }
    for (auto& w : workers)
        w.join();
    logger->flush();

    const QList<QByteArray> lines = read(logFile()).mid(banner.size()).split('\n');
    ASSERT_EQ(lines.size(), threads * perThread + 1); // the text ends with a new line
    std::vector<int> next(threads, 0);
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        const qsizetype at = line.indexOf("] t");
        ASSERT_GE(at, 0) << line.constData();
        const QList<QByteArray> parts = line.mid(at + 3).split(' ');
        const int t = parts[0].toInt();
        EXPECT_EQ(parts[1], "n" + QByteArray::number(next[t]++));
    }
}

TEST_F(LoggerTest, ListenersAreCalledSynchronouslyUntilRemoved)
{
    auto logger = makeLogger();
    QList<std::pair<LogLevel, QString>> heard;
    const int token = logger->addListener([&](LogLevel level, const QString& message) { heard.append({level, message}); });
    logger->warning(QStringLiteral("one"), "L.cpp", "l", 1);
    EXPECT_EQ(heard, (QList<std::pair<LogLevel, QString>>{{LogLevel::Warning, QStringLiteral("one")}}));

    logger->removeListener(token);
    logger->removeListener(token); // unknown tokens are ignored
    logger->info(QStringLiteral("two"), "L.cpp", "l", 2);
    EXPECT_EQ(heard.size(), 1);
}

TEST_F(LoggerTest, ListenerMayRemoveItself)
{
    auto logger = makeLogger();
    int calls = 0;
    int token = 0;
    token = logger->addListener([&](LogLevel, const QString&) {
        ++calls;
        logger->removeListener(token);
    });
    logger->info(QStringLiteral("a"), "L.cpp", "l", 1);
    logger->info(QStringLiteral("b"), "L.cpp", "l", 2);
    EXPECT_EQ(calls, 1);
}
