#include "Platform/FileRead.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvanta {

namespace {

std::optional<QByteArray> readAt(int dirFd, const QString& path, qsizetype maxBytes)
{
    const int fd = ::openat(dirFd, QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || (maxBytes >= 0 && info.st_size > maxBytes)) {
        ::close(fd);
        return std::nullopt;
    }
    QByteArray bytes;
    bytes.reserve(qsizetype(info.st_size) + 1);
    char buffer[16384];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) {
            bytes.append(buffer, qsizetype(got));
            if (maxBytes >= 0 && bytes.size() > maxBytes) { // grew while we read
                ::close(fd);
                return std::nullopt;
            }
        } else if (got == 0) {
            break;
        } else if (errno != EINTR) {
            ::close(fd);
            return std::nullopt;
        }
    }
    ::close(fd);
    return bytes;
}

std::optional<QStringList> listAt(int dirFd, const QString& path)
{
    const int fd = ::openat(dirFd, QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    DIR* dir = ::fdopendir(fd); // takes over the descriptor
    if (!dir) {
        ::close(fd);
        return std::nullopt;
    }
    QStringList names;
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        names.append(QFile::decodeName(entry->d_name));
    }
    ::closedir(dir);
    return names;
}

} // namespace

std::optional<QByteArray> readWholeFile(const QString& path, qsizetype maxBytes)
{
    return readAt(AT_FDCWD, path, maxBytes);
}

std::optional<QStringList> listFolderNames(const QString& path) { return listAt(AT_FDCWD, path); }

std::shared_ptr<const FolderHandle> FolderHandle::open(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    return std::shared_ptr<const FolderHandle>(new FolderHandle(fd));
}

FolderHandle::~FolderHandle() { ::close(m_fd); }

std::optional<QByteArray> FolderHandle::readFile(const QString& relativePath, qsizetype maxBytes) const
{
    return readAt(m_fd, relativePath, maxBytes);
}

std::optional<QStringList> FolderHandle::listFolder(const QString& relativePath) const
{
    return listAt(m_fd, relativePath);
}

} // namespace corvanta
