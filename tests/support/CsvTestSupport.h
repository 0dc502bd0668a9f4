#pragma once

#include "support/Files.h"

#include <cstdint>

namespace dossiva::test {

// A moment of the computer's local time, in seconds since 1970, as the C
// library counts it (independently of ICU, which the code under test uses).
std::int64_t localMoment(int year, int month, int day, int hour = 0, int minute = 0);

} // namespace dossiva::test
