#include "ui/app/HandOverQueue.h"

#include "ui/app/QtAlerts.h"

namespace dossiva {

HandOverQueue::HandOverQueue(QtAlerts& alerts, Open open) : m_alerts(alerts), m_open(std::move(open))
{
    m_alerts.setIdleHandler([this] { openWaiting(); });
}

void HandOverQueue::handOver(const QString& path)
{
    m_waiting.push_back(path);
    openWaiting();
}

void HandOverQueue::openWaiting()
{
    // Each file may itself make the alerts busy (a question, a sheet): the
    // next one waits for that to end.
    while (!m_waiting.empty() && !m_alerts.isBusy()) {
        const QString path = m_waiting.front();
        m_waiting.pop_front();
        m_open(path);
    }
}

} // namespace dossiva
