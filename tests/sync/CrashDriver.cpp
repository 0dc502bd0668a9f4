#include "sync/CrashDriver.h"

#include "support/ChildProcess.h"

#include <csignal>
#include <thread>

namespace dossiva::test {

namespace {

using Clock = std::chrono::steady_clock;

// The program with its standard error joined to its output, so the trace
// comes back line by line in the order it was written. exec keeps the
// process id the program's own.
std::vector<std::string> joinedOutput(const std::vector<std::string>& argv)
{
    std::vector<std::string> shell{"/bin/sh", "-c", "exec \"$0\" \"$@\" 2>&1"};
    shell.insert(shell.end(), argv.begin(), argv.end());
    return shell;
}

std::chrono::milliseconds left(Clock::time_point deadline)
{
    return std::max(std::chrono::milliseconds(0),
                    std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()));
}

} // namespace

CrashDriver::CrashDriver(std::vector<std::string> argv, const std::map<std::string, std::string>& environment,
                         std::function<bool(const std::string&)> isMarker,
                         std::function<std::string(const std::string&)> phaseOf)
    : m_argv(std::move(argv)), m_isMarker(std::move(isMarker)), m_phaseOf(std::move(phaseOf))
{
    for (const auto& [name, value] : environment) {
        m_environment.push_back(name + "=" + value);
    }
}

CrashDriver::Run CrashDriver::runToEnd(std::chrono::seconds limit) const
{
    return runUntil({"", -1, std::chrono::milliseconds(0)}, limit);
}

std::vector<CrashDriver::Phase> CrashDriver::phasesOf(const Run& run) const
{
    std::vector<Phase> phases;
    int markers = 0;
    for (const auto& line : run.lines) {
        if (!m_isMarker(line)) {
            continue;
        }
        const std::string phase = m_phaseOf(line);
        if (!phase.empty() && (phases.empty() || phases.back().name != phase)) {
            phases.push_back({phase, markers, 0});
        }
        ++markers;
    }
    for (std::size_t i = 0; i < phases.size(); ++i) {
        const int end = i + 1 < phases.size() ? phases[i + 1].firstMarker : markers;
        phases[i].markers = end - phases[i].firstMarker;
    }
    return phases;
}

std::vector<CrashDriver::KillPoint> CrashDriver::spread(const std::vector<Phase>& phases, int count)
{
    std::vector<KillPoint> points;
    if (phases.empty()) {
        return points;
    }
    const int phaseCount = static_cast<int>(phases.size());
    for (int p = 0; p < phaseCount; ++p) {
        const Phase& phase = phases[static_cast<std::size_t>(p)];
        const int share = count / phaseCount + (p < count % phaseCount ? 1 : 0);
        for (int k = 0; k < share; ++k) {
            const int offset = phase.markers * (2 * k + 1) / (2 * share);
            // Some land between marker lines, in the local work they bracket.
            const auto delay = std::chrono::milliseconds((1 << (k % 4)) - 1);
            points.push_back({phase.name, phase.firstMarker + offset + 1, delay});
        }
    }
    return points;
}

CrashDriver::Run CrashDriver::runUntil(const KillPoint& point, std::chrono::seconds limit) const
{
    Run run;
    ChildProcess child;
    if (!child.start(joinedOutput(m_argv), m_environment)) {
        run.status = -1;
        return run;
    }
    const auto deadline = Clock::now() + limit;
    int markers = 0;
    while (const auto line = child.readLine(left(deadline))) {
        run.lines.push_back(*line);
        if (!m_isMarker(*line) || ++markers != point.marker) {
            continue;
        }
        std::this_thread::sleep_for(point.delay);
        // Only this child, by its own id; it may have ended already.
        ::kill(child.pid(), SIGKILL);
        const auto status = child.wait(left(deadline));
        run.status = status && *status != 128 + SIGKILL ? status : std::nullopt;
        return run;
    }
    run.status = child.wait(left(deadline));
    if (!run.status) {
        child.stop();
        run.status = -1;
    }
    return run;
}

} // namespace dossiva::test
