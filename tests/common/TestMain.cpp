#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

// Every test program runs with its own empty home, data, state and config folders, so no test ever
// reads or writes the user's real files; off screen unless it is the one that needs a real X server.
int main(int argc, char** argv)
{
    static QTemporaryDir home(QDir::tempPath() + QStringLiteral("/corvanta-test-XXXXXX"));
    const QByteArray root = home.path().toUtf8();
    if (!qEnvironmentVariableIsSet("CORVANTA_TEST_REAL_DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    else
        setenv("QT_QPA_PLATFORM", "xcb", 1);
    setenv("HOME", root.constData(), 1);
    setenv("XDG_DATA_HOME", (root + "/data").constData(), 1);
    setenv("XDG_STATE_HOME", (root + "/state").constData(), 1);
    setenv("XDG_CONFIG_HOME", (root + "/config").constData(), 1);
    setenv("XDG_CACHE_HOME", (root + "/cache").constData(), 1);
    // The bus between the program's processes stays inside the test's folder too.
    const QString runtime = QString::fromUtf8(root + "/runtime");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    setenv("XDG_RUNTIME_DIR", (root + "/runtime").constData(), 1);
    setenv("CORVANTA_SYSLOG", "0", 1); // test lines stay out of the machine's system log
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Corvanta"));
    QApplication::setApplicationName(QStringLiteral("Corvanta"));
    return RUN_ALL_TESTS();
}
