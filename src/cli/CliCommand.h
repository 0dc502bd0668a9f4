#pragma once

#include "platform/Failure.h"

#include <functional>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace dossiva::cli {

// Whether a command waits for the protection password while protection is
// on. Locked is the default, so a new command that reads or changes a
// database cannot forget it; only commands that touch no database's
// contents are Open.
enum class Protection { Locked, Open };

// Exit statuses, the same for every command.
inline constexpr int kDone = 0;
inline constexpr int kFailed = 1;
inline constexpr int kWrongUsage = 2;

// What runs a command once its arguments are parsed; its exit status.
// Messages go to stdout, errors to stderr.
using CommandRun = std::function<int()>;

// One command of dossiva-cli. `define` declares the command's arguments and
// options on its subcommand, bound to values that the function it returns
// reads when the command runs.
struct CliCommand {
    std::string name;
    std::string summary; // one line, in the list of commands
    std::string details; // more, under the command's own --help; may be ""
    std::function<CommandRun(CLI::App&)> define;
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

// Declares the database name every command that works on one takes first:
// NAME, with or without its ".dossiva".
void addDatabaseName(CLI::App& app, std::string& name);

// Prints "dossiva-cli: message" to stderr and returns kFailed.
int fail(const std::string& message);
// The same, followed by why the step failed when that is known
// ("... could not be added: database or disk is full").
int fail(const std::string& message, const Failure& why);
// A mistake in how a command was called that only shows after parsing:
// the message, where to read the usage, and kWrongUsage.
int wrongUsage(const std::string& command, const std::string& message);

} // namespace dossiva::cli
