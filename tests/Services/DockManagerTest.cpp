// Pinning writes one tile into the Dock's "persistent-apps" and restarts the Dock, and never
// touches what it did not write.
#include "Platform/DockPreferences.h"
#include "Platform/DockRestart.h"
#include "Platform/PropertyList.h"
#include "Services/DockManager.h"
#include "Support/VirtualScheduler.h"
#include "common/LogCapture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace corvanta::test {
namespace {

class CountingRestarter final : public DockRestarter {
public:
    void restart() override { ++restarts; }
    int restarts = 0;
};

AppItem appAt(const QString& path, const QString& name, const QString& identifier)
{
    AppItem app;
    app.id = QUuid::createUuid();
    app.name = name;
    app.bundleIdentifier = identifier;
    app.url = QUrl::fromLocalFile(path);
    return app;
}

QVariantMap tileWith(const QVariant& identifier, const QVariant& urlString)
{
    QVariantMap data;
    if (identifier.isValid())
        data.insert(QStringLiteral("bundle-identifier"), identifier);
    if (urlString.isValid())
        data.insert(QStringLiteral("file-data"), QVariantMap{{QStringLiteral("_CFURLString"), urlString}});
    return {{QStringLiteral("tile-type"), QStringLiteral("file-tile")}, {QStringLiteral("tile-data"), data}};
}

QByteArray fixtureBytes()
{
    QFile file(QStringLiteral(CORVANTA_TEST_FIXTURES "/dock/com.apple.dock.plist"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class DockManagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        QDir(root.path()).mkpath(QStringLiteral("Applications/Notes.app/Contents"));
        notes = appAt(root.path() + QStringLiteral("/Applications/Notes.app"), QStringLiteral("Notes"), QStringLiteral("com.example.notes"));
    }

    QString prefsFolder() const { return root.path() + QStringLiteral("/Preferences"); }
    QString domainFile() const { return prefsFolder() + QStringLiteral("/com.apple.dock.plist"); }
    void writeDomain(const QByteArray& bytes)
    {
        QDir().mkpath(prefsFolder());
        QFile file(domainFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray domainBytes() const
    {
        QFile file(domainFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QVariantMap domain() const { return PropertyList::parse(domainBytes()).value_or(QVariant()).toMap(); }
    QVariantList tiles() const { return domain().value(QStringLiteral("persistent-apps")).toList(); }

    QTemporaryDir root;
    AppItem notes;
    DockPreferences preferences{prefsFolder()};
    CountingRestarter restarter;
    VirtualScheduler scheduler;
    DockManager dock{preferences, restarter, scheduler};
    LogCapture log;
};

TEST_F(DockManagerTest, AppendsATileWithTheExactKeysAndTypesAndRestartsTheDockLater)
{
    // No domain file yet: an empty Dock.
    EXPECT_EQ(dock.addToDock(notes), DockManager::Outcome::added());

    const QVariantList written = tiles();
    ASSERT_EQ(written.size(), 1);
    const QVariantMap tile = written.first().toMap();
    EXPECT_EQ(tile.keys(), (QStringList{"tile-data", "tile-type"}));
    EXPECT_EQ(tile.value("tile-type"), QVariant(QStringLiteral("file-tile")));
    const QVariantMap data = tile.value("tile-data").toMap();
    EXPECT_EQ(data.keys(), (QStringList{"bundle-identifier", "dock-extra", "file-data", "file-label", "file-type"}));
    EXPECT_EQ(data.value("file-type").typeId(), QMetaType::LongLong);
    EXPECT_EQ(data.value("file-type").toLongLong(), 41);
    EXPECT_EQ(data.value("dock-extra").typeId(), QMetaType::Bool);
    EXPECT_FALSE(data.value("dock-extra").toBool());
    EXPECT_EQ(data.value("bundle-identifier"), QVariant(QStringLiteral("com.example.notes")));
    EXPECT_EQ(data.value("file-label"), QVariant(QStringLiteral("Notes")));
    const QVariantMap fileData = data.value("file-data").toMap();
    EXPECT_EQ(fileData.keys(), (QStringList{"_CFURLString", "_CFURLStringType"}));
    EXPECT_EQ(fileData.value("_CFURLString"), QVariant(QStringLiteral("file://") + root.path() + QStringLiteral("/Applications/Notes.app/")));
    EXPECT_EQ(fileData.value("_CFURLStringType").typeId(), QMetaType::LongLong);
    EXPECT_EQ(fileData.value("_CFURLStringType").toLongLong(), 15);
    EXPECT_TRUE(domainBytes().startsWith("bplist")) << "a new domain is written in the binary form";

    EXPECT_TRUE(log.contains(QStringLiteral("DockManager: 写入常驻项 — Notes（共 1 项），0.35s 后重启 Dock")));
    scheduler.advance(0.34);
    EXPECT_EQ(restarter.restarts, 0);
    scheduler.advance(0.01);
    EXPECT_EQ(restarter.restarts, 1);
}

TEST_F(DockManagerTest, KeepsRealTilesWithTheirBookmarksAndTheFormFound)
{
    const QByteArray xml = fixtureBytes();
    ASSERT_FALSE(xml.isEmpty());
    for (const bool binary : {false, true}) {
        SCOPED_TRACE(binary ? "binary domain" : "XML domain");
        const QVariantMap before = PropertyList::parse(xml)->toMap();
        writeDomain(binary ? PropertyList::toBinary(before) : xml);

        ASSERT_EQ(dock.addToDock(notes), DockManager::Outcome::added());

        EXPECT_EQ(domainBytes().startsWith("bplist"), binary);
        QVariantMap after = domain();
        QVariantList apps = after.value("persistent-apps").toList();
        ASSERT_EQ(apps.size(), 4);
        EXPECT_EQ(apps.takeLast().toMap(), DockManager::tile(notes));
        after.insert("persistent-apps", apps);
        EXPECT_EQ(after, before) << "every other key and tile is kept, bookmark data included";
        const QByteArray book = apps.first().toMap().value("tile-data").toMap().value("book").toByteArray();
        EXPECT_TRUE(book.startsWith("book")) << "bookmark data kept byte for byte";
        EXPECT_EQ(book, before.value("persistent-apps").toList().first().toMap().value("tile-data").toMap().value("book").toByteArray());
    }
}

TEST_F(DockManagerTest, MatchesByIdentifierOrStandardisedPath)
{
    const AppItem app = appAt(QStringLiteral("/Applications/Web Browser.app"), QStringLiteral("Web Browser"), QStringLiteral("com.example.web"));
    AppItem anonymous = app;
    anonymous.bundleIdentifier.clear();
    struct Case {
        const char* what;
        QVariant tile;
        const AppItem* app;
        bool matches;
    };
    const QVariant none;
    const Case cases[] = {
        {"same identifier, other path", tileWith("com.example.web", "file:///Elsewhere/Other.app/"), &app, true},
        {"same path with the trailing slash", tileWith(none, "file:///Applications/Web%20Browser.app/"), &app, true},
        {"same path without it", tileWith(none, "file:///Applications/Web%20Browser.app"), &app, true},
        {"a plain path, not a URL", tileWith(none, "/Applications/Web Browser.app"), &app, true},
        {"a path with a dot and a double slash", tileWith(none, "file:///Applications/./Web%20Browser.app//"), &app, true},
        {"empty identifier, same path", tileWith("", "file:///Applications/Web%20Browser.app/"), &app, true},
        {"other identifier, same path", tileWith("com.example.other", "file:///Applications/Web%20Browser.app/"), &app, true},
        {"app without identifier, tile with one, other path", tileWith("com.example.web", "file:///Other.app/"), &anonymous, false},
        {"other identifier, other path", tileWith("com.example.other", "file:///Applications/Web.app/"), &app, false},
        {"identifier of another type", tileWith(41, "file:///Other.app/"), &app, false},
        {"no file data", tileWith("com.example.other", none), &app, false},
        {"URL string of another type", tileWith(none, 15), &app, false},
        {"tile data not a dictionary",
            QVariantMap{{"tile-data", QStringLiteral("com.example.web")}}, &app, false},
        {"tile not a dictionary", QVariant(QStringLiteral("com.example.web")), &app, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DockManager::matches(c.tile, *c.app), c.matches) << c.what;
}

TEST_F(DockManagerTest, AnAppAlreadyThereIsNeitherWrittenNorRestarted)
{
    QVariantMap root = PropertyList::parse(fixtureBytes())->toMap();
    QVariantList apps = root.value("persistent-apps").toList();
    apps.append(tileWith(QString(), QStringLiteral("file://") + notes.path())); // no trailing slash
    root.insert("persistent-apps", apps);
    writeDomain(PropertyList::toXml(root));
    const QByteArray before = domainBytes();

    EXPECT_TRUE(dock.containsApp(notes));
    EXPECT_EQ(dock.addToDock(notes), DockManager::Outcome::alreadyPresent());
    scheduler.advance(5);
    EXPECT_EQ(domainBytes(), before);
    EXPECT_EQ(restarter.restarts, 0);
}

TEST_F(DockManagerTest, FailuresWriteNothingAndRestartNothing)
{
    const AppItem gone = appAt(root.path() + QStringLiteral("/Applications/Gone.app"), QStringLiteral("Gone"), QStringLiteral("com.example.gone"));
    EXPECT_EQ(dock.addToDock(gone), DockManager::Outcome::failed(QStringLiteral("应用路径不存在：") + gone.path()));
    EXPECT_FALSE(QFile::exists(domainFile()));

    QVariantMap notAList = PropertyList::parse(fixtureBytes())->toMap();
    notAList.insert("persistent-apps", QVariantMap{{"tile-type", "file-tile"}});
    const QByteArray unusual = PropertyList::toBinary(notAList);
    struct Case {
        const char* what;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"unparsable", QByteArray("<?xml version=\"1.0\"?><plist><dict><key>persistent-apps</key><array>")},
        {"truncated binary", PropertyList::toBinary(notAList).left(40)},
        {"root not a dictionary", PropertyList::toXml(QVariantList{1, 2})},
        {"persistent-apps not an array", unusual},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeDomain(c.bytes);
        const DockManager::Outcome outcome = dock.addToDock(notes);
        EXPECT_EQ(outcome.kind, DockManager::Outcome::Kind::failed);
        EXPECT_FALSE(outcome.message.isEmpty());
        EXPECT_EQ(domainBytes(), c.bytes) << "the user's Dock is never wiped";
        EXPECT_FALSE(dock.containsApp(notes));
    }

    // A domain that cannot be read, and one that cannot be replaced.
    writeDomain(fixtureBytes());
    ASSERT_EQ(::chmod(QFile::encodeName(domainFile()).constData(), 0), 0);
    if (!QFile(domainFile()).open(QIODevice::ReadOnly)) { // root reads anything
        EXPECT_EQ(dock.addToDock(notes).kind, DockManager::Outcome::Kind::failed);
    }
    ::chmod(QFile::encodeName(domainFile()).constData(), 0644);
    ASSERT_EQ(::chmod(QFile::encodeName(prefsFolder()).constData(), 0555), 0);
    if (!QFile(prefsFolder() + QStringLiteral("/probe")).open(QIODevice::WriteOnly)) {
        const DockManager::Outcome outcome = dock.addToDock(notes);
        EXPECT_EQ(outcome.kind, DockManager::Outcome::Kind::failed);
        EXPECT_TRUE(outcome.message.startsWith(QStringLiteral("写入程序坞偏好设置失败：")));
        EXPECT_EQ(domainBytes(), fixtureBytes());
    }
    ::chmod(QFile::encodeName(prefsFolder()).constData(), 0755);
    QFile::remove(prefsFolder() + QStringLiteral("/probe"));

    // The same whoever runs the test: a domain path that is a folder cannot be read, and a
    // preferences folder that is a file cannot be written.
    QFile::remove(domainFile());
    QDir().mkpath(domainFile());
    EXPECT_EQ(dock.addToDock(notes).kind, DockManager::Outcome::Kind::failed);
    QFile blocker(root.path() + QStringLiteral("/NotAFolder"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    DockPreferences blocked(blocker.fileName());
    DockManager blockedDock(blocked, restarter, scheduler);
    const DockManager::Outcome outcome = blockedDock.addToDock(notes);
    EXPECT_EQ(outcome.kind, DockManager::Outcome::Kind::failed);
    EXPECT_TRUE(outcome.message.startsWith(QStringLiteral("写入程序坞偏好设置失败："))) << outcome.message.toStdString();

    scheduler.advance(5);
    EXPECT_EQ(restarter.restarts, 0);
    EXPECT_FALSE(log.contains(QStringLiteral("写入常驻项")));
}

} // namespace
} // namespace corvanta::test
