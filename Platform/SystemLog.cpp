#include "Platform/SystemLog.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <syslog.h>
#include <unistd.h>

namespace corvanta {

namespace {

constexpr char ident[] = "com.corvanta";

int severity(LogLevel level)
{
    switch (level) {
    case LogLevel::Debug: return LOG_DEBUG;
    case LogLevel::Info: return LOG_INFO;
    case LogLevel::Warning: return LOG_NOTICE;
    case LogLevel::Error: return LOG_ERR;
    }
    return LOG_INFO;
}

// "<priority>Mmm dd hh:mm:ss com.corvanta[pid]: ", the classic syslog header; month names are the
// protocol's English ones, whatever the locale.
std::string header(LogLevel level)
{
    static constexpr const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::time_t now = std::time(nullptr);
    std::tm t {};
    localtime_r(&now, &t);
    char buffer[96];
    const int n = std::snprintf(buffer, sizeof buffer, "<%d>%s %2d %02d:%02d:%02d %s[%d]: ", LOG_USER | severity(level),
                                months[t.tm_mon % 12], t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, ident,
                                static_cast<int>(::getpid()));
    return std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
}

} // namespace

std::shared_ptr<SystemLog> SystemLog::platformDefault()
{
    if (qgetenv("CORVANTA_SYSLOG") == "0")
        return nullptr;
    return std::make_shared<SyslogSystemLog>();
}

SyslogSystemLog::SyslogSystemLog(QString socketPath) : m_socketPath(std::move(socketPath))
{
    std::lock_guard lock(m_mutex);
    connectLocked();
}

SyslogSystemLog::~SyslogSystemLog()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool SyslogSystemLog::connectLocked()
{
    m_lastAttempt = std::chrono::steady_clock::now();
    const QByteArray path = QFile::encodeName(m_socketPath);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    if (path.size() >= qsizetype(sizeof address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));

    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

void SyslogSystemLog::send(LogLevel level, std::string_view line)
{
    std::lock_guard lock(m_mutex);
    if (m_fd < 0) {
        if (std::chrono::steady_clock::now() - m_lastAttempt < std::chrono::seconds(1) || !connectLocked())
            return;
    }
    std::string datagram = header(level);
    datagram.append(line);
    if (::send(m_fd, datagram.data(), datagram.size(), MSG_DONTWAIT | MSG_NOSIGNAL) >= 0)
        return;
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == ENOBUFS || errno == EMSGSIZE)
        return; // the daemon is busy or the line is too long for it: drop this line only
    // The daemon went away (restarted, stopped): reconnect on a later line.
    ::close(m_fd);
    m_fd = -1;
}

} // namespace corvanta
