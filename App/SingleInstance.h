#pragma once

#include <QList>

#include <functional>

namespace corvanta {

// Only one process of the program serves the user: a later copy asks the running one to show the
// grid (unless it was itself started with the session) and ends before it builds anything.
class SingleInstance {
public:
    struct Dependencies {
        std::function<QList<qint64>()> otherInstances; // their process identifiers
        std::function<void()> postShowRequest;          // to the running copies
        std::function<void()> terminate;                // asks this process to end
    };

    explicit SingleInstance(Dependencies dependencies) : m_deps(std::move(dependencies)) {}

    // Whether start-up goes on. `requestShow`: false for a start with the session.
    bool ensureSingleInstance(bool requestShow) const;

private:
    Dependencies m_deps;
};

} // namespace corvanta
