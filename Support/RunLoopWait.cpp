#include "Support/RunLoopWait.h"

#include "Support/TerminationRequest.h"

#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace corvanta {

void RunLoopWait::runEventLoop(double seconds)
{
    if (seconds < 0)
        return;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(int(std::ceil(seconds * 1000)));
    loop.exec();
}

RunLoopWait::RunLoopWait(const Clock& clock, Slice slice) : m_clock(clock), m_slice(std::move(slice)) {}

bool RunLoopWait::until(const std::function<bool()>& ready, double timeout, double sliceLimit) const
{
    const double deadline = m_clock.now() + timeout;
    while (!ready()) {
        // Once the process is ending its loops no longer turn: nothing would arrive, and the
        // wait would only hold the termination up until its deadline.
        if (TerminationRequest::isRequested())
            return false;
        const double remaining = deadline - m_clock.now();
        // A remainder below a microsecond is rounding, not time left to wait.
        if (remaining <= 1e-6)
            return false;
        m_slice(std::min(remaining, sliceLimit));
    }
    return true;
}

void RunLoopWait::spin(double seconds, double sliceLimit) const
{
    until([] { return false; }, seconds, sliceLimit);
}

} // namespace corvanta
