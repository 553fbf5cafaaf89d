#include "Support/AtomicFile.h"

#include "Support/Logger.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvanta {

namespace {

QString errnoText(const char* step, int code)
{
    return QString::fromLatin1(step) + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(code));
}

// A hidden temporary beside the target, created only by us; the mode is the default one for new
// files (umask applied), as the target would get.
int createTemporary(const QFileInfo& target, QByteArray& name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString candidate = target.absolutePath() + QStringLiteral("/.") + target.fileName() + u'.'
            + QString::number(QRandomGenerator::global()->generate64(), 36) + QStringLiteral(".tmp");
        name = QFile::encodeName(candidate);
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

bool writeAll(int fd, const QByteArray& bytes)
{
    const char* at = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t wrote = ::write(fd, at, size_t(left));
        if (wrote < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        at += wrote;
        left -= wrote;
    }
    return true;
}

// Every step is checked: a write, the flush to the disk (where a full disk may first be noticed)
// and the close. Any failure removes the temporary and leaves the target as it was.
QString replaceFile(const QString& path, const QByteArray& bytes, FileSync sync)
{
    const QFileInfo target(path);
    QByteArray temporary;
    const int fd = createTemporary(target, temporary);
    if (fd < 0)
        return errnoText("create", errno);
    const auto abandon = [&](const char* step) {
        const int code = errno;
        ::close(fd);
        ::unlink(temporary.constData());
        return errnoText(step, code);
    };
    struct stat existing {};
    const QByteArray targetName = QFile::encodeName(target.absoluteFilePath());
    if (::stat(targetName.constData(), &existing) == 0 && ::fchmod(fd, existing.st_mode & 07777) != 0)
        return abandon("chmod");
    if (!writeAll(fd, bytes))
        return abandon("write");
    if (sync == FileSync::toDisk && ::fsync(fd) != 0)
        return abandon("fsync");
    if (::close(fd) != 0) {
        const int code = errno;
        ::unlink(temporary.constData());
        return errnoText("close", code);
    }
    if (::rename(temporary.constData(), targetName.constData()) != 0) {
        const int code = errno;
        ::unlink(temporary.constData());
        return errnoText("rename", code);
    }
    if (sync == FileSync::none)
        return {};
    // The rename lives in the folder: without this a power cut may bring the old file back.
    const int folder = ::open(QFile::encodeName(target.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0 || ::fsync(folder) != 0)
        CLOG_WARN(QStringLiteral("写入后未能同步目录（") + errnoText("fsync", errno) + QStringLiteral("）：") + target.absolutePath());
    if (folder >= 0)
        ::close(folder);
    return {};
}

} // namespace

bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error, FileSync sync)
{
    const QString reason = replaceFile(path, bytes, sync);
    if (reason.isEmpty())
        return true;
    CLOG_ERROR(QStringLiteral("原子写入失败，原文件保持不变（") + reason + QStringLiteral("）：") + path);
    if (error)
        *error = reason;
    return false;
}

} // namespace corvanta
