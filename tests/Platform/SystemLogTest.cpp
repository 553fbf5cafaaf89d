#include "Platform/SystemLog.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace corvanta;

namespace {

// A stand-in for the syslog daemon: a datagram socket bound in a temporary folder.
class FakeDaemon {
public:
    explicit FakeDaemon(const QString& path)
    {
        m_fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(path);
        std::memcpy(address.sun_path, name.constData(), static_cast<std::size_t>(name.size()));
        bound = ::bind(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }
    ~FakeDaemon() { ::close(m_fd); }

    QByteArray receive()
    {
        char buffer[4096];
        const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT);
        return n < 0 ? QByteArray() : QByteArray(buffer, n);
    }

    bool bound = false;

private:
    int m_fd = -1;
};

} // namespace

TEST(SyslogSystemLog, SendsEachLineWithItsPriorityAndIdent)
{
    QTemporaryDir dir;
    FakeDaemon daemon(dir.path() + QStringLiteral("/log"));
    ASSERT_TRUE(daemon.bound);
    SyslogSystemLog systemLog(dir.path() + QStringLiteral("/log"));

    struct Case {
        LogLevel level;
        QByteArray priority; // user facility (8) plus the severity
    };
    for (const Case& c : {Case{LogLevel::Debug, "<15>"}, Case{LogLevel::Info, "<14>"},
                          Case{LogLevel::Warning, "<13>"}, Case{LogLevel::Error, "<11>"}}) {
        systemLog.send(c.level, "[t] [X] [A.cpp:1 f] 阶段1：ok\n");
        const QByteArray datagram = daemon.receive();
        EXPECT_TRUE(datagram.startsWith(c.priority)) << datagram.constData();
        const QByteArray tail = " com.corvanta[" + QByteArray::number(::getpid()) + "]: [t] [X] [A.cpp:1 f] "
                                + QStringLiteral("阶段1：ok").toUtf8() + "\n";
        EXPECT_TRUE(datagram.endsWith(tail)) << datagram.constData();
    }
}

TEST(SyslogSystemLog, NeverWaitsForABusyOrMissingDaemon)
{
    QTemporaryDir dir;
    {
        SyslogSystemLog nobodyListening(dir.path() + QStringLiteral("/none"));
        nobodyListening.send(LogLevel::Error, "lost\n");
    }

    // A daemon that reads nothing: once its queue is full, lines are dropped instead of blocking.
    FakeDaemon daemon(dir.path() + QStringLiteral("/log"));
    ASSERT_TRUE(daemon.bound);
    SyslogSystemLog systemLog(dir.path() + QStringLiteral("/log"));
    const std::string line(1000, 'x');
    for (int i = 0; i < 20000; ++i)
        systemLog.send(LogLevel::Info, line);
    EXPECT_FALSE(daemon.receive().isEmpty());
}
