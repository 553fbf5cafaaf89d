// Uninstalling one application of the real program beside another of the same maker that embeds
// the same helper, keeps its data in the folder named like the first and runs a launch agent from
// a folder only loosely named after it: every file of the other stays, byte for byte.
// Qt and project headers before Xlib's macros.
#include "Platform/PropertyList.h"
#include "common/BundleBuilder.h"

#include <QCryptographicHash>
#include <QDirIterator>

#include "X11/GridOnScreen.h"
#include "X11/ProgramDriver.h"

namespace {

using corvanta::test::infoWith;
using corvanta::test::makeBundle;
using corvanta::test::writeFile;

struct SharedMachine {
    QTemporaryDir root{QDir::tempPath() + QStringLiteral("/corvanta-shared-e2e-XXXXXX")};

    QString path(const QString& relative) const { return root.path() + QLatin1Char('/') + relative; }
    QString applications() const { return path(QStringLiteral("Applications")); }
    QString home(const QString& relative = {}) const
    {
        return relative.isEmpty() ? path(QStringLiteral("home")) : path(QStringLiteral("home/") + relative);
    }
    QString library(const QString& relative) const { return home(QStringLiteral("Library/") + relative); }

    // Acme and FooBar, both embedding the updater; Acme sorts first, so it is the grid's first cell.
    void build() const
    {
        for (const auto& [name, identifier] : {std::pair{QStringLiteral("Acme"), QStringLiteral("com.acme.acme")},
                                               std::pair{QStringLiteral("FooBar"), QStringLiteral("com.acme.foobar")}}) {
            QVariantMap info = infoWith(identifier, name);
            info.insert(QStringLiteral("CFBundleExecutable"), name);
            const QString bundle = makeBundle(applications(), name + QStringLiteral(".app"), info);
            writeFile(bundle + QStringLiteral("/Contents/MacOS/") + name, QByteArray(4000, 'b'));
            const QString updater = makeBundle(bundle + QStringLiteral("/Contents/XPCServices"), QStringLiteral("Updater.xpc"),
                                               infoWith(QStringLiteral("com.acme.updater")));
            writeFile(updater + QStringLiteral("/Contents/MacOS/Updater"), QByteArray(300, 'u'));
        }
        QDir().mkpath(path(QStringLiteral("sys/Library")));
        // Acme's own, named by its identifier: checked at first, and gone after the uninstall.
        writeFile(library(QStringLiteral("Caches/com.acme.acme/blob")), "acme cache");
        writeFile(library(QStringLiteral("Preferences/com.acme.acme.plist")), "acme prefs");
        writeFile(library(QStringLiteral("LaunchAgents/com.acme.acme.plist")),
                  corvanta::PropertyList::toXml(QVariantMap{{QStringLiteral("Label"), QStringLiteral("com.acme.acme")},
                                                            {QStringLiteral("Program"), applications() + QStringLiteral("/Acme.app/Contents/MacOS/Acme")}}));
        // FooBar's: the shared helper's data, its data in the vendor folder named like Acme, and
        // its agent running a program from a folder whose name only begins like Acme's.
        for (const char* relative : {"Caches/com.acme.updater/blob", "Application Support/com.acme.updater/state",
                                     "Preferences/com.acme.updater.plist", "Application Support/Acme/FooBar/library.db",
                                     "Application Support/Acme/FooBar/Backups/1.db", "Caches/Acme/com.acme.foobar/blob",
                                     "Preferences/com.acme.foobar.plist", "Application Support/Acme.sync/agent"})
            writeFile(library(QString::fromLatin1(relative)), QByteArray("foobar ") + relative);
        writeFile(library(QStringLiteral("LaunchAgents/com.acme.foobar.sync.plist")),
                  corvanta::PropertyList::toXml(QVariantMap{{QStringLiteral("Label"), QStringLiteral("com.acme.foobar.sync")},
                                                            {QStringLiteral("Program"), library(QStringLiteral("Application Support/Acme.sync/agent"))}}));
    }

    // Every file FooBar has on the machine, by path, with a digest of its bytes.
    QMap<QString, QByteArray> fooBarFiles() const
    {
        QMap<QString, QByteArray> out;
        const QStringList places{applications() + QStringLiteral("/FooBar.app"), library(QStringLiteral("Caches/com.acme.updater")),
                                 library(QStringLiteral("Application Support/com.acme.updater")),
                                 library(QStringLiteral("Preferences/com.acme.updater.plist")),
                                 library(QStringLiteral("Application Support/Acme/FooBar")), library(QStringLiteral("Caches/Acme")),
                                 library(QStringLiteral("Preferences/com.acme.foobar.plist")),
                                 library(QStringLiteral("Application Support/Acme.sync")),
                                 library(QStringLiteral("LaunchAgents/com.acme.foobar.sync.plist"))};
        auto digest = [&](const QString& file) {
            QFile f(file);
            out.insert(file, f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                                                          : QByteArray("unreadable"));
        };
        for (const QString& place : places) {
            if (QFileInfo(place).isFile()) {
                digest(place);
                continue;
            }
            QDirIterator it(place, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
            while (it.hasNext())
                digest(it.next());
        }
        return out;
    }
};


} // namespace

TEST(UninstallSharedDataEndToEnd, RemovingOneApplicationKeepsEveryFileOfAnotherThatSharesWithIt)
{
    SharedMachine machine;
    ASSERT_TRUE(machine.root.isValid());
    machine.build();
    const QMap<QString, QByteArray> before = machine.fooBarFiles();
    ASSERT_EQ(before.size(), 13); // four files of the bundle (the updater's among them), nine of data

    Program program;
    Keyboard keyboard;
    program.extraEnvironment = {
        {QStringLiteral("CORVANTA_APPLICATION_DIRS"), machine.applications()},
        {QStringLiteral("CORVANTA_UNINSTALL_HOME"), machine.home()},
        {QStringLiteral("CORVANTA_UNINSTALL_SYSTEM_ROOT"), machine.path(QStringLiteral("sys"))},
        {QStringLiteral("CORVANTA_UNINSTALL_ADMIN"), QStringLiteral("none")},
    };
    startAndShow(program, keyboard);
    if (HasFatalFailure())
        return;
    QThread::msleep(800); // the show animation settles
    // Acme's cell is the first.
    ASSERT_NO_FATAL_FAILURE(askToUninstallTheFirstCell(program, keyboard));
    ASSERT_TRUE(program.waitForLog(QStringLiteral("Delete requested: Acme (com.acme.acme) — building plan")))
        << program.log().toStdString();
    // Offered: Acme's three items named by its identifier (checked) and the folder loosely named
    // after it (unchecked). Nothing FooBar claims, nor the folders holding FooBar's data.
    ASSERT_TRUE(program.waitForLog(QStringLiteral("Uninstall plan ready: Acme — "))) << program.log().toStdString();
    EXPECT_TRUE(program.log().contains(QStringLiteral("Uninstall plan ready: Acme — 4 leftovers, 0 permission issues")));
    QThread::msleep(300);
    // Return confirms what the sheet checked.
    keyboard.tap(XK_Return);
    ASSERT_TRUE(program.waitForLog(QStringLiteral("Delete completed: Acme — "))) << program.log().toStdString();
    EXPECT_TRUE(program.log().contains(QStringLiteral("Delete completed: Acme — residuals 3 deleted / 0 failed")));

    EXPECT_FALSE(QFileInfo::exists(machine.applications() + QStringLiteral("/Acme.app")));
    EXPECT_FALSE(QFileInfo::exists(machine.library(QStringLiteral("Caches/com.acme.acme"))));
    EXPECT_FALSE(QFileInfo::exists(machine.library(QStringLiteral("Preferences/com.acme.acme.plist"))));
    EXPECT_FALSE(QFileInfo::exists(machine.library(QStringLiteral("LaunchAgents/com.acme.acme.plist"))));
    const QMap<QString, QByteArray> after = machine.fooBarFiles();
    EXPECT_EQ(after, before);
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        EXPECT_EQ(after.value(it.key()), it.value()) << "changed or gone: " << it.key().toStdString();

    program.process.terminate();
    ASSERT_TRUE(program.process.waitForFinished(10000));
}
