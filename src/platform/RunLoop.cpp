#include "platform/RunLoop.h"

namespace dossiva {

RunLoop::RunLoop()
{
    MainThread::setPoster([this](MainThread::Task task) { post(std::move(task)); });
}

RunLoop::~RunLoop()
{
    // Returns only once no other thread is inside our post().
    MainThread::setPoster({});
}

void RunLoop::post(MainThread::Task task)
{
    {
        std::lock_guard lock(m_mutex);
        m_tasks.push_back(std::move(task));
    }
    m_wake.notify_one();
}

bool RunLoop::runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        MainThread::Task task;
        {
            std::unique_lock lock(m_mutex);
            if (!m_wake.wait_until(lock, deadline, [this] { return !m_tasks.empty(); })) {
                lock.unlock();
                return done();
            }
            task = std::move(m_tasks.front());
            m_tasks.pop_front();
        }
        // Tasks run without the lock, so they may post more tasks.
        task();
    }
    return true;
}

void RunLoop::runPending()
{
    std::deque<MainThread::Task> batch;
    {
        std::lock_guard lock(m_mutex);
        batch.swap(m_tasks);
    }
    for (auto& task : batch) {
        task();
    }
}

} // namespace dossiva
