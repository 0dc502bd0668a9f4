#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace dossiva::test {

// Kills a program at chosen points of its work and tells where they fell.
// The points are counted in the lines the program writes (its standard
// output and error joined): a reference run that goes to its end shows how
// many marker lines each phase writes, and the kill points are spread over
// the phases by those counts. A run is killed with SIGKILL, by its process
// id, as soon as its output reaches the point's marker line (and, for a
// point with a delay, that much later), so it cannot clean up after itself.
class CrashDriver {
public:
    struct Phase {
        std::string name;
        int firstMarker = 0; // index of the phase's first marker line
        int markers = 0;     // how many marker lines it writes
    };
    struct KillPoint {
        std::string phase;
        int marker = 0; // killed after this many marker lines
        std::chrono::milliseconds delay{0};
    };
    struct Run {
        std::vector<std::string> lines;
        std::optional<int> status; // nullopt when it was killed
    };

    // The program runs with these variables added to its environment;
    // isMarker picks the lines that count; phaseOf names the phase a marker
    // line starts ("" when it starts none).
    CrashDriver(std::vector<std::string> argv, const std::map<std::string, std::string>& environment,
                std::function<bool(const std::string&)> isMarker,
                std::function<std::string(const std::string&)> phaseOf);

    // Runs the program to its end.
    Run runToEnd(std::chrono::seconds limit = std::chrono::seconds(120)) const;
    // The phases a finished run went through, in order.
    std::vector<Phase> phasesOf(const Run& run) const;
    // `count` kill points spread evenly over the phases, each phase getting
    // its share; most of them a few milliseconds after their marker.
    static std::vector<KillPoint> spread(const std::vector<Phase>& phases, int count);
    // Runs the program and kills it at the point; the run as far as it got
    // (with its status when it ended before the point).
    Run runUntil(const KillPoint& point, std::chrono::seconds limit = std::chrono::seconds(120)) const;

private:
    std::vector<std::string> m_argv;
    std::vector<std::string> m_environment;
    std::function<bool(const std::string&)> m_isMarker;
    std::function<std::string(const std::string&)> m_phaseOf;
};

} // namespace dossiva::test
