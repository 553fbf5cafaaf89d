#include "Support/TerminationRequest.h"

#include <QCoreApplication>

namespace corvanta {

namespace {
bool g_requested = false;
} // namespace

bool TerminationRequest::isRequested() { return g_requested; }

void TerminationRequest::mark() { g_requested = true; }

void TerminationRequest::request()
{
    mark();
    // Not quit(): Qt's quit first closes every window and is refused, with no trace, while one of
    // them ignores its close event.
    QCoreApplication::exit(0);
}

} // namespace corvanta
