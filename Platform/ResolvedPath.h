#pragma once

#include <QString>

namespace corvanta {

// `path` as the system reaches it: every symbolic link, "." and ".." resolved (a relative path
// from the working folder), as realpath() gives it. Where the walk cannot go on (a missing or
// unreadable folder, a loop of links), the rest is kept as written below the folder reached.
//
// The path is walked once, one component at a time through open folders, so a deep path costs
// one look-up per component and no stack; realpath() looks up each prefix again and refuses
// anything longer than the system's path limit. At most ResolvedPathLimits::maxLookUps components
// are looked up and maxLinks links followed; what lies beyond is kept as written.
QString resolvedPath(const QString& path);

struct ResolvedPathLimits {
    static constexpr int maxLookUps = 4096; // no path the system takes has half as many components
    static constexpr int maxLinks = 40;     // the kernel's own limit on one path's links
};

} // namespace corvanta
