#pragma once

#include <QByteArray>
#include <QString>
#include <QList>
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

// Whether `path` is the top of a mounted file system: its device differs from its parent's.
bool isMountPoint(const QString& path, const DeviceOverride& deviceOverride = {});

// The folder of `path` resolved through every link, or nothing when it cannot be resolved.
std::optional<QString> realPath(const QString& path);

// Bytes of a leftover: a file or link its own length; a folder the sum over everything below it
// whose name does not begin with "." (hidden entries and everything inside hidden folders are
// skipped). Never follows a link and never crosses into another file system. Missing: 0.
qint64 sizeOfItem(const QString& path, const DeviceOverride& deviceOverride = {});

// Bytes of the regular files below a folder, hidden ones included; links and other objects add
// nothing. Never follows a link and never crosses into another file system. Missing: 0.
qint64 directorySize(const QString& path, const DeviceOverride& deviceOverride = {});

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
// below is removed with unlinkat() relative to opened folders. A folder on another file system
// than its parent is refused, and so is one met below. When `expected` is valid the object at
// `path` must still be that device and inode.
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
                             const DeviceOverride& deviceOverride = {});

} // namespace corvanta::SafeFiles
