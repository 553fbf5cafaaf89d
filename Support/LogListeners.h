#pragma once

#include "Support/LogLevel.h"

#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace corvanta {

// The observers of a logger. Any thread may notify; observers run on the notifying thread.
class LogListeners {
public:
    using Listener = std::function<void(LogLevel level, const QString& message)>;

    int add(Listener listener);
    // Once this returns, the listener is not running on any other thread and never runs again, so
    // its owner may be destroyed. A listener may remove itself.
    void remove(int token);
    void notify(LogLevel level, const QString& message);

private:
    struct Entry {
        int token = 0;
        Listener listener;
        int running = 0; // calls in progress, guarded by the registry's mutex
        bool removed = false;
    };
    using List = std::vector<std::shared_ptr<Entry>>;

    std::mutex m_mutex;
    std::condition_variable m_callFinished;
    std::shared_ptr<const List> m_list = std::make_shared<const List>();
    std::atomic<bool> m_empty {true};
    int m_nextToken = 1;
};

} // namespace corvanta
