#pragma once

#include "Platform/AppendOnlyFile.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace corvanta {

// Appends lines to a file on a worker thread of its own, in the order they were queued, so that
// whoever queues a line never waits for the disk. Lines that fail to reach the disk are dropped.
class LogWriteQueue {
public:
    // With no file, every line is dropped and no thread is started.
    explicit LogWriteQueue(std::unique_ptr<AppendOnlyFile> file);
    // Writes what is still queued, then stops the worker.
    ~LogWriteQueue();
    LogWriteQueue(const LogWriteQueue&) = delete;
    LogWriteQueue& operator=(const LogWriteQueue&) = delete;

    // `line` holds whole lines; it is copied.
    void enqueue(std::string_view line);
    // Returns once every line queued before the call has been handed to the file.
    void flush();

private:
    void run();

    std::unique_ptr<AppendOnlyFile> m_file;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_written;
    // Callers append here; the worker swaps it with a buffer of its own, so after warm-up neither
    // side allocates per line.
    std::string m_pending;
    quint64 m_queuedCount = 0;
    quint64 m_writtenCount = 0;
    bool m_workerWaiting = false;
    bool m_stopping = false;
    std::thread m_worker;
};

} // namespace corvanta
