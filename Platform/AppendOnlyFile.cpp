#include "Platform/AppendOnlyFile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace corvanta {

std::unique_ptr<AppendOnlyFile> AppendOnlyFile::open(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return nullptr;
    return std::unique_ptr<AppendOnlyFile>(new AppendOnlyFile(fd));
}

AppendOnlyFile::~AppendOnlyFile()
{
    ::close(m_fd);
}

bool AppendOnlyFile::write(std::string_view bytes)
{
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(m_fd, data, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace corvanta
