#pragma once

#include <condition_variable>
#include <mutex>

namespace dossiva {

// A binary semaphore, initially empty: one thread raises it, another waits
// until it is raised and empties it again. Raising a raised signal changes
// nothing. The backup worker waits on it for each step's outcome, which the
// main thread stores before it raises the signal.
class OneSlotSignal {
public:
    void raise();
    void wait();

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_raised = false;
};

} // namespace dossiva
