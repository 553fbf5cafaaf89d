#include "Support/LogListeners.h"

#include <algorithm>

namespace corvanta {

namespace {
// The listeners this thread is inside of, so that removing one from within itself does not wait
// for its own call to end. Plain data, so it stays usable while the process exits.
constexpr int maxNesting = 16;
thread_local const void* callsOnThisThread[maxNesting];
thread_local int callDepth = 0;

// Marks the calling thread as inside `entry` for the life of the scope.
class InsideCall {
public:
    explicit InsideCall(const void* entry) : m_recorded(callDepth < maxNesting)
    {
        if (m_recorded)
            callsOnThisThread[callDepth++] = entry;
    }
    ~InsideCall()
    {
        if (m_recorded)
            --callDepth;
    }
    InsideCall(const InsideCall&) = delete;
    InsideCall& operator=(const InsideCall&) = delete;

private:
    bool m_recorded;
};
} // namespace

int LogListeners::add(Listener listener)
{
    std::lock_guard lock(m_mutex);
    auto entry = std::make_shared<Entry>();
    entry->token = m_nextToken++;
    entry->listener = std::move(listener);
    auto list = std::make_shared<List>(*m_list);
    list->push_back(std::move(entry));
    m_list = std::move(list);
    m_empty = false;
    return m_nextToken - 1;
}

void LogListeners::remove(int token)
{
    std::unique_lock lock(m_mutex);
    auto list = std::make_shared<List>(*m_list);
    const auto found = std::find_if(list->begin(), list->end(), [&](const auto& e) { return e->token == token; });
    if (found == list->end())
        return;
    const std::shared_ptr<Entry> entry = *found;
    list->erase(found);
    m_list = std::move(list);
    m_empty = m_list->empty();
    entry->removed = true;
    const auto ownCalls = std::count(callsOnThisThread, callsOnThisThread + callDepth, entry.get());
    m_callFinished.wait(lock, [&] { return entry->running == ownCalls; });
}

void LogListeners::notify(LogLevel level, const QString& message)
{
    if (m_empty.load(std::memory_order_relaxed))
        return;
    std::shared_ptr<const List> list;
    {
        std::lock_guard lock(m_mutex);
        list = m_list;
    }
    for (const std::shared_ptr<Entry>& entry : *list) {
        {
            std::lock_guard lock(m_mutex);
            if (entry->removed)
                continue;
            ++entry->running;
        }
        {
            InsideCall inside(entry.get());
            entry->listener(level, message);
        }
        {
            std::lock_guard lock(m_mutex);
            --entry->running;
        }
        m_callFinished.notify_all();
    }
}

} // namespace corvanta
