// Where the program finds its administrator helper, and what an installation puts where.
#include "Platform/InstallLayout.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace corvanta;

namespace {

const InstallLayout::Folders kInstalled{QStringLiteral("/usr/local/bin"), QStringLiteral("/usr/local/libexec")};

} // namespace

TEST(InstallLayout, HelperLookupOrder)
{
    struct Case {
        const char* name;
        const char* program;
        QSet<QString> present;
        const char* expected;
    };
    const QString installedHelper = QStringLiteral("/usr/local/libexec/corvanta-admin-delete");
    const QList<Case> cases = {
        {"installed program: the installed helper, even with another one beside it", "/usr/local/bin/corvanta",
         {installedHelper, QStringLiteral("/usr/local/bin/corvanta-admin-delete")}, "/usr/local/libexec/corvanta-admin-delete"},
        {"build tree: the helper beside the program comes first", "/home/me/src/build/corvanta",
         {installedHelper, QStringLiteral("/home/me/src/build/corvanta-admin-delete")}, "/home/me/src/build/corvanta-admin-delete"},
        {"build tree without a helper: the installed one", "/home/me/src/build/corvanta", {installedHelper},
         "/usr/local/libexec/corvanta-admin-delete"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto exists = [&c](const QString& path) { return c.present.contains(path); };
        EXPECT_EQ(InstallLayout::adminHelperFor(QString::fromLatin1(c.program), kInstalled, exists), QString::fromLatin1(c.expected));
    }

    // The helper protects the program it serves.
    EXPECT_EQ(InstallLayout::programFor(installedHelper, kInstalled), QStringLiteral("/usr/local/bin/corvanta"));
    EXPECT_EQ(InstallLayout::programFor(QStringLiteral("/home/me/src/build/corvanta-admin-delete"), kInstalled),
              QStringLiteral("/home/me/src/build/corvanta"));
}

TEST(InstallLayout, InstallPutsEveryPieceInItsStandardFolder)
{
    const InstallLayout::Folders folders = InstallLayout::installed();
    ASSERT_TRUE(folders.binDir.startsWith(u'/'));
    ASSERT_TRUE(folders.libexecDir.startsWith(u'/'));
    const QString cmake = QStandardPaths::findExecutable(QStringLiteral("cmake"));
    if (cmake.isEmpty())
        GTEST_SKIP() << "cmake not found";

    QTemporaryDir destination;
    ASSERT_TRUE(destination.isValid());
    QProcess install;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DESTDIR"), destination.path());
    install.setProcessEnvironment(environment);
    install.start(cmake, {QStringLiteral("--install"), QStringLiteral(CORVANTA_BINARY_DIR)});
    ASSERT_TRUE(install.waitForFinished(120000));
    ASSERT_EQ(install.exitCode(), 0) << install.readAllStandardError().toStdString();

    const QString root = destination.path();
    const QString helper = folders.libexecDir + QStringLiteral("/corvanta-admin-delete");
    const QString program = folders.binDir + QStringLiteral("/corvanta");
    EXPECT_TRUE(QFileInfo(root + program).isExecutable());
    EXPECT_TRUE(QFileInfo(root + helper).isExecutable());

    // The share folder is the prefix's: beside bin.
    const QString share = QFileInfo(folders.binDir).path() + QStringLiteral("/share");
    QFile action(root + share + QStringLiteral("/polkit-1/actions/com.corvanta.app.admin-delete.policy"));
    ASSERT_TRUE(action.open(QIODevice::ReadOnly));
    const QString policy = QString::fromUtf8(action.readAll());
    EXPECT_TRUE(policy.contains(QStringLiteral("<action id=\"com.corvanta.app.admin-delete\">")));
    // The password for every call: a kept authorisation would let any other process of the
    // session run the helper as root for minutes.
    for (const char* who : {"allow_any", "allow_inactive", "allow_active"})
        EXPECT_TRUE(policy.contains(QStringLiteral("<%1>auth_admin</%1>").arg(QLatin1String(who)))) << who;
    EXPECT_FALSE(policy.contains(QStringLiteral("keep")));
    EXPECT_TRUE(policy.contains(QStringLiteral("<annotate key=\"org.freedesktop.policykit.exec.path\">") + helper
                                + QStringLiteral("</annotate>")));

    QFile entry(root + share + QStringLiteral("/applications/com.corvanta.app.desktop"));
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    const QString desktop = QString::fromUtf8(entry.readAll());
    EXPECT_TRUE(desktop.startsWith(QStringLiteral("[Desktop Entry]\n")));
    EXPECT_TRUE(desktop.contains(QStringLiteral("\nExec=") + program + u'\n'));

    // The icon the entry names is the program's own, in the hicolor theme every desktop falls back
    // to: scalable, and drawn at the fixed sizes (48 × 48 at least, as the theme asks).
    static const QRegularExpression iconLine(QStringLiteral("\nIcon=([^\n]*)\n"));
    const QString icon = iconLine.match(desktop).captured(1);
    ASSERT_FALSE(icon.isEmpty()) << desktop.toStdString();
    EXPECT_FALSE(icon.contains(u'/'));
    const QString hicolor = root + share + QStringLiteral("/icons/hicolor/");
    QFile scalable(hicolor + QStringLiteral("scalable/apps/") + icon + QStringLiteral(".svg"));
    ASSERT_TRUE(scalable.open(QIODevice::ReadOnly)) << scalable.fileName().toStdString();
    EXPECT_TRUE(scalable.readAll().contains("<svg ")) << "not an SVG picture";
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        const QImage picture(hicolor + QStringLiteral("%1x%1/apps/").arg(size) + icon + QStringLiteral(".png"));
        EXPECT_EQ(picture.size(), QSize(size, size)) << size;
        // Drawn, not blank: opaque in the middle, clear in the corners (a rounded tile).
        if (!picture.isNull()) {
            EXPECT_EQ(qAlpha(picture.pixel(size / 2, size / 2)), 255) << size;
            EXPECT_EQ(qAlpha(picture.pixel(0, 0)), 0) << size;
        }
    }
    // A lookup by that name in the hicolor theme, whose folders the desktop's own hicolor index
    // names, finds the installed pictures.
    const QString systemIcons = QStringLiteral("/usr/share/icons");
    if (QFileInfo::exists(systemIcons + QStringLiteral("/hicolor/index.theme"))) {
        const QStringList searchPaths = QIcon::themeSearchPaths();
        const QString theme = QIcon::themeName();
        QIcon::setThemeSearchPaths({root + share + QStringLiteral("/icons"), systemIcons});
        QIcon::setThemeName(QStringLiteral("hicolor"));
        const QIcon themed = QIcon::fromTheme(icon);
        EXPECT_EQ(themed.pixmap(48, 48).size(), QSize(48, 48));
        EXPECT_TRUE(QIcon::fromTheme(QStringLiteral("view-app-grid")).isNull());
        QIcon::setThemeName(theme);
        QIcon::setThemeSearchPaths(searchPaths);
    }
}
