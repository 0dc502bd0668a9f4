#pragma once

#include <cstdint>
#include <string>

namespace dossiva::test {

// A moment of the computer's local time, in seconds since 1970, as the C
// library counts it (independently of ICU, which the code under test uses).
std::int64_t localMoment(int year, int month, int day, int hour = 0, int minute = 0);

// Writes bytes to a file, replacing it, and returns its path.
std::string writeFile(const std::string& path, const std::string& bytes);
// The bytes of a file ("" when it cannot be read).
std::string fileContents(const std::string& path);

} // namespace dossiva::test
