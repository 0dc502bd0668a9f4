#pragma once

#include "cli/CliCommand.h"

namespace dossiva::cli {

// Stands before every command, as the password panel stands before the
// desktop window: while protection is on, a Locked command runs only after
// the right password. On a terminal it is typed without echo; elsewhere it
// must come as the first line of standard input, which --password-stdin
// says. One wrong password refuses the command before it reads anything.
class ProtectionGate {
public:
    explicit ProtectionGate(bool passwordOnStdin) : m_passwordOnStdin(passwordOnStdin) {}

    // True when the command may run; false after a message.
    bool admits(const CliCommand& command) const;

private:
    bool m_passwordOnStdin;
};

} // namespace dossiva::cli
