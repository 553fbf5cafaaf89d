#include "Platform/DesktopWorkspace.h"
#include "Platform/GnomeSettings.h"
#include "Platform/WallpaperChangeSource.h"
#include "common/ProcessUntil.h"


#include <gtest/gtest.h>

#include <gio/gio.h>

#include <cstdlib>

using namespace corvanta;
using corvanta::test::processUntil;

namespace {

const QString kBackground = QStringLiteral("org.gnome.desktop.background");
const QString kInterface = QStringLiteral("org.gnome.desktop.interface");

// The desktop's settings as a user changes them, in this process's own memory-backed store.
struct GnomeBackgroundTest : ::testing::Test {
    void SetUp() override
    {
        setenv("GSETTINGS_BACKEND", "memory", 1);
        if (!GnomeSettings::has(kBackground, "picture-uri-dark") || !GnomeSettings::has(kInterface, "color-scheme"))
            GTEST_SKIP() << "GNOME's desktop schemas are not installed";
    }
    static void set(const QString& schema, const char* key, const char* value)
    {
        GSettings* settings = g_settings_new(schema.toUtf8().constData());
        g_settings_set_string(settings, key, value);
        g_settings_sync();
        g_object_unref(settings);
    }
    static void reset()
    {
        set(kBackground, "picture-uri", "");
        set(kBackground, "picture-uri-dark", "");
        set(kInterface, "color-scheme", "default");
    }
    void TearDown() override
    {
        if (!IsSkipped())
            reset();
    }
};

} // namespace

TEST_F(GnomeBackgroundTest, ReadsThePictureAndItsDarkVariant)
{
    const GnomeDesktopWorkspace workspace;
    const QRectF screen(0, 0, 800, 600);
    reset();
    EXPECT_EQ(workspace.desktopImagePath(screen), "");
    set(kBackground, "picture-uri", "file:///usr/share/backgrounds/Light%20Hills.jpg");
    set(kBackground, "picture-uri-dark", "file:///usr/share/backgrounds/dark.jpg");
    EXPECT_EQ(workspace.desktopImagePath(screen), "/usr/share/backgrounds/Light Hills.jpg");
    set(kInterface, "color-scheme", "prefer-dark");
    EXPECT_EQ(workspace.desktopImagePath(screen), "/usr/share/backgrounds/dark.jpg");
    set(kBackground, "picture-uri-dark", "");
    EXPECT_EQ(workspace.desktopImagePath(screen), "/usr/share/backgrounds/Light Hills.jpg");
    set(kBackground, "picture-uri", "https://example.invalid/remote.jpg"); // not a local file
    EXPECT_EQ(workspace.desktopImagePath(screen), "");
}

TEST_F(GnomeBackgroundTest, ChangingThePictureIsAChangeNotice)
{
    LinuxWallpaperChangeSource source(QStringLiteral("/nonexistent/Index.plist"), ":4242");
    int notices = 0;
    QObject::connect(&source, &WallpaperChangeSource::desktopNotification, [&](const QVariantMap& info) {
        notices += info.contains("BackgroundChanged") ? 1 : 0;
    });
    source.start();
    set(kBackground, "picture-uri", "file:///tmp/one.png");
    processUntil([&] { return notices > 0; });
    EXPECT_GE(notices, 1);
}

// The caret's settings are a number and a switch: each is read only as its own type.
TEST_F(GnomeBackgroundTest, NumbersAndSwitchesAreReadOnlyAsTheirType)
{
    if (!GnomeSettings::has(kInterface, "cursor-blink-timeout") || !GnomeSettings::has(kInterface, "cursor-blink"))
        GTEST_SKIP() << "no caret settings in this version of the schema";
    GSettings* settings = g_settings_new(kInterface.toUtf8().constData());
    g_settings_set_int(settings, "cursor-blink-timeout", 4);
    g_settings_set_boolean(settings, "cursor-blink", FALSE);
    g_settings_sync();
    EXPECT_EQ(GnomeSettings::readInt(kInterface, "cursor-blink-timeout"), std::optional<int>(4));
    EXPECT_EQ(GnomeSettings::readBool(kInterface, "cursor-blink"), std::optional<bool>(false));
    EXPECT_EQ(GnomeSettings::readInt(kInterface, "cursor-blink"), std::nullopt);
    EXPECT_EQ(GnomeSettings::readBool(kInterface, "cursor-blink-timeout"), std::nullopt);
    EXPECT_EQ(GnomeSettings::readString(kInterface, "cursor-blink-timeout"), "");
    EXPECT_EQ(GnomeSettings::readInt(kInterface, "no-such-key"), std::nullopt);
    EXPECT_EQ(GnomeSettings::readInt(QStringLiteral("org.corvanta.no-such-schema"), "cursor-blink-timeout"), std::nullopt);
    g_settings_reset(settings, "cursor-blink-timeout");
    g_settings_reset(settings, "cursor-blink");
    g_object_unref(settings);
}
