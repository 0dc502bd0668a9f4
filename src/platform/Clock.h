#pragma once

#include <cstdint>
#include <functional>

namespace dossiva {

// "Now" for the whole program. Tests replace it to be deterministic.
class Clock {
public:
    // Seconds since 1970-01-01 00:00 UTC, with fractions.
    static double now();
    // now() rounded to the nearest whole second, as stored in databases.
    static std::int64_t nowSeconds();

    // Replaces the source of "now"; an empty function restores the system
    // clock.
    static void setOverride(std::function<double()> source);
};

// Restores the system clock when it goes out of scope.
class ScopedClockOverride {
public:
    explicit ScopedClockOverride(double fixedSeconds);
    explicit ScopedClockOverride(std::function<double()> source);
    ~ScopedClockOverride();
    ScopedClockOverride(const ScopedClockOverride&) = delete;
    ScopedClockOverride& operator=(const ScopedClockOverride&) = delete;
};

} // namespace dossiva
