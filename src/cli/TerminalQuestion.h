#pragma once

#include <optional>
#include <string>
#include <vector>

namespace dossiva::cli {

// Questions put to the person at the terminal. A command run from a script
// or a pipe cannot ask: there the flag that answers (such as --yes) must be
// given, and the question is refused with a word on which flag.
namespace TerminalQuestion {

// Whether a person can be asked: standard input and standard error are a
// terminal.
bool canAsk();

// Prints the question on standard error, with the answers to choose from,
// and reads the answer: one of `answers` (its first letter will do, letter
// case aside), `fallback` for an empty line, nullopt at the end of input.
// Asked again after an answer it does not know.
std::optional<std::string> choose(const std::string& question, const std::vector<std::string>& answers,
                                  const std::string& fallback);
// A line of text typed after the prompt; nullopt at the end of input.
std::optional<std::string> line(const std::string& prompt);

// Whether a step that loses something may go ahead: `yes` (the --yes flag)
// says so; otherwise a person is asked, "no" being the default; without a
// terminal it is refused, saying "<question> Add --yes to <verb>.".
bool confirmed(bool yes, const std::string& question, const std::string& verb);

} // namespace TerminalQuestion
} // namespace dossiva::cli
