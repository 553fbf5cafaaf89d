#include "Services/UninstallGuard.h"

#include "common/QtPrinters.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace corvanta;
using namespace corvanta::Uninstall;

namespace {

// `depth` folders named "d" nested below `top`, made through open folders (no path names them
// whole); returns the path of the deepest.
QString nest(const QString& top, int depth)
{
    int fd = ::open(QFile::encodeName(top).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    QString path = top;
    for (int i = 0; i < depth && fd >= 0; ++i) {
        ::mkdirat(fd, "d", 0755);
        const int next = ::openat(fd, "d", O_PATH | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = next;
        path += QStringLiteral("/d");
    }
    if (fd >= 0)
        ::close(fd);
    return path;
}

QString realPathOf(const QString& path)
{
    char resolved[PATH_MAX];
    return ::realpath(QFile::encodeName(path).constData(), resolved) ? QFile::decodeName(resolved) : QString();
}

class CanonicalPath : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = realPathOf(dir.path());
        QDir().mkpath(root + "/real/inner");
        QFile file(root + "/real/file");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(QFile::link(root + "/real", root + "/absolute"));
        ASSERT_TRUE(QFile::link("real/inner", root + "/relative"));
        ASSERT_TRUE(QFile::link("..", root + "/real/inner/up"));
        ASSERT_TRUE(QFile::link("chain2", root + "/chain1"));
        ASSERT_TRUE(QFile::link("relative/..", root + "/chain2"));
        ASSERT_TRUE(QFile::link("loop2", root + "/loop1"));
        ASSERT_TRUE(QFile::link("loop1", root + "/loop2"));
        ASSERT_TRUE(QFile::link(root + "/nowhere/deeper", root + "/dangling"));
    }

    QTemporaryDir dir;
    QString root;
};

} // namespace

// Existing paths resolve as the system's realpath() resolves them; a tail that is not there, or
// cannot be walked, stays as written below the folder reached.
TEST_F(CanonicalPath, ResolvesLinksAndKeepsAMissingTail)
{
    for (const char* existing : {"", "/real", "/absolute/inner", "/relative", "/relative/up/file", "/real/inner/../file",
                                 "/absolute/./inner/", "/chain1/inner", "/relative/../../real"}) {
        SCOPED_TRACE(existing);
        EXPECT_EQ(canonicalPath(root + existing), realPathOf(root + existing));
    }
    const struct {
        const char* path;
        const char* expected;
    } missing[] = {
        {"/absolute/missing/more", "/real/missing/more"},
        {"/relative/up/missing", "/real/missing"},
        {"/real/file/below", "/real/file/below"},
        {"/loop1/x", "/loop1/x"},
        {"/dangling/x", "/nowhere/deeper/x"},
    };
    for (const auto& c : missing) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(canonicalPath(root + c.path), root + c.expected);
    }
    EXPECT_EQ(canonicalPath("/"), "/");
    EXPECT_EQ(canonicalPath("/.."), "/");
}

// An application folder at the bottom of thousands of nested folders, longer than any path the
// system takes: resolved in one walk (one realpath() per level took minutes), and the roots with it.
TEST_F(CanonicalPath, DeepFoldersResolveInOneWalk)
{
    const int depth = 2100; // one realpath() per level took 20 s here, 4,000 levels minutes
    const QString deep = nest(root + "/real", depth);
    ASSERT_GT(QFile::encodeName(deep).size(), PATH_MAX);
    QElapsedTimer timer;
    timer.start();
    const QString viaLink = root + "/absolute" + deep.mid(root.size() + 5) + "/Applications";
    EXPECT_EQ(canonicalPath(viaLink), deep + "/Applications");
    UninstallRoots roots;
    roots.home = root + "/relative/up";
    roots.applicationFolders << viaLink;
    const UninstallRoots resolved = resolvedRoots(roots);
    EXPECT_EQ(resolved.home, root + "/real");
    EXPECT_EQ(resolved.applicationFolders, QStringList{deep + "/Applications"});
    // The system's own roots: the home folder (and the folders below it) the same way.
    qputenv("CORVANTA_UNINSTALL_HOME", viaLink.toUtf8());
    const UninstallRoots system = UninstallRoots::forThisSystem();
    qunsetenv("CORVANTA_UNINSTALL_HOME");
    EXPECT_EQ(system.home, deep + "/Applications");
    EXPECT_LT(timer.elapsed(), 5000) << "each look-up is made once";

    // Deeper than a path can name: only rm's walk through open folders takes it away.
    QProcess::execute("rm", {"-rf", root + "/real/d"});
}

// A path of 60,000 parts that is not there does not take the stack with it.
TEST_F(CanonicalPath, MissingPathOfSixtyThousandPartsIsKeptAsWritten)
{
    QString parts = root + "/real";
    for (int i = 0; i < 60'000; ++i)
        parts += QStringLiteral("/p");
    EXPECT_EQ(canonicalPath(parts), parts);

    // Nor does it cost a copy of each of its ancestors when it is an application folder: the
    // guard built at start protects only what a path can name.
    QElapsedTimer timer;
    timer.start();
    UninstallEnvironment env;
    env.roots.home = root + "/home";
    env.roots.applicationFolders << parts;
    env.roots = resolvedRoots(env.roots);
    const UninstallGuard guard(env);
    EXPECT_LT(timer.elapsed(), 5000);
    EXPECT_TRUE(guard.isProtectedFolder(root + "/real/p/p"));
    EXPECT_TRUE(guard.isProtectedFolder(root + "/real"));
}
