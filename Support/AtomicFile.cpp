#include "Support/AtomicFile.h"

#include "Support/Logger.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvanta {

namespace {

QString errnoText(const char* step, int code)
{
    return QString::fromLatin1(step) + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(code));
}

// A hidden temporary beside the target, created only by us; the mode is the default one for new
// files (umask applied), as the target would get.
int createTemporary(const QFileInfo& target, QByteArray& name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString candidate = target.absolutePath() + QStringLiteral("/.") + target.fileName() + u'.'
            + QString::number(QRandomGenerator::global()->generate64(), 36) + QStringLiteral(".tmp");
        name = QFile::encodeName(candidate);
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        // Held until the file has its final name: a start that finds a temporary nobody holds
        // knows its writer is gone (see removeStaleTemporaries).
        if (fd >= 0)
            ::flock(fd, LOCK_EX | LOCK_NB);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

bool writeAll(int fd, const QByteArray& bytes)
{
    const char* at = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t wrote = ::write(fd, at, size_t(left));
        if (wrote < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        at += wrote;
        left -= wrote;
    }
    return true;
}

// Every step is checked: a write, the flush to the disk (where a full disk may first be noticed)
// and the close. Any failure removes the temporary and leaves the target as it was.
QString replaceFile(const QString& path, const QByteArray& bytes, FileSync sync, int& code)
{
    const QFileInfo target(path);
    QByteArray temporary;
    const int fd = createTemporary(target, temporary);
    if (fd < 0) {
        code = errno;
        return errnoText("create", code);
    }
    const auto abandon = [&](const char* step) {
        code = errno;
        ::close(fd);
        ::unlink(temporary.constData());
        return errnoText(step, code);
    };
    struct stat existing {};
    const QByteArray targetName = QFile::encodeName(target.absoluteFilePath());
    if (::stat(targetName.constData(), &existing) == 0 && ::fchmod(fd, existing.st_mode & 07777) != 0)
        return abandon("chmod");
    if (!writeAll(fd, bytes))
        return abandon("write");
    if (sync == FileSync::toDisk && ::fsync(fd) != 0)
        return abandon("fsync");
    // Renamed while still open and locked; the data is on the disk already, so a failing
    // close after it loses nothing (a cache's file, not flushed, is only a cache).
    if (::rename(temporary.constData(), targetName.constData()) != 0)
        return abandon("rename");
    if (::close(fd) != 0)
        CLOG_WARN(QStringLiteral("写入后关闭文件失败（") + errnoText("close", errno) + QStringLiteral("）：") + path);
    if (sync == FileSync::none)
        return {};
    // The rename lives in the folder: without this a power cut may bring the old file back.
    const int folder = ::open(QFile::encodeName(target.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0 || ::fsync(folder) != 0)
        CLOG_WARN(QStringLiteral("写入后未能同步目录（") + errnoText("fsync", errno) + QStringLiteral("）：") + target.absolutePath());
    if (folder >= 0)
        ::close(folder);
    return {};
}

} // namespace

namespace {

// ".<name>.<base-36 number>.tmp", as createTemporary names them.
bool isTemporaryOf(QByteArrayView entry, QByteArrayView prefix)
{
    if (!entry.startsWith(prefix) || !entry.endsWith(".tmp"))
        return false;
    const QByteArrayView number = entry.sliced(prefix.size(), entry.size() - prefix.size() - 4);
    if (number.isEmpty() || number.size() > 13)
        return false;
    for (const char c : number)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z')))
            return false;
    return true;
}

// A just-created temporary is empty for the moment before its writer locks it.
constexpr time_t kNewTemporarySeconds = 2;

bool isAbandoned(int folder, const char* name)
{
    struct stat seen {};
    if (::fstatat(folder, name, &seen, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(seen.st_mode) || seen.st_uid != ::geteuid())
        return false;
    const int fd = ::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat held {};
    bool abandoned = ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &held) == 0 && held.st_dev == seen.st_dev
        && held.st_ino == seen.st_ino && (held.st_size > 0 || ::time(nullptr) - held.st_mtime >= kNewTemporarySeconds);
    // Still the same file under that name: a writer that finished has renamed it.
    struct stat now {};
    abandoned = abandoned && ::fstatat(folder, name, &now, AT_SYMLINK_NOFOLLOW) == 0 && now.st_ino == held.st_ino
        && now.st_dev == held.st_dev;
    if (abandoned)
        abandoned = ::unlinkat(folder, name, 0) == 0;
    ::close(fd);
    return abandoned;
}

} // namespace

int removeStaleTemporaries(const QString& path)
{
    const QFileInfo target(path);
    const QByteArray prefix = '.' + QFile::encodeName(target.fileName()) + '.';
    DIR* dir = ::opendir(QFile::encodeName(target.absolutePath()).constData());
    if (!dir)
        return 0;
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (isTemporaryOf(QByteArrayView(entry->d_name), prefix) && isAbandoned(::dirfd(dir), entry->d_name))
            ++removed;
    }
    ::closedir(dir);
    return removed;
}

bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error, FileSync sync, int* errorCode)
{
    int code = 0;
    const QString reason = replaceFile(path, bytes, sync, code);
    if (reason.isEmpty())
        return true;
    CLOG_ERROR(QStringLiteral("原子写入失败，原文件保持不变（") + reason + QStringLiteral("）：") + path);
    if (error)
        *error = reason;
    if (errorCode)
        *errorCode = code;
    return false;
}

} // namespace corvanta
