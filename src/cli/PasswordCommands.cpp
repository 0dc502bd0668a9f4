// Commands that set, check and clear the protection password. Passwords are
// read from standard input, one a line, so they never appear in a process
// listing or a shell history.
#include "cli/CliCommand.h"
#include "cli/PasswordEntry.h"

#include <iostream>

namespace dossiva::cli {

namespace {

int turnProtectionOff(ProtectionPassword& password)
{
    if (!password.isProtected()) {
        std::cout << "Protection is already off.\n";
        return 0;
    }
    if (!checkCurrentPassword(password, "Current password")) {
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
    if (!checkCurrentPassword(password, "Current password")) {
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
             setPassword, Protection::Open},
            {"check-password", "", "checks the password read from standard input against the stored one",
             checkPassword, Protection::Open},
        });

} // namespace

} // namespace dossiva::cli
