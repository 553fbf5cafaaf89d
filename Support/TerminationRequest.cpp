#include "Support/TerminationRequest.h"

#include <QCoreApplication>

#include <atomic>

namespace corvanta {

namespace {
bool g_requested = false;
// Written from a signal handler: only a lock-free atomic is safe there.
std::atomic_bool g_asked{false};
static_assert(std::atomic_bool::is_always_lock_free);
} // namespace

bool TerminationRequest::isRequested() { return g_requested; }

void TerminationRequest::mark()
{
    g_requested = true;
    g_asked.store(true);
}

void TerminationRequest::markFromSignal() { g_asked.store(true); }

bool TerminationRequest::isAsked() { return g_asked.load(); }

void TerminationRequest::request()
{
    mark();
    // Not quit(): Qt's quit first closes every window and is refused, with no trace, while one of
    // them ignores its close event.
    QCoreApplication::exit(0);
}

} // namespace corvanta
