#include "cli/PasswordEntry.h"

#include "cli/CliCommand.h"

#include <termios.h>
#include <unistd.h>

#include <iostream>

namespace dossiva::cli {

namespace {

// Turns the terminal's echo off while a password is typed, when standard
// input is a terminal.
class EchoOff {
public:
    EchoOff()
    {
        if (inputIsTerminal() && ::tcgetattr(STDIN_FILENO, &m_saved) == 0) {
            termios quiet = m_saved;
            quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
            m_active = ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
        }
    }
    ~EchoOff()
    {
        if (m_active) {
            ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &m_saved);
            std::cerr << "\n";
        }
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    termios m_saved{};
    bool m_active = false;
};

} // namespace

bool inputIsTerminal()
{
    return ::isatty(STDIN_FILENO) == 1;
}

std::optional<std::string> readPassword(const char* prompt)
{
    // Echo goes off before the prompt shows: switching it flushes pending
    // input, which must not hold anything typed after the prompt, and
    // nothing typed after the prompt may be echoed.
    const EchoOff echoOff;
    if (inputIsTerminal()) {
        std::cerr << prompt << ": " << std::flush;
    }
    std::string line;
    if (!std::getline(std::cin, line)) {
        return std::nullopt;
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return line;
}

std::optional<int> pressOK(PasswordPanelFlow& flow, const char* prompt)
{
    const auto text = readPassword(prompt);
    if (!text) {
        fail("expected a password line on standard input");
        return std::nullopt;
    }
    if (!PasswordPanelFlow::isOKEnabled(*text)) {
        fail("the password is empty");
        return std::nullopt;
    }
    const PasswordStep step = flow.passwdButtonClick(flow.mode(), *text);
    if (step.alert) {
        fail(step.alert->message);
    }
    return step.modalResult.value_or(-1);
}

bool checkCurrentPassword(ProtectionPassword& password, const char* prompt)
{
    if (!password.isProtected()) {
        return true;
    }
    PasswordPanelFlow flow(password);
    flow.askPassword();
    return pressOK(flow, prompt) == PasswordMode::Check;
}

} // namespace dossiva::cli
