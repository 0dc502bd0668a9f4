#pragma once

#include "library/PasswordPanelFlow.h"

#include <optional>
#include <string>

namespace dossiva::cli {

// Whether standard input is a terminal, where a person types.
bool inputIsTerminal();

// One line of standard input; nullopt at its end. On a terminal a prompt
// goes to stderr and the typed text is not echoed.
std::optional<std::string> readPassword(const char* prompt);

// Plays one press of the password panel's OK button with the next line of
// input. Gives the modal result when the panel would close, -1 when it
// would stay (after reporting the alert), nullopt on a bad or missing line.
std::optional<int> pressOK(PasswordPanelFlow& flow, const char* prompt);

// Asks for the current password when protection is on; true when it was
// right (or nothing had to be asked), false after a message.
bool checkCurrentPassword(ProtectionPassword& password, const char* prompt);

} // namespace dossiva::cli
