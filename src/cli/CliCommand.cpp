#include "cli/CliCommand.h"

#include "platform/PrintableText.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <map>

namespace dossiva::cli {

namespace {
std::multimap<int, std::vector<CliCommand>>& registry()
{
    static std::multimap<int, std::vector<CliCommand>> groups;
    return groups;
}
} // namespace

CommandRegistration::CommandRegistration(int rank, std::vector<CliCommand> commands)
{
    registry().emplace(rank, std::move(commands));
}

std::vector<CliCommand> registeredCommands()
{
    std::vector<CliCommand> all;
    for (const auto& [rank, group] : registry()) {
        all.insert(all.end(), group.begin(), group.end());
    }
    return all;
}

void addDatabaseName(CLI::App& app, std::string& name)
{
    app.add_option("NAME", name, "the database, with or without .dossiva")->required();
}

int fail(const std::string& message)
{
    // Messages quote names and values from databases and the command line.
    std::fprintf(stderr, "dossiva-cli: %s\n", printableText(message, "\n\t").c_str());
    return kFailed;
}

int fail(const std::string& message, const Failure& why)
{
    return fail(why ? message + ": " + why.reason : message);
}

int wrongUsage(const std::string& command, const std::string& message)
{
    fail(message + " (see dossiva-cli " + command + " --help)");
    return kWrongUsage;
}

} // namespace dossiva::cli
