#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace dossiva {

// Names of the notifications the application posts.
inline constexpr const char* kDBChangedNotification = "DBChangedNotification";
inline constexpr const char* kSortingTypeChangedNotification = "SortingTypeChangedNotification";
inline constexpr const char* kSortingTypeChangedNotificationFromListTable =
    "SortingTypeChangedNotificationFromListTable";
inline constexpr const char* kEditDateNotification = "EditDateNotification";
inline constexpr const char* kDBBackgroundChangedNotification = "DBBackgroundChangedNotification";

struct Notification {
    std::string name;
    const void* object = nullptr; // the poster, or nullptr
    std::any payload;             // the user info, if any
};

// Named notifications, delivered synchronously on the posting thread to every
// observer registered for that name (and, when an observer gave one, for
// that object) in the order the observers were added.
class NotificationCenter {
public:
    using Handler = std::function<void(const Notification&)>;
    using ObserverId = std::uint64_t;

    static NotificationCenter& defaultCenter();

    // object nullptr observes the name from any poster.
    ObserverId addObserver(const std::string& name, const void* object, Handler handler);
    void removeObserver(ObserverId id);

    void post(const std::string& name, const void* object = nullptr, std::any payload = {});

private:
    struct Entry {
        ObserverId id;
        std::string name;
        const void* object;
        Handler handler;
    };
    std::mutex m_mutex;
    std::vector<Entry> m_entries;
    ObserverId m_nextId = 1;
};

} // namespace dossiva
