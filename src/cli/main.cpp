// dossiva-cli: the Dossiva library and its databases from the command line,
// through the same core as the desktop application.
#include "cli/CliCommand.h"
#include "cli/ProtectionGate.h"

#include "library/Startup.h"
#include "platform/Log.h"

#include <CLI/CLI.hpp>

#include <cstdlib>
#include <iostream>

namespace dossiva::cli {

namespace {

constexpr const char* kDescription =
    "Works on the Dossiva library of the current user ($HOME/Library/Application Support/Quorva/Dossiva).\n"
    "\n"
    "While the password lock is on (see set-password), every command that reads or changes a database\n"
    "first asks for the password: typed without echo on a terminal, or read from the first line of\n"
    "standard input with --password-stdin. The lock guards the program, not the files: the databases on\n"
    "the disk are not encrypted.";

constexpr const char* kFooter =
    "Run dossiva-cli COMMAND --help for a command's arguments and options. Exit status: 0 done, 1 failed,\n"
    "2 wrong usage.";

// One command as parsed: its subcommand and what runs it.
struct Defined {
    const CliCommand* command;
    CLI::App* app;
    CommandRun run;
};

const Defined* find(const std::vector<Defined>& defined, const std::string& name)
{
    for (const Defined& command : defined) {
        if (command.command->name == name) {
            return &command;
        }
    }
    return nullptr;
}

// Help and --version end the program with 0; every other parse error is a
// usage mistake, 2, said as the program's other errors are.
int parseFailure(const CLI::App& app, const CLI::ParseError& error, const std::vector<Defined>& defined)
{
    if (error.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
        return app.exit(error);
    }
    std::string where;
    for (const Defined& command : defined) {
        if (command.app->parsed()) {
            where = command.command->name;
        }
    }
    std::string message = error.what();
    if (!message.empty() && message.back() == '\n') {
        message.pop_back();
    }
    return where.empty() ? (fail(message + " (see dossiva-cli --help)"), kWrongUsage)
                         : wrongUsage(where, message);
}

int run(int argc, char** argv)
{
    CLI::App app(kDescription, "dossiva-cli");
    app.footer(kFooter);
    app.set_version_flag("--version", std::string("dossiva-cli ") + DOSSIVA_VERSION,
                         "show the version and end");
    bool passwordOnStdin = false;
    app.add_flag("--password-stdin", passwordOnStdin,
                 "read the protection password from the first line of standard input");
    app.require_subcommand(1);
    // The global flag may follow the command too.
    app.fallthrough();
    app.get_formatter()->column_width(34);

    const std::vector<CliCommand> commands = registeredCommands();
    std::vector<Defined> defined;
    for (const CliCommand& command : commands) {
        CLI::App* sub = app.add_subcommand(command.name, command.summary);
        if (!command.details.empty()) {
            sub->footer(command.details);
        }
        defined.push_back({&command, sub, command.define(*sub)});
    }
    if (argc < 2) {
        std::cout << app.help();
        return kWrongUsage;
    }
    // "help" and "help COMMAND", as people type them.
    if (std::string(argv[1]) == "help") {
        const Defined* about = argc > 2 ? find(defined, argv[2]) : nullptr;
        std::cout << (about != nullptr ? about->app->help("dossiva-cli") : app.help());
        return kDone;
    }
    // The global flags take no value, so the first other word names the
    // command.
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] != '-') {
            if (find(defined, argv[i]) == nullptr) {
                fail(std::string("unknown command '") + argv[i] + "' (see dossiva-cli --help)");
                return kWrongUsage;
            }
            break;
        }
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return parseFailure(app, error, defined);
    }
    // The developer log is for debugging; the terminal shows only the
    // program's own messages unless DOSSIVA_DEBUG is set.
    if (std::getenv("DOSSIVA_DEBUG") == nullptr) {
        setDevLogSink([](const std::string&) {});
    }
    for (const Defined& command : defined) {
        if (!command.app->parsed()) {
            continue;
        }
        if (prepareApplicationSupport() != 0) {
            return fail("the data folders cannot be created below " +
                        std::string(std::getenv("HOME") ? std::getenv("HOME") : "the home folder"));
        }
        if (!ProtectionGate(passwordOnStdin).admits(*command.command)) {
            return kFailed;
        }
        return command.run();
    }
    return kWrongUsage;
}

} // namespace
} // namespace dossiva::cli

int main(int argc, char** argv)
{
    return dossiva::cli::run(argc, argv);
}
