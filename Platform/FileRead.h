#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace corvanta {

// The whole content of a regular file, or nothing when it cannot be opened or read or is longer
// than `maxBytes` (when not negative). Cheaper than QFile for the many small files a scan
// touches, most of which do not exist.
std::optional<QByteArray> readWholeFile(const QString& path, qsizetype maxBytes = -1);

// The names in a folder (without "." and ".."), or nothing when it cannot be listed.
std::optional<QStringList> listFolderNames(const QString& path);

// An open folder whose files are then reached by relative paths, so the path up to the folder is
// looked up once rather than for every file read inside it.
class FolderHandle {
public:
    // Nothing when `path` is not a folder that can be opened.
    static std::shared_ptr<const FolderHandle> open(const QString& path);
    ~FolderHandle();
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;

    std::optional<QByteArray> readFile(const QString& relativePath, qsizetype maxBytes = -1) const;
    std::optional<QStringList> listFolder(const QString& relativePath) const;

private:
    explicit FolderHandle(int fd) : m_fd(fd) {}
    int m_fd;
};

} // namespace corvanta
