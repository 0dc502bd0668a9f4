#include "support/TestHome.h"

#include "platform/UserDefaults.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <sys/wait.h>

namespace dossiva::test {

std::string makeTempFolder(const std::string& prefix)
{
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a temporary folder");
    }
    return pattern;
}

TestHome::TestHome() : m_path(makeTempFolder("dossiva-home-"))
{
    if (const char* home = std::getenv("HOME")) {
        m_hadHome = true;
        m_previousHome = home;
    }
    ::setenv("HOME", m_path.c_str(), 1);
    UserDefaults::resetStandard();
}

TestHome::~TestHome()
{
    if (m_hadHome) {
        ::setenv("HOME", m_previousHome.c_str(), 1);
    } else {
        ::unsetenv("HOME");
    }
    UserDefaults::resetStandard();
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string shellQuote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

int runCommand(const std::string& command, std::string& output)
{
    output.clear();
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return -1;
    }
    std::array<char, 4096> buffer{};
    std::size_t n = 0;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        output.append(buffer.data(), n);
    }
    int status = ::pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int runPython(const std::string& script, const std::vector<std::string>& args, std::string& output)
{
    std::string command = "/usr/bin/python3 -c " + shellQuote(script);
    for (const auto& arg : args) {
        command += " " + shellQuote(arg);
    }
    return runCommand(command, output);
}

} // namespace dossiva::test
