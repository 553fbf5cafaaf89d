#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

// Every test program runs off screen and with its own empty home, data, state and config folders,
// so no test ever reads or writes the user's real files.
int main(int argc, char** argv)
{
    static QTemporaryDir home(QDir::tempPath() + QStringLiteral("/corvanta-test-XXXXXX"));
    const QByteArray root = home.path().toUtf8();
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("HOME", root.constData(), 1);
    setenv("XDG_DATA_HOME", (root + "/data").constData(), 1);
    setenv("XDG_STATE_HOME", (root + "/state").constData(), 1);
    setenv("XDG_CONFIG_HOME", (root + "/config").constData(), 1);
    setenv("XDG_CACHE_HOME", (root + "/cache").constData(), 1);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Corvanta"));
    QApplication::setApplicationName(QStringLiteral("Corvanta"));
    return RUN_ALL_TESTS();
}
