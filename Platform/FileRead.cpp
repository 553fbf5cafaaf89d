#include "Platform/FileRead.h"

#include <QFile>
#include <QHash>
#include <QMutex>

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace corvanta {

namespace {

constexpr int kReadFlags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;

bool isReadable(const struct stat& info, qsizetype maxBytes)
{
    return S_ISREG(info.st_mode) && (maxBytes < 0 || info.st_size <= maxBytes);
}

// One read of the size the file declared, one byte over it so that the end shows without a
// second call; more only when the file grew or the file system returned less.
std::optional<QByteArray> readOpen(int fd, qsizetype declared, qsizetype maxBytes)
{
    QByteArray bytes(declared + 1, Qt::Uninitialized);
    qsizetype total = 0;
    for (;;) {
        if (total == bytes.size()) {
            if (maxBytes >= 0 && total > maxBytes) // grew while we read
                return std::nullopt;
            bytes.resize(total + 16384);
        }
        const qsizetype wanted = bytes.size() - total;
        const ssize_t got = ::read(fd, bytes.data() + total, size_t(wanted));
        if (got > 0) {
            total += got;
            // A short read past the declared size is the end of a regular file. Files that declare
            // no size (the kernel's own, under /proc) are read until the read that gives nothing.
            if (got < wanted && declared > 0 && total >= declared)
                break;
        } else if (got == 0) {
            break;
        } else if (errno != EINTR) {
            return std::nullopt;
        }
    }
    if (maxBytes >= 0 && total > maxBytes)
        return std::nullopt;
    bytes.truncate(total);
    return bytes;
}

std::optional<QByteArray> readAt(int dirFd, const char* path, qsizetype maxBytes)
{
    const int fd = ::openat(dirFd, path, kReadFlags);
    if (fd < 0)
        return std::nullopt;
    struct stat info {};
    std::optional<QByteArray> bytes;
    if (::fstat(fd, &info) == 0 && isReadable(info, maxBytes))
        bytes = readOpen(fd, qsizetype(info.st_size), maxBytes);
    ::close(fd);
    return bytes;
}

// The look-up that finds the file stands in for the check after opening it. Opening without
// blocking keeps a pipe put in its place meanwhile from stalling the read; the size bound holds
// while reading whatever is read.
std::optional<QByteArray> readPresentAt(int dirFd, const char* path, qsizetype maxBytes)
{
    struct stat info {};
    if (::fstatat(dirFd, path, &info, 0) != 0 || !isReadable(info, maxBytes))
        return std::nullopt;
    const int fd = ::openat(dirFd, path, kReadFlags);
    if (fd < 0)
        return std::nullopt;
    std::optional<QByteArray> bytes = readOpen(fd, qsizetype(info.st_size), maxBytes);
    ::close(fd);
    return bytes;
}

// Reads to the end of a file the caller takes to be regular: a read that comes back short is its
// end, so neither a size check nor a last empty read is paid for. Whatever else sits there reads
// as what it gives at once (a pipe without writer gives nothing), within the bound.
std::optional<size_t> readOpenUnsized(int fd, qsizetype maxBytes, std::vector<char>& into)
{
    constexpr size_t kFirstRead = 16384;
    // One byte over the bound, so that a file longer than it shows as such.
    const size_t room = maxBytes < 0 ? SIZE_MAX : size_t(maxBytes) + 1;
    // The buffer only grows: making it smaller would have the next call clear it again.
    if (into.size() < std::min(kFirstRead, room))
        into.resize(std::min(kFirstRead, room));
    size_t total = 0;
    for (;;) {
        if (total == into.size()) {
            if (total >= room)
                return std::nullopt;
            into.resize(std::min(into.size() * 2, room));
        }
        const size_t wanted = into.size() - total;
        const ssize_t got = ::read(fd, into.data() + total, wanted);
        if (got > 0) {
            total += size_t(got);
            if (size_t(got) < wanted)
                break;
        } else if (got == 0) {
            break;
        } else if (errno != EINTR) {
            return std::nullopt;
        }
    }
    if (total >= room)
        return std::nullopt;
    return total;
}

// File systems whose folders have two links plus one for each subfolder. Others give one link,
// or a number of their own (btrfs, overlays, network shares).
bool countsSubfoldersInLinks(decltype(statfs::f_type) type)
{
    constexpr decltype(type) kExt = 0xEF53, kXfs = 0x58465342, kTmpfs = 0x01021994;
    return type == kExt || type == kXfs || type == kTmpfs;
}

// A folder's identity and the times that change with its entries.
struct FolderStamp {
    dev_t device;
    ino_t inode;
    timespec modified;
    timespec changed;

    bool operator==(const FolderStamp& other) const
    {
        return device == other.device && inode == other.inode && modified.tv_sec == other.modified.tv_sec
            && modified.tv_nsec == other.modified.tv_nsec && changed.tv_sec == other.changed.tv_sec
            && changed.tv_nsec == other.changed.tv_nsec;
    }
};

size_t qHash(const FolderStamp& stamp, size_t seed = 0)
{
    return qHashMulti(seed, quint64(stamp.device), quint64(stamp.inode), qint64(stamp.modified.tv_sec),
                      qint64(stamp.modified.tv_nsec));
}

bool listsSymbolicLink(int base, const char* relativePath)
{
    const int fd = ::openat(base, relativePath, O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return true; // not known: looked in
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return true;
    }
    bool found = false;
    while (const dirent* entry = ::readdir(dir)) {
        struct stat info {};
        if (entry->d_type == DT_LNK
            || (entry->d_type == DT_UNKNOWN
                && (::fstatat(::dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 || S_ISLNK(info.st_mode)))) {
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

// Whether the folder `info` describes holds a symbolic link. Each folder is listed once for as
// long as its entries stay the same: the scan runs again at every show, and a folder's
// modification time moves with every entry added, removed or renamed.
bool holdsSymbolicLink(int base, const char* relativePath, const struct stat& info)
{
    // Never destroyed: a scan still running on another thread as the process ends may ask.
    Q_CONSTINIT static QBasicMutex mutex;
    static auto& known = *new QHash<FolderStamp, bool>();
    constexpr qsizetype kMostKnown = 100'000; // a few times the bundles of a large machine
    const FolderStamp stamp{info.st_dev, info.st_ino, info.st_mtim, info.st_ctim};
    {
        QMutexLocker lock(&mutex);
        if (const auto it = known.constFind(stamp); it != known.cend())
            return *it;
    }
    const bool found = listsSymbolicLink(base, relativePath);
    // The times move in coarse steps: an entry added within the step of the listing would not
    // show in them.
    if (::time(nullptr) - info.st_mtim.tv_sec < 2 || ::time(nullptr) - info.st_ctim.tv_sec < 2)
        return found;
    QMutexLocker lock(&mutex);
    if (known.size() >= kMostKnown)
        known.clear();
    known.insert(stamp, found);
    return found;
}

} // namespace

std::optional<QByteArray> readNativeFile(const char* path, qsizetype maxBytes)
{
    return readAt(AT_FDCWD, path, maxBytes);
}

std::optional<QByteArray> readNativeFileIfPresent(const char* path, qsizetype maxBytes)
{
    return readPresentAt(AT_FDCWD, path, maxBytes);
}

std::optional<QByteArray> readWholeFile(const QString& path, qsizetype maxBytes)
{
    return readNativeFile(QFile::encodeName(path).constData(), maxBytes);
}

std::optional<QStringList> listFolderNames(const QString& path)
{
    DIR* dir = ::opendir(QFile::encodeName(path).constData());
    if (!dir)
        return std::nullopt;
    QStringList names;
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        names.append(QFile::decodeName(entry->d_name));
    }
    ::closedir(dir);
    return names;
}

std::shared_ptr<const FolderHandle> FolderHandle::open(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat info {};
    struct statfs system {};
    const bool known = ::fstat(fd, &info) == 0 && ::fstatfs(fd, &system) == 0;
    return std::shared_ptr<const FolderHandle>(
        new FolderHandle(fd, info.st_dev, known && countsSubfoldersInLinks(system.f_type)));
}

FolderHandle::~FolderHandle() { ::close(m_fd); }

std::optional<QByteArray> FolderHandle::readFileIfPresent(const char* relativePath, qsizetype maxBytes) const
{
    return readPresentAt(m_fd, relativePath, maxBytes);
}

std::optional<size_t> FolderHandle::readRegularFile(const char* relativePath, qsizetype maxBytes,
                                                    std::vector<char>& into) const
{
    const int fd = ::openat(m_fd, relativePath, kReadFlags);
    if (fd < 0)
        return std::nullopt;
    const std::optional<size_t> read = readOpenUnsized(fd, maxBytes, into);
    ::close(fd);
    return read;
}

bool FolderHandle::isFolder(const char* relativePath) const
{
    struct stat info {};
    return ::fstatat(m_fd, relativePath, &info, 0) == 0 && S_ISDIR(info.st_mode);
}

bool FolderHandle::mayHoldFolders(const char* relativePath) const
{
    struct stat info {};
    if (::fstatat(m_fd, relativePath, &info, 0) != 0 || !S_ISDIR(info.st_mode))
        return false;
    // Its own entry and "." make two links; each subfolder's ".." one more.
    if (!m_countsSubfolders || info.st_dev != m_device || info.st_nlink != 2)
        return true;
    // A symbolic link to a folder adds no link: one that holds any link is listed once.
    return holdsSymbolicLink(m_fd, relativePath, info);
}

} // namespace corvanta
