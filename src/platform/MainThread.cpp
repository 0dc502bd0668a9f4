#include "platform/MainThread.h"

#include "platform/Log.h"

#include <mutex>

namespace dossiva {

namespace {

std::mutex g_posterMutex;
MainThread::Poster g_poster;

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

} // namespace dossiva
