#include "Support/AtomicFile.h"

#include "common/LogCapture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <dlfcn.h>
#include <thread>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace corvanta;
using namespace corvanta::test;

namespace {

// fsync calls of the test's thread, counted from 1, of which the one numbered `failingFsync` fails
// with EIO; 0 fails none. Every other call goes to the C library.
std::atomic<int> failingFsync{0};
std::atomic<int> fsyncCalls{0};
std::thread::id fsyncThread;

} // namespace

extern "C" int fsync(int fd)
{
    if (failingFsync != 0 && std::this_thread::get_id() == fsyncThread && ++fsyncCalls == failingFsync) {
        errno = EIO;
        return -1;
    }
    static const auto real = reinterpret_cast<int (*)(int)>(::dlsym(RTLD_NEXT, "fsync"));
    return real(fd);
}

namespace {

struct FailingFsync {
    explicit FailingFsync(int call)
    {
        fsyncThread = std::this_thread::get_id();
        fsyncCalls = 0;
        failingFsync = call;
    }
    ~FailingFsync() { failingFsync = 0; }
};

QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writePlain(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// The folder's names besides the target: a failed write must leave no temporary behind.
QStringList otherNames(const QString& folder, const QString& keep)
{
    QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    names.removeAll(keep);
    return names;
}

// A write that fails part-way: the old content stays, nothing is left beside it, the log says so.
void expectFailedWriteKeepsTheOldFile(const QString& folder, const QByteArray& large)
{
    const QString path = folder + QStringLiteral("/layout.json");
    const QByteArray old(600, 'o');
    LogCapture log;
    QString error;
    EXPECT_FALSE(writeFileAtomically(path, large, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(contentOf(path), old);
    EXPECT_EQ(otherNames(folder, QStringLiteral("layout.json")), QStringList{QStringLiteral("filler")});
    EXPECT_TRUE(log.contains(QStringLiteral("原子写入失败"))) << log.messages().join('\n').toStdString();
}

} // namespace

// A small file system filled up: the new content's write or its flush to the disk fails. Runs only
// where the test may mount a tmpfs.
TEST(AtomicFile, AFullFileSystemKeepsTheOldFile)
{
    QTemporaryDir root;
    const QString folder = root.filePath(QStringLiteral("full"));
    QDir().mkpath(folder);
    const QByteArray mountPoint = QFile::encodeName(folder);
    if (::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "no permission to mount a tmpfs";
    struct Unmount {
        QByteArray point;
        ~Unmount() { ::umount2(point.constData(), MNT_DETACH); }
    } unmount{mountPoint};

    const QString path = folder + QStringLiteral("/layout.json");
    ASSERT_TRUE(writeFileAtomically(path, QByteArray(600, 'o')));
    // Fill what is left, so even a write below the stream buffer's size can only fail at its flush.
    QFile filler(folder + QStringLiteral("/filler"));
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
    const QByteArray block(1024, 'f');
    while (filler.write(block) == block.size() && filler.flush()) {
    }
    filler.close();

    expectFailedWriteKeepsTheOldFile(folder, QByteArray(8 * 1024, 'n'));
    expectFailedWriteKeepsTheOldFile(folder, QByteArray(200 * 1024, 'n'));

    // Room again: the write goes through in full.
    QFile::remove(folder + QStringLiteral("/filler"));
    ASSERT_TRUE(writeFileAtomically(path, QByteArray(8 * 1024, 'n')));
    EXPECT_EQ(contentOf(path), QByteArray(8 * 1024, 'n'));
}

// The same on any machine: a file-size limit makes the kernel refuse the write past it.
TEST(AtomicFile, ARefusedWriteKeepsTheOldFile)
{
    QTemporaryDir root;
    const QString folder = root.path();
    writePlain(folder + QStringLiteral("/layout.json"), QByteArray(600, 'o'));
    writePlain(folder + QStringLiteral("/filler"), {});

    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    expectFailedWriteKeepsTheOldFile(folder, QByteArray(8 * 1024, 'n'));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
}

TEST(AtomicFile, ReplacesTheContentAndKeepsTheMode)
{
    QTemporaryDir root;
    const QString path = root.filePath(QStringLiteral("entry.desktop"));
    writePlain(path, "old");
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    ASSERT_TRUE(writeFileAtomically(path, "new"));
    EXPECT_EQ(contentOf(path), "new");
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_TRUE(otherNames(root.path(), QStringLiteral("entry.desktop")).isEmpty());
}

// The disk reports an error when the new content is flushed: the rename never happens, the old
// file stays whole and the temporary goes. A failure to flush the folder after the rename only
// warns: the new content is in place.
TEST(AtomicFile, AFailingFlushToTheDiskKeepsTheOldFile)
{
    QTemporaryDir root;
    const QString folder = root.path();
    const QString path = folder + QStringLiteral("/layout.json");
    writePlain(path, QByteArray(600, 'o'));
    writePlain(folder + QStringLiteral("/filler"), {});
    {
        const FailingFsync failing(1);
        QString error;
        LogCapture log;
        EXPECT_FALSE(writeFileAtomically(path, QByteArray(8 * 1024, 'n'), &error));
        EXPECT_TRUE(error.startsWith(QStringLiteral("fsync: "))) << error.toStdString();
        EXPECT_EQ(contentOf(path), QByteArray(600, 'o'));
        EXPECT_EQ(otherNames(folder, QStringLiteral("layout.json")), QStringList{QStringLiteral("filler")});
        EXPECT_TRUE(log.contains(QStringLiteral("原子写入失败，原文件保持不变（fsync: ")));
    }
    {
        const FailingFsync failing(2);
        LogCapture log;
        EXPECT_TRUE(writeFileAtomically(path, QByteArray(8 * 1024, 'n')));
        EXPECT_EQ(contentOf(path), QByteArray(8 * 1024, 'n'));
        EXPECT_EQ(otherNames(folder, QStringLiteral("layout.json")), QStringList{QStringLiteral("filler")});
        EXPECT_TRUE(log.contains(QStringLiteral("写入后未能同步目录（fsync: ")));
    }
}
