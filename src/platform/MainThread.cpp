#include "platform/MainThread.h"

#include "platform/Log.h"

#include <mutex>
#include <thread>

namespace dossiva {

namespace {

std::mutex g_posterMutex;
MainThread::Poster g_poster;
// Static initialisation runs on the thread that starts the program.
const std::thread::id g_mainThread = std::this_thread::get_id();

} // namespace

void MainThread::post(Task task)
{
    // The poster is called under the lock so that an owner uninstalling it
    // (a RunLoop being destroyed) waits for any post in progress.
    std::lock_guard lock(g_posterMutex);
    if (!g_poster) {
        // Nothing would ever run the task: say so for whoever debugs, and drop it.
        devLog("MainThread::post: no poster installed; the task is dropped");
        return;
    }
    g_poster(std::move(task));
}

void MainThread::setPoster(Poster poster)
{
    std::lock_guard lock(g_posterMutex);
    g_poster = std::move(poster);
}

bool MainThread::hasPoster()
{
    std::lock_guard lock(g_posterMutex);
    return static_cast<bool>(g_poster);
}

bool MainThread::isCurrent()
{
    return std::this_thread::get_id() == g_mainThread;
}

} // namespace dossiva
