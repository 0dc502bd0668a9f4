#include "platform/Clock.h"

#include <chrono>
#include <cmath>
#include <mutex>

namespace dossiva {

namespace {
std::mutex g_mutex;
std::function<double()> g_override;
} // namespace

double Clock::now()
{
    {
        std::lock_guard lock(g_mutex);
        if (g_override) {
            return g_override();
        }
    }
    const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration<double>(sinceEpoch).count();
}

std::int64_t Clock::nowSeconds()
{
    return std::llround(now());
}

void Clock::setOverride(std::function<double()> source)
{
    std::lock_guard lock(g_mutex);
    g_override = std::move(source);
}

ScopedClockOverride::ScopedClockOverride(double fixedSeconds)
{
    Clock::setOverride([fixedSeconds] { return fixedSeconds; });
}

ScopedClockOverride::ScopedClockOverride(std::function<double()> source)
{
    Clock::setOverride(std::move(source));
}

ScopedClockOverride::~ScopedClockOverride()
{
    Clock::setOverride({});
}

} // namespace dossiva
