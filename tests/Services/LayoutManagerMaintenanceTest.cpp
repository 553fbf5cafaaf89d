#include "LayoutTestSupport.h"

using namespace corvanta;
using namespace corvanta::test;

namespace {

using Pages = QList<QStringList>;

class LayoutMaintenance : public LayoutHarness {
protected:
    static QList<AppItem> numbered(int count)
    {
        QList<AppItem> out;
        for (int i = 0; i < count; ++i)
            out << app(QStringLiteral("App%1").arg(i));
        return out;
    }
    static QList<QUuid> pageIDs(const TilehallLayout& layout)
    {
        QList<QUuid> ids;
        for (const TilehallPage& p : layout.pages)
            ids << p.id;
        return ids;
    }
};

} // namespace

TEST_F(LayoutMaintenance, RemoveEmptyPages)
{
    const TilehallPage pq = page({app(QStringLiteral("P")), app(QStringLiteral("Q"))});
    const TilehallPage r = page({app(QStringLiteral("R"))});
    LayoutManager& s = storeWithPages({pq, page({}), r, page({})});
    s.removeEmptyPages();
    EXPECT_EQ(pageIDs(s.layout()), (QList<QUuid>{pq.id, r.id}));
    EXPECT_TRUE(s.hasPendingSave());

    LayoutManager& t = storeWithPages({pq, r});
    t.removeEmptyPages();
    EXPECT_FALSE(t.hasPendingSave());

    LayoutManager& u = storeWithPages({page({}), page({}), page({})});
    u.removeEmptyPages();
    EXPECT_EQ(pageNames(u.layout()), (Pages{{}}));
    EXPECT_TRUE(u.hasPendingSave());

    LayoutManager& v = storeWithPages({page({})});
    v.removeEmptyPages();
    EXPECT_FALSE(v.hasPendingSave());
}

TEST_F(LayoutMaintenance, CompactFillsFullPagesWithNewIds)
{
    const QList<AppItem> apps = numbered(36);
    QList<TilehallPage> pages;
    for (const auto& [from, to] : {std::pair{0, 10}, std::pair{10, 30}, std::pair{30, 30}, std::pair{30, 36}}) {
        QList<PageEntry> entries;
        for (int i = from; i < to; ++i)
            entries << PageEntry::app(apps[i]);
        pages << page(entries);
    }
    LayoutManager& s = storeWithPages(pages);
    const QList<QUuid> before = pageIDs(s.layout());
    s.compactPages();
    ASSERT_EQ(s.layout().pages.size(), 2);
    EXPECT_EQ(s.layout().pages[0].entries.size(), 35);
    EXPECT_EQ(s.layout().pages[1].entries[0].id(), apps[35].id);
    EXPECT_EQ(s.layout().allApps(), apps);
    for (const QUuid& id : pageIDs(s.layout()))
        EXPECT_FALSE(before.contains(id));
    EXPECT_TRUE(s.hasPendingSave());

    LayoutManager& t = storeWithPages({page({}), page({})});
    const QUuid old = t.layout().pages[0].id;
    t.compactPages();
    EXPECT_EQ(pageNames(t.layout()), (Pages{{}}));
    EXPECT_NE(t.layout().pages[0].id, old);
}

TEST_F(LayoutMaintenance, ResetRebuildsPagesFromTheScanWithoutHiddenAppsOrFolders)
{
    LayoutManager& empty = makeStore();
    empty.resetLayout();
    EXPECT_EQ(pageNames(empty.layout()), (Pages{{}}));

    const QList<AppItem> scan = numbered(71);
    const TilehallScene scene{QUuid::createUuid(), QStringLiteral("S"),
                              TilehallLayout{{page({folder(QStringLiteral("F"), {scan[0], scan[1]})})}, {scan[70].id}}};
    writeLayoutFile(encodeSceneStore(SceneStore{scene.id, {scene}}));
    LayoutManager& s = makeStore();
    s.updateScannedApps(scan, [](const QString&) { return true; });
    s.resetLayout();
    ASSERT_EQ(s.layout().pages.size(), 2); // 70 visible apps, two full 5 × 7 pages
    EXPECT_EQ(s.layout().pages[1].entries.size(), 35);
    EXPECT_TRUE(s.layout().allGroups().isEmpty());
    EXPECT_EQ(s.layout().hiddenAppIDs, QList<QUuid>{scan[70].id});
    EXPECT_EQ(s.layout().pages[0].entries[0].id(), scan[0].id);
    EXPECT_EQ(s.entry(scan[1].id)->asApp()->name, QStringLiteral("App1"));
}

TEST_F(LayoutMaintenance, SearchByNameOrIdentifier)
{
    LayoutManager& s = makeStore();
    const AppItem safari = makeApp(QStringLiteral("Safari"), QStringLiteral("com.apple.Safari"), QStringLiteral("/A/Safari.app"));
    const AppItem notes = makeApp(QStringLiteral("Notes"), QStringLiteral("com.apple.Notes"), QStringLiteral("/A/Notes.app"));
    const AppItem space = makeApp(QStringLiteral("Visual Studio"), QStringLiteral("com.vs"), QStringLiteral("/A/VS.app"));
    const AppItem cafeComposed = makeApp(QStringLiteral("Caf\u00e9 Bar"), {}, QStringLiteral("/A/Cafe.app"));
    const AppItem cafeDecomposed = makeApp(QStringLiteral("Cafe\u0301 Menu"), {}, QStringLiteral("/A/Cafe2.app"));
    const AppItem wechat = makeApp(QStringLiteral("微信"), QStringLiteral("com.tencent.xinWeChat"), QStringLiteral("/A/WeChat.app"));
    s.updateScannedApps({safari, notes, space, cafeComposed, cafeDecomposed, wechat}, [](const QString&) { return true; });

    const auto names = [&s](const QString& query) {
        QStringList out;
        for (const AppItem& a : s.searchApps(query))
            out << a.name;
        return out;
    };
    const QList<std::pair<QString, QStringList>> cases = {
        {"saf", {"Safari"}},
        {"SAFARI", {"Safari"}},
        {"apple", {"Safari", "Notes"}},
        {"", {}},
        {" ", {"Visual Studio", "Caf\u00e9 Bar", "Cafe\u0301 Menu"}},
        {"caf\u00e9", {"Caf\u00e9 Bar", "Cafe\u0301 Menu"}},
        {"CAFE\u0301", {"Caf\u00e9 Bar", "Cafe\u0301 Menu"}},
        {"cafe ", {}}, // an accent is not dropped
        {"微", {"微信"}},
        {"wechat", {"微信"}},
    };
    for (const auto& [query, expected] : cases)
        EXPECT_EQ(names(query), expected) << query.toStdString();

    // A new scan is searched, not the old one.
    s.updateScannedApps({notes}, [](const QString&) { return true; });
    EXPECT_EQ(names(QStringLiteral("apple")), QStringList{"Notes"});
}
