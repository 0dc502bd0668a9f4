#include "platform/Log.h"

#include <cstdio>
#include <mutex>

namespace dossiva {

namespace {
std::mutex g_mutex;
DevLogSink g_sink;
} // namespace

void devLog(const std::string& message)
{
    std::lock_guard lock(g_mutex);
    if (g_sink) {
        g_sink(message);
        return;
    }
    std::fprintf(stderr, "%s\n", message.c_str());
}

DevLogSink setDevLogSink(DevLogSink sink)
{
    std::lock_guard lock(g_mutex);
    std::swap(g_sink, sink);
    return sink;
}

} // namespace dossiva
