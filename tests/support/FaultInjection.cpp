#include "support/FaultInjection.h"

#include "support/Files.h"

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

std::vector<int> faultCalls(const std::vector<std::string>& calls, int sample)
{
    const int total = static_cast<int>(calls.size());
    const int count = longCampaign() || sample >= total ? total : sample;
    std::set<int> chosen;
    for (int i = 0; i < count; ++i) {
        chosen.insert(count == 1 ? 1
                                 : 1 + static_cast<int>(static_cast<long>(i) * (total - 1) / (count - 1)));
    }
    for (int call = 1; call <= total; ++call) {
        if (calls[static_cast<std::size_t>(call - 1)].find(" rename") != std::string::npos) {
            chosen.insert(call);
        }
    }
    return {chosen.begin(), chosen.end()};
}

} // namespace dossiva::test
