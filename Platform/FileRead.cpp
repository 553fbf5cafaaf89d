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

// One read of the size the file declares, one byte over it so that the end shows without a
// second call; more only when the file grew or the file system returned less.
std::optional<QByteArray> readOpen(int fd, qsizetype maxBytes)
{
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || (maxBytes >= 0 && info.st_size > maxBytes))
        return std::nullopt;
    const qsizetype declared = qsizetype(info.st_size);
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
            // A short read past the declared size is the end of a regular file.
            if (got < wanted && total >= declared)
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

} // namespace

std::optional<QByteArray> readNativeFile(const char* path, qsizetype maxBytes)
{
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return std::nullopt;
    std::optional<QByteArray> bytes = readOpen(fd, maxBytes);
    ::close(fd);
    return bytes;
}

std::optional<QByteArray> readWholeFile(const QString& path, qsizetype maxBytes)
{
    return readNativeFile(QFile::encodeName(path).constData(), maxBytes);
}

bool isNativeFile(const char* path)
{
    struct stat info {};
    return ::stat(path, &info) == 0 && S_ISREG(info.st_mode);
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

} // namespace corvanta
