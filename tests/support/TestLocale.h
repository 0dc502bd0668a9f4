#pragma once

#include <string>

namespace dossiva::test {

// The locale and time zone every test runs in, whatever the machine's. The
// test main pins them before the first test, for the test process and every
// program it starts. The zone is not UTC and keeps summer time, so that a
// local moment taken for a UTC one shows.
inline constexpr const char* kTestLocale = "en_US.UTF-8";
inline constexpr const char* kTestTimeZone = "America/New_York";

// Names another locale for one run (the runs that show dates follow it).
inline constexpr const char* kLocaleOverride = "DOSSIVA_TEST_LOCALE";

// Sets LC_ALL, LANG and TZ, and takes them on as the application does.
void pinLocaleAndTimeZone();
// The locale the run is pinned to: kTestLocale unless overridden.
std::string pinnedLocale();

// Runs the tests of this program that `filter` selects (gtest's syntax) in a
// child process pinned to `locale`. True when they all ran and passed;
// `output` holds what the child printed.
bool passUnderLocale(const std::string& filter, const std::string& locale, std::string& output);

} // namespace dossiva::test
