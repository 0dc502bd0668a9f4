#include "cli/CliRunner.h"

#include "support/Files.h"
#include "support/TestHome.h"

#include "platform/FileManager.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace dossiva::test {

std::string cliPath()
{
    // The tests run from build/tests/test_cli; the tool is build/src/cli/dossiva-cli.
    const auto self = std::filesystem::read_symlink("/proc/self/exe");
    return (self.parent_path().parent_path() / "src" / "cli" / "dossiva-cli").string();
}

CliResult runCli(const std::vector<std::string>& args, const std::string& input,
                 const std::map<std::string, std::string>& environment)
{
    const std::string tool = cliPath();
    if (!FileManager::isRegularFile(tool)) {
        ADD_FAILURE() << "dossiva-cli is not built at " << tool;
        return {};
    }
    const std::string folder = makeTempFolder("cli-run");
    const std::string inputFile = folder + "/input";
    const std::string errorFile = folder + "/error";
    std::ofstream(inputFile, std::ios::binary) << input;
    // Databases deleted by the tests go to the trash of the test's home.
    std::string command = "env -u XDG_DATA_HOME";
    for (const auto& [name, value] : environment) {
        command += " " + shellQuote(name + "=" + value);
    }
    command += " " + shellQuote(tool);
    for (const auto& arg : args) {
        command += " " + shellQuote(arg);
    }
    command += " <" + shellQuote(inputFile) + " 2>" + shellQuote(errorFile);
    CliResult result;
    result.status = runCommand(command, result.out);
    result.err = fileContents(errorFile);
    FileManager::removeItem(folder);
    return result;
}

std::vector<std::map<std::string, std::string>> recordsJson(const std::string& database,
                                                            const std::vector<std::string>& flags)
{
    std::vector<std::string> args{"records", database, "--format", "json"};
    args.insert(args.end(), flags.begin(), flags.end());
    const CliResult listed = runCli(args);
    EXPECT_EQ(listed.status, 0) << listed.err;
    const std::string folder = makeTempFolder("cli-json");
    std::ofstream(folder + "/records.json", std::ios::binary) << listed.out;
    // One line per value: record index, key and value as JSON, tab-separated;
    // the keys come out escaped so no key can break the lines.
    std::string lines;
    const int status = runPython("import json, sys\n"
                                 "records = json.load(open(sys.argv[1], encoding='utf-8'))\n"
                                 "assert isinstance(records, list)\n"
                                 "for i, record in enumerate(records):\n"
                                 "    print(i, '\\t-\\t-')\n"
                                 "    fields = record.pop('fields')\n"
                                 "    assert set(record) == {'RECID', 'created', 'modified'}, record\n"
                                 "    for key, value in list(record.items()) + list(fields.items()):\n"
                                 "        print(i, json.dumps(key), json.dumps(value), sep='\\t')\n",
                                 {folder + "/records.json"}, lines);
    FileManager::removeItem(folder);
    EXPECT_EQ(status, 0) << "not JSON:\n" << listed.out;
    std::vector<std::map<std::string, std::string>> records;
    std::istringstream stream(lines);
    std::string line;
    while (std::getline(stream, line)) {
        const auto first = line.find('\t');
        const auto second = line.find('\t', first + 1);
        const std::size_t index = std::stoul(line.substr(0, first));
        const std::string key = line.substr(first + 1, second - first - 1);
        if (index >= records.size()) {
            records.resize(index + 1);
        }
        if (key != "-") {
            // Keys are plain labels in these tests: strip the JSON quotes.
            records[index][key.substr(1, key.size() - 2)] = line.substr(second + 1);
        }
    }
    return records;
}

std::string ok(const std::vector<std::string>& args, const std::string& input,
               const std::map<std::string, std::string>& environment)
{
    const CliResult result = runCli(args, input, environment);
    EXPECT_EQ(result.status, 0) << (args.empty() ? "" : args[0]) << ": " << result.err;
    return result.out;
}

int runOnTerminal(const std::vector<std::string>& args, const std::string& prompt, const std::string& typed,
                  std::string& screen)
{
    std::vector<std::string> pythonArgs{cliPath(), prompt, typed};
    pythonArgs.insert(pythonArgs.end(), args.begin(), args.end());
    return runPython(
        "import os, pty, select, sys\n"
        "tool, prompt, typed, args = sys.argv[1], sys.argv[2].encode(), sys.argv[3], sys.argv[4:]\n"
        "pid, fd = pty.fork()\n"
        "if pid == 0:\n"
        "    os.execv(tool, [tool] + args)\n"
        "seen, done = b'', False\n"
        "while True:\n"
        "    if not select.select([fd], [], [], 30)[0]:\n"
        "        sys.exit('no output for 30 seconds')\n"
        "    try:\n"
        "        chunk = os.read(fd, 4096)\n"
        "    except OSError:\n"
        "        break\n"
        "    if not chunk:\n"
        "        break\n"
        "    seen += chunk\n"
        "    if not done and prompt in seen:\n"
        "        os.write(fd, typed.encode() + b'\\n')\n"
        "        done = True\n"
        "sys.stdout.write(seen.decode('utf-8', 'replace'))\n"
        "sys.exit(os.waitstatus_to_exitcode(os.waitpid(pid, 0)[1]))\n",
        pythonArgs, screen);
}

void addFieldOfEveryType(const std::string& database)
{
    for (const std::vector<std::string>& field : {std::vector<std::string>{"Note", "small"},
                                                  {"Story", "large"},
                                                  {"Price", "number"},
                                                  {"Quantity", "number"},
                                                  {"Day", "date", "--no-now"},
                                                  {"Hour", "time"},
                                                  {"Moment", "datetime"},
                                                  {"Photo", "image"},
                                                  {"Colour", "choose", "--items", "Red, Green,Dark Blue"},
                                                  {"Line", "separator"},
                                                  {"Total", "calculation", "--formula", "Price * Quantity"},
                                                  {"Mail", "email"},
                                                  {"Web", "link"},
                                                  {"Paid", "checkbox", "--caption", "Paid in full"},
                                                  {"Secret", "password", "--ask"}}) {
        std::vector<std::string> args{"add-field", database};
        args.insert(args.end(), field.begin(), field.end());
        const std::string id = ok(args);
        EXPECT_EQ(id.find_first_not_of("0123456789"), id.size() - 1) << "prints the new id: " << id;
    }
}

std::vector<std::string> withMarks(std::vector<std::string> args,
                                   const std::map<std::string, std::string>& marks)
{
    for (auto& arg : args) {
        for (const auto& [mark, value] : marks) {
            for (auto at = arg.find(mark); at != std::string::npos; at = arg.find(mark, at + value.size())) {
                arg.replace(at, mark.size(), value);
            }
        }
    }
    return args;
}

bool has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

} // namespace dossiva::test
