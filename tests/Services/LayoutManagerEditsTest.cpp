#include "LayoutTestSupport.h"

#include "Support/Constants.h"
#include "common/LogCapture.h"

using namespace corvanta;
using namespace corvanta::test;

namespace {

using Pages = QList<QStringList>;

class LayoutEdits : public LayoutHarness {
protected:
    void SetUp() override
    {
        for (const char* name : {"A", "B", "C", "D", "E", "F"})
            apps.append(app(QString::fromLatin1(name)));
    }
    const AppItem& a(int i) const { return apps[i]; }
    QList<AppItem> apps;
};

} // namespace

TEST_F(LayoutEdits, MoveEntry)
{
    struct Case {
        const char* name;
        IndexPath from, to;
        Pages expected;
    };
    constexpr qsizetype kMax = std::numeric_limits<qsizetype>::max();
    const Pages unchanged{{"A", "B", "C", "D", "E"}, {"F"}};
    const QList<Case> cases = {
        {"within a page, index counted without the moved entry", {0, 1}, {0, 3}, {{"A", "C", "D", "B", "E"}, {"F"}}},
        {"to another page", {0, 0}, {1, 0}, {{"B", "C", "D", "E"}, {"A", "F"}}},
        {"index past the end appends", {1, 0}, {0, kMax}, {{"A", "B", "C", "D", "E", "F"}, {}}},
        {"page equal to the page count", {0, 0}, {2, 0}, unchanged},
        {"source item out of range", {1, 1}, {0, 0}, unchanged},
        {"negative source page", {-1, 0}, {0, 0}, unchanged},
        {"negative source item", {0, -1}, {0, 0}, unchanged},
        {"negative target page", {0, 0}, {-1, 0}, unchanged},
        {"negative target item", {0, 0}, {0, -2}, unchanged},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LayoutManager& s = storeWithPages({page({a(0), a(1), a(2), a(3), a(4)}), page({a(5)})});
        s.moveEntry(c.from, c.to);
        EXPECT_EQ(pageNames(s.layout()), c.expected);
        EXPECT_EQ(s.hasPendingSave(), c.expected != unchanged);
    }
}

TEST_F(LayoutEdits, MergeAppOntoAppMakesAFolderInTheTargetsPlace)
{
    LayoutManager& s = storeWithPages({page({a(0), a(1), a(2), a(3)})});
    LogCapture log;
    const std::optional<QUuid> id = s.mergeEntries(a(1).id, a(2).id);
    ASSERT_TRUE(id);
    EXPECT_EQ(pageNames(s.layout()), (Pages{{"A", "C: C, B", "D"}}));
    const AppGroup& made = *s.layout().pages[0].entries[1].asGroup();
    EXPECT_EQ(made.id, *id);
    EXPECT_FALSE(made.isSystemUtilitiesFolder);
    EXPECT_TRUE(log.contains(QStringLiteral("阶段36：合并文件夹 — 目标=C ← 拖动=B，成员数=2")));
    EXPECT_TRUE(s.hasPendingSave());
}

// Names come from other people's bundles: placeholders in them are text like any other.
TEST_F(LayoutEdits, NamesHoldingPlaceholdersAreLoggedAsTheyAre)
{
    const AppItem percent = app(QStringLiteral("Tool %1 %2")), other = app(QStringLiteral("Calc %3"));
    const AppGroup pair = folder(QStringLiteral("Box %1"), {app(QStringLiteral("Left")), app(QStringLiteral("Right %2"))});
    LayoutManager& s = storeWithPages({page({PageEntry::app(percent), PageEntry::app(other), pair})});
    LogCapture log;
    ASSERT_TRUE(s.mergeEntries(percent.id, other.id));
    EXPECT_TRUE(log.contains(QStringLiteral("阶段36：合并文件夹 — 目标=Calc %3 ← 拖动=Tool %1 %2，成员数=2"))) << log.messages().join('\n').toStdString();
    s.extractFromGroup(pair.apps[1].id, pair.id);
    EXPECT_TRUE(log.contains(QStringLiteral("阶段37：从文件夹拖出 — Right %2（「Box %1」只剩 1 项）"))) << log.messages().join('\n').toStdString();
}

TEST_F(LayoutEdits, MergeFolderOntoAppAndAppOntoFolder)
{
    const AppGroup work = folder(QStringLiteral("Work"), {a(1), a(2)});
    LayoutManager& s = storeWithPages({page({a(0), work, a(3)})});
    // The dropped folder's name and id are not carried over.
    const std::optional<QUuid> made = s.mergeEntries(work.id, a(3).id);
    EXPECT_EQ(pageNames(s.layout()), (Pages{{"A", "D: D, B, C"}}));
    EXPECT_NE(made, work.id);

    // A member already in the folder is not added twice; the dragged cell still goes.
    const PageEntry duplicate = PageEntry::app(a(1));
    LayoutManager& t = storeWithPages({page({work, duplicate, a(0)})});
    EXPECT_EQ(t.mergeEntries(a(1).id, work.id), work.id);
    EXPECT_EQ(pageNames(t.layout()), (Pages{{"Work: B, C", "A"}}));
    EXPECT_EQ(t.mergeEntries(a(0).id, work.id), work.id);
    EXPECT_EQ(pageNames(t.layout()), (Pages{{"Work: B, C, A"}}));
}

TEST_F(LayoutEdits, MergeWithUnknownOrEqualIdsChangesNothing)
{
    const AppGroup work = folder(QStringLiteral("Work"), {a(1), a(2)});
    LayoutManager& s = storeWithPages({page({a(0), work})});
    EXPECT_FALSE(s.mergeEntries(a(0).id, a(0).id));
    EXPECT_FALSE(s.mergeEntries(QUuid::createUuid(), a(0).id));
    EXPECT_FALSE(s.mergeEntries(a(1).id, a(0).id)); // members take no part
    EXPECT_EQ(pageNames(s.layout()), (Pages{{"A", "Work: B, C"}}));
    EXPECT_FALSE(s.hasPendingSave());
}

TEST_F(LayoutEdits, ExtractFromGroup)
{
    LayoutConfig oneRow;
    oneRow.rows = 1;
    oneRow.columns = 2;
    // Second-to-last member: lands after the folder, then the folder dissolves.
    LayoutManager& s = storeWithPages({page({folder(QStringLiteral("Pair"), {a(0), a(1)}), a(2)})}, oneRow);
    const QUuid pairID = s.layout().pages[0].entries[0].id();
    LogCapture log;
    s.extractFromGroup(a(0).id, pairID);
    EXPECT_EQ(pageNames(s.layout()), (Pages{{"B", "A", "C"}})); // over the page's capacity of 2
    EXPECT_TRUE(log.contains(QStringLiteral("阶段37：从文件夹拖出 — A（「Pair」只剩 1 项）")));
    EXPECT_TRUE(log.contains(QStringLiteral("阶段107：单成员文件夹自动解散 ×1，app 回到网格")));
    EXPECT_TRUE(s.hasPendingSave());

    // The only member takes the folder's place; the Utilities folder keeps a single member.
    AppGroup utilities{AppConstants::systemUtilitiesFolderID, QStringLiteral("Utilities"), {a(3), a(4)}, true};
    const AppGroup single = folder(QStringLiteral("One"), {a(5)});
    LayoutManager& t = storeWithPages({page({single, utilities})});
    t.extractFromGroup(a(5).id, single.id);
    t.extractFromGroup(a(3).id, utilities.id);
    EXPECT_EQ(pageNames(t.layout()), (Pages{{"F", "Utilities: E", "D"}}));

    // Unknown app, unknown folder, an app that is not a member, or an app entry as the folder.
    LayoutManager& u = storeWithPages({page({folder(QStringLiteral("G"), {a(0), a(1)}), a(2)})});
    const QUuid g = u.layout().pages[0].entries[0].id();
    u.extractFromGroup(QUuid::createUuid(), g);
    u.extractFromGroup(a(0).id, QUuid::createUuid());
    u.extractFromGroup(a(2).id, g);
    u.extractFromGroup(a(0).id, a(2).id);
    EXPECT_EQ(pageNames(u.layout()), (Pages{{"G: A, B", "C"}}));
    EXPECT_FALSE(u.hasPendingSave());
}

TEST_F(LayoutEdits, RenameGroup)
{
    const AppGroup work = folder(QStringLiteral("Work"), {a(0), a(1)});
    LayoutManager& s = storeWithPages({page({work})});
    s.renameGroup(work.id, QStringLiteral("  \n"));
    s.renameGroup(work.id, QStringLiteral(" Work\t"));
    s.renameGroup(a(0).id, QStringLiteral("X"));
    EXPECT_FALSE(s.hasPendingSave());
    s.renameGroup(work.id, QStringLiteral("  Play "));
    EXPECT_EQ(s.layout().pages[0].entries[0].asGroup()->name, QStringLiteral("Play"));
    EXPECT_TRUE(s.hasPendingSave());
}

TEST_F(LayoutEdits, RemoveAppEverywhere)
{
    AppGroup utilities{AppConstants::systemUtilitiesFolderID, QStringLiteral("Utilities"), {a(0)}, true};
    const AppGroup pair = folder(QStringLiteral("Pair"), {a(1), a(2)});
    AppGroup twoUtilities = utilities;
    twoUtilities.apps.append(a(3));
    LayoutManager& s = storeWithPages({page({utilities, pair, a(4)}), page({a(5)})});
    s.updateScannedApps({a(0), a(1), a(2), a(4), a(5)}, [](const QString&) { return true; });
    const qsizetype scanned = s.allScannedApps().size();

    s.removeApp(a(0).id); // the Utilities folder's last member: the folder goes
    s.removeApp(a(1).id); // a folder of two: the other member returns to the grid
    s.removeApp(a(5).id); // the last page empties and goes
    EXPECT_EQ(pageNames(s.layout()), (Pages{{"C", "E"}}));
    EXPECT_EQ(s.allScannedApps().size(), scanned - 3);
    EXPECT_TRUE(s.searchApps(QStringLiteral("F")).isEmpty());

    LayoutManager& t = storeWithPages({page({twoUtilities})});
    t.removeApp(a(0).id);
    EXPECT_EQ(pageNames(t.layout()), (Pages{{"Utilities: D"}}));
    EXPECT_TRUE(t.hasPendingSave());
}

TEST_F(LayoutEdits, RemovedAppLeavesEveryScene)
{
    // The other scene holds the application twice: under its id, and under another id given by a
    // scan made while that scene was current (same bundle), inside a folder of two.
    AppItem rescanned = a(0);
    rescanned.id = QUuid::createUuid();
    const TilehallScene current{QUuid::createUuid(), QStringLiteral("S1"), TilehallLayout{{page({a(0), a(1)})}, {}}};
    const TilehallScene other{QUuid::createUuid(), QStringLiteral("S2"),
                              TilehallLayout{{page({folder(QStringLiteral("Pair"), {rescanned, a(2)}), a(3)}), page({a(0)})}, {}}};
    writeLayoutFile(encodeSceneStore(SceneStore{current.id, {current, other}}));
    LayoutManager& s = makeStore();

    s.removeApp(a(0).id);
    EXPECT_EQ(pageNames(s.layout()), (Pages{{"B"}}));
    s.switchScene(other.id);
    EXPECT_EQ(pageNames(s.layout()), (Pages{{"C", "D"}}));
    s.switchScene(current.id);
    EXPECT_EQ(pageNames(s.layout()), (Pages{{"B"}}));
}
