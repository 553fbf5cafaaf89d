#include "Platform/ThreadPriority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace corvanta {

void lowerCurrentThreadPriority()
{
    // On Linux a thread's id names that thread alone here; raising one's own nice value is
    // always allowed, and a failure leaves the thread as it was.
    [[maybe_unused]] const int result = ::setpriority(PRIO_PROCESS, id_t(::syscall(SYS_gettid)), 10);
}

} // namespace corvanta
