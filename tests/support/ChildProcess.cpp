#include "support/ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace dossiva::test {

namespace {

using Clock = std::chrono::steady_clock;

std::vector<char*> pointersTo(std::vector<std::string>& strings)
{
    std::vector<char*> pointers;
    for (auto& text : strings) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

// In the child, before anything else: die with the test, and never outlive
// a parent that died between fork() and here.
void tieToParent(pid_t parent)
{
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) {
        ::_exit(125);
    }
}

} // namespace

ChildProcess::~ChildProcess()
{
    stop();
}

bool ChildProcess::launch(const std::function<void(int out)>& inChild)
{
    if (running()) {
        return false;
    }
    if (m_out >= 0) {
        ::close(m_out);
        m_out = -1;
    }
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        return false;
    }
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        return false;
    }
    if (pid == 0) {
        tieToParent(parent);
        ::close(pipeFds[0]);
        inChild(pipeFds[1]);
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    m_pid = pid;
    m_out = pipeFds[0];
    m_pending.clear();
    m_status.reset();
    return true;
}

bool ChildProcess::start(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                         const std::string& stderrPath)
{
    if (argv.empty()) {
        return false;
    }
    // Everything the child needs is made before fork(): after it, only calls
    // that are safe in a copy of a threaded process.
    std::vector<std::string> arguments = argv;
    std::vector<std::string> variables;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        variables.emplace_back(*entry);
    }
    variables.insert(variables.end(), environment.begin(), environment.end());
    std::vector<char*> argumentPointers = pointersTo(arguments);
    std::vector<char*> variablePointers = pointersTo(variables);
    const int errorFd =
        stderrPath.empty() ? -1 : ::open(stderrPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    const bool started = launch([&](int out) {
        ::dup2(out, STDOUT_FILENO);
        if (errorFd >= 0) {
            ::dup2(errorFd, STDERR_FILENO);
        }
        ::execvpe(argumentPointers[0], argumentPointers.data(), variablePointers.data());
    });
    if (errorFd >= 0) {
        ::close(errorFd);
    }
    return started;
}

bool ChildProcess::fork(const std::function<int(int out)>& body)
{
    return launch([&](int out) { ::_exit(body(out)); });
}

std::optional<std::string> ChildProcess::readLine(std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        const auto newline = m_pending.find('\n');
        if (newline != std::string::npos) {
            std::string line = m_pending.substr(0, newline);
            m_pending.erase(0, newline + 1);
            return line;
        }
        if (m_out < 0) {
            return std::nullopt;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return std::nullopt;
        }
        pollfd ready{m_out, POLLIN, 0};
        const int polled = ::poll(&ready, 1, static_cast<int>(left.count()));
        if (polled < 0 && errno == EINTR) {
            continue;
        }
        if (polled <= 0) {
            return std::nullopt;
        }
        char block[4096];
        const ssize_t got = ::read(m_out, block, sizeof block);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            ::close(m_out);
            m_out = -1;
            if (m_pending.empty()) {
                return std::nullopt;
            }
            std::string last;
            last.swap(m_pending);
            return last;
        }
        m_pending.append(block, static_cast<std::size_t>(got));
    }
}

std::optional<int> ChildProcess::wait(std::chrono::milliseconds timeout)
{
    if (m_pid <= 0 || m_status) {
        return m_status;
    }
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(m_pid, &status, WNOHANG);
        if (done == m_pid) {
            m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return m_status;
        }
        if (done < 0 && errno != EINTR) {
            m_status = -1;
            return m_status;
        }
        if (Clock::now() >= deadline) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

std::optional<int> ChildProcess::stop(std::chrono::milliseconds grace)
{
    if (m_pid <= 0) {
        return std::nullopt;
    }
    if (!m_status) {
        ::kill(m_pid, SIGTERM);
        if (!wait(grace)) {
            ::kill(m_pid, SIGKILL);
            wait(std::chrono::seconds(10));
        }
    }
    if (m_out >= 0) {
        ::close(m_out);
        m_out = -1;
    }
    return m_status;
}

} // namespace dossiva::test
