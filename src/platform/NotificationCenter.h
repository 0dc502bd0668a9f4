#pragma once

#include "platform/Image.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace dossiva {

// A notification's name together with the one type its payload has, so an
// observer and a poster can never disagree on it.
template <typename Payload> struct NotificationKind {
    const char* name;
};

// The payload of a notification that carries none.
struct NoPayload {};

// A database was opened, closed, renamed or restructured.
inline constexpr NotificationKind<NoPayload> kDBChangedNotification{"DBChangedNotification"};
// The sort changed; the payload is the sort index.
inline constexpr NotificationKind<std::int64_t> kSortingTypeChangedNotification{
    "SortingTypeChangedNotification"};
inline constexpr NotificationKind<std::int64_t> kSortingTypeChangedNotificationFromListTable{
    "SortingTypeChangedNotificationFromListTable"};
// The open database's edit or sync date was written; the payload is the date
// in seconds since 1970.
inline constexpr NotificationKind<std::int64_t> kEditDateNotification{"EditDateNotification"};
// The form background changed; the payload is the new picture, null when it
// was removed.
inline constexpr NotificationKind<ImagePtr> kDBBackgroundChangedNotification{
    "DBBackgroundChangedNotification"};

class NotificationCenter;

// Keeps an observer registered while it lives; moving it moves the
// registration, destroying or resetting it ends it.
class [[nodiscard]] ObserverToken {
public:
    ObserverToken() = default;
    ObserverToken(ObserverToken&& other) noexcept;
    ObserverToken& operator=(ObserverToken&& other) noexcept;
    ObserverToken(const ObserverToken&) = delete;
    ObserverToken& operator=(const ObserverToken&) = delete;
    ~ObserverToken() { reset(); }

    void reset();

private:
    friend class NotificationCenter;
    ObserverToken(NotificationCenter* center, std::uint64_t id) : m_center(center), m_id(id) {}

    NotificationCenter* m_center = nullptr;
    std::uint64_t m_id = 0;
};

// Named notifications, delivered synchronously to every observer registered
// for that name (and, when an observer gave one, for that sender) in the
// order the observers were added. Notifications are posted on the main
// thread only; work on other threads hands them over with MainThread::post.
class NotificationCenter {
public:
    static NotificationCenter& defaultCenter();

    // sender nullptr observes the notification from any poster.
    template <typename Payload>
    ObserverToken observe(NotificationKind<Payload> kind, const void* sender,
                          std::function<void(const Payload&, const void* sender)> handler)
    {
        return add(kind.name, sender, [handler = std::move(handler)](const void* payload, const void* from) {
            handler(*static_cast<const Payload*>(payload), from);
        });
    }

    template <typename Payload>
    void post(NotificationKind<Payload> kind, const void* sender, const Payload& payload = {})
    {
        postRaw(kind.name, sender, &payload);
    }

private:
    friend class ObserverToken;
    using RawHandler = std::function<void(const void* payload, const void* sender)>;
    struct Entry {
        std::uint64_t id;
        std::string name;
        const void* sender;
        RawHandler handler;
    };

    ObserverToken add(const char* name, const void* sender, RawHandler handler);
    void remove(std::uint64_t id);
    void postRaw(const char* name, const void* sender, const void* payload);

    std::mutex m_mutex;
    std::vector<Entry> m_entries;
    std::uint64_t m_nextId = 1;
};

} // namespace dossiva
