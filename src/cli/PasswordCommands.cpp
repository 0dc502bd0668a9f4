// Commands that set, check and clear the protection password. Passwords are
// read from standard input, one a line, so they never appear in a process
// listing or a shell history.
#include "CliCommand.h"

#include "crypto/PasswordPanelFlow.h"
#include "crypto/ProtectionPassword.h"

#include <termios.h>
#include <unistd.h>

#include <iostream>
#include <optional>

namespace dossiva::cli {

namespace {

// Turns the terminal's echo off while a password is typed, when standard
// input is a terminal.
class EchoOff {
public:
    EchoOff()
    {
        if (::isatty(STDIN_FILENO) == 1 && ::tcgetattr(STDIN_FILENO, &m_saved) == 0) {
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

// One line of standard input; nullopt at its end. A prompt goes to stderr
// when a person is typing.
std::optional<std::string> readPassword(const char* prompt)
{
    if (::isatty(STDIN_FILENO) == 1) {
        std::cerr << prompt << ": " << std::flush;
    }
    const EchoOff echoOff;
    std::string line;
    if (!std::getline(std::cin, line)) {
        return std::nullopt;
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return line;
}

// Plays one press of the panel's OK button with the next line of input.
// Gives the modal result when the panel would close, -1 when it would stay
// (after reporting the alert), nullopt on a bad or missing line.
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

// Asks for the current password when protection is on; true when it was
// right (or nothing had to be asked).
bool checkCurrentPassword(ProtectionPassword& password)
{
    if (!password.isProtected()) {
        return true;
    }
    PasswordPanelFlow flow(password);
    flow.askPassword();
    return pressOK(flow, "Current password") == PasswordMode::Check;
}

int turnProtectionOff(ProtectionPassword& password)
{
    if (!password.isProtected()) {
        std::cout << "Protection is already off.\n";
        return 0;
    }
    if (!checkCurrentPassword(password)) {
        return 1;
    }
    if (!password.setProtect(false)) {
        return fail("the preferences cannot be written; protection stays on");
    }
    std::cout << "Protection is off.\n";
    return 0;
}

int setPassword(const std::vector<std::string>& args)
{
    ProtectionPassword password;
    if (args.size() == 1 && args[0] == "--off") {
        return turnProtectionOff(password);
    }
    if (!args.empty()) {
        return fail("usage: set-password [--off] (passwords are read from standard input)");
    }
    // Replacing the lock needs its key, as switching it off and on again
    // would in the application.
    if (!checkCurrentPassword(password)) {
        return 1;
    }
    PasswordPanelFlow flow(password);
    flow.setPassword();
    const auto first = pressOK(flow, "New password");
    if (!first) {
        return 1;
    }
    const auto confirmed = pressOK(flow, "Confirm password");
    if (confirmed != PasswordMode::Confirm) {
        return 1;
    }
    std::cout << "Protection is on: the password will be asked at every launch.\n";
    return 0;
}

int checkPassword(const std::vector<std::string>& args)
{
    if (!args.empty()) {
        return fail("usage: check-password (the password is read from standard input)");
    }
    ProtectionPassword password;
    if (!password.hasStoredPassword()) {
        return fail("no password has been set");
    }
    PasswordPanelFlow flow(password);
    flow.askPassword();
    if (pressOK(flow, "Password") != PasswordMode::Check) {
        return 1;
    }
    std::cout << (password.isProtected() ? "The password is right.\n"
                                         : "The password is right (protection is off).\n");
    return 0;
}

const CommandRegistration registration(
    60, {
            {"set-password", "[--off]",
             "turns protection on with a new password, read from standard input with its confirmation\n"
             "(one a line; when protection is already on, the current password comes first);\n"
             "--off turns protection off after checking the current password",
             setPassword},
            {"check-password", "", "checks the password read from standard input against the stored one",
             checkPassword},
        });

} // namespace

} // namespace dossiva::cli
