#include "LayoutTestSupport.h"

#include "common/LogCapture.h"

using namespace corvanta;
using namespace corvanta::test;

namespace {

using Pages = QList<QStringList>;

class LayoutScenes : public LayoutHarness {
protected:
    QStringList sceneNames() const
    {
        QStringList names;
        for (const TilehallScene& scene : store->scenes())
            names << scene.name;
        return names;
    }
    QString backupPath() const { return support.path() + QStringLiteral("/backup.json"); }
    void writeFile(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
};

} // namespace

TEST_F(LayoutScenes, CreateNamesWithTheFirstFreeNumber)
{
    LayoutManager& s = makeStore();
    LogCapture log;
    s.renameScene(s.currentSceneID(), QStringLiteral("场景 1"));
    s.createScene(QStringLiteral("场景 3"));
    s.createScene();
    s.createScene(QStringLiteral(" \t"));
    const QUuid id = s.createScene(QStringLiteral("  Work  "));
    EXPECT_EQ(sceneNames(), (QStringList{"场景 1", "场景 3", "场景 2", "场景 4", "Work"}));
    EXPECT_EQ(s.currentSceneID(), id);
    ASSERT_EQ(s.layout().pages.size(), 1);
    EXPECT_TRUE(s.layout().pages[0].entries.isEmpty());
    EXPECT_TRUE(log.contains(QStringLiteral("阶段62：新建场景 — 「Work」")));
    EXPECT_TRUE(log.contains(QStringLiteral("阶段62：重命名场景 — 「场景 1」")));
}

TEST_F(LayoutScenes, SwitchingKeepsEachScenesEdits)
{
    LayoutManager& s = storeWithPages({page({app(QStringLiteral("A")), app(QStringLiteral("B"))})});
    const QUuid first = s.currentSceneID();
    s.moveEntry({0, 0}, {0, 9});
    const QUuid second = s.createScene(QStringLiteral("Two"));
    LogCapture log;
    s.switchScene(first);
    EXPECT_EQ(pageNames(s.layout()), (Pages{{"B", "A"}}));
    EXPECT_TRUE(log.contains(QStringLiteral("阶段62：切换场景 — 「S」（共 2 个）")));
    s.switchScene(QUuid::createUuid());
    s.switchScene(first);
    EXPECT_EQ(log.count(QStringLiteral("切换场景")), 1);
    s.switchScene(second);
    EXPECT_EQ(pageNames(s.layout()), (Pages{{}}));
}

TEST_F(LayoutScenes, DuplicateCopiesTheWorkingLayoutRightAfterTheSource)
{
    LayoutManager& s = storeWithPages({page({app(QStringLiteral("A")), app(QStringLiteral("B"))})});
    const QUuid first = s.currentSceneID();
    s.createScene(QStringLiteral("Last"));
    s.switchScene(first);
    s.moveEntry({0, 0}, {0, 9}); // not synced into the scene yet
    LogCapture log;
    const std::optional<QUuid> copy = s.duplicateScene();
    ASSERT_TRUE(copy);
    EXPECT_EQ(sceneNames(), (QStringList{"S", "S 副本", "Last"}));
    EXPECT_EQ(s.currentSceneID(), *copy);
    EXPECT_EQ(pageNames(s.scenes()[1].layout), (Pages{{"B", "A"}}));
    EXPECT_EQ(s.scenes()[1].layout.pages[0].id, s.scenes()[0].layout.pages[0].id);
    EXPECT_TRUE(log.contains(QStringLiteral("阶段62：复制场景 — 「S」→「S 副本」")));
    EXPECT_FALSE(s.duplicateScene(QUuid::createUuid()));
}

TEST_F(LayoutScenes, RenameAndDelete)
{
    LayoutManager& s = makeStore();
    const QUuid only = s.currentSceneID();
    EXPECT_FALSE(s.deleteScene(only));
    LogCapture log;
    s.renameScene(only, QStringLiteral("默认"));
    s.renameScene(only, QStringLiteral("   "));
    s.renameScene(QUuid::createUuid(), QStringLiteral("X"));
    EXPECT_TRUE(log.messages().isEmpty());
    EXPECT_FALSE(s.hasPendingSave());

    const QUuid second = s.createScene(QStringLiteral("Two"));
    s.createScene(QStringLiteral("Three"));
    s.switchScene(second);
    EXPECT_FALSE(s.deleteScene(QUuid::createUuid()));
    EXPECT_TRUE(s.deleteScene(second));
    EXPECT_EQ(sceneNames(), (QStringList{"默认", "Three"}));
    EXPECT_EQ(s.currentSceneID(), only);
    EXPECT_TRUE(log.contains(QStringLiteral("阶段62：删除场景 — 「Two」（剩 2 个）")));
}

TEST_F(LayoutScenes, BackupThenRestoreBringsBackScenesAndCurrent)
{
    LayoutManager& s = storeWithPages({page({app(QStringLiteral("A"))})});
    s.createScene(QStringLiteral("Two"));
    const QUuid current = s.createScene(QStringLiteral("Three"));
    ASSERT_FALSE(s.backupLayout(backupPath()));

    LayoutManager& t = makeStore(); // reads the layout file as first written: scene S alone
    EXPECT_EQ(sceneNames(), QStringList{"S"});
    LogCapture log;
    ASSERT_FALSE(t.restoreLayout(backupPath()));
    EXPECT_EQ(sceneNames(), (QStringList{"S", "Two", "Three"}));
    EXPECT_EQ(t.currentSceneID(), current);
    EXPECT_EQ(pageNames(t.scenes()[0].layout), (Pages{{"A"}}));
    EXPECT_TRUE(log.contains(QStringLiteral("阶段62：恢复备份 — 共 3 个场景，当前「Three」")));
    EXPECT_TRUE(t.hasPendingSave());
}

TEST_F(LayoutScenes, RestoreOfAnOlderSingleLayoutFile)
{
    LayoutManager& s = makeStore();
    writeFile(backupPath(), encodeLayout(TilehallLayout{{page({app(QStringLiteral("A"))})}, {}}));
    ASSERT_FALSE(s.restoreLayout(backupPath()));
    EXPECT_EQ(sceneNames(), QStringList{"默认"});
    EXPECT_EQ(pageNames(s.layout()), (Pages{{"A"}}));
}

TEST_F(LayoutScenes, RestoreOfABadFileLeavesEverythingAsItWas)
{
    const TilehallScene orphan{QUuid::createUuid(), QStringLiteral("O"), {{page({})}, {}}};
    const QList<QByteArray> bad = {encodeSceneStore(SceneStore{QUuid::createUuid(), {orphan}}),
                                   QByteArray("{\"hello\":1}"), QByteArray("garbage")};
    LayoutManager& s = storeWithPages({page({app(QStringLiteral("A"))})});
    const QUuid current = s.currentSceneID();
    for (const QByteArray& bytes : bad) {
        writeFile(backupPath(), bytes);
        const std::optional<LayoutFileError> error = s.restoreLayout(backupPath());
        ASSERT_TRUE(error);
        EXPECT_EQ(error->domain, QStringLiteral("Corvanta"));
        EXPECT_EQ(error->code, 1);
        EXPECT_EQ(error->message, QStringLiteral("无法解析备份文件（不是有效的布局或场景备份）"));
    }
    const std::optional<LayoutFileError> missing = s.restoreLayout(support.path() + QStringLiteral("/missing.json"));
    ASSERT_TRUE(missing);
    EXPECT_FALSE(missing->message.isEmpty());
    EXPECT_EQ(s.currentSceneID(), current);
    EXPECT_EQ(pageNames(s.layout()), (Pages{{"A"}}));
    EXPECT_FALSE(s.hasPendingSave());
}

TEST_F(LayoutScenes, BackupThatCannotBeWrittenReportsTheError)
{
    LayoutManager& s = makeStore();
    const std::optional<LayoutFileError> error = s.backupLayout(support.path() + QStringLiteral("/no/such/folder/b.json"));
    ASSERT_TRUE(error);
    EXPECT_FALSE(error->message.isEmpty());
    EXPECT_FALSE(s.hasPendingSave());
}

TEST_F(LayoutScenes, ObserversSeeEveryPublishedChange)
{
    LayoutManager& s = storeWithPages({page({app(QStringLiteral("A")), app(QStringLiteral("B"))})});
    QStringList seen;
    QObject::connect(&s, &LayoutManager::layoutChanged, [&seen] { seen << QStringLiteral("layout"); });
    QObject::connect(&s, &LayoutManager::scenesChanged, [&seen] { seen << QStringLiteral("scenes"); });
    QObject::connect(&s, &LayoutManager::currentSceneIDChanged, [&seen] { seen << QStringLiteral("current"); });
    QObject::connect(&s, &LayoutManager::configChanged, [&seen] { seen << QStringLiteral("config"); });

    s.moveEntry({0, 0}, {0, 1}); // removal and insertion
    EXPECT_EQ(seen, (QStringList{"layout", "layout"}));
    seen.clear();
    s.createScene(QStringLiteral("Two"));
    EXPECT_EQ(seen, (QStringList{"scenes", "scenes", "current", "layout"}));

    LayoutConfig config = s.config();
    config.rows = 3;
    s.setProperty("config", QVariant::fromValue(config));
    EXPECT_EQ(s.property("config").value<LayoutConfig>().rows, 3);
    EXPECT_EQ(s.property("currentSceneID").toUuid(), s.currentSceneID());
    EXPECT_TRUE(seen.endsWith(QStringLiteral("config")));
}
