#include "CliCommand.h"

#include <algorithm>
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

int fail(const std::string& message)
{
    std::fprintf(stderr, "dossiva-cli: %s\n", message.c_str());
    return 1;
}

} // namespace dossiva::cli
