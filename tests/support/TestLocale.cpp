#include "support/TestLocale.h"

#include "support/ChildProcess.h"

#include <clocale>
#include <cstdlib>
#include <ctime>
#include <filesystem>

namespace dossiva::test {

std::string pinnedLocale()
{
    const char* chosen = std::getenv(kLocaleOverride);
    return chosen != nullptr && *chosen != '\0' ? chosen : kTestLocale;
}

void pinLocaleAndTimeZone()
{
    const std::string locale = pinnedLocale();
    ::setenv("LC_ALL", locale.c_str(), 1);
    ::setenv("LANG", locale.c_str(), 1);
    ::unsetenv("LANGUAGE");
    ::setenv("TZ", kTestTimeZone, 1);
    ::tzset();
    // The application's toolkit does this at start; the C library then
    // formats and reads as the user's programs do.
    std::setlocale(LC_ALL, "");
}

bool passUnderLocale(const std::string& filter, const std::string& locale, std::string& output)
{
    ChildProcess child;
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    if (!child.start({self, "--gtest_filter=" + filter, "--gtest_brief=1"},
                     {std::string(kLocaleOverride) + "=" + locale})) {
        return false;
    }
    output.clear();
    while (const auto line = child.readLine(std::chrono::seconds(120))) {
        output += *line + "\n";
    }
    const auto status = child.wait(std::chrono::seconds(120));
    return status == 0 && output.find("[  PASSED  ]") != std::string::npos;
}

} // namespace dossiva::test
