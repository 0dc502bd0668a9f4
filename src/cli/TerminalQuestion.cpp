#include "cli/TerminalQuestion.h"

#include "cli/CliCommand.h"
#include "cli/PasswordEntry.h"

#include "platform/PrintableText.h"

#include <algorithm>
#include <cctype>
#include <iostream>

#include <unistd.h>

namespace dossiva::cli::TerminalQuestion {

namespace {

std::string lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

} // namespace

bool canAsk()
{
    return inputIsTerminal() && ::isatty(STDERR_FILENO) == 1;
}

std::optional<std::string> line(const std::string& prompt)
{
    std::cerr << printableText(prompt, "\n") << std::flush;
    std::string typed;
    if (!std::getline(std::cin, typed)) {
        return std::nullopt;
    }
    return typed;
}

std::optional<std::string> choose(const std::string& question, const std::vector<std::string>& answers,
                                  const std::string& fallback)
{
    std::string choices;
    for (const auto& answer : answers) {
        choices += (choices.empty() ? "" : "/") + (answer == fallback ? "[" + answer + "]" : answer);
    }
    while (true) {
        const auto typed = line(question + " (" + choices + ") ");
        if (!typed) {
            return std::nullopt;
        }
        const std::string given = lowered(*typed);
        if (given.empty()) {
            return fallback;
        }
        for (const auto& answer : answers) {
            if (given == lowered(answer) || given == lowered(answer.substr(0, 1))) {
                return answer;
            }
        }
    }
}

bool confirmed(bool yes, const std::string& question, const std::string& verb)
{
    if (yes) {
        return true;
    }
    if (!canAsk()) {
        fail(question + " Add --yes to " + verb + ".");
        return false;
    }
    return choose(question, {"yes", "no"}, "no") == "yes";
}

} // namespace dossiva::cli::TerminalQuestion
