#pragma once

#include <functional>
#include <string>
#include <vector>

namespace dossiva::cli {

// One command of dossiva-cli. The function gets the arguments after the
// command's name and returns the exit status; messages go to stdout, errors
// to stderr.
struct CliCommand {
    std::string name;
    std::string usage;   // the arguments, as --help shows them
    std::string summary; // one line
    std::function<int(const std::vector<std::string>&)> run;
};

// The commands of each group, registered by main.
std::vector<CliCommand> libraryCommands();

// Prints "dossiva-cli: message" to stderr and returns 1.
int fail(const std::string& message);

} // namespace dossiva::cli
