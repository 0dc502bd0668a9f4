#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace dossiva::test {

// What the fault shim (support/faultshim, preloaded into a program) does at
// the call it is told: fail it with a full disk or an I/O error, once or for
// every later call too, or kill the program there with SIGKILL.
struct FaultPoint {
    enum class Kind { NoSpace, IoError, Kill };
    int call = 0; // counted from 1 over the calls that change files
    Kind kind = Kind::NoSpace;
    bool persistent = false;

    std::string name() const;
};

// The environment that runs a program under the shim: with a fault at the
// point, or without one; the calls are logged to logFile when one is given.
std::map<std::string, std::string> faultEnvironment(const std::optional<FaultPoint>& point,
                                                    const std::string& logFile = {});

// The calls a run logged, one "N CALL PATH" line each.
std::vector<std::string> loggedCalls(const std::string& logFile);

// Whether the long campaign was asked for (DOSSIVA_LONG_CAMPAIGN=1): every
// call with every fault rather than a sample.
bool longCampaign();

// The calls to try out of those a run logged: all of them in the long
// campaign, else `sample` spread evenly from the first to the last and as
// many of its renames, where work usually takes effect.
std::vector<int> faultCalls(const std::vector<std::string>& calls, int sample);

} // namespace dossiva::test
