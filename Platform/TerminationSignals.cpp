#include "Platform/TerminationSignals.h"

#include "Support/Logger.h"
#include "Support/TerminationRequest.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace corvanta {

namespace {

int g_pipe[2] = {-1, -1};
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
struct sigaction g_previous[std::size(kSignals)];

void onSignal(int number)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    // For work that keeps the event loop from reading the pipe (the hidden draw).
    TerminationRequest::markFromSignal();
    // Nothing else is safe here; a full pipe already carries a pending request.
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

} // namespace

bool TerminationSignals::installHandlers()
{
    if (g_pipe[0] != -1)
        return true;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pipe) != 0) {
        g_pipe[0] = g_pipe[1] = -1;
        return false;
    }
    ::fcntl(g_pipe[1], F_SETFL, ::fcntl(g_pipe[1], F_GETFL) | O_NONBLOCK);
    struct sigaction action = {};
    action.sa_handler = &onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        ::sigaction(kSignals[i], &action, &g_previous[i]);
    return true;
}

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent)
{
    if (!installHandlers()) {
        CLOG_WARN(QStringLiteral("终止信号通道创建失败 — SIGTERM/SIGINT/SIGHUP 走系统默认处理"));
        return;
    }
    // A signal already waiting in the pipe makes it readable: the notifier reports it at the
    // event loop's first turn.
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readSignal);
}

TerminationSignals::~TerminationSignals()
{
    if (!m_notifier)
        return;
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        ::sigaction(kSignals[i], &g_previous[i], nullptr);
    delete m_notifier;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void TerminationSignals::readSignal()
{
    unsigned char byte = 0;
    if (::read(g_pipe[0], &byte, 1) == 1)
        Q_EMIT terminationRequested(byte);
}

} // namespace corvanta
