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
    QCoreApplication::quit();
}

} // namespace corvanta
