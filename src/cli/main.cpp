// dossiva-cli: the Dossiva library and its databases from the command line,
// through the same core as the desktop application.
#include "cli/CliCommand.h"
#include "cli/ProtectionGate.h"

#include "library/Startup.h"
#include "platform/Log.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>

namespace dossiva::cli {

namespace {

constexpr const char* kPasswordStdin = "--password-stdin";

void printHelp(const std::vector<CliCommand>& commands)
{
    std::cout << "Usage: dossiva-cli [--password-stdin] COMMAND [ARGUMENTS]\n\n"
                 "Works on the Dossiva library of the current user ($HOME/Library/Application Support/Quorva/"
                 "Dossiva).\n\n"
                 "While the password lock is on (see set-password), every command that reads or changes a\n"
                 "database first asks for the password: typed without echo on a terminal, or read from the\n"
                 "first line of standard input with --password-stdin. The lock guards the program, not the\n"
                 "files: the databases on the disk are not encrypted.\n\n"
                 "Commands:\n";
    for (const auto& command : commands) {
        std::cout << "  " << command.name << (command.usage.empty() ? "" : " " + command.usage) << "\n";
        std::string summary = command.summary;
        for (std::size_t start = 0; start <= summary.size();) {
            const auto end = summary.find('\n', start);
            std::cout << "      " << summary.substr(start, end - start) << "\n";
            start = end == std::string::npos ? summary.size() + 1 : end + 1;
        }
    }
}

} // namespace
} // namespace dossiva::cli

int main(int argc, char** argv)
{
    using namespace dossiva::cli;
    std::vector<std::string> args(argv + 1, argv + argc);
    // The one global option comes before the command.
    const bool passwordOnStdin = !args.empty() && args[0] == kPasswordStdin;
    if (passwordOnStdin) {
        args.erase(args.begin());
    }
    const auto commands = registeredCommands();
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        printHelp(commands);
        return args.empty() ? 2 : 0;
    }
    const auto command = std::find_if(commands.begin(), commands.end(),
                                      [&](const CliCommand& candidate) { return candidate.name == args[0]; });
    if (command == commands.end()) {
        return fail("unknown command '" + args[0] + "' (see dossiva-cli --help)");
    }
    // The developer log is for debugging; the terminal shows only the
    // program's own messages unless DOSSIVA_DEBUG is set.
    if (std::getenv("DOSSIVA_DEBUG") == nullptr) {
        dossiva::setDevLogSink([](const std::string&) {});
    }
    if (dossiva::prepareApplicationSupport() != 0) {
        return fail("the data folders cannot be created below " +
                    std::string(std::getenv("HOME") ? std::getenv("HOME") : "the home folder"));
    }
    if (!ProtectionGate(passwordOnStdin).admits(*command)) {
        return 1;
    }
    return command->run({args.begin() + 1, args.end()});
}
