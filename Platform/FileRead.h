#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

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

    std::optional<QByteArray> readFile(const char* relativePath, qsizetype maxBytes = -1) const;
    std::optional<QByteArray> readFileIfPresent(const char* relativePath, qsizetype maxBytes = -1) const;
    bool isFolder(const char* relativePath) const;

private:
    explicit FolderHandle(int fd) : m_fd(fd) {}
    int m_fd;
};

} // namespace corvanta
