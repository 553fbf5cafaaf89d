#pragma once

#include "Models/LayoutConfigJson.h"
#include "Models/LayoutJson.h"
#include "Platform/InMemoryUserDefaults.h"
#include "Services/LayoutManager.h"
#include "Support/VirtualScheduler.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace corvanta::test {

inline AppItem makeApp(const QString& name, const QString& bundleID, const QString& path)
{
    return AppItem{QUuid::createUuid(), name, bundleID, QUrl::fromLocalFile(path), std::nullopt, false};
}

// An application in the user's Applications folder, identified as "com.example.<name>".
inline AppItem app(const QString& name)
{
    return makeApp(name, QStringLiteral("com.example.") + name.toLower(), QStringLiteral("/Applications/") + name + QStringLiteral(".app"));
}

// A system utility application.
inline AppItem utility(const QString& name, const QString& bundleID = {})
{
    return makeApp(name, bundleID, QStringLiteral("/System/Applications/Utilities/") + name + QStringLiteral(".app"));
}

inline TilehallPage page(QList<PageEntry> entries)
{
    return TilehallPage{QUuid::createUuid(), std::move(entries)};
}

inline AppGroup folder(const QString& name, QList<AppItem> apps)
{
    return AppGroup{QUuid::createUuid(), name, std::move(apps), false};
}

// The names shown on each page, a folder as "[name: member, member]".
inline QList<QStringList> pageNames(const TilehallLayout& layout)
{
    QList<QStringList> out;
    for (const TilehallPage& p : layout.pages) {
        QStringList names;
        for (const PageEntry& e : p.entries) {
            if (const AppItem* a = e.asApp()) {
                names << a->name;
            } else {
                QStringList members;
                for (const AppItem& m : e.asGroup()->apps)
                    members << m.name;
                names << e.asGroup()->name + QStringLiteral(": ") + members.join(QStringLiteral(", "));
            }
        }
        out << names;
    }
    return out;
}

// A layout store on virtual time, in-memory defaults and a temporary Application Support folder.
class LayoutHarness : public ::testing::Test {
protected:
    LayoutManager::Dependencies dependencies()
    {
        LayoutManager::Dependencies deps;
        deps.scheduler = &scheduler;
        deps.defaults = &defaults;
        deps.applicationSupportBase = support.path();
        deps.systemFolderLocalizationsRoot = QStringLiteral(CORVANTA_TEST_FIXTURES "/utilities-names");
        deps.preferredLanguages = languages;
        return deps;
    }
    LayoutManager& makeStore()
    {
        store = std::make_unique<LayoutManager>(dependencies());
        return *store;
    }
    // A store whose current scene holds `pages`, built through the layout file.
    LayoutManager& storeWithPages(QList<TilehallPage> pages, LayoutConfig config = {})
    {
        const TilehallScene scene{QUuid::createUuid(), QStringLiteral("S"), TilehallLayout{std::move(pages), {}}};
        writeLayoutFile(encodeSceneStore(SceneStore{scene.id, {scene}}));
        defaults.setData(QString::fromLatin1(LayoutManager::settingsKey), encodeLayoutConfig(config));
        return makeStore();
    }

    QString layoutPath() const { return support.path() + QStringLiteral("/Corvanta/layout.json"); }
    void writeLayoutFile(const QByteArray& bytes)
    {
        QDir().mkpath(support.path() + QStringLiteral("/Corvanta"));
        QFile file(layoutPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray readLayoutFile() const
    {
        QFile file(layoutPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    std::optional<SceneStore> storedScenes() const { return decodeSceneStore(readLayoutFile()); }

    QTemporaryDir support;
    VirtualScheduler scheduler{0};
    InMemoryUserDefaults defaults;
    QStringList languages{QStringLiteral("en-US")};
    std::unique_ptr<LayoutManager> store;
};

} // namespace corvanta::test
