#include "platform/NotificationCenter.h"

#include <algorithm>

namespace dossiva {

NotificationCenter& NotificationCenter::defaultCenter()
{
    static NotificationCenter center;
    return center;
}

NotificationCenter::ObserverId NotificationCenter::addObserver(const std::string& name, const void* object,
                                                               Handler handler)
{
    std::lock_guard lock(m_mutex);
    const ObserverId id = m_nextId++;
    m_entries.push_back({id, name, object, std::move(handler)});
    return id;
}

void NotificationCenter::removeObserver(ObserverId id)
{
    std::lock_guard lock(m_mutex);
    std::erase_if(m_entries, [id](const Entry& entry) { return entry.id == id; });
}

void NotificationCenter::post(const std::string& name, const void* object, std::any payload)
{
    // Handlers run without the lock held, so they may add or remove observers
    // (themselves included); the list of who hears this notification is fixed
    // here, less anyone removed before their turn comes.
    std::vector<std::pair<ObserverId, Handler>> recipients;
    {
        std::lock_guard lock(m_mutex);
        for (const Entry& entry : m_entries) {
            if (entry.name == name && (entry.object == nullptr || entry.object == object)) {
                recipients.emplace_back(entry.id, entry.handler);
            }
        }
    }
    const auto stillObserving = [this](ObserverId id) {
        std::lock_guard lock(m_mutex);
        return std::any_of(m_entries.begin(), m_entries.end(),
                           [id](const Entry& entry) { return entry.id == id; });
    };
    const Notification notification{name, object, std::move(payload)};
    for (const auto& [id, handler] : recipients) {
        if (stillObserving(id)) {
            handler(notification);
        }
    }
}

} // namespace dossiva
