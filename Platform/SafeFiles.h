#pragma once

#include <QByteArray>
#include <QString>
#include <QList>
#include <QStringList>
#include <QtGlobal>

#include <cerrno>

#include <functional>
#include <optional>
#include <sys/types.h>

namespace corvanta::SafeFiles {

// Tests stand in for a second file system with this: given an object's device and inode, the
// device to believe. Empty: the real device.
using DeviceOverride = std::function<quint64(quint64 device, quint64 inode)>;

// What lstat() says of a path; links are described, never followed.
struct EntryStat {
    quint32 mode = 0;
    qint64 size = 0;
    quint64 device = 0;
    quint64 inode = 0;
    quint32 uid = 0;
    quint32 gid = 0;

    bool isDirectory() const;
    bool isSymlink() const;
    bool isRegular() const;
};

std::optional<EntryStat> linkStat(const QString& path, const DeviceOverride& deviceOverride = {});

// How mounts are recognised. A bind mount of a folder of the same file system has the device of
// its parent, so the device alone does not tell: the kernel's own marks (statx: the mount id and
// the mount-root attribute) are used where it has them, else the mount table, read once per walk.
struct MountCheck {
    // The calling thread's own: a thread may have left the process's mount namespace.
    QString mountTable = QStringLiteral("/proc/thread-self/mountinfo");
    bool kernelMarks = true; // tests turn them off to exercise the mount table alone
};

// The mount points a mountinfo file lists, escapes decoded. Empty when it cannot be read.
QStringList mountPoints(const QString& mountTable);

// Whether `path` (not followed when it is a link) is the top of a mount: a file system or a bind
// mount of a folder or file.
bool isMountPoint(const QString& path, const DeviceOverride& deviceOverride = {}, const MountCheck& mounts = {});

// Whether a mount point lies strictly inside `path` (compared with its links resolved).
bool hasMountInside(const QString& path, const MountCheck& mounts = {});

// The folder of `path` resolved through every link, or nothing when it cannot be resolved.
std::optional<QString> realPath(const QString& path);

// Bytes of a leftover: a file or link its own length; a folder the sum over everything below it
// whose name does not begin with "." (hidden entries and everything inside hidden folders are
// skipped). Never follows a link and never crosses a mount point. Missing, or a folder that is
// itself a mount point: 0.
qint64 sizeOfItem(const QString& path, const DeviceOverride& deviceOverride = {}, const MountCheck& mounts = {});

// Bytes of the regular files below a folder, hidden ones included; links and other objects add
// nothing. Never follows a link and never crosses a mount point. Missing: 0.
qint64 directorySize(const QString& path, const DeviceOverride& deviceOverride = {}, const MountCheck& mounts = {});

// Whether user `uid` (member of `groups`) may remove an entry from a folder: it needs write and
// search rights on the folder; in a sticky folder it must also own the folder or the entry.
// The entry's own mode does not matter. Root may always.
struct Credentials {
    quint32 uid = 0;
    QList<quint32> groups; // the primary group first
    static Credentials ofProcess();
};
bool mayRemoveEntry(const EntryStat& folder, const EntryStat& entry, const Credentials& who);

// Removes `path` (a file, a link, or a folder with everything in it) without following any link:
// the parent folder is opened once, must resolve to exactly the parent text, and everything
// below is removed with unlinkat() relative to opened folders. A mount point at `path` is refused;
// one met below is neither entered nor removed (the rest is, and the removal ends refused). When
// `expected` is valid the object at `path` must still be that device and inode.
struct RemoveOutcome {
    enum class Status { removed, missing, refused, failed };
    Status status = Status::failed;
    int error = 0;            // errno of the failure
    QString message;          // why it was refused or failed
    quint64 removedEntries = 0; // files, links (dangling ones included) and folders removed

    bool permissionDenied() const { return status == Status::failed && (error == EACCES || error == EPERM); }
};

struct Identity {
    quint64 device = 0;
    quint64 inode = 0;
};

RemoveOutcome removeNoFollow(const QString& path, std::optional<Identity> expected,
                             const DeviceOverride& deviceOverride = {}, const MountCheck& mounts = {});

} // namespace corvanta::SafeFiles
