// Commands that set, check and clear the protection password. Passwords are
// read from standard input, one a line, so they never appear in a process
// listing or a shell history.
#include "cli/CliCommand.h"
#include "cli/PasswordEntry.h"

#include <CLI/CLI.hpp>

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
        return kFailed;
    }
    if (!password.setProtect(false)) {
        return fail("the preferences cannot be written; protection stays on");
    }
    std::cout << "Protection is off.\n";
    return kDone;
}

int setPassword()
{
    ProtectionPassword password;
    // Replacing the lock needs its key, as switching it off and on again
    // would in the application.
    if (!checkCurrentPassword(password, "Current password")) {
        return kFailed;
    }
    PasswordPanelFlow flow(password);
    flow.setPassword();
    const auto first = pressOK(flow, "New password");
    if (!first) {
        return kFailed;
    }
    const auto confirmed = pressOK(flow, "Confirm password");
    if (confirmed != PasswordMode::Confirm) {
        return kFailed;
    }
    std::cout << "Protection is on: the password will be asked at every launch.\n";
    return kDone;
}

CommandRun defineSetPassword(CLI::App& app)
{
    auto off = std::make_shared<bool>(false);
    app.add_flag("--off", *off, "turn protection off after checking the current password");
    return [off] {
        ProtectionPassword password;
        return *off ? turnProtectionOff(password) : setPassword();
    };
}

int checkPassword()
{
    ProtectionPassword password;
    if (!password.hasStoredPassword()) {
        return fail("no password has been set: set one with dossiva-cli set-password");
    }
    PasswordPanelFlow flow(password);
    flow.askPassword();
    if (pressOK(flow, "Password") != PasswordMode::Check) {
        return kFailed;
    }
    std::cout << (password.isProtected() ? "The password is right.\n"
                                         : "The password is right (protection is off).\n");
    return kDone;
}

const CommandRegistration registration(
    60,
    {
        {"set-password", "turns protection on with a new password, or off with --off",
         "The new password and its confirmation are read from standard input, one a line; when protection\n"
         "is already on, the current password comes first.",
         defineSetPassword, Protection::Open},
        {"check-password", "checks the password read from standard input against the stored one", "",
         [](CLI::App&) -> CommandRun { return checkPassword; }, Protection::Open},
    });

} // namespace

} // namespace dossiva::cli
