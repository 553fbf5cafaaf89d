#pragma once

namespace corvanta {

// The process has been asked to end (a termination signal, Control-Q, the display gone). Marked
// before the event loops are told to end, so a modal question running in a nested loop can tell
// its dismissal by the ending apart from an answer, and nothing starts anew meanwhile.
// Main thread only, save isAsked() and markFromSignal().
class TerminationRequest {
public:
    static bool isRequested();
    // Marks the request and ends every running event loop, nested ones included, without asking
    // the windows first: a window that refuses to close (the splash, a question) must not keep
    // the process alive. Loops started afterwards return at once. The termination itself runs
    // once the outermost loop has ended.
    static void request();
    // Marks the request only (when the loops are ended some other way).
    static void mark();

    // For a termination signal's handler (async-signal-safe): the end is asked for before the
    // event loop hears of it, so long work on the main thread (a hidden draw) can stop at once.
    static void markFromSignal();
    // Any thread, any time: whether an end has been asked for, by a signal not yet handled too.
    static bool isAsked();
};

} // namespace corvanta
