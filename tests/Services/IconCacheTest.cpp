#include "Services/IconCache.h"

#include "common/BundleBuilder.h"
#include "common/LogCapture.h"
#include "common/ManualTasks.h"
#include "common/QtPrinters.h"

#include <QTemporaryDir>
#include <QThread>

#include <atomic>

#include <gtest/gtest.h>

using namespace corvanta;
using namespace corvanta::test;

namespace {

AppItem app(const QString& name, const QString& identifier = QString())
{
    return {QUuid::createUuid(), name, identifier, QUrl::fromLocalFile("/Applications/" + name + ".app"), {}, false};
}

AppGroup folder(const QString& name, int count)
{
    AppGroup group{QUuid::createUuid(), name, {}, false};
    for (int i = 0; i < count; ++i)
        group.apps.append(app(QStringLiteral("%1-%2").arg(name).arg(i), QStringLiteral("com.example.%1.%2").arg(name).arg(i)));
    return group;
}

TilehallPage page(QList<PageEntry> entries) { return {QUuid::createUuid(), std::move(entries)}; }

QStringList names(const QList<AppItem>& apps)
{
    QStringList out;
    for (const AppItem& a : apps)
        out << a.name;
    return out;
}

struct Fixture {
    QTemporaryDir root;
    ManualTasks tasks;
    IconDiskCache disk{[this] { return root.filePath("IconCache"); }, tasks.runner()};
    FakeIconProvider icons;
    IconCache cache{disk, icons, tasks.runner()};
    Fixture() { tasks.runAll(); }
};

} // namespace

TEST(IconCache, KeysAreIdentifiersOrPaths)
{
    AppItem noId = app("Tool");
    AppItem otherNoId = app("Tool");
    otherNoId.url = QUrl("file:///Users/Shared/Applications/Tool.app/");
    EXPECT_EQ(IconCache::cacheKey(noId), "/Applications/Tool.app");
    EXPECT_EQ(IconCache::cacheKey(otherNoId), "/Users/Shared/Applications/Tool.app");
    EXPECT_EQ(IconCache::cacheKey(app("A", "com.example.a")), IconCache::cacheKey(app("B", "com.example.a")));
}

TEST(IconCache, FirstFrameAppsTakeNineMembersPerFolder)
{
    const AppItem a = app("a", "com.example.a");
    const AppItem b = app("b", "com.example.b");
    const AppGroup twelve = folder("twelve", 12);
    const AppGroup nine = folder("nine", 9);
    TilehallLayout layout;
    EXPECT_TRUE(IconCache::firstFrameApps(layout).isEmpty());
    layout.pages = {page({a, twelve, nine}), page({b})};
    const QStringList expected = QStringList{"a"} + names(twelve.apps.mid(0, 9)) + names(nine.apps);
    EXPECT_EQ(names(IconCache::firstFrameApps(layout)), expected);
}

TEST(IconCache, LoadsFromMemoryThenDiskThenTheDesktopTrimmed)
{
    Fixture f;
    const QImage padded = iconWithContent({512, 512}, {64, 64, 384, 384});
    f.icons.set("/Applications/Padded.app", padded);

    const QImage loaded = f.cache.loadImage("com.example.padded", "/Applications/Padded.app");
    EXPECT_EQ(loaded.size(), QSize(384, 384));
    EXPECT_EQ(f.cache.cachedImage("com.example.padded")->cacheKey(), loaded.cacheKey());
    f.tasks.runAll();
    EXPECT_TRUE(QFile::exists(f.disk.filePath("com.example.padded")));

    // From memory: the desktop is not asked again.
    f.cache.loadImage("com.example.padded", "/Applications/Padded.app");
    EXPECT_EQ(f.icons.requests().size(), 1);

    // A second cache over the same folder finds the icon on disk.
    IconCache fresh(f.disk, f.icons, f.tasks.runner());
    EXPECT_FALSE(fresh.cachedImage("com.example.padded").has_value());
    EXPECT_EQ(fresh.loadImage("com.example.padded", "/Applications/Padded.app").size(), QSize(256, 256));
    EXPECT_TRUE(fresh.cachedImage("com.example.padded").has_value());
    EXPECT_EQ(f.icons.requests().size(), 1);
}

TEST(IconCache, PrewarmFlagFollowsTheFirstPage)
{
    Fixture f;
    EXPECT_TRUE(f.cache.isPrewarmFinished());

    TilehallLayout empty;
    empty.pages = {page({}), page({app("later", "com.example.later")})};
    f.cache.prewarm(empty);
    EXPECT_TRUE(f.cache.isPrewarmFinished());
    f.tasks.runAll();

    TilehallLayout layout;
    layout.pages = {page({app("first", "com.example.first")})};
    f.cache.prewarm(layout);
    EXPECT_FALSE(f.cache.isPrewarmFinished());
    f.tasks.runAll();
    EXPECT_TRUE(f.cache.isPrewarmFinished());
}

TEST(IconCache, PrewarmPassOrderHitsBackfillAndOrphans)
{
    Fixture f;
    const AppItem inMemory = app("Memory", "com.example.memory");
    const AppItem onDisk = app("Disk", "com.example.disk");
    const AppItem missing = app("Missing", "com.example.missing");
    const AppItem noIdA = app("NoIdA");
    const AppItem noIdB = app("NoIdB");

    f.cache.loadImage(IconCache::cacheKey(inMemory), inMemory.path());
    f.disk.store(QImage(f.icons.iconForFile("x")), IconCache::cacheKey(onDisk), onDisk.path());
    f.disk.store(QImage(f.icons.iconForFile("x")), "com.example.gone", "/Applications/Gone.app");
    f.tasks.runAll();
    const qsizetype requestsBefore = f.icons.requests().size();

    // Memory appears on the first page and again inside a folder: it is loaded once.
    TilehallLayout layout;
    AppGroup group{QUuid::createUuid(), "G", {inMemory, onDisk}, false};
    layout.pages = {page({inMemory, group}), page({missing, noIdA, noIdB})};

    LogCapture log;
    f.cache.prewarm(layout);
    f.tasks.runAll();

    const QStringList lines = log.messages();
    ASSERT_EQ(lines.size(), 4) << lines.join('\n').toStdString();
    EXPECT_TRUE(lines.at(0).startsWith(QStringLiteral("阶段131：首屏图标预热 2 项，耗时 ")));
    EXPECT_TRUE(lines.at(1).startsWith(QStringLiteral("阶段45：图标预热完成 — 命中 2/5，耗时 ")));
    EXPECT_TRUE(lines.at(2).startsWith(QStringLiteral("阶段49：图标磁盘缓存回填 3 项，耗时 ")));
    EXPECT_TRUE(lines.at(2).endsWith("ms"));
    // The orphan sweep is queued behind the pass, as the disk stores are.
    EXPECT_EQ(lines.at(3), QStringLiteral("阶段136：清理布局外孤儿图标缓存 1 个"));

    // The backfill decodes on several threads, so the three requests come in any order.
    QStringList backfilled = f.icons.requests().mid(requestsBefore);
    backfilled.sort();
    EXPECT_EQ(backfilled, QStringList({missing.path(), noIdA.path(), noIdB.path()}));
    for (const AppItem& a : {inMemory, onDisk, missing, noIdA, noIdB}) {
        EXPECT_TRUE(f.cache.cachedImage(IconCache::cacheKey(a)).has_value()) << a.name.toStdString();
        EXPECT_TRUE(QFile::exists(f.disk.filePath(IconCache::cacheKey(a)))) << a.name.toStdString();
    }
    EXPECT_FALSE(QFile::exists(f.disk.filePath("com.example.gone")));
}

TEST(IconCache, HoldsIconsInMemoryAtTheSizeTheyAreDrawn)
{
    Fixture f;
    QImage wide(1024, 512, QImage::Format_ARGB32_Premultiplied);
    wide.fill(Qt::red);
    f.icons.set("/Applications/Wide.app", wide);

    // Before the views know their size, an icon is kept as decoded; the disk gets it whole.
    const QImage early = f.cache.loadImage("com.example.big", "/Applications/Big.app");
    EXPECT_EQ(early.size(), QSize(1024, 1024));
    // Once they do, what is held shrinks to it, keeping its proportions, and new icons arrive at it.
    f.cache.setDrawPixels(96);
    EXPECT_EQ(f.cache.cachedImage("com.example.big")->size(), QSize(96, 96));
    EXPECT_EQ(f.cache.loadImage("com.example.wide", "/Applications/Wide.app").size(), QSize(96, 48));
    EXPECT_EQ(f.cache.cachedImage("com.example.wide")->size(), QSize(96, 48));
    f.tasks.runAll();
    EXPECT_EQ(f.disk.image("com.example.wide")->width(), IconDiskCache::kLargestSide);

    // A smaller icon than the draw size is kept as it is.
    QImage small(64, 64, QImage::Format_ARGB32_Premultiplied);
    small.fill(Qt::blue);
    f.icons.set("/Applications/Small.app", small);
    EXPECT_EQ(f.cache.loadImage("com.example.small", "/Applications/Small.app").size(), QSize(64, 64));

    // Drawn larger later, the held icons are too small: memory starts again.
    f.cache.setDrawPixels(192);
    EXPECT_FALSE(f.cache.cachedImage("com.example.wide"));
    EXPECT_EQ(f.cache.loadImage("com.example.wide", "/Applications/Wide.app").size(), QSize(192, 96));
}

namespace {

// The desktop's icons, with the process's ending asked for once `stopAfter` of them have been made.
class IconsUntilTheEnd : public FakeIconProvider {
public:
    IconsUntilTheEnd(std::atomic_bool& stopped, int stopAfter) : m_stopped(stopped), m_stopAfter(stopAfter) {}
    QImage iconForFile(const QString& path) const override
    {
        if (m_made.fetch_add(1) + 1 >= m_stopAfter)
            m_stopped.store(true);
        return FakeIconProvider::iconForFile(path);
    }

private:
    std::atomic_bool& m_stopped;
    int m_stopAfter;
    mutable std::atomic_int m_made{0};
};

TilehallLayout pageOfMissingApps(int count)
{
    TilehallLayout layout;
    QList<PageEntry> entries;
    for (int i = 0; i < count; ++i)
        entries.append(app(QStringLiteral("App %1").arg(i), QStringLiteral("com.example.app%1").arg(i)));
    layout.pages = {page(entries)};
    return layout;
}

} // namespace

// The ending comes in the middle of the back-fill: the icons being made when it comes are
// finished, no further one is fetched, and the pass ends at once instead of making them all.
TEST(IconCache, TheProcesssEndStopsTheBackfillBetweenTwoIcons)
{
    QTemporaryDir root;
    ManualTasks tasks;
    IconDiskCache disk{[&] { return root.filePath("IconCache"); }, tasks.runner()};
    std::atomic_bool stopped{false};
    IconsUntilTheEnd icons(stopped, 5);
    IconCache cache{disk, icons, tasks.runner(), [&] { return stopped.load(); }};
    tasks.runAll();

    LogCapture log;
    cache.prewarm(pageOfMissingApps(300));
    tasks.runAll();

    // Each back-fill thread may finish the icon it holds; none starts another.
    const qsizetype made = icons.requests().size();
    EXPECT_GE(made, 5);
    EXPECT_LE(made, 5 + QThread::idealThreadCount()) << made;
    EXPECT_TRUE(cache.isPrewarmFinished());
    EXPECT_TRUE(log.contains(QStringLiteral("阶段49：图标磁盘缓存回填因程序退出而停止 — 完成 %1/300 项").arg(made)))
        << log.messages().join('\n').toStdString();
}

// Ended before the pass runs through the layout: nothing is read or swept, and the flag that the
// first show waits on is set all the same.
TEST(IconCache, TheProcesssEndStopsThePassBeforeItsNextIcon)
{
    Fixture f;
    f.disk.store(QImage(f.icons.iconForFile("x")), "com.example.gone", "/Applications/Gone.app");
    f.tasks.runAll();
    bool stopped = false;
    IconCache cache{f.disk, f.icons, f.tasks.runner(), [&] { return stopped; }};

    LogCapture log;
    cache.prewarm(pageOfMissingApps(3));
    stopped = true;
    f.tasks.runAll();

    EXPECT_TRUE(cache.isPrewarmFinished());
    EXPECT_EQ(log.messages(), QStringList{QStringLiteral("阶段45：图标预热因程序退出而停止 — 已处理 0/3")});
    EXPECT_TRUE(QFile::exists(f.disk.filePath("com.example.gone"))) << "the orphan sweep ran after the end";
    EXPECT_FALSE(cache.cachedImage(QStringLiteral("com.example.app0")));
}
