#include "cli/ProtectionGate.h"

#include "cli/PasswordEntry.h"

#include "crypto/ProtectionPassword.h"

namespace dossiva::cli {

bool ProtectionGate::admits(const CliCommand& command) const
{
    ProtectionPassword password;
    if (command.protection == Protection::Open || !password.isProtected()) {
        return true;
    }
    // Without the flag, a line of a script's input is never taken for the
    // password by mistake.
    if (!m_passwordOnStdin && !inputIsTerminal()) {
        fail("protection is on: type the password on a terminal, or give it as the first line of standard "
             "input with dossiva-cli --password-stdin COMMAND");
        return false;
    }
    return checkCurrentPassword(password, "Password");
}

} // namespace dossiva::cli
