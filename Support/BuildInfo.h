#pragma once

namespace corvanta {

// The build of this program: the commit it was built from ("-dirty" with uncommitted changes), or
// "?" when it was not built from a git checkout. Written by the build (cmake/BuildId.cmake).
const char* buildIdentifier();

} // namespace corvanta
