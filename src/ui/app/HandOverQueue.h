#pragma once

#include <QString>

#include <deque>
#include <functional>

namespace dossiva {

class QtAlerts;

// Files handed to the running application (opened from the file manager, or
// by a second launch) start their work at once when nothing else is under
// way, and otherwise wait, in order, until the alerts are no longer busy: an
// import never starts inside another one's question or progress sheet.
class HandOverQueue {
public:
    using Open = std::function<void(const QString& path)>;

    HandOverQueue(QtAlerts& alerts, Open open);

    void handOver(const QString& path);
    std::size_t waiting() const { return m_waiting.size(); }

private:
    void openWaiting();

    QtAlerts& m_alerts;
    Open m_open;
    std::deque<QString> m_waiting;
};

} // namespace dossiva
