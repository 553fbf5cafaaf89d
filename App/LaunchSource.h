#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace corvanta {

enum class LaunchMode {
    successor, // started by an earlier process of ours: silent, no single-instance check
    login,     // started with the session: silent
    cold,      // started by the user
};

// Whether this start counts as a login start, and the facts it was decided from.
struct LaunchSource {
    bool loginMark = false;          // the launch itself says it came from the login item
    bool shortlyAfterBoot = false;   // less than 180 s since the system booted
    std::optional<bool> registered;  // the login item's state, asked only when needed
    bool isLoginLaunch = false;
    bool bootFallback = false;       // a login start recognised only through the boot time

    // The login item is asked only after a recent boot without the mark.
    static LaunchSource decide(bool loginMark, bool shortlyAfterBoot, const std::function<bool()>& loginItemEnabled);
    // The start-up line that records the decision.
    QString logLine() const;
};

LaunchMode launchModeFor(bool isSuccessor, const LaunchSource& source);

} // namespace corvanta
