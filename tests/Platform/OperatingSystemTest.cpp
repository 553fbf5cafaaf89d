#include "Platform/OperatingSystem.h"
#include "Support/BuildInfo.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace corvanta;

TEST(OperatingSystem, SystemLineNamesTheKernelAndTheDistribution)
{
    struct Case {
        const char* osRelease; // nullptr: no file
        const char* expected;
    };
    const Case cases[] = {
        {"NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nID=debian\n",
         "Linux: Debian GNU/Linux 12 (bookworm), kernel 6.1.0-18-amd64"},
        {"PRETTY_NAME='Fedora Linux 40'\n", "Linux: Fedora Linux 40, kernel 6.1.0-18-amd64"},
        {"PRETTY_NAME=Arch\n", "Linux: Arch, kernel 6.1.0-18-amd64"},
        {"PRETTY_NAME=\"Say \\\"hi\\\"\"\n", "Linux: Say \"hi\", kernel 6.1.0-18-amd64"},
        {"NAME=Nothing pretty\n", "Linux: ?, kernel 6.1.0-18-amd64"},
        {nullptr, "Linux: ?, kernel 6.1.0-18-amd64"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("os-release"));
        if (c.osRelease) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(c.osRelease);
        }
        EXPECT_EQ(operatingSystemLine(path, QStringLiteral("linux"), QStringLiteral("6.1.0-18-amd64")),
                  QString::fromUtf8(c.expected));
    }
    EXPECT_FALSE(operatingSystemLine().startsWith(QStringLiteral("macOS")));
}

TEST(OperatingSystem, TheBuildIsNamedByItsCommit)
{
    const QString build = QString::fromLatin1(buildIdentifier());
    EXPECT_NE(build, QStringLiteral(CORVANTA_VERSION));
    // A commit, or "?" for a tree that is not a git checkout.
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^([0-9a-f]{7,40}(-dirty)?|\\?)$")).match(build).hasMatch()) << build.toStdString();
}
