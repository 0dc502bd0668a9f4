#include "support/FaultInjection.h"

#include "support/Files.h"

#include <algorithm>
#include <cstdlib>
#include <set>

namespace dossiva::test {

std::string FaultPoint::name() const
{
    const char* kinds[] = {"ENOSPC", "EIO", "SIGKILL"};
    return std::string(kinds[static_cast<int>(kind)]) + (persistent ? " from call " : " at call ") +
           std::to_string(call);
}

std::map<std::string, std::string> faultEnvironment(const std::optional<FaultPoint>& point,
                                                    const std::string& logFile)
{
    // The shim comes before the AddressSanitizer runtime, which would refuse
    // to start behind it.
    const char* asan = std::getenv("ASAN_OPTIONS");
    std::map<std::string, std::string> environment{
        {"LD_PRELOAD", DOSSIVA_FAULT_SHIM},
        {"ASAN_OPTIONS", std::string(asan != nullptr ? asan : "") + ":verify_asan_link_order=0"}};
    if (!logFile.empty()) {
        environment["DOSSIVA_FAULT_LOG"] = logFile;
    }
    if (point) {
        const char* kinds[] = {"ENOSPC", "EIO", "KILL"};
        environment["DOSSIVA_FAULT"] = kinds[static_cast<int>(point->kind)];
        environment["DOSSIVA_FAULT_AT"] = std::to_string(point->call);
        environment["DOSSIVA_FAULT_PERSIST"] = point->persistent ? "1" : "0";
    }
    return environment;
}

std::vector<std::string> loggedCalls(const std::string& logFile)
{
    return textLines(fileContents(logFile));
}

bool longCampaign()
{
    const char* requested = std::getenv("DOSSIVA_LONG_CAMPAIGN");
    return requested != nullptr && std::string(requested) == "1";
}

namespace {

// At most `count` of the positions, spread evenly from the first to the last.
void spread(const std::vector<int>& positions, std::size_t count, std::set<int>& chosen)
{
    const std::size_t total = positions.size();
    const std::size_t taken = std::min(count, total);
    for (std::size_t i = 0; i < taken; ++i) {
        chosen.insert(positions[taken == 1 ? 0 : i * (total - 1) / (taken - 1)]);
    }
}

} // namespace

std::vector<int> faultCalls(const std::vector<std::string>& calls, int sample)
{
    std::vector<int> all;
    std::vector<int> renames;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        all.push_back(static_cast<int>(i) + 1);
        if (calls[i].find(" rename") != std::string::npos) {
            renames.push_back(static_cast<int>(i) + 1);
        }
    }
    std::set<int> chosen;
    const std::size_t count = longCampaign() ? all.size() : static_cast<std::size_t>(sample);
    spread(all, count, chosen);
    spread(renames, count, chosen);
    return {chosen.begin(), chosen.end()};
}

} // namespace dossiva::test
