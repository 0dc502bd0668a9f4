#pragma once

#include <functional>

namespace dossiva {

// Queues work onto the main thread. The desktop application installs a poster
// that goes through Qt's event loop; the CLI and the tests use RunLoop.
class MainThread {
public:
    using Task = std::function<void()>;
    using Poster = std::function<void(Task)>;

    // Queues the task; it runs later on the main thread, never inside post().
    static void post(Task task);
    static void setPoster(Poster poster);
    static bool hasPoster();
    // Whether the caller runs on the main thread: the one that started the
    // program.
    static bool isCurrent();
};

} // namespace dossiva
