#include "platform/NotificationCenter.h"

#include "platform/MainThread.h"

#include <algorithm>
#include <cassert>

namespace dossiva {

ObserverToken::ObserverToken(ObserverToken&& other) noexcept : m_center(other.m_center), m_id(other.m_id)
{
    other.m_center = nullptr;
}

ObserverToken& ObserverToken::operator=(ObserverToken&& other) noexcept
{
    if (this != &other) {
        reset();
        m_center = other.m_center;
        m_id = other.m_id;
        other.m_center = nullptr;
    }
    return *this;
}

void ObserverToken::reset()
{
    if (m_center != nullptr) {
        m_center->remove(m_id);
        m_center = nullptr;
    }
}

NotificationCenter& NotificationCenter::defaultCenter()
{
    static NotificationCenter center;
    return center;
}

ObserverToken NotificationCenter::add(const char* name, const void* sender, RawHandler handler)
{
    std::lock_guard lock(m_mutex);
    const std::uint64_t id = m_nextId++;
    m_entries.push_back({id, name, sender, std::move(handler)});
    return ObserverToken(this, id);
}

void NotificationCenter::remove(std::uint64_t id)
{
    std::lock_guard lock(m_mutex);
    std::erase_if(m_entries, [id](const Entry& entry) { return entry.id == id; });
}

void NotificationCenter::postRaw(const char* name, const void* sender, const void* payload)
{
    // Observers are screens and the objects behind them: they are only ever
    // touched on the main thread.
    assert(MainThread::isCurrent() && "notifications are posted on the main thread");
    // Handlers run without the lock held, so they may add or remove observers
    // (themselves included); the list of who hears this notification is fixed
    // here, less anyone removed before their turn comes.
    std::vector<std::pair<std::uint64_t, RawHandler>> recipients;
    {
        std::lock_guard lock(m_mutex);
        for (const Entry& entry : m_entries) {
            if (entry.name == name && (entry.sender == nullptr || entry.sender == sender)) {
                recipients.emplace_back(entry.id, entry.handler);
            }
        }
    }
    const auto stillObserving = [this](std::uint64_t id) {
        std::lock_guard lock(m_mutex);
        return std::any_of(m_entries.begin(), m_entries.end(),
                           [id](const Entry& entry) { return entry.id == id; });
    };
    for (const auto& [id, handler] : recipients) {
        if (stillObserving(id)) {
            handler(payload, sender);
        }
    }
}

} // namespace dossiva
