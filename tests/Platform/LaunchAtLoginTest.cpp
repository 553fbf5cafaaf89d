#include "Platform/LaunchAtLogin.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace corvanta;

namespace {

struct Fixture {
    QTemporaryDir dir;
    QString stat = dir.filePath(QStringLiteral("stat"));
    QString autostart = dir.filePath(QStringLiteral("config/autostart"));

    LaunchAtLogin make(QStringList arguments = {QStringLiteral("/opt/corvanta/corvanta")}, double now = 1'700'000'100,
                       const QString& executable = QStringLiteral("/opt/corvanta/corvanta"))
    {
        return LaunchAtLogin({autostart, stat, executable}, arguments, [now] { return now; });
    }
    void writeStat(const QByteArray& text)
    {
        QFile f(stat);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    QString entry() const
    {
        QFile f(autostart + QStringLiteral("/com.corvanta.app.desktop"));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
};

} // namespace

TEST(LaunchAtLogin, TheLoginMarkIsTheEntrysArgumentOnly)
{
    Fixture f;
    EXPECT_TRUE(f.make({QStringLiteral("corvanta"), QStringLiteral("--launched-at-login")}).wasLaunchedAtLogin());
    EXPECT_FALSE(f.make({QStringLiteral("corvanta")}).wasLaunchedAtLogin());
    EXPECT_FALSE(f.make({QStringLiteral("--launched-at-login")}).wasLaunchedAtLogin()); // the program name is no argument
}

TEST(LaunchAtLogin, ShortlyAfterBootFromTheBootTime)
{
    const struct {
        const char* what;
        QByteArray stat; // empty: no file
        double now;
        bool expected;
    } cases[] = {
        {"100 s after boot", "cpu  1 2 3\nintr 5\nbtime 1700000000\nprocesses 9\n", 1'700'000'100, true},
        {"exactly 180 s", "btime 1700000000\n", 1'700'000'180, false},
        {"an hour after", "btime 1700000000\n", 1'700'003'600, false},
        {"a boot time of 0", "btime 0\n", 100, false},
        {"no boot time line", "cpu 1 2 3\n", 1'700'000'100, false},
        {"a garbled boot time", "btime soon\n", 1'700'000'100, false},
        {"no file", "", 1'700'000'100, false},
    };
    for (const auto& c : cases) {
        Fixture f;
        if (!c.stat.isEmpty())
            f.writeStat(c.stat);
        EXPECT_EQ(f.make({}, c.now).launchedShortlyAfterBoot(), c.expected) << c.what;
    }
}

TEST(LaunchAtLogin, EnablingWritesAnAutostartEntryAndDisablingRemovesIt)
{
    Fixture f;
    LaunchAtLogin login = f.make({}, 0, QStringLiteral("/home/me/My Apps/corvanta"));
    EXPECT_EQ(login.status(), LaunchAtLogin::Status::notRegistered);
    EXPECT_EQ(login.setEnabled(true), std::nullopt);
    EXPECT_EQ(login.status(), LaunchAtLogin::Status::enabled);
    const QString text = f.entry();
    EXPECT_TRUE(text.startsWith(QStringLiteral("[Desktop Entry]\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\nExec=\"/home/me/My Apps/corvanta\" --launched-at-login\n"))) << text.toStdString();

    EXPECT_EQ(login.setEnabled(true), std::nullopt); // re-registering replaces the entry
    EXPECT_EQ(f.entry(), text);
    EXPECT_EQ(QDir(f.autostart).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("com.corvanta.app.desktop")});

    EXPECT_EQ(login.setEnabled(false), std::nullopt);
    EXPECT_EQ(login.status(), LaunchAtLogin::Status::notRegistered);
    EXPECT_EQ(login.setEnabled(false), std::nullopt); // nothing to remove is no error
}

TEST(LaunchAtLogin, AnUnwritableAutostartFolderIsReported)
{
    Fixture f;
    QFile blocker(f.dir.filePath(QStringLiteral("config")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)); // a file where the folder should be
    blocker.close();
    const auto error = f.make().setEnabled(true);
    ASSERT_TRUE(error.has_value());
    EXPECT_FALSE(error->isEmpty());
    EXPECT_EQ(f.make().status(), LaunchAtLogin::Status::notRegistered);
}

TEST(LaunchAtLogin, ExecArgumentsAreQuotedPerTheDesktopEntryRules)
{
    const struct {
        const char* argument;
        const char* quoted;
    } cases[] = {
        {"/usr/bin/corvanta", "/usr/bin/corvanta"},
        {"/opt/My Apps/corvanta", "\"/opt/My Apps/corvanta\""},
        {"/opt/a\"b/c", "\"/opt/a\\\"b/c\""},
        {"/opt/$HOME/`x`", "\"/opt/\\$HOME/\\`x\\`\""},
        {"/opt/back\\slash", "\"/opt/back\\\\slash\""},
        {"/opt/100%/run", "/opt/100%%/run"},
        {"", "\"\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LaunchAtLogin::quoteExecArgument(QString::fromUtf8(c.argument)), QString::fromUtf8(c.quoted)) << c.argument;

    // In the file the backslashes of the quoted form are escaped once more.
    Fixture f;
    LaunchAtLogin login = f.make({}, 0, QStringLiteral("/opt/back\\slash"));
    EXPECT_TRUE(login.entryText().contains(QStringLiteral("Exec=\"/opt/back\\\\\\\\slash\" --launched-at-login\n")));
}

TEST(LaunchAtLogin, LocationWarningsFirstMatchWins)
{
    const struct {
        const char* path;
        const char* startsWith; // null: no warning
    } cases[] = {
        {"/Volumes/Disk/DerivedData/Build/corvanta", "当前运行的是 Xcode 调试构建"},
        {"/home/me/Library/Mobile Documents/corvanta", "当前 App 在 iCloud 云盘目录里"},
        {"/Volumes/Disk/corvanta", "当前 App 在外接磁盘上"},
        {"/media/me/usb/corvanta", "当前 App 在外接磁盘上"},
        {"/tmp/build/corvanta", "当前 App 在临时目录中"},
        {"/private/tmp/corvanta", nullptr},
        {"/usr/bin/corvanta", nullptr},
    };
    for (const auto& c : cases) {
        const auto warning = LaunchAtLogin::locationWarning(QString::fromUtf8(c.path));
        if (!c.startsWith)
            EXPECT_EQ(warning, std::nullopt) << c.path;
        else
            EXPECT_TRUE(warning && warning->startsWith(QString::fromUtf8(c.startsWith))) << c.path;
    }
}

// The desktop's session settings switch an autostart entry off in place instead of removing it.
TEST(LaunchAtLogin, AnEntrySwitchedOffByTheDesktopIsNotEnabled)
{
    struct Case {
        const char* name;
        const char* extraLines;
        LaunchAtLogin::Status expected;
    };
    const Case cases[] = {
        {"as written", "", LaunchAtLogin::Status::enabled},
        {"GNOME switch off", "X-GNOME-Autostart-enabled=false\n", LaunchAtLogin::Status::notRegistered},
        {"GNOME switch off with blanks", "X-GNOME-Autostart-enabled = false\n", LaunchAtLogin::Status::notRegistered},
        {"hidden", "Hidden=true\n", LaunchAtLogin::Status::notRegistered},
        {"hidden with blanks", "Hidden = true\n", LaunchAtLogin::Status::notRegistered},
        {"hidden false", "Hidden=false\n", LaunchAtLogin::Status::enabled},
        {"keys of another group do not count", "[Desktop Action off]\nHidden=true\nX-GNOME-Autostart-enabled=false\n",
         LaunchAtLogin::Status::enabled},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        LaunchAtLogin login = f.make();
        ASSERT_EQ(login.setEnabled(true), std::nullopt);
        // The switch comes after our own "X-GNOME-Autostart-enabled=true" line, where the desktop's
        // settings put it, so the first occurrence must be ours: rewrite that line instead.
        QString text = f.entry();
        const QString extra = QString::fromUtf8(c.extraLines);
        if (extra.startsWith(QLatin1String("X-GNOME")))
            text.replace(QStringLiteral("X-GNOME-Autostart-enabled=true\n"), extra);
        else
            text += extra;
        QFile file(f.autostart + QStringLiteral("/com.corvanta.app.desktop"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text.toUtf8());
        file.close();
        EXPECT_EQ(login.status(), c.expected);
    }
}
