#include "Support/LogWriteQueue.h"

namespace corvanta {

LogWriteQueue::LogWriteQueue(std::unique_ptr<AppendOnlyFile> file) : m_file(std::move(file))
{
    if (m_file)
        m_worker = std::thread([this] { run(); });
}

LogWriteQueue::~LogWriteQueue()
{
    if (!m_worker.joinable())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_worker.join();
}

void LogWriteQueue::enqueue(std::string_view line)
{
    if (!m_file)
        return;
    bool wake = false;
    {
        std::lock_guard lock(m_mutex);
        m_pending.append(line);
        ++m_queuedCount;
        // A busy worker comes back for the rest by itself; only a sleeping one needs a wake-up.
        wake = m_workerWaiting;
        m_workerWaiting = false;
    }
    if (wake)
        m_wake.notify_one();
}

void LogWriteQueue::flush()
{
    std::unique_lock lock(m_mutex);
    const quint64 target = m_queuedCount;
    m_written.wait(lock, [&] { return m_writtenCount >= target; });
}

void LogWriteQueue::run()
{
    std::string writing;
    std::unique_lock lock(m_mutex);
    for (;;) {
        while (m_pending.empty() && !m_stopping) {
            m_workerWaiting = true;
            m_wake.wait(lock);
        }
        m_workerWaiting = false;
        if (m_pending.empty())
            return; // stopping, and everything is written
        writing.swap(m_pending);
        const quint64 count = m_queuedCount - m_writtenCount;
        lock.unlock();

        // One write per batch of whole lines: another process appending to the same file cannot
        // land in the middle of one. A failed write (a full disk) is dropped; callers never hear of it.
        m_file->write(writing);
        writing.clear();

        lock.lock();
        m_writtenCount += count;
        m_written.notify_all();
    }
}

} // namespace corvanta
