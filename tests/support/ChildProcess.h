#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace dossiva::test {

// One child process of a test: a program started with its arguments, or a
// forked copy of the test running a function. Its standard output comes
// back line by line; it is stopped by its own process id, never by name,
// and is killed too if the test process dies first.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts argv[0] (looked up on PATH) with the other entries as its
    // arguments and NAME=VALUE entries added to its environment. Standard
    // error goes to stderrPath when one is given.
    bool start(const std::vector<std::string>& argv, const std::vector<std::string>& environment = {},
               const std::string& stderrPath = {});
    // Runs body in a forked copy of this process; what it writes to the
    // descriptor it gets comes back through readLine(); its return value is
    // the exit status.
    bool fork(const std::function<int(int out)>& body);

    // The next line of output without its "\n"; nullopt at the end of the
    // output or when the time-out passes first.
    std::optional<std::string> readLine(std::chrono::milliseconds timeout);
    // Waits for the child to end; its exit status (128 + signal when killed)
    // or nullopt when the time-out passes first.
    std::optional<int> wait(std::chrono::milliseconds timeout);
    // Ends the child: SIGTERM, then SIGKILL after the grace time. Its exit
    // status, or nullopt when none was started.
    std::optional<int> stop(std::chrono::milliseconds grace = std::chrono::seconds(3));

    pid_t pid() const { return m_pid; }
    bool running() const { return m_pid > 0 && !m_status; }

private:
    bool launch(const std::function<void(int out)>& inChild);

    pid_t m_pid = -1;
    int m_out = -1;
    std::string m_pending;
    std::optional<int> m_status;
};

} // namespace dossiva::test
