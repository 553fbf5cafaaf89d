#include "Platform/ChildProcess.h"
#include "Platform/SafeFiles.h"
#include "common/BundleBuilder.h"
#include "common/MountNamespace.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace corvanta;
using namespace corvanta::SafeFiles;
using corvanta::test::writeFile;

namespace {

class SafeFilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = QDir(m_dir.path()).canonicalPath();
        outside = QDir(m_outsideDir.path()).canonicalPath();
        writeFile(outside + QStringLiteral("/keep/big.bin"), QByteArray(50000, 'b'));
    }
    void TearDown() override { EXPECT_EQ(QFileInfo(outside + QStringLiteral("/keep/big.bin")).size(), 50000); }
    void link(const QString& target, const QString& at)
    {
        QDir().mkpath(at.section(u'/', 0, -2));
        ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(at).constData()), 0);
    }
    QString path(const QString& rest) const { return root + u'/' + rest; }
    bool exists(const QString& rest) const { return linkStat(path(rest)).has_value(); }
    DeviceOverride otherDeviceFor(const QString& rest) const
    {
        const quint64 inode = linkStat(path(rest))->inode;
        return [inode](quint64 device, quint64 ino) { return ino == inode ? device + 7 : device; };
    }

    QString root, outside;

private:
    QTemporaryDir m_dir, m_outsideDir;
};

TEST_F(SafeFilesTest, SizesCountOwnBytesAndNeverFollowLinks)
{
    writeFile(path("f/a.txt"), QByteArray(100, 'a'));
    writeFile(path("f/.hidden"), QByteArray(6000, 'h'));
    writeFile(path("f/.cache/inner"), QByteArray(700, 'c'));
    EXPECT_EQ(sizeOfItem(path("missing")), 0);
    EXPECT_EQ(sizeOfItem(path("f/a.txt")), 100);
    EXPECT_EQ(sizeOfItem(path("f")), 100);
    EXPECT_EQ(directorySize(path("f")), 6800);

    const QString target = outside + QStringLiteral("/keep");
    link(target, path("g/to-outside"));
    link(path("nowhere"), path("g/dangling"));
    writeFile(path("g/file"), QByteArray(10, 'x'));
    const qint64 linkBytes = target.toUtf8().size() + path("nowhere").toUtf8().size();
    EXPECT_EQ(sizeOfItem(path("g")), 10 + linkBytes);
    EXPECT_EQ(directorySize(path("g")), 10);
    EXPECT_EQ(sizeOfItem(path("g/to-outside")), target.toUtf8().size());
    EXPECT_EQ(directorySize(path("g/to-outside")), 0);
}

TEST_F(SafeFilesTest, WalksStopAtAnotherFileSystem)
{
    writeFile(path("f/a"), QByteArray(100, 'a'));
    writeFile(path("f/mnt/b"), QByteArray(1000, 'b'));
    EXPECT_EQ(sizeOfItem(path("f"), otherDeviceFor("f/mnt")), 100);
    EXPECT_EQ(directorySize(path("f"), otherDeviceFor("f/mnt")), 100);
    EXPECT_TRUE(isMountPoint(path("f/mnt"), otherDeviceFor("f/mnt")));
    EXPECT_FALSE(isMountPoint(path("f/mnt")));
}

TEST_F(SafeFilesTest, RemovalNeverFollowsLinksAndCountsDanglingOnes)
{
    writeFile(path("victim/a.txt"), "a");
    writeFile(path("victim/sub/b.txt"), "b");
    link(outside + QStringLiteral("/keep"), path("victim/sub/to-outside"));
    link(outside + QStringLiteral("/keep/big.bin"), path("victim/file-link"));
    link(path("victim/gone"), path("victim/dangling"));

    const RemoveOutcome out = removeNoFollow(path("victim"), std::nullopt);
    EXPECT_EQ(out.status, RemoveOutcome::Status::removed);
    EXPECT_EQ(out.removedEntries, 7u); // a, b, three links, sub, victim
    EXPECT_FALSE(exists("victim"));

    link(path("nothing-here"), path("lone-dangling"));
    const RemoveOutcome dangling = removeNoFollow(path("lone-dangling"), std::nullopt);
    EXPECT_EQ(dangling.status, RemoveOutcome::Status::removed);
    EXPECT_EQ(dangling.removedEntries, 1u);
    EXPECT_FALSE(exists("lone-dangling"));

    link(outside + QStringLiteral("/keep"), path("dir-link"));
    EXPECT_EQ(removeNoFollow(path("dir-link"), std::nullopt).status, RemoveOutcome::Status::removed);

    EXPECT_EQ(removeNoFollow(path("never-was"), std::nullopt).status, RemoveOutcome::Status::missing);
}

TEST_F(SafeFilesTest, RemovalRefusesLinkedParentsReplacementsAndMounts)
{
    // A parent reached through a link: refused, the target untouched.
    link(outside + QStringLiteral("/keep"), path("via"));
    const RemoveOutcome viaLink = removeNoFollow(path("via/big.bin"), std::nullopt);
    EXPECT_EQ(viaLink.status, RemoveOutcome::Status::refused);

    writeFile(path("item/x"), "x");
    const auto seen = linkStat(path("item"));
    const RemoveOutcome replaced = removeNoFollow(path("item"), Identity{seen->device, seen->inode + 1});
    EXPECT_EQ(replaced.status, RemoveOutcome::Status::refused);
    EXPECT_TRUE(exists("item/x"));

    // The folder itself on another file system, then one met inside it.
    EXPECT_EQ(removeNoFollow(path("item"), std::nullopt, otherDeviceFor("item")).status, RemoveOutcome::Status::refused);
    EXPECT_TRUE(exists("item/x"));
    writeFile(path("item/mnt/data"), "d");
    const RemoveOutcome inner = removeNoFollow(path("item"), std::nullopt, otherDeviceFor("item/mnt"));
    EXPECT_EQ(inner.status, RemoveOutcome::Status::refused);
    EXPECT_TRUE(exists("item/mnt/data"));
    EXPECT_FALSE(exists("item/x"));

    EXPECT_EQ(removeNoFollow(QStringLiteral("relative/path"), std::nullopt).status, RemoveOutcome::Status::refused);
    EXPECT_EQ(removeNoFollow(path("item/.."), std::nullopt).status, RemoveOutcome::Status::refused);
}

// With the right to mount (root on Linux), a real file system mounted inside the tree; elsewhere
// the injected device checks above stand in for it.
TEST_F(SafeFilesTest, RealMountPointIsNeitherCrossedNorRemoved)
{
    writeFile(path("tree/top.txt"), QByteArray(10, 't'));
    QDir().mkpath(path("tree/mnt"));
    const QByteArray mountPoint = QFile::encodeName(path("tree/mnt"));
    if (::mount("none", mountPoint.constData(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "cannot mount here";
    struct Unmount {
        QByteArray at;
        ~Unmount() { ::umount2(at.constData(), MNT_DETACH); }
    } unmount{mountPoint};
    writeFile(path("tree/mnt/inside.txt"), QByteArray(1000, 'i'));

    EXPECT_TRUE(isMountPoint(path("tree/mnt")));
    EXPECT_EQ(sizeOfItem(path("tree")), 10);
    EXPECT_EQ(removeNoFollow(path("tree/mnt"), std::nullopt).status, RemoveOutcome::Status::refused);
    EXPECT_EQ(removeNoFollow(path("tree"), std::nullopt).status, RemoveOutcome::Status::refused);
    EXPECT_TRUE(exists("tree/mnt/inside.txt"));
}

// A mount table of our own lists a folder of the tree as mounted (its name written with the
// table's escapes): without the kernel's marks, the table alone keeps every walk out of it.
TEST_F(SafeFilesTest, MountTableAloneMarksMountPoints)
{
    writeFile(path("tree/top.txt"), QByteArray(10, 't'));
    writeFile(path("tree/sub/x"), QByteArray(5, 'x'));
    writeFile(path("tree/bound dir/inside.txt"), QByteArray(1000, 'i'));
    QString escaped = path("tree/bound dir");
    escaped.replace(u' ', QStringLiteral("\\040"));
    const QString table = path("mountinfo");
    writeFile(table, QStringLiteral("28 1 254:0 / / rw,relatime - ext4 /dev/vda rw\n"
                                    "99 28 254:0 /srv/data %1 rw,relatime - ext4 /dev/vda rw\n")
                         .arg(escaped)
                         .toUtf8());
    EXPECT_EQ(mountPoints(table), QStringList({QStringLiteral("/"), path("tree/bound dir")}));
    EXPECT_TRUE(mountPoints(path("no-such-table")).isEmpty());

    MountCheck mounts;
    mounts.mountTable = table;
    mounts.kernelMarks = false;
    EXPECT_TRUE(isMountPoint(path("tree/bound dir"), {}, mounts));
    EXPECT_FALSE(isMountPoint(path("tree/sub"), {}, mounts));
    EXPECT_TRUE(hasMountInside(path("tree"), mounts));
    EXPECT_FALSE(hasMountInside(path("tree/bound dir"), mounts));
    EXPECT_FALSE(hasMountInside(path("tree/sub"), mounts));
    EXPECT_EQ(sizeOfItem(path("tree"), {}, mounts), 15);
    EXPECT_EQ(directorySize(path("tree"), {}, mounts), 15);
    EXPECT_EQ(sizeOfItem(path("tree/bound dir"), {}, mounts), 0);

    EXPECT_EQ(removeNoFollow(path("tree/bound dir"), std::nullopt, {}, mounts).status, RemoveOutcome::Status::refused);
    EXPECT_EQ(removeNoFollow(path("tree"), std::nullopt, {}, mounts).status, RemoveOutcome::Status::refused);
    EXPECT_TRUE(exists("tree/bound dir/inside.txt"));
}

// The kernel's mount table declares no size and hands itself out a page per read: a system with
// many mounts lists them past the first page, and the last of them still counts.
TEST_F(SafeFilesTest, MountTableIsReadPastItsFirstPage)
{
    QDir().mkpath(path("source"));
    const int count = 120;
    for (int i = 0; i < count; ++i)
        QDir().mkpath(path(QStringLiteral("tree/m%1").arg(i)));
    const test::NamespaceRun run = test::runInOwnMountNamespace([this]() -> std::string {
        for (int i = 0; i < count; ++i) {
            if (!test::bindMount(path("source").toStdString(), path(QStringLiteral("tree/m%1").arg(i)).toStdString()))
                return std::string("cannot bind mount: ") + std::strerror(errno);
        }
        const QStringList points = mountPoints(QStringLiteral("/proc/thread-self/mountinfo"));
        if (!points.contains(path(QStringLiteral("tree/m%1").arg(count - 1))))
            return "the last mount is missing: " + std::to_string(points.size()) + " mount points read";
        return {};
    });
    if (!run.ran)
        GTEST_SKIP() << run.failures;
    EXPECT_EQ(run.failures, "");
}

// A real bind mount of a folder (and of a file) of the same disk, in a mount namespace of the
// test's own: the device is the parent's, so only the kernel's marks or the mount table tell.
TEST_F(SafeFilesTest, BindMountOfTheSameDiskIsNeitherCrossedNorEmptied)
{
    writeFile(path("source/precious.txt"), QByteArray(1000, 'p'));
    writeFile(path("source-file"), QByteArray(300, 'f'));
    writeFile(path("tree/top.txt"), QByteArray(10, 't'));
    writeFile(path("tree/bound-file"), QByteArray(1, 'b'));
    QDir().mkpath(path("tree/bound"));
    const test::NamespaceRun run = test::runInOwnMountNamespace([this]() -> std::string {
        std::string failures;
        auto expect = [&](bool held, const std::string& what) {
            if (!held)
                failures += what + "\n";
        };
        if (!test::bindMount(path("source").toStdString(), path("tree/bound").toStdString())
            || !test::bindMount(path("source-file").toStdString(), path("tree/bound-file").toStdString()))
            return std::string("cannot bind mount: ") + std::strerror(errno);
        for (const bool kernelMarks : {true, false}) {
            MountCheck mounts;
            mounts.kernelMarks = kernelMarks;
            const std::string mode = kernelMarks ? " (kernel marks)" : " (mount table)";
            expect(isMountPoint(path("tree/bound"), {}, mounts), "folder not a mount point" + mode);
            expect(isMountPoint(path("tree/bound-file"), {}, mounts), "file not a mount point" + mode);
            expect(!isMountPoint(path("tree"), {}, mounts), "tree taken for a mount point" + mode);
            expect(hasMountInside(path("tree"), mounts), "mount inside not seen" + mode);
            const qint64 size = sizeOfItem(path("tree"), {}, mounts);
            expect(size == 10, "size walk crossed: " + std::to_string(size) + mode);
            expect(directorySize(path("tree"), {}, mounts) == 10, "directory size crossed" + mode);
        }
        for (const bool kernelMarks : {true, false}) {
            MountCheck mounts;
            mounts.kernelMarks = kernelMarks;
            const std::string mode = kernelMarks ? " (kernel marks)" : " (mount table)";
            expect(removeNoFollow(path("tree/bound"), std::nullopt, {}, mounts).status == RemoveOutcome::Status::refused,
                   "mounted folder not refused" + mode);
            expect(removeNoFollow(path("tree/bound-file"), std::nullopt, {}, mounts).status == RemoveOutcome::Status::refused,
                   "mounted file not refused" + mode);
            expect(removeNoFollow(path("tree"), std::nullopt, {}, mounts).status == RemoveOutcome::Status::refused,
                   "tree holding a mount not refused" + mode);
            expect(exists("source/precious.txt") && exists("tree/bound/precious.txt"), "mounted folder emptied" + mode);
        }
        return failures;
    });
    if (!run.ran)
        GTEST_SKIP() << run.failures;
    EXPECT_EQ(run.failures, "");
    // The namespace is gone with its mounts; what was mounted is untouched.
    EXPECT_EQ(QFileInfo(path("source/precious.txt")).size(), 1000);
    EXPECT_EQ(QFileInfo(path("source-file")).size(), 300);
    EXPECT_TRUE(exists("tree/bound"));
    EXPECT_FALSE(exists("tree/bound/precious.txt"));
}

TEST(SafeFilesRights, DeletabilityFollowsTheFolderNotTheEntry)
{
    auto stat = [](quint32 mode, quint32 uid, quint32 gid) {
        EntryStat out;
        out.mode = mode;
        out.uid = uid;
        out.gid = gid;
        return out;
    };
    const Credentials user{1000, {1000, 20}};
    const EntryStat lockedFile = stat(S_IFREG | 0400, 0, 0);
    const EntryStat ownFile = stat(S_IFREG | 0400, 1000, 1000);
    struct Case {
        EntryStat folder;
        EntryStat entry;
        bool may;
    } cases[] = {
        {stat(S_IFDIR | 0700, 1000, 1000), lockedFile, true},    // own folder: the entry's mode does not matter
        {stat(S_IFDIR | 0500, 1000, 1000), ownFile, false},      // no write right
        {stat(S_IFDIR | 0600, 1000, 1000), ownFile, false},      // no search right
        {stat(S_IFDIR | 0770, 0, 20), lockedFile, true},         // group rights
        {stat(S_IFDIR | 0755, 0, 0), ownFile, false},            // others cannot write
        {stat(S_IFDIR | 01777, 0, 0), lockedFile, false},        // sticky: neither folder nor entry is ours
        {stat(S_IFDIR | 01777, 0, 0), ownFile, true},            // sticky: the entry is ours
        {stat(S_IFDIR | 01777, 1000, 0), lockedFile, true},      // sticky: the folder is ours
        {stat(S_IFREG | 0777, 1000, 1000), ownFile, false},      // not a folder
    };
    for (const Case& c : cases)
        EXPECT_EQ(mayRemoveEntry(c.folder, c.entry, user), c.may) << std::oct << c.folder.mode;
    EXPECT_TRUE(mayRemoveEntry(stat(S_IFDIR | 0500, 0, 0), lockedFile, Credentials{0, {0}}));
}

TEST(ChildProcessRunner, DrainsOutputAndHonoursTheDeadline)
{
    SpawnChildProcessRunner runner;
    const ChildResult missing = runner.run(QStringLiteral("/no/such/tool"), {}, 1000, 100);
    EXPECT_FALSE(missing.started);

    // Far more than a pipe holds; only the limit is kept, and the child is not left blocked.
    const ChildResult big = runner.run(QStringLiteral("/usr/bin/head"), {QStringLiteral("-c"), QStringLiteral("3000000"),
                                                                         QStringLiteral("/dev/zero")}, 20000, 1000);
    EXPECT_TRUE(big.succeeded());
    EXPECT_EQ(big.output.size(), 1000);
    EXPECT_TRUE(big.outputTruncated);

    const ChildResult status = runner.run(QStringLiteral("/bin/false"), {}, 5000, 100);
    EXPECT_TRUE(status.started);
    EXPECT_EQ(status.exitCode, 1);

    // A tool that never ends is killed at its deadline.
    const ChildResult hung = runner.run(QStringLiteral("/bin/sleep"), {QStringLiteral("30")}, 50, 100);
    EXPECT_TRUE(hung.timedOut);
    EXPECT_FALSE(hung.succeeded());
}

} // namespace
