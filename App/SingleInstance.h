#pragma once

#include <QList>

#include <functional>

namespace corvanta {

// Only one process of the program serves a user session (one runtime folder and one display): a
// later copy asks the running one to show the grid (unless it was itself started with the session)
// and ends before it builds anything. A copy running in the user's other session cannot show
// anything here, so a start in this session goes on as this session's copy; one in this session
// that the request cannot reach is named to the user before this copy ends.
class SingleInstance {
public:
    struct Dependencies {
        std::function<QList<qint64>()> otherInstances;     // in this session: their process identifiers
        std::function<QList<qint64>()> instancesElsewhere; // of this user, in its other sessions
        std::function<int()> postShowRequest;              // to the running copies; how many it reached
        // Says visibly why this start opens nothing: the running copies could not be reached.
        std::function<void(const QList<qint64>& unreachable)> explainUnreachable;
        std::function<void()> terminate; // asks this process to end
    };

    explicit SingleInstance(Dependencies dependencies) : m_deps(std::move(dependencies)) {}

    // Whether start-up goes on. `requestShow`: false for a start with the session.
    bool ensureSingleInstance(bool requestShow) const;

private:
    Dependencies m_deps;
};

} // namespace corvanta
