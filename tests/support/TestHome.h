#pragma once

#include <string>
#include <vector>

namespace dossiva::test {

// A private, empty home folder for one test: HOME points at it while the
// object lives, the standard preferences are re-read from it, and the folder
// is removed afterwards.
class TestHome {
public:
    TestHome();
    ~TestHome();
    TestHome(const TestHome&) = delete;
    TestHome& operator=(const TestHome&) = delete;

    const std::string& path() const { return m_path; }

private:
    std::string m_path;
    std::string m_previousHome;
    bool m_hadHome = false;
};

// Makes a fresh empty folder under the system's temporary folder.
std::string makeTempFolder(const std::string& prefix);

// Runs /usr/bin/python3 with a script and arguments; returns its exit status
// and fills output with what it printed on standard output.
int runPython(const std::string& script, const std::vector<std::string>& args, std::string& output);

// Runs a shell command and returns its exit status, its standard output in output.
int runCommand(const std::string& command, std::string& output);

// Quotes a string for /bin/sh.
std::string shellQuote(const std::string& text);

} // namespace dossiva::test
