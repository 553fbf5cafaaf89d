#include "Platform/SafeFiles.h"

#include <QFile>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvanta::SafeFiles {

namespace {

// Folders nested deeper than this are not walked (each level holds one descriptor open).
constexpr int kMaxDepth = 256;

quint64 deviceOf(const struct stat& info, const DeviceOverride& deviceOverride)
{
    return deviceOverride ? deviceOverride(quint64(info.st_dev), quint64(info.st_ino)) : quint64(info.st_dev);
}

EntryStat toEntry(const struct stat& info, const DeviceOverride& deviceOverride)
{
    EntryStat out;
    out.mode = info.st_mode;
    out.size = qint64(info.st_size);
    out.device = deviceOf(info, deviceOverride);
    out.inode = quint64(info.st_ino);
    out.uid = info.st_uid;
    out.gid = info.st_gid;
    return out;
}

bool isDotOrDotDot(const char* name)
{
    return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}

struct WalkRule {
    bool skipHidden;   // names beginning with "." are neither counted nor entered
    bool regularOnly;  // only regular files count; otherwise files and links count
};

// Sums the entries of the open folder `fd` (taken over and closed).
qint64 walk(int fd, quint64 device, const WalkRule& rule, const DeviceOverride& deviceOverride, int depth)
{
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return 0;
    }
    qint64 total = 0;
    struct stat info {};
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (isDotOrDotDot(name) || (rule.skipHidden && name[0] == '.'))
            continue;
        if (::fstatat(::dirfd(dir), name, &info, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISDIR(info.st_mode)) {
            if (depth >= kMaxDepth || deviceOf(info, deviceOverride) != device)
                continue;
            const int child = ::openat(::dirfd(dir), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (child >= 0)
                total += walk(child, device, rule, deviceOverride, depth + 1);
        } else if (S_ISREG(info.st_mode) || (!rule.regularOnly && S_ISLNK(info.st_mode))) {
            total += qint64(info.st_size);
        } else if (!rule.regularOnly) {
            total += qint64(info.st_size);
        }
    }
    ::closedir(dir);
    return total;
}

qint64 measure(const QString& path, const WalkRule& rule, const DeviceOverride& deviceOverride, bool fileCounts)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat info {};
    if (::lstat(name.constData(), &info) != 0)
        return 0;
    if (!S_ISDIR(info.st_mode))
        return fileCounts ? qint64(info.st_size) : 0;
    const int fd = ::open(name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return 0;
    return walk(fd, deviceOf(info, deviceOverride), rule, deviceOverride, 0);
}

QString parentOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    if (slash <= 0)
        return QStringLiteral("/");
    return path.left(slash);
}

QString fdPath(int fd)
{
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char target[PATH_MAX + 1];
    const ssize_t got = ::readlink(link, target, PATH_MAX);
    if (got <= 0)
        return {};
    return QFile::decodeName(QByteArray(target, got));
}

RemoveOutcome failure(RemoveOutcome::Status status, int error, QString message)
{
    RemoveOutcome out;
    out.status = status;
    out.error = error;
    out.message = std::move(message);
    return out;
}

// Removes everything inside the open folder `fd` (taken over and closed). Returns 0 or the errno
// of the first failure; `count` grows by every entry removed.
int emptyFolder(int fd, quint64 device, const DeviceOverride& deviceOverride, int depth, quint64& count, QString& why)
{
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        const int error = errno;
        ::close(fd);
        return error;
    }
    int firstError = 0;
    struct stat info {};
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (isDotOrDotDot(name))
            continue;
        if (::fstatat(::dirfd(dir), name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT && !firstError)
                firstError = errno;
            continue;
        }
        if (S_ISDIR(info.st_mode)) {
            if (deviceOf(info, deviceOverride) != device) {
                if (!firstError) {
                    firstError = EXDEV;
                    why = QStringLiteral("a mounted file system lies inside");
                }
                continue;
            }
            if (depth >= kMaxDepth) {
                if (!firstError)
                    firstError = ELOOP;
                continue;
            }
            const int child = ::openat(::dirfd(dir), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (child < 0) {
                if (!firstError)
                    firstError = errno;
                continue;
            }
            const int inner = emptyFolder(child, device, deviceOverride, depth + 1, count, why);
            if (inner != 0) {
                if (!firstError)
                    firstError = inner;
                continue;
            }
            if (::unlinkat(::dirfd(dir), name, AT_REMOVEDIR) == 0)
                ++count;
            else if (!firstError)
                firstError = errno;
        } else if (::unlinkat(::dirfd(dir), name, 0) == 0) {
            ++count; // a link goes here too, dangling or not: unlinkat never follows it
        } else if (errno != ENOENT && !firstError) {
            firstError = errno;
        }
    }
    ::closedir(dir);
    return firstError;
}

} // namespace

bool EntryStat::isDirectory() const { return S_ISDIR(mode); }
bool EntryStat::isSymlink() const { return S_ISLNK(mode); }
bool EntryStat::isRegular() const { return S_ISREG(mode); }

std::optional<EntryStat> linkStat(const QString& path, const DeviceOverride& deviceOverride)
{
    struct stat info {};
    if (path.isEmpty() || ::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return toEntry(info, deviceOverride);
}

bool isMountPoint(const QString& path, const DeviceOverride& deviceOverride)
{
    const auto self = linkStat(path, deviceOverride);
    const auto parent = linkStat(parentOf(path), deviceOverride);
    return self && parent && self->isDirectory() && self->device != parent->device;
}

std::optional<QString> realPath(const QString& path)
{
    char resolved[PATH_MAX + 1];
    if (!::realpath(QFile::encodeName(path).constData(), resolved))
        return std::nullopt;
    return QFile::decodeName(resolved);
}

qint64 sizeOfItem(const QString& path, const DeviceOverride& deviceOverride)
{
    return measure(path, WalkRule{true, false}, deviceOverride, true);
}

qint64 directorySize(const QString& path, const DeviceOverride& deviceOverride)
{
    return measure(path, WalkRule{false, true}, deviceOverride, false);
}

Credentials Credentials::ofProcess()
{
    Credentials who;
    who.uid = ::geteuid();
    who.groups.append(::getegid());
    gid_t groups[256];
    const int count = ::getgroups(256, groups);
    for (int i = 0; i < count; ++i)
        if (!who.groups.contains(groups[i]))
            who.groups.append(groups[i]);
    return who;
}

bool mayRemoveEntry(const EntryStat& folder, const EntryStat& entry, const Credentials& who)
{
    if (who.uid == 0)
        return true;
    if (!folder.isDirectory())
        return false;
    quint32 rights;
    if (folder.uid == who.uid)
        rights = (folder.mode >> 6) & 7;
    else if (who.groups.contains(folder.gid))
        rights = (folder.mode >> 3) & 7;
    else
        rights = folder.mode & 7;
    const bool writeAndSearch = (rights & 3) == 3; // w and x
    if (!writeAndSearch)
        return false;
    if (folder.mode & S_ISVTX)
        return folder.uid == who.uid || entry.uid == who.uid;
    return true;
}

RemoveOutcome removeNoFollow(const QString& path, std::optional<Identity> expected,
                             const DeviceOverride& deviceOverride)
{
    using Status = RemoveOutcome::Status;
    const qsizetype slash = path.lastIndexOf(u'/');
    if (!path.startsWith(u'/') || slash <= 0 || slash == path.size() - 1)
        return failure(Status::refused, EINVAL, QStringLiteral("not an absolute path below a folder"));
    const QString parent = path.left(slash);
    const QByteArray name = QFile::encodeName(path.mid(slash + 1));
    if (name == "." || name == "..")
        return failure(Status::refused, EINVAL, QStringLiteral("relative component"));

    const int parentFd = ::open(QFile::encodeName(parent).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (parentFd < 0) {
        if (errno == ENOENT)
            return failure(Status::missing, 0, {});
        return failure(errno == ELOOP || errno == ENOTDIR ? Status::refused : Status::failed, errno,
                       QStringLiteral("the parent folder cannot be opened"));
    }
    // The folder we hold must be the very folder the path names: no link anywhere above.
    if (fdPath(parentFd) != parent) {
        ::close(parentFd);
        return failure(Status::refused, ELOOP, QStringLiteral("the parent folder is reached through a link"));
    }
    struct stat parentInfo {};
    struct stat info {};
    if (::fstat(parentFd, &parentInfo) != 0) {
        const int error = errno;
        ::close(parentFd);
        return failure(Status::failed, error, QStringLiteral("the parent folder cannot be read"));
    }
    if (::fstatat(parentFd, name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        const int error = errno;
        ::close(parentFd);
        if (error == ENOENT)
            return failure(Status::missing, 0, {});
        return failure(Status::failed, error, QStringLiteral("the item cannot be examined"));
    }
    if (expected && (deviceOf(info, deviceOverride) != expected->device || quint64(info.st_ino) != expected->inode)) {
        ::close(parentFd);
        return failure(Status::refused, ESTALE, QStringLiteral("the item was replaced since the plan was made"));
    }

    RemoveOutcome out;
    if (!S_ISDIR(info.st_mode)) {
        if (::unlinkat(parentFd, name.constData(), 0) != 0) {
            const int error = errno;
            ::close(parentFd);
            return failure(error == ENOENT ? Status::missing : Status::failed, error,
                           QString::fromLocal8Bit(std::strerror(error)));
        }
        ::close(parentFd);
        out.status = Status::removed;
        out.removedEntries = 1;
        return out;
    }
    const quint64 device = deviceOf(info, deviceOverride);
    if (device != deviceOf(parentInfo, deviceOverride)) {
        ::close(parentFd);
        return failure(Status::refused, EXDEV, QStringLiteral("a mount point"));
    }
    const int fd = ::openat(parentFd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat opened {};
    if (fd < 0 || ::fstat(fd, &opened) != 0 || opened.st_ino != info.st_ino || opened.st_dev != info.st_dev) {
        const int error = fd < 0 ? errno : ESTALE;
        if (fd >= 0)
            ::close(fd);
        ::close(parentFd);
        return failure(Status::failed, error, QStringLiteral("the folder changed while it was opened"));
    }
    QString why;
    const int error = emptyFolder(fd, device, deviceOverride, 0, out.removedEntries, why);
    if (error == 0 && ::unlinkat(parentFd, name.constData(), AT_REMOVEDIR) == 0) {
        ++out.removedEntries;
        out.status = Status::removed;
        ::close(parentFd);
        return out;
    }
    const int last = error ? error : errno;
    ::close(parentFd);
    out.status = last == EXDEV ? Status::refused : Status::failed;
    out.error = last;
    out.message = why.isEmpty() ? QString::fromLocal8Bit(std::strerror(last)) : why;
    return out;
}

} // namespace corvanta::SafeFiles
