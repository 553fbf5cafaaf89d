// The delete flow of the real program on a fixture machine: a home, a system tree and an
// application folder of the test's own, no administrator route.
// Qt and project headers before Xlib's macros.
#include "common/BundleBuilder.h"


#include <sys/mount.h>

#include <cerrno>
#include <cstring>

#include "X11/GridOnScreen.h"
#include "X11/ProgramDriver.h"

namespace {


struct FixtureMachine {
    QTemporaryDir root{QDir::tempPath() + QStringLiteral("/corvanta-uninstall-e2e-XXXXXX")};
    // Where the applications are kept; the fixture's own folder unless a test says otherwise.
    QString applications = path(QStringLiteral("Applications"));
    QTemporaryDir outside{QDir::tempPath() + QStringLiteral("/corvanta-outside-XXXXXX")};

    QString path(const QString& relative) const { return root.path() + QLatin1Char('/') + relative; }
    QString home(const QString& relative = {}) const
    {
        return relative.isEmpty() ? path(QStringLiteral("home")) : path(QStringLiteral("home/") + relative);
    }
    static void file(const QString& at, const QByteArray& bytes = QByteArray(100, 'x')) { corvanta::test::writeFile(at, bytes); }

    void build()
    {
        using corvanta::test::infoWith;
        using corvanta::test::makeBundle;
        const QString& apps = applications;
        for (const auto& [name, identifier] : {std::pair{QStringLiteral("Inkpad"), QStringLiteral("org.fixture.inkpad")},
                                               std::pair{QStringLiteral("Inkpad Pro"), QStringLiteral("org.fixture.inkpadpro")}}) {
            QVariantMap info = infoWith(identifier, name);
            info.insert(QStringLiteral("CFBundleExecutable"), name);
            const QString bundle = makeBundle(apps, name + QStringLiteral(".app"), info);
            file(bundle + QStringLiteral("/Contents/MacOS/") + name, QByteArray(4000, 'b'));
        }
        QDir().mkpath(path(QStringLiteral("sys/Library")));
        // Leftovers named exactly by identifier (checked at first) and by a variant of the name
        // only (unchecked at first).
        file(home(QStringLiteral("Library/Caches/org.fixture.inkpad/blob")));
        file(home(QStringLiteral("Library/Preferences/org.fixture.inkpad.plist")));
        file(home(QStringLiteral("Library/Application Support/Inkpad.old/notes.db")));
        // A link out of the tree inside a leftover that goes.
        file(outside.path() + QStringLiteral("/keep.txt"));
        QFile::link(outside.path(), home(QStringLiteral("Library/Caches/org.fixture.inkpad/outside")));
        // The sibling product's own leftovers.
        file(home(QStringLiteral("Library/Caches/org.fixture.inkpadpro/blob")));
        file(home(QStringLiteral("Library/Preferences/org.fixture.inkpadpro.plist")));
        file(home(QStringLiteral("Library/Application Support/Inkpad Pro/notes.db")));
    }
};


// The program on the fixture machine, no administrator route.
void startOn(const FixtureMachine& machine, Program& program, Keyboard& keyboard)
{
    program.extraEnvironment = {
        {QStringLiteral("CORVANTA_APPLICATION_DIRS"), machine.applications},
        {QStringLiteral("CORVANTA_UNINSTALL_HOME"), machine.home()},
        {QStringLiteral("CORVANTA_UNINSTALL_SYSTEM_ROOT"), machine.path(QStringLiteral("sys"))},
        {QStringLiteral("CORVANTA_UNINSTALL_ADMIN"), QStringLiteral("none")},
    };
    startAndShow(program, keyboard);
}

// Starts the program; a long press on the first cell (Inkpad, first by name) starts jiggle mode,
// then its badge opens the sheet, and the test waits for the plan.
void startAndOpenSheet(const FixtureMachine& machine, Program& program, Keyboard& keyboard, const QString& planReady)
{
    startOn(machine, program, keyboard);
    if (::testing::Test::HasFatalFailure())
        return;
    QThread::msleep(800); // the show animation settles
    ASSERT_NO_FATAL_FAILURE(askToUninstallTheFirstCell(program, keyboard));
    ASSERT_TRUE(program.waitForLog(QStringLiteral("Delete requested: Inkpad (org.fixture.inkpad) — building plan"), 5000)
                || program.log().contains(QStringLiteral("Delete rejected (protected app): Inkpad")))
        << program.log().toStdString();
    ASSERT_FALSE(program.log().contains(QStringLiteral("Delete rejected (protected app): Inkpad")))
        << "the application was taken for a protected one";
    ASSERT_TRUE(program.waitForLog(planReady)) << program.log().toStdString();
    QThread::msleep(300);
}

// A bind mount made by the test process, undone however the test ends.
struct BindMount {
    QString target;
    int error = 0;
    BindMount(const QString& source, const QString& at) : target(at)
    {
        QDir().mkpath(at);
        if (::mount(QFile::encodeName(source).constData(), QFile::encodeName(at).constData(), nullptr, MS_BIND, nullptr) != 0) {
            error = errno;
            target.clear();
        }
    }
    ~BindMount()
    {
        if (!target.isEmpty())
            ::umount2(QFile::encodeName(target).constData(), MNT_DETACH);
    }
    BindMount(const BindMount&) = delete;
    BindMount& operator=(const BindMount&) = delete;
};

} // namespace

// Where the applications are kept: a folder of the fixture's own, or a folder beside the
// program's own executable, whose applications are the user's, not part of the program.
class UninstallWhereKept : public ::testing::TestWithParam<bool> {};

TEST_P(UninstallWhereKept, BadgeSheetAndReturnDeleteExactlyTheCheckedItems)
{
    const bool besideProgram = GetParam();
    FixtureMachine machine;
    ASSERT_TRUE(machine.root.isValid() && machine.outside.isValid());
    QTemporaryDir beside(QStringLiteral(CORVANTA_BINARY_DIR "/apps-beside-XXXXXX"));
    if (besideProgram) {
        ASSERT_TRUE(beside.isValid());
        machine.applications = beside.path();
    }
    machine.build();
    const QString apps = machine.applications + QLatin1Char('/');

    Program program;
    Keyboard keyboard;
    startAndOpenSheet(machine, program, keyboard, QStringLiteral("Uninstall plan ready: Inkpad — 3 leftovers"));
    if (HasFatalFailure())
        return;
    // The sheet has the keyboard: Return confirms what is checked.
    keyboard.tap(XK_Return);
    ASSERT_TRUE(program.waitForLog(QStringLiteral("Delete completed: Inkpad — residuals 2 deleted / 0 failed")))
        << program.log().toStdString();

    // Gone: the bundle and the leftovers tied by identifier.
    EXPECT_FALSE(QFileInfo::exists(apps + QStringLiteral("Inkpad.app")));
    EXPECT_FALSE(QFileInfo::exists(machine.home(QStringLiteral("Library/Caches/org.fixture.inkpad"))));
    EXPECT_FALSE(QFileInfo::exists(machine.home(QStringLiteral("Library/Preferences/org.fixture.inkpad.plist"))));
    // Kept: the leftover found by a variant of the name (unchecked), the sibling product and its
    // leftovers, what the link pointed to, and the program itself.
    EXPECT_TRUE(QFileInfo::exists(machine.home(QStringLiteral("Library/Application Support/Inkpad.old/notes.db"))));
    EXPECT_TRUE(QFileInfo::exists(apps + QStringLiteral("Inkpad Pro.app/Contents/Info.plist")));
    EXPECT_TRUE(QFileInfo::exists(machine.home(QStringLiteral("Library/Caches/org.fixture.inkpadpro/blob"))));
    EXPECT_TRUE(QFileInfo::exists(machine.home(QStringLiteral("Library/Preferences/org.fixture.inkpadpro.plist"))));
    EXPECT_TRUE(QFileInfo::exists(machine.home(QStringLiteral("Library/Application Support/Inkpad Pro/notes.db"))));
    EXPECT_TRUE(QFileInfo::exists(machine.outside.path() + QStringLiteral("/keep.txt")));
    EXPECT_TRUE(QFileInfo::exists(QStringLiteral(CORVANTA_BINARY_DIR "/corvanta")));

    program.process.terminate();
    ASSERT_TRUE(program.process.waitForFinished(10000));
    QFile layout(program.layoutFile());
    ASSERT_TRUE(layout.open(QIODevice::ReadOnly));
    const QByteArray stored = layout.readAll();
    EXPECT_FALSE(stored.contains("org.fixture.inkpad\""));
    EXPECT_TRUE(stored.contains("org.fixture.inkpadpro"));
}

INSTANTIATE_TEST_SUITE_P(UninstallEndToEnd, UninstallWhereKept, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "BesideTheProgram" : "OwnFolder");
                         });

// A leftover folder with a file system mounted inside: it is not offered and the sheet says why;
// what lies on the mount is never touched, and the rest of what the user chose goes.
TEST(UninstallEndToEnd, AMountInsideALeftoverIsRefusedAndItsSourceKept)
{
    FixtureMachine machine;
    ASSERT_TRUE(machine.root.isValid() && machine.outside.isValid());
    machine.build();
    const QString source = machine.outside.path() + QStringLiteral("/source");
    FixtureMachine::file(source + QStringLiteral("/precious.txt"));
    const QString leftover = machine.home(QStringLiteral("Library/Caches/org.fixture.inkpad"));
    const BindMount mount(source, leftover + QStringLiteral("/mounted"));
    if (mount.target.isEmpty())
        GTEST_SKIP() << "a bind mount cannot be made here: " << std::strerror(mount.error);

    Program program;
    Keyboard keyboard;
    // The folder holding the mount is left out of the list and named among the sheet's notes.
    startAndOpenSheet(machine, program, keyboard, QStringLiteral("Uninstall plan ready: Inkpad — 2 leftovers, 1 permission issues"));
    if (HasFatalFailure())
        return;
    keyboard.tap(XK_Return);
    ASSERT_TRUE(program.waitForLog(QStringLiteral("Delete completed: Inkpad — residuals 1 deleted / 0 failed")))
        << program.log().toStdString();

    EXPECT_TRUE(QFileInfo::exists(source + QStringLiteral("/precious.txt")));
    EXPECT_TRUE(QFileInfo::exists(machine.outside.path() + QStringLiteral("/keep.txt")));
    EXPECT_FALSE(QFileInfo::exists(machine.path(QStringLiteral("Applications/Inkpad.app"))));
    EXPECT_FALSE(QFileInfo::exists(machine.home(QStringLiteral("Library/Preferences/org.fixture.inkpad.plist"))));
    program.process.terminate();
    ASSERT_TRUE(program.process.waitForFinished(10000));
}
