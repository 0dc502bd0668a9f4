#include "sync/OneSlotSignal.h"

namespace dossiva {

void OneSlotSignal::raise()
{
    {
        std::lock_guard lock(m_mutex);
        m_raised = true;
    }
    m_changed.notify_one();
}

void OneSlotSignal::wait()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_raised; });
    m_raised = false;
}

} // namespace dossiva
