#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <sys/types.h>
#include <vector>

namespace corvanta {

// The whole content of a regular file, or nothing when it cannot be opened or read, is no regular
// file or is longer than `maxBytes` (when not negative). Cheaper than QFile for the many small
// files a scan touches, most of which do not exist. A named pipe in the file's place is refused
// without waiting for a writer.
std::optional<QByteArray> readWholeFile(const QString& path, qsizetype maxBytes = -1);
// The same for a path already in the file system's encoding, for readers that build many paths.
std::optional<QByteArray> readNativeFile(const char* path, qsizetype maxBytes = -1);
// The same for a file that is most likely missing: a missing file costs one look-up rather than a
// failed open, and one that is there is not looked at a second time once opened.
std::optional<QByteArray> readNativeFileIfPresent(const char* path, qsizetype maxBytes = -1);

// The names in a folder (without "." and ".."), or nothing when it cannot be listed.
std::optional<QStringList> listFolderNames(const QString& path);

// An open folder whose entries are then reached by paths relative to it (in the file system's
// encoding), so the path up to the folder is walked once rather than for every file read below
// it: a scan reads several files in each of thousands of bundles of one folder.
class FolderHandle {
public:
    // Nothing when `path` is not a folder that can be opened.
    static std::shared_ptr<const FolderHandle> open(const QString& path);
    ~FolderHandle();
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;

    std::optional<QByteArray> readFileIfPresent(const char* relativePath, qsizetype maxBytes = -1) const;
    // The content of a file that is regular but in hostile bundles, into the start of `into`,
    // which only grows, so that a scan reusing it allocates once: its length, or nothing when it
    // cannot be opened or read or is longer than `maxBytes`. A read that comes back short is
    // taken as the end, which on a regular file it is; anything else in the file's place gives
    // what one read gives (a pipe without writer: nothing), within the bound.
    std::optional<size_t> readRegularFile(const char* relativePath, qsizetype maxBytes, std::vector<char>& into) const;
    bool isFolder(const char* relativePath) const;
    // False when there is no folder at `relativePath`, or when it holds no folder and no symbolic
    // link (which may lead to one): known without listing it where the file system counts a
    // folder's subfolders in its links (ext4, XFS, tmpfs) and it is on the same one as this
    // folder, unless it holds none; such a folder is listed once while its entries stay the same.
    // True wherever that is not known.
    bool mayHoldFolders(const char* relativePath) const;

private:
    FolderHandle(int fd, dev_t device, bool countsSubfolders)
        : m_fd(fd), m_device(device), m_countsSubfolders(countsSubfolders)
    {
    }
    int m_fd;
    dev_t m_device;
    bool m_countsSubfolders;
};

} // namespace corvanta
