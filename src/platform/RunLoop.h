#pragma once

#include "platform/MainThread.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace dossiva {

// A plain task queue that stands in for the main thread's event loop in the
// CLI and in tests: MainThread::post() feeds it, runUntil() drains it.
class RunLoop {
public:
    RunLoop();
    ~RunLoop(); // uninstalls itself as MainThread's poster
    RunLoop(const RunLoop&) = delete;
    RunLoop& operator=(const RunLoop&) = delete;

    void post(MainThread::Task task);

    // Runs queued tasks until done() holds or the timeout passes. Returns
    // whether done() held.
    bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
    // Runs what is queued now and returns.
    void runPending();

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<MainThread::Task> m_tasks;
};

} // namespace dossiva
