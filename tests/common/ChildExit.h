#pragma once

#include <cstdio>
#include <cstdlib>

namespace corvanta::test {

// Ends a test's child process with `code`, saying `text` on stderr for the parent's death test to
// match. Straight out: the child's own objects are of no interest to the parent, and some of them
// may be the very state under test.
[[noreturn]] inline void finishChild(int code, const char* text)
{
    std::fprintf(stderr, "%s\n", text);
    std::fflush(stderr);
    std::_Exit(code);
}

} // namespace corvanta::test
