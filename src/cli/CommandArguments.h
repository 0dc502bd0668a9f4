#pragma once

#include <optional>
#include <string>
#include <vector>

namespace dossiva::cli {

// A command's arguments split into positional ones, switches (--yes) and
// options with a value (--at 3), each checked against what the command
// accepts. Options may repeat; the last one given counts.
class CommandArguments {
public:
    // nullopt, with the reason in error, for an unknown switch or option
    // or an option without its value.
    static std::optional<CommandArguments> parse(const std::vector<std::string>& args,
                                                 const std::vector<std::string>& switches,
                                                 const std::vector<std::string>& options, std::string& error);

    const std::vector<std::string>& positional() const { return m_positional; }
    bool has(const std::string& flag) const;
    std::optional<std::string> option(const std::string& name) const;
    // The last given of two opposite switches: true for yes, false for no,
    // nullopt when neither was given.
    std::optional<bool> choice(const std::string& yes, const std::string& no) const;

private:
    std::vector<std::string> m_positional;
    std::vector<std::string> m_switches; // in the order given
    std::vector<std::pair<std::string, std::string>> m_options;
};

// A whole number from decimal text, nullopt for anything else.
std::optional<long long> parseWholeNumber(const std::string& text);

} // namespace dossiva::cli
