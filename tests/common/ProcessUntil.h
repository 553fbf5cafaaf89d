#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>

namespace corvanta::test {

// Runs the Qt event loop until `done` holds or the deadline passes; answers `done()` at the end.
// For real sources only (X server, file watchers, signals): virtual time needs no waiting.
template <typename Pred> bool processUntil(Pred done, int milliseconds = 5000)
{
    QDeadlineTimer deadline(milliseconds);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

} // namespace corvanta::test
