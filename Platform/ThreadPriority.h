#pragma once

namespace corvanta {

// Puts the calling thread behind the program's other threads (the frames on the main thread) for
// the rest of its life: the kernel's nice value 10. Not the idle class: on a busy machine an idle
// thread waits a second or more for the processor, and the process's exit waits for it.
void lowerCurrentThreadPriority();

} // namespace corvanta
