#include "LayoutTestSupport.h"

#include "common/LogCapture.h"
#include "common/MountNamespace.h"

#include "Models/StoredLimits.h"

#include <cerrno>
#include <cstring>
#include <sys/mount.h>


using namespace corvanta;
using namespace corvanta::test;

namespace {

class LayoutLoad : public LayoutHarness {
protected:
    QStringList setAsideFiles() const
    {
        return QDir(support.path() + QStringLiteral("/Corvanta"))
            .entryList({QStringLiteral("layout-rejected-*")}, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    }
    const QString settingsKey = QString::fromLatin1(LayoutManager::settingsKey);
    const QString legacyKey = QString::fromLatin1(LayoutManager::legacySettingsKey);
};

} // namespace

TEST_F(LayoutLoad, FirstStartHasOneEmptySceneAndWritesNothingUntilSaved)
{
    LayoutManager& s = makeStore();
    EXPECT_EQ(s.config(), LayoutConfig{});
    ASSERT_EQ(s.scenes().size(), 1);
    EXPECT_EQ(s.scenes()[0].name, QStringLiteral("默认"));
    EXPECT_EQ(s.currentSceneID(), s.scenes()[0].id);
    ASSERT_EQ(s.layout().pages.size(), 1);
    EXPECT_TRUE(s.layout().pages[0].entries.isEmpty());
    scheduler.advance(5);
    EXPECT_FALSE(QFile::exists(layoutPath()));
    EXPECT_EQ(defaults.writeCount(), 0);
}

TEST_F(LayoutLoad, BurstOfSavesGivesOneWriteHalfASecondAfterTheLast)
{
    LayoutManager& s = makeStore();
    int scenesChanges = 0;
    QObject::connect(&s, &LayoutManager::scenesChanged, [&scenesChanges] { ++scenesChanges; });
    s.save();
    scheduler.advance(0.3);
    s.save();
    scheduler.advance(0.49);
    EXPECT_FALSE(QFile::exists(layoutPath()));
    EXPECT_EQ(defaults.writeCount(), 0);
    scheduler.advance(0.01);
    EXPECT_DOUBLE_EQ(scheduler.now(), 0.8);
    EXPECT_TRUE(QFile::exists(layoutPath()));
    EXPECT_EQ(defaults.writeCount(), 1);
    EXPECT_EQ(scenesChanges, 1); // every write syncs the current scene
    scheduler.advance(10);
    EXPECT_EQ(defaults.writeCount(), 1);

    const std::optional<SceneStore> written = storedScenes();
    ASSERT_TRUE(written);
    EXPECT_EQ(written->currentSceneID, s.currentSceneID());
    EXPECT_TRUE(defaults.data(settingsKey).has_value());
}

TEST_F(LayoutLoad, PendingWriteDoesNothingOnceTheStoreIsGone)
{
    makeStore().save();
    store.reset();
    scheduler.advance(1);
    EXPECT_FALSE(QFile::exists(layoutPath()));
}

TEST_F(LayoutLoad, LegacySingleLayoutFileBecomesOneSceneAndIsRewrittenAsScenes)
{
    const AppItem safari = app(QStringLiteral("Safari"));
    const QUuid hidden = QUuid::createUuid();
    const TilehallPage first = page({safari});
    writeLayoutFile(encodeLayout(TilehallLayout{{first, page({})}, {hidden}}));
    LogCapture log;

    LayoutManager& s = makeStore();
    ASSERT_EQ(s.scenes().size(), 1);
    EXPECT_EQ(s.scenes()[0].name, QStringLiteral("默认"));
    EXPECT_EQ(s.layout().pages.size(), 2);
    EXPECT_EQ(s.layout().pages[0], first);
    EXPECT_EQ(s.layout().hiddenAppIDs, QList<QUuid>{hidden});
    EXPECT_TRUE(log.contains(QStringLiteral("阶段62：layout.json 不是场景集合格式（旧版或损坏），将按旧布局迁移 — ")));

    s.save();
    scheduler.advance(0.5);
    const std::optional<SceneStore> written = storedScenes();
    ASSERT_TRUE(written);
    EXPECT_EQ(written->scenes[0].layout.pages[0], first);
    EXPECT_TRUE(setAsideFiles().isEmpty()); // an accepted file is migrated, not set aside
}

TEST_F(LayoutLoad, StoreWhoseCurrentSceneIsNotFirstKeepsIt)
{
    const TilehallScene a{QUuid::createUuid(), QStringLiteral("A"), {{page({})}, {}}};
    const TilehallScene b{QUuid::createUuid(), QStringLiteral("B"), {{page({app(QStringLiteral("X"))})}, {}}};
    writeLayoutFile(encodeSceneStore(SceneStore{b.id, {a, b}}));
    LayoutManager& s = makeStore();
    EXPECT_EQ(s.currentSceneID(), b.id);
    EXPECT_EQ(s.layout().pages, b.layout.pages);
}

// A file that is not accepted falls back to the default scene, is kept under a new name before the
// first write replaces it, and the copy never overwrites an earlier one.
TEST_F(LayoutLoad, RejectedFileIsSetAsideThenReplaced)
{
    const TilehallScene orphan{QUuid::createUuid(), QStringLiteral("A"), {{page({})}, {}}};
    const QByteArray wrongCurrent = encodeSceneStore(SceneStore{QUuid::createUuid(), {orphan}});
    const QByteArray noScenes = encodeSceneStore(SceneStore{QUuid::createUuid(), {}});
    for (const QByteArray& bytes : {QByteArray("{not json"), QByteArray("[]"), wrongCurrent, noScenes}) {
        SCOPED_TRACE(bytes.left(40).toStdString());
        QDir(support.path() + QStringLiteral("/Corvanta")).removeRecursively();
        writeLayoutFile(bytes);
        LogCapture log;
        LayoutManager& s = makeStore();
        EXPECT_EQ(s.scenes().size(), 1);
        EXPECT_EQ(s.scenes()[0].name, QStringLiteral("默认"));
        EXPECT_EQ(readLayoutFile(), bytes); // nothing written at construction
        EXPECT_TRUE(setAsideFiles().isEmpty());

        s.performSave();
        const QStringList copies = setAsideFiles();
        ASSERT_EQ(copies.size(), 1);
        QFile copy(support.path() + QStringLiteral("/Corvanta/") + copies[0]);
        ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
        EXPECT_EQ(copy.readAll(), bytes);
        EXPECT_TRUE(log.contains(copies[0]));
        EXPECT_TRUE(storedScenes().has_value());

        // Only once: the next write replaces the file the store wrote itself.
        s.performSave();
        EXPECT_EQ(setAsideFiles().size(), 1);

        // A second rejection within the same second gets its own name.
        writeLayoutFile(bytes);
        makeStore().performSave();
        EXPECT_EQ(setAsideFiles().size(), 2);
    }
}

TEST_F(LayoutLoad, UnreadableFileIsMovedAsideWhole)
{
    QDir().mkpath(layoutPath()); // a folder where the file should be cannot be read as one
    LayoutManager& s = makeStore();
    s.performSave();
    EXPECT_EQ(setAsideFiles().size(), 1);
    EXPECT_TRUE(storedScenes().has_value());
}

TEST_F(LayoutLoad, FailedWriteIsPrintedAndSettingsStillWritten)
{
    LayoutManager& s = makeStore();
    QDir().mkpath(layoutPath() + QStringLiteral("/blocker")); // appears after loading
    LogCapture log;
    testing::internal::CaptureStdout();
    s.performSave();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.rfind("Failed to save layout: ", 0), 0u) << out;
    EXPECT_TRUE(log.contains(QStringLiteral("Failed to save layout: "))) << log.messages().join('\n').toStdString();
    EXPECT_TRUE(defaults.data(settingsKey).has_value());
}

TEST_F(LayoutLoad, SettingsMigrationFromTheEarlierKey)
{
    LayoutConfig custom;
    custom.rows = 4;
    custom.theme = TilehallTheme::dark;
    const QByteArray valid = encodeLayoutConfig(custom);

    struct Case {
        const char* name;
        std::optional<QByteArray> current, legacy;
        int expectedRows;
        bool legacyRemains;
        std::optional<QByteArray> currentAfter;
    };
    const QList<Case> cases = {
        {"only earlier key, decodable: moved at once", std::nullopt, valid, 4, false, valid},
        {"current undecodable: defaults, earlier key ignored", QByteArray("x"), valid, 5, true, QByteArray("x")},
        {"only earlier key, undecodable: left in place", std::nullopt, QByteArray("{\"rows\":\"x\"}"), 5, true, std::nullopt},
        {"current key wins", valid, encodeLayoutConfig(LayoutConfig{}), 4, true, valid},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        defaults = InMemoryUserDefaults();
        if (c.current)
            defaults.setData(settingsKey, *c.current);
        if (c.legacy)
            defaults.setData(legacyKey, *c.legacy);
        LayoutManager& s = makeStore();
        EXPECT_EQ(s.config().rows, c.expectedRows);
        EXPECT_EQ(defaults.contains(legacyKey), c.legacyRemains);
        EXPECT_EQ(defaults.data(settingsKey), c.currentAfter);
    }
}

TEST_F(LayoutLoad, UndecodableSettingsAreKeptBesideTheLayoutAndLogged)
{
    const QByteArray undecodable("{\"rows\":\"four\"}");
    defaults.setData(settingsKey, undecodable);
    LogCapture log;
    LayoutManager& s = makeStore();
    EXPECT_EQ(s.config(), LayoutConfig{});
    const QStringList copies = QDir(support.path() + QStringLiteral("/Corvanta"))
                                   .entryList({QStringLiteral("settings-rejected-*.json")}, QDir::Files);
    ASSERT_EQ(copies.size(), 1);
    QFile copy(support.path() + QStringLiteral("/Corvanta/") + copies[0]);
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), undecodable);
    int warnings = 0;
    for (const auto& entry : log.entries())
        warnings += entry.level == LogLevel::Warning && entry.message.contains(copies[0]) ? 1 : 0;
    EXPECT_EQ(warnings, 1) << log.messages().join('\n').toStdString();
}

// A layout file past the size limit is not read but set aside; names past the name limit are cut,
// whether read from the file or typed.
TEST_F(LayoutLoad, SizesAreBounded)
{
    const QString longName(5'000'000, u'N');
    AppItem notes = app(QStringLiteral("Notes"));
    notes.name = longName;
    const AppGroup tools = folder(QString(300, u'F'), {app(QStringLiteral("A")), app(QStringLiteral("B"))});
    {
        LogCapture log;
        LayoutManager& s = storeWithPages({page({notes, tools})});
        const QList<PageEntry>& entries = s.layout().pages.at(0).entries;
        EXPECT_EQ(entries.at(0).asApp()->name, QString(256, u'N'));
        EXPECT_EQ(entries.at(1).asGroup()->name, QString(256, u'F'));
        EXPECT_TRUE(log.contains(QStringLiteral("布局中有 2 个名称超过 256 个字符，已截断")))
            << log.messages().join('\n').toStdString();

        s.renameScene(s.currentSceneID(), longName);
        EXPECT_EQ(s.scenes().at(0).name, QString(256, u'N'));
        // A surrogate pair is never split.
        s.renameGroup(entries.at(1).id(), QString(255, u'x') + QString::fromUcs4(U"\U0001F600"));
        EXPECT_EQ(s.layout().pages.at(0).entries.at(1).asGroup()->name, QString(255, u'x'));
        EXPECT_EQ(log.count(QStringLiteral("名称过长")), 2);
    }

    QByteArray oversized = readLayoutFile();
    oversized.append(QByteArray(StoredLimits::maxLayoutFileBytes - oversized.size() + 1, ' '));
    writeLayoutFile(oversized);
    LogCapture log;
    LayoutManager& s = makeStore();
    EXPECT_EQ(s.scenes().size(), 1);
    EXPECT_EQ(s.scenes()[0].name, QStringLiteral("默认"));
    EXPECT_TRUE(log.contains(QStringLiteral("layout.json 过大"))) << log.messages().join('\n').toStdString();
    s.performSave();
    EXPECT_EQ(setAsideFiles().size(), 1);
}

// What a start would refuse is never written: the file the last start read stays, and the failed
// save is said.
TEST_F(LayoutLoad, LayoutTooLargeToReadBackIsNotWritten)
{
    // About 18 MB in one scene: a second copy of it takes the store past what a start reads.
    QList<PageEntry> entries;
    for (int i = 0; i < 20'000; ++i) {
        AppItem item = app(QString(250, u'N') + QString::number(i));
        item.bundleIdentifier = QString(240, u'k') + QString::number(i);
        item.url = QUrl::fromLocalFile(QStringLiteral("/Applications/") + QString(300, u'p') + QString::number(i)
                                       + QStringLiteral(".app"));
        entries.append(PageEntry(item));
    }
    LayoutManager& s = storeWithPages({page(entries)});
    const QByteArray before = readLayoutFile();
    ASSERT_LT(before.size(), StoredLimits::maxLayoutFileBytes);
    ASSERT_GT(before.size() * 2, StoredLimits::maxLayoutFileBytes);
    ASSERT_TRUE(s.duplicateScene());
    LogCapture log;
    testing::internal::CaptureStdout();
    s.performSave();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.rfind("Failed to save layout: ", 0), 0u) << out;
    EXPECT_TRUE(log.contains(QStringLiteral("Failed to save layout: the layout would take "))) << log.messages().join('\n').toStdString();
    EXPECT_EQ(readLayoutFile(), before);
    // Nor is a backup written that a restore would refuse.
    const QString backup = support.path() + QStringLiteral("/backup.json");
    const std::optional<LayoutFileError> refused = s.backupLayout(backup);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->message, QStringLiteral("布局过大（上限 32 MB），未写入备份"));
    EXPECT_FALSE(QFileInfo::exists(backup));

    LayoutManager& next = makeStore();
    ASSERT_EQ(next.scenes().size(), 1);
    EXPECT_EQ(next.scenes()[0].name, QStringLiteral("S"));
    EXPECT_EQ(next.layout().pages.at(0).entries.size(), 20'000);
}

// A file written by an earlier version may hold identifiers of megabytes: they are dropped where
// the file is read, so copies of the scene stay a layout the next start reads.
TEST_F(LayoutLoad, OverlongIdentifiersAreDroppedSoCopiedScenesReadBack)
{
    AppItem huge = app(QStringLiteral("Huge"));
    huge.bundleIdentifier = QString(7'500'000, u'i');
    AppItem longest = app(QStringLiteral("Longest"));
    longest.bundleIdentifier = QString(255, u'k');
    LogCapture log;
    LayoutManager& s = storeWithPages({page({huge, folder(QStringLiteral("F"), {huge, longest})})});
    EXPECT_TRUE(log.contains(QStringLiteral("布局中有 2 个应用标识符超过 255 个字符，已去掉"))) << log.messages().join('\n').toStdString();
    const QList<PageEntry>& entries = s.layout().pages.at(0).entries;
    EXPECT_EQ(entries.at(0).asApp()->bundleIdentifier, QString());
    EXPECT_EQ(entries.at(1).asGroup()->apps.at(0).bundleIdentifier, QString());
    EXPECT_EQ(entries.at(1).asGroup()->apps.at(1).bundleIdentifier, longest.bundleIdentifier);
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(s.duplicateScene());
    s.performSave();
    for (int start = 0; start < 2; ++start) {
        LogCapture again;
        LayoutManager& next = makeStore();
        EXPECT_EQ(next.scenes().size(), 5);
        EXPECT_EQ(next.layout().pages.at(0).entries.at(0).asApp()->name, QStringLiteral("Huge"));
        EXPECT_FALSE(again.contains(QStringLiteral("layout.json 过大")));
        next.performSave();
    }
    EXPECT_TRUE(setAsideFiles().isEmpty());
}

// A write killed midway leaves a temporary as large as the layout; the next start clears it.
TEST_F(LayoutLoad, TemporaryOfAWriteCutShortIsRemovedAtTheNextStart)
{
    const QString folder = support.path() + QStringLiteral("/Corvanta");
    QDir().mkpath(folder);
    const QString leftover = folder + QStringLiteral("/.layout.json.3kq7z1m0x2p.tmp");
    QFile file(leftover);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(2 * 1024 * 1024, '{'));
    file.close();
    LogCapture log;
    makeStore();
    EXPECT_FALSE(QFileInfo::exists(leftover));
    EXPECT_TRUE(log.contains(QStringLiteral("已清理中断写入留下的 layout.json 临时文件 1 个"))) << log.messages().join('\n').toStdString();
}

// The arrangement comes before any cache: a save that finds the disk full has room made for it
// and is tried once more.
TEST_F(LayoutLoad, ASaveOnAFullDiskHasRoomMadeAndIsTriedAgain)
{
    const QString folder = support.path() + QStringLiteral("/Corvanta");
    QDir().mkpath(folder);
    const test::NamespaceRun run = test::runInOwnMountNamespace([&]() -> std::string {
        if (::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, "size=64k") != 0)
            return std::string("cannot mount a tmpfs: ") + std::strerror(errno);
        const QString filler = folder + QStringLiteral("/cache-filler");
        int madeRoom = 0;
        LayoutManager::Dependencies deps = dependencies();
        deps.makeRoom = [&] {
            ++madeRoom;
            QFile::remove(filler);
        };
        const TilehallScene scene{QUuid::createUuid(), QStringLiteral("S"), {{page({app(QStringLiteral("Kept"))})}, {}}};
        QFile layout(layoutPath());
        if (!layout.open(QIODevice::WriteOnly) || layout.write(encodeSceneStore(SceneStore{scene.id, {scene}})) <= 0)
            return std::string("cannot write the layout");
        layout.close();
        LayoutManager s(deps);
        s.renameScene(scene.id, QStringLiteral("Renamed"));
        QFile file(filler);
        file.open(QIODevice::WriteOnly);
        const QByteArray block(1024, 'f');
        while (file.write(block) == block.size() && file.flush()) {
        }
        file.close();
        s.performSave();
        std::string failures;
        if (madeRoom != 1)
            failures += "room made " + std::to_string(madeRoom) + " times\n";
        const std::optional<SceneStore> written = storedScenes();
        if (!written || !readLayoutFile().contains("\"Kept\"") || written->scenes.at(0).name != QStringLiteral("Renamed"))
            failures += "the layout was not written\n";
        return failures;
    });
    if (!run.ran)
        GTEST_SKIP() << run.failures;
    EXPECT_EQ(run.failures, "");
}

TEST_F(LayoutLoad, IconSpacingOfExactly48IsRepairedAndSaved)
{
    for (double spacing : {48.0, 47.5, 48.5}) {
        SCOPED_TRACE(spacing);
        LayoutConfig config;
        config.iconSpacing = spacing;
        defaults = InMemoryUserDefaults();
        defaults.setData(settingsKey, encodeLayoutConfig(config));
        LayoutManager& s = makeStore();
        const bool repaired = spacing == 48.0;
        EXPECT_EQ(s.config().iconSpacing, repaired ? 36.0 : spacing);
        EXPECT_EQ(s.hasPendingSave(), repaired);
        scheduler.advance(0.5);
        EXPECT_EQ(defaults.writeCount(), repaired ? 2 : 1);
    }
}

TEST_F(LayoutLoad, TestSupportFolderFromTheEnvironment)
{
    QTemporaryDir other;
    const QString folder = other.path() + QStringLiteral("/nested");
    qputenv(LayoutManager::testSupportDirVariable, folder.toUtf8());
    LayoutManager& s = makeStore();
    EXPECT_EQ(s.layoutFilePath(), folder + QStringLiteral("/Corvanta/layout.json"));
    EXPECT_TRUE(QFileInfo(folder + QStringLiteral("/Corvanta")).isDir());
    s.performSave();
    qunsetenv(LayoutManager::testSupportDirVariable);
    EXPECT_TRUE(QFile::exists(folder + QStringLiteral("/Corvanta/layout.json")));
    EXPECT_FALSE(QFile::exists(layoutPath()));
    EXPECT_TRUE(defaults.data(settingsKey).has_value());
}
