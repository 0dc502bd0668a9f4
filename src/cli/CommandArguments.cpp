#include "cli/CommandArguments.h"

#include <algorithm>
#include <charconv>

namespace dossiva::cli {

namespace {

bool contains(const std::vector<std::string>& list, const std::string& item)
{
    return std::find(list.begin(), list.end(), item) != list.end();
}

} // namespace

std::optional<CommandArguments> CommandArguments::parse(const std::vector<std::string>& args,
                                                        const std::vector<std::string>& switches,
                                                        const std::vector<std::string>& options,
                                                        std::string& error)
{
    CommandArguments parsed;
    bool onlyPositional = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (onlyPositional || arg.size() < 3 || arg.compare(0, 2, "--") != 0) {
            // "--" alone ends the options, so values may begin with "--".
            if (!onlyPositional && arg == "--") {
                onlyPositional = true;
            } else {
                parsed.m_positional.push_back(arg);
            }
        } else if (contains(switches, arg)) {
            parsed.m_switches.push_back(arg);
        } else if (contains(options, arg)) {
            if (i + 1 >= args.size()) {
                error = "option " + arg + " needs a value";
                return std::nullopt;
            }
            parsed.m_options.emplace_back(arg, args[++i]);
        } else {
            error = "unknown option '" + arg + "'";
            return std::nullopt;
        }
    }
    return parsed;
}

bool CommandArguments::has(const std::string& flag) const
{
    return contains(m_switches, flag);
}

std::optional<std::string> CommandArguments::option(const std::string& name) const
{
    std::optional<std::string> value;
    for (const auto& [key, given] : m_options) {
        if (key == name) {
            value = given;
        }
    }
    return value;
}

std::optional<bool> CommandArguments::choice(const std::string& yes, const std::string& no) const
{
    std::optional<bool> value;
    for (const auto& flag : m_switches) {
        if (flag == yes || flag == no) {
            value = flag == yes;
        }
    }
    return value;
}

std::optional<long long> parseWholeNumber(const std::string& text)
{
    long long value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

} // namespace dossiva::cli
