#pragma once

#include "platform/Failure.h"

#include <functional>
#include <string>
#include <vector>

namespace dossiva::cli {

// Whether a command waits for the protection password while protection is
// on. Locked is the default, so a new command that reads or changes a
// database cannot forget it; only commands that touch no database's
// contents are Open.
enum class Protection { Locked, Open };

// One command of dossiva-cli. The function gets the arguments after the
// command's name and returns the exit status; messages go to stdout, errors
// to stderr.
struct CliCommand {
    std::string name;
    std::string usage;   // the arguments, as --help shows them
    std::string summary; // one line, or several joined by "\n"
    std::function<int(const std::vector<std::string>&)> run;
    Protection protection = Protection::Locked;
};

// Each file of commands registers its group once, at start-up:
//   static const CommandRegistration registration(20, {{"name", ...}, ...});
// Groups are listed by --help in the order of their rank.
class CommandRegistration {
public:
    CommandRegistration(int rank, std::vector<CliCommand> commands);
};

// Every registered command, groups in rank order.
std::vector<CliCommand> registeredCommands();

// Prints "dossiva-cli: message" to stderr and returns 1.
int fail(const std::string& message);
// The same, followed by why the step failed when that is known
// ("... could not be added: database or disk is full").
int fail(const std::string& message, const Failure& why);

} // namespace dossiva::cli
