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
#include <fcntl.h>
#include <functional>
#include <thread>
#include <sys/file.h>
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
// Run (once) by the test thread's next fsync call, the moment a write waits longest.
std::function<void()> duringFsync;

} // namespace

extern "C" int fsync(int fd)
{
    if (duringFsync && std::this_thread::get_id() == fsyncThread)
        std::exchange(duringFsync, nullptr)();
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

// The temporaries of writes cut short go; what another running copy is writing now, files of
// other names and anything that is not a plain file of ours stay.
TEST(AtomicFile, StaleTemporariesOfThePatternAreRemoved)
{
    QTemporaryDir dir;
    const QString target = dir.filePath("layout.json");
    const auto make = [&](const char* name, qint64 size, qint64 ageSeconds = 0) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(size, 'x'));
        file.close();
        if (ageSeconds > 0) {
            const timespec times[2] = {{::time(nullptr) - ageSeconds, 0}, {::time(nullptr) - ageSeconds, 0}};
            EXPECT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
        }
        return path;
    };
    const QStringList stale = {make(".layout.json.k2x9w8e3ab1cd.tmp", 2 * 1024 * 1024), make(".layout.json.0.tmp", 10),
                               make(".layout.json.emptyold.tmp", 0, 10)};
    const QString writing = make(".layout.json.writing.tmp", 1000);
    const int holder = ::open(QFile::encodeName(writing).constData(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
    const QStringList kept = {
        writing,
        make(".layout.json.justmade.tmp", 0),         // its writer may not have locked it yet
        make(".layout.json.UPPER.tmp", 10, 10),       // not a name we make
        make(".layout.json.k2x9w8e3ab1cd0.tmp", 10, 10), // too long for a 64-bit number
        make(".layout.json..tmp", 10, 10),
        make("layout.json.abc.tmp", 10, 10),
        make(".settings.json.abc.tmp", 10, 10),
        make(".layout.json.abc.tmp~", 10, 10),
        make("layout.json", 10, 10),
    };
    const QString aside = make("aside", 10, 10);
    ASSERT_TRUE(QFile::link(aside, dir.filePath(".layout.json.link.tmp")));
    ASSERT_TRUE(QDir().mkdir(dir.filePath(".layout.json.folder.tmp")));

    EXPECT_EQ(removeStaleTemporaries(target), 3);
    for (const QString& path : stale)
        EXPECT_FALSE(QFileInfo::exists(path)) << path.toStdString();
    for (const QString& path : kept)
        EXPECT_TRUE(QFileInfo::exists(path)) << path.toStdString();
    EXPECT_TRUE(QFileInfo(dir.filePath(".layout.json.link.tmp")).isSymLink());
    EXPECT_TRUE(QFileInfo(dir.filePath(".layout.json.folder.tmp")).isDir());
    EXPECT_TRUE(QFileInfo::exists(aside));

    // Once its writer is gone, the one it held goes too.
    ::close(holder);
    EXPECT_EQ(removeStaleTemporaries(target), 1);
    EXPECT_FALSE(QFileInfo::exists(writing));
}

// A write holds its temporary until the file has its final name, so that a second copy starting
// meanwhile leaves it alone.
TEST(AtomicFile, AWriteInProgressHoldsItsTemporary)
{
    QTemporaryDir dir;
    const QString target = dir.filePath("layout.json");
    int removedDuringWrite = -1;
    fsyncThread = std::this_thread::get_id();
    duringFsync = [&] { removedDuringWrite = removeStaleTemporaries(target); };
    ASSERT_TRUE(writeFileAtomically(target, QByteArray(100000, 'n')));
    EXPECT_EQ(removedDuringWrite, 0);
    EXPECT_EQ(contentOf(target), QByteArray(100000, 'n'));
}
