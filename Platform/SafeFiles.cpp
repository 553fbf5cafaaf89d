#include "Platform/SafeFiles.h"

#include "Platform/FileRead.h"

#include <QFile>
#include <QSet>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
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

// One object as a walk sees it: lstat's fields plus, where the kernel gives them, its mount id
// and whether it is the top of a mount.
struct Node {
    mode_t mode = 0;
    qint64 size = 0;
    quint64 device = 0; // as the system reports it (no override)
    quint64 inode = 0;
    quint64 mountId = 0;
    bool hasMountId = false;
    bool mountRoot = false;
};

// statx where the kernel has it (and the caller wants its marks), fstatat otherwise. Never follows
// a link and never triggers an automount.
bool statNode(int dirFd, const char* name, Node& out, bool kernelMarks)
{
#ifdef STATX_MNT_ID
    static std::atomic_bool noStatx{false};
    if (kernelMarks && !noStatx.load(std::memory_order_relaxed)) {
        struct statx info {};
        if (::statx(dirFd, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT,
                    STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_INO | STATX_MNT_ID, &info)
            == 0) {
            out.mode = info.stx_mode;
            out.size = qint64(info.stx_size);
            out.device = quint64(makedev(info.stx_dev_major, info.stx_dev_minor));
            out.inode = quint64(info.stx_ino);
            out.hasMountId = (info.stx_mask & STATX_MNT_ID) != 0;
            out.mountId = out.hasMountId ? quint64(info.stx_mnt_id) : 0;
            out.mountRoot = (info.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) && (info.stx_attributes & STATX_ATTR_MOUNT_ROOT);
            return true;
        }
        if (errno != ENOSYS)
            return false;
        noStatx.store(true, std::memory_order_relaxed);
    }
#else
    Q_UNUSED(kernelMarks);
#endif
    struct stat info {};
    if (::fstatat(dirFd, name, &info, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT) != 0)
        return false;
    out.mode = info.st_mode;
    out.size = qint64(info.st_size);
    out.device = quint64(info.st_dev);
    out.inode = quint64(info.st_ino);
    out.hasMountId = false;
    out.mountId = 0;
    out.mountRoot = false;
    return true;
}

QString parentText(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

// What one walk knows of the mounts below its top, learnt once before it starts: the mount id of
// the top where the kernel gives ids (an entry with another id is a mount point), else the device
// and inode of every mount point the mount table lists inside the top.
class MountBoundary {
public:
    MountBoundary(const QString& top, const Node& topNode, const DeviceOverride& deviceOverride, const MountCheck& mounts)
        : m_override(deviceOverride), m_device(deviceOf(topNode)), m_mountId(topNode.mountId),
          m_useIds(mounts.kernelMarks && topNode.hasMountId)
    {
        if (m_useIds)
            return;
        const QString real = realPath(top).value_or(top);
        const QString prefix = real == QLatin1String("/") ? real : real + u'/';
        for (const QString& point : mountPoints(mounts.mountTable)) {
            if (!point.startsWith(prefix) || point == real)
                continue;
            struct stat info {};
            if (::lstat(QFile::encodeName(point).constData(), &info) == 0)
                m_tops.insert({quint64(info.st_dev), quint64(info.st_ino)});
        }
    }

    quint64 deviceOf(const Node& node) const
    {
        return m_override ? m_override(node.device, node.inode) : node.device;
    }

    // Whether `node`, met in the walk, is the top of a mount (or lies on another file system).
    bool crosses(const Node& node) const
    {
        if (deviceOf(node) != m_device || node.mountRoot)
            return true;
        if (m_useIds)
            return node.hasMountId && node.mountId != m_mountId;
        return !m_tops.isEmpty() && m_tops.contains({node.device, node.inode});
    }

private:
    DeviceOverride m_override;
    quint64 m_device;
    quint64 m_mountId;
    bool m_useIds;
    QSet<QPair<quint64, quint64>> m_tops;
};

bool isDotOrDotDot(const char* name)
{
    return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}

struct WalkRule {
    bool skipHidden;   // names beginning with "." are neither counted nor entered
    bool regularOnly;  // only regular files count; otherwise files and links count
};

// Sums the entries of the open folder `fd` (taken over and closed).
qint64 walk(int fd, const MountBoundary& boundary, const WalkRule& rule, bool kernelMarks, int depth)
{
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return 0;
    }
    qint64 total = 0;
    Node info;
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (isDotOrDotDot(name) || (rule.skipHidden && name[0] == '.'))
            continue;
        if (!statNode(::dirfd(dir), name, info, kernelMarks))
            continue;
        if (boundary.crosses(info))
            continue; // a mount point: neither entered nor counted
        if (S_ISDIR(info.mode)) {
            if (depth >= kMaxDepth)
                continue;
            const int child = ::openat(::dirfd(dir), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (child >= 0)
                total += walk(child, boundary, rule, kernelMarks, depth + 1);
        } else if (!rule.regularOnly || S_ISREG(info.mode)) {
            total += info.size;
        }
    }
    ::closedir(dir);
    return total;
}

qint64 measure(const QString& path, const WalkRule& rule, const DeviceOverride& deviceOverride, const MountCheck& mounts,
               bool fileCounts)
{
    const QByteArray name = QFile::encodeName(path);
    Node top;
    if (path.isEmpty() || !statNode(AT_FDCWD, name.constData(), top, mounts.kernelMarks))
        return 0;
    if (!S_ISDIR(top.mode))
        return fileCounts ? top.size : 0;
    if (isMountPoint(path, deviceOverride, mounts))
        return 0;
    const MountBoundary boundary(path, top, deviceOverride, mounts);
    const int fd = ::open(name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return 0;
    return walk(fd, boundary, rule, mounts.kernelMarks, 0);
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
int emptyFolder(int fd, const MountBoundary& boundary, bool kernelMarks, int depth, quint64& count, QString& why)
{
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        const int error = errno;
        ::close(fd);
        return error;
    }
    int firstError = 0;
    Node info;
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (isDotOrDotDot(name))
            continue;
        if (!statNode(::dirfd(dir), name, info, kernelMarks)) {
            if (errno != ENOENT && !firstError)
                firstError = errno;
            continue;
        }
        if (boundary.crosses(info)) {
            if (!firstError) {
                firstError = EXDEV;
                why = QStringLiteral("a mount point lies inside");
            }
            continue;
        }
        if (S_ISDIR(info.mode)) {
            if (depth >= kMaxDepth) {
                // Not a link loop: only a tree deeper than this walk goes.
                if (!firstError) {
                    firstError = ELOOP;
                    why = QStringLiteral("the folder is nested too deeply");
                }
                continue;
            }
            const int child = ::openat(::dirfd(dir), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (child < 0) {
                if (!firstError)
                    firstError = errno;
                continue;
            }
            const int inner = emptyFolder(child, boundary, kernelMarks, depth + 1, count, why);
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

QStringList mountPoints(const QString& mountTable)
{
    QStringList out;
    // The kernel's table declares no size and comes a page per read: read until the end, bounded
    // (a table this large would already be pathological).
    std::optional<QByteArray> table = readWholeFile(mountTable, 16 * 1024 * 1024);
    // Kernels before 3.17 have no /proc/thread-self; there every thread shares the process's table.
    static const QString threadSelf = QStringLiteral("/proc/thread-self/");
    if (!table && mountTable.startsWith(threadSelf))
        table = readWholeFile(QStringLiteral("/proc/self/") + mountTable.mid(threadSelf.size()), 16 * 1024 * 1024);
    if (!table)
        return out;
    const QByteArray& text = *table;
    for (const QByteArray& line : text.split('\n')) {
        // "<id> <parent> <major:minor> <root> <mount point> ...": spaces inside fields are octal escapes.
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() < 5)
            continue;
        const QByteArray& field = fields.at(4);
        QByteArray point;
        point.reserve(field.size());
        for (qsizetype i = 0; i < field.size(); ++i) {
            const char c = field.at(i);
            if (c == '\\' && i + 3 < field.size()) {
                const char a = field.at(i + 1), b = field.at(i + 2), d = field.at(i + 3);
                if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && d >= '0' && d <= '7') {
                    point += char(((a - '0') << 6) | ((b - '0') << 3) | (d - '0'));
                    i += 3;
                    continue;
                }
            }
            point += c;
        }
        if (point.startsWith('/'))
            out << QFile::decodeName(point);
    }
    return out;
}

bool isMountPoint(const QString& path, const DeviceOverride& deviceOverride, const MountCheck& mounts)
{
    Node self, parent;
    if (path.isEmpty() || !statNode(AT_FDCWD, QFile::encodeName(path).constData(), self, mounts.kernelMarks))
        return false;
    if (self.mountRoot)
        return true;
    const QString above = parentText(path);
    if (above != path && statNode(AT_FDCWD, QFile::encodeName(above).constData(), parent, mounts.kernelMarks)) {
        auto device = [&](const Node& node) {
            return deviceOverride ? deviceOverride(node.device, node.inode) : node.device;
        };
        if (device(self) != device(parent))
            return true;
        if (self.hasMountId && parent.hasMountId)
            return self.mountId != parent.mountId;
    }
    if (S_ISLNK(self.mode))
        return false;
    const QString real = parentText(path) == path ? path : realPath(above).value_or(above);
    const QString name = path.mid(path.lastIndexOf(u'/') + 1);
    const QString canonical = real == QLatin1String("/") ? u'/' + name : real + u'/' + name;
    return mountPoints(mounts.mountTable).contains(path == QLatin1String("/") ? path : canonical);
}

bool hasMountInside(const QString& path, const MountCheck& mounts)
{
    // A link holds nothing: what is mounted below its target is not inside it.
    if (const auto info = linkStat(path); info && info->isSymlink())
        return false;
    const QString real = realPath(path).value_or(path);
    const QString prefix = real == QLatin1String("/") ? real : real + u'/';
    for (const QString& point : mountPoints(mounts.mountTable))
        if (point.startsWith(prefix) && point != real)
            return true;
    return false;
}

std::optional<QString> realPath(const QString& path)
{
    char resolved[PATH_MAX + 1];
    if (!::realpath(QFile::encodeName(path).constData(), resolved))
        return std::nullopt;
    return QFile::decodeName(resolved);
}

qint64 sizeOfItem(const QString& path, const DeviceOverride& deviceOverride, const MountCheck& mounts)
{
    return measure(path, WalkRule{true, false}, deviceOverride, mounts, true);
}

qint64 directorySize(const QString& path, const DeviceOverride& deviceOverride, const MountCheck& mounts)
{
    return measure(path, WalkRule{false, true}, deviceOverride, mounts, false);
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
                             const DeviceOverride& deviceOverride, const MountCheck& mounts)
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

    // Never removed, never entered: the top of a mount, a bind mount of the same file system too.
    Node top, above;
    if (!statNode(parentFd, name.constData(), top, mounts.kernelMarks)
        || !statNode(parentFd, ".", above, mounts.kernelMarks)) {
        const int error = errno;
        ::close(parentFd);
        return failure(Status::failed, error, QStringLiteral("the item cannot be examined"));
    }
    if (MountBoundary(parent, above, deviceOverride, mounts).crosses(top)) {
        ::close(parentFd);
        return failure(Status::refused, EXDEV, QStringLiteral("a mount point"));
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
    const int fd = ::openat(parentFd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat opened {};
    if (fd < 0 || ::fstat(fd, &opened) != 0 || opened.st_ino != info.st_ino || opened.st_dev != info.st_dev) {
        const int error = fd < 0 ? errno : ESTALE;
        if (fd >= 0)
            ::close(fd);
        ::close(parentFd);
        return failure(Status::failed, error, QStringLiteral("the folder changed while it was opened"));
    }
    const MountBoundary boundary(path, top, deviceOverride, mounts);
    QString why;
    const int error = emptyFolder(fd, boundary, mounts.kernelMarks, 0, out.removedEntries, why);
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
