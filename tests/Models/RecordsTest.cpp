#include "Models/SceneStore.h"

#include <QSet>

#include <gtest/gtest.h>

using namespace corvanta;

namespace {

AppItem app(const QString& name, const QString& path = QString())
{
    return AppItem{QUuid::createUuid(), name, QStringLiteral("com.example.") + name,
                   QUrl::fromLocalFile(path.isEmpty() ? QStringLiteral("/Applications/%1.app").arg(name) : path), std::nullopt, false};
}

AppGroup folder(const QString& name, QList<AppItem> apps)
{
    return AppGroup{QUuid::createUuid(), name, std::move(apps), false};
}

QStringList names(const QList<AppItem>& apps)
{
    QStringList result;
    for (const AppItem& a : apps)
        result.append(a.name);
    return result;
}

} // namespace

TEST(AppItem, PathIsTheSameHoweverTheUrlWasWritten)
{
    const struct {
        QUrl url;
        QString path;
    } cases[] = {
        {QUrl::fromLocalFile(QStringLiteral("/Applications/My App.app/")), QStringLiteral("/Applications/My App.app")},
        {QUrl::fromLocalFile(QStringLiteral("/Applications/My App.app")), QStringLiteral("/Applications/My App.app")},
        {QUrl(QStringLiteral("file:///Applications/My%20App.app/")), QStringLiteral("/Applications/My App.app")},
        {QUrl(QStringLiteral("file:///Applications/%E8%AE%A1%E7%AE%97.app")), QStringLiteral("/Applications/计算.app")},
        {QUrl(QStringLiteral("file:///Applications/A.app//")), QStringLiteral("/Applications/A.app")},
        {QUrl(QStringLiteral("file:///")), QStringLiteral("/")},
        {QUrl::fromLocalFile(QStringLiteral("/")), QStringLiteral("/")},
    };
    for (const auto& c : cases) {
        AppItem item;
        item.url = c.url;
        EXPECT_EQ(item.path(), c.path) << c.url.toString().toStdString();
    }
}

TEST(AppItem, EqualityAndHashCoverEveryField)
{
    const AppItem base = app(QStringLiteral("Calc"));
    QList<AppItem> variants;
    for (int i = 0; i < 6; ++i)
        variants.append(base);
    variants[0].name = QStringLiteral("Calculator"); // same id, other name
    variants[1].bundleIdentifier.clear();
    variants[2].url = QUrl::fromLocalFile(QStringLiteral("/Applications/Calc.app/"));
    variants[3].iconPath = QString(); // present but empty differs from absent
    variants[4].isHidden = true;
    variants[5].id = QUuid::createUuid();
    QSet<size_t> hashes{qHash(base)};
    for (const AppItem& variant : variants) {
        EXPECT_NE(variant, base);
        hashes.insert(qHash(variant));
    }
    EXPECT_EQ(hashes.size(), variants.size() + 1);
    EXPECT_EQ(qHash(AppItem(base)), qHash(base));

    // An application and a folder never compare equal, even with one id.
    const AppGroup group{base.id, base.name, {}, false};
    EXPECT_NE(PageEntry(base), PageEntry(group));
    EXPECT_NE(qHash(PageEntry(base)), qHash(PageEntry(group)));
    EXPECT_NE(group, (AppGroup{base.id, base.name, {}, true}));
    EXPECT_NE(group, (AppGroup{base.id, base.name, {base}, false}));
}

TEST(PageEntry, IdAndContainedApps)
{
    const AppItem calc = app(QStringLiteral("Calc"));
    const AppGroup tools = folder(QStringLiteral("Tools"), {app(QStringLiteral("A")), app(QStringLiteral("B"))});
    EXPECT_EQ(PageEntry(calc).id(), calc.id);
    EXPECT_EQ(PageEntry(tools).id(), tools.id);
    EXPECT_EQ(PageEntry(calc).containedApps(), QList<AppItem>{calc});
    EXPECT_EQ(PageEntry(tools).containedApps(), tools.apps);
    EXPECT_EQ(tools.appIDs(), (QList<QUuid>{tools.apps[0].id, tools.apps[1].id}));
}

TEST(TilehallLayout, QueriesWalkPagesEntriesAndFolders)
{
    const AppItem a = app(QStringLiteral("A"));
    const AppItem b = app(QStringLiteral("B"));
    const AppItem inner1 = app(QStringLiteral("Inner1"));
    const AppItem inner2 = app(QStringLiteral("Inner2"));
    const AppItem c = app(QStringLiteral("C"));
    const AppGroup first = folder(QStringLiteral("F1"), {inner1});
    const AppGroup second = folder(QStringLiteral("F2"), {inner2});
    AppItem twin = b;
    twin.name = QStringLiteral("B twin");
    const TilehallLayout layout{{TilehallPage{QUuid::createUuid(), {PageEntry(a), PageEntry(first), PageEntry(b)}},
                                 TilehallPage{QUuid::createUuid(), {PageEntry(second), PageEntry(c), PageEntry(twin)}}},
                                {}};

    EXPECT_EQ(names(layout.allApps()), (QStringList{"A", "B", "C", "B twin"}));
    EXPECT_EQ(layout.allGroups(), (QList<AppGroup>{first, second}));
    EXPECT_EQ(names(layout.allAppsIncludingGroups()), (QStringList{"A", "B", "C", "B twin", "Inner1", "Inner2"}));
    EXPECT_EQ(layout.findApp(inner2.id), inner2) << "found inside a folder";
    EXPECT_EQ(layout.findApp(b.id), b) << "the first of two with one id";
    EXPECT_FALSE(layout.findApp(QUuid::createUuid()));
    EXPECT_FALSE(TilehallLayout{}.findApp(a.id));
}

TEST(SceneStore, CurrentSceneFallsBackToTheFirst)
{
    const TilehallScene one{QUuid::createUuid(), QStringLiteral("One"), {}};
    const TilehallScene two{QUuid::createUuid(), QStringLiteral("Two"), {}};
    EXPECT_EQ(SceneStore({two.id, {one, two}}).currentScene().name, QStringLiteral("Two"));
    EXPECT_EQ(SceneStore({QUuid::createUuid(), {one, two}}).currentScene().name, QStringLiteral("One"));
}
