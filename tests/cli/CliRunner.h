#pragma once

#include <map>
#include <string>
#include <vector>

namespace dossiva::test {

// What a run of dossiva-cli gave.
struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
};

// The dossiva-cli built with this test, in the build tree beside the tests
// folder.
std::string cliPath();

// Runs the dossiva-cli built with this test (in the build tree, beside the
// tests folder) in the current HOME, with text on its standard input and
// extra environment variables.
CliResult runCli(const std::vector<std::string>& args, const std::string& input = {},
                 const std::map<std::string, std::string>& environment = {});

// Runs dossiva-cli as runCli does, expects it to succeed and gives its
// standard output.
std::string ok(const std::vector<std::string>& args, const std::string& input = {},
               const std::map<std::string, std::string>& environment = {});

// Runs dossiva-cli with args on a pseudo-terminal standing for the user's:
// once the screen shows prompt, types the line typed. screen gets what the
// terminal showed; gives the exit status.
int runOnTerminal(const std::vector<std::string>& args, const std::string& prompt, const std::string& typed,
                  std::string& screen);

// Adds to a database, after its main field, a field of every type with
// options, each checked to print its new id: Note, Story, Price, Quantity, Day
// (no now button), Hour, Moment, Photo, Colour (Red, Green, Dark Blue), Line,
// Total (Price * Quantity), Mail, Web, Paid (captioned) and Secret (asking).
void addFieldOfEveryType(const std::string& database);

// The arguments with each mark in them ("{HOME}") replaced by its value.
std::vector<std::string> withMarks(std::vector<std::string> args,
                                   const std::map<std::string, std::string>& marks);

// Whether text holds part.
bool has(const std::string& text, const std::string& part);

// The records of `records NAME --format json`, read by Python's json module:
// one map per record from each key ("RECID", "created", "modified", and the
// labels of "fields") to its value as JSON text.
std::vector<std::map<std::string, std::string>> recordsJson(const std::string& database,
                                                            const std::vector<std::string>& flags = {});

} // namespace dossiva::test
