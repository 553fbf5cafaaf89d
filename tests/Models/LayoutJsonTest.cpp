#include "Models/LayoutJson.h"

#include <gtest/gtest.h>

using namespace corvanta;

namespace {

AppItem makeApp(const char* id, const QString& name, const QString& path)
{
    return AppItem{QUuid::fromString(QLatin1StringView(id)), name, QStringLiteral("com.example.") + name,
                   QUrl::fromLocalFile(path), std::nullopt, false};
}

SceneStore sampleStore()
{
    AppItem calc = makeApp("11111111-2222-4333-8444-555555555555", QStringLiteral("Calc"), QStringLiteral("/Applications/Calc.app/"));
    AppItem notes = makeApp("21111111-2222-4333-8444-555555555555", QStringLiteral("笔记 Notes"), QStringLiteral("/Applications/My Notes.app"));
    notes.iconPath = QStringLiteral("/tmp/icon.png");
    notes.isHidden = true;
    AppGroup folder{QUuid::fromString(u"31111111-2222-4333-8444-555555555555"), QStringLiteral("Tools"), {notes}, false};
    TilehallLayout layout;
    layout.pages = {TilehallPage{QUuid::fromString(u"41111111-2222-4333-8444-555555555555"), {PageEntry(calc), PageEntry(folder)}}};
    layout.hiddenAppIDs = {QUuid::fromString(u"51111111-2222-4333-8444-555555555555")};
    const QUuid sceneID = QUuid::fromString(u"61111111-2222-4333-8444-555555555555");
    return SceneStore{sceneID, {TilehallScene{sceneID, QStringLiteral("Main"), layout}}};
}

void expectSameStore(const SceneStore& a, const SceneStore& b)
{
    EXPECT_EQ(a.currentSceneID, b.currentSceneID);
    ASSERT_EQ(a.scenes.size(), b.scenes.size());
    for (qsizetype i = 0; i < a.scenes.size(); ++i) {
        EXPECT_EQ(a.scenes[i].id, b.scenes[i].id);
        EXPECT_EQ(a.scenes[i].name, b.scenes[i].name);
        EXPECT_EQ(a.scenes[i].layout.pages, b.scenes[i].layout.pages);
        EXPECT_EQ(a.scenes[i].layout.hiddenAppIDs, b.scenes[i].layout.hiddenAppIDs);
    }
}

} // namespace

TEST(LayoutJson, SceneStoreRoundTrips)
{
    const SceneStore store = sampleStore();
    QString error;
    const std::optional<SceneStore> decoded = decodeSceneStore(encodeSceneStore(store), &error);
    ASSERT_TRUE(decoded) << error.toStdString();
    expectSameStore(store, *decoded);
}

TEST(LayoutJson, LegacyLayoutIsNotASceneStore)
{
    const QByteArray legacy = encodeLayout(sampleStore().scenes.first().layout);
    EXPECT_FALSE(decodeSceneStore(legacy));
    const std::optional<TilehallLayout> layout = decodeLayout(legacy);
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->pages, sampleStore().scenes.first().layout.pages);
}
