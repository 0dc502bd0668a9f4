// dossiva-cli behind the password lock: every command that reads or changes
// a database waits for the password, typed on a terminal or given with
// --password-stdin, and a wrong one reads and changes nothing.
#include "cli/CliRunner.h"

#include "support/CaseNames.h"
#include "support/TestDatabase.h"
#include "support/TreeSnapshot.h"

#include "platform/FileManager.h"
#include "records/StructureEditor.h"
#include "storage/DBManager.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <sstream>

using namespace dossiva;
using namespace dossiva::test;

namespace {

using test::PrintTo;

const std::string kPassword = "open sesame";
const std::string kSecret = "hunter2";

class ProtectionGateTest : public ::testing::Test {
public:
    TestLibrary library;
    std::string package = library.makePackage("Shop");

    void SetUp() override
    {
        ASSERT_EQ(runCli({"add-field", "Shop", "Secret", "password", "--ask"}).status, 0);
        ASSERT_EQ(runCli({"add-record", "Shop", "Name=Lamp", "Secret=-"}, kSecret + "\n").status, 0);
        const CliResult locked = runCli({"set-password"}, kPassword + "\n" + kPassword + "\n");
        ASSERT_EQ(locked.status, 0) << locked.err;
    }

    // The stored records' Secret values, and whether the field asks.
    std::vector<std::string> secrets(bool* asks = nullptr)
    {
        DBManager& db = DBManager::sharedIstance();
        std::vector<std::string> values;
        EXPECT_TRUE(db.openDB(package) && db.loadDbData());
        const FieldDefinition& secret = db.dbStructure().at(1);
        for (const auto& record : db.dbData()) {
            values.emplace_back(record.value(secret.id)->text());
        }
        if (asks != nullptr) {
            *asks = StructureEditor::editorState(secret).askPassword;
        }
        db.openDB();
        return values;
    }
};

// The commands --help lists under "Subcommands:".
std::vector<std::string> commandNames()
{
    std::vector<std::string> names;
    std::istringstream help(runCli({"--help"}).out);
    std::string line;
    bool listing = false;
    while (std::getline(help, line)) {
        if (line == "Subcommands:") {
            listing = true;
        } else if (listing && line.empty()) {
            break;
        } else if (listing) {
            names.push_back(line.substr(2, line.find(' ', 2) - 2));
        }
    }
    return names;
}

// Arguments each locked command is called with: well formed, so the call
// passes the parser and meets the lock. "{HOME}" stands for the test's home.
const std::map<std::string, std::vector<std::string>> kWellFormed = {
    {"show", {"Shop"}},
    {"new", {"Other"}},
    {"duplicate", {"Shop"}},
    {"rename", {"Shop", "Other"}},
    {"delete", {"Shop", "--yes"}},
    {"export-package", {"Shop", "{HOME}/out.dossiva"}},
    {"import-package", {"{HOME}/in.dossiva"}},
    {"export-template", {"Shop", "{HOME}/out.dossivaTemplate"}},
    {"import-template", {"{HOME}/in.dossivaTemplate"}},
    {"export-csv", {"Shop", "{HOME}/out.csv"}},
    {"import-csv", {"{HOME}/in.csv"}},
    {"fields", {"Shop"}},
    {"add-field", {"Shop", "Note", "small"}},
    {"rename-field", {"Shop", "Name", "Title"}},
    {"set-field", {"Shop", "Secret", "--no-ask"}},
    {"move-field", {"Shop", "Secret", "2"}},
    {"delete-field", {"Shop", "Secret", "--yes"}},
    {"add-record", {"Shop", "Name=x"}},
    {"set", {"Shop", "1", "Name=x"}},
    {"duplicate-record", {"Shop", "1"}},
    {"delete-record", {"Shop", "1", "--yes"}},
    {"delete-all", {"Shop", "--yes"}},
    {"records", {"Shop"}},
    {"sync", {"127.0.0.1:9"}},
    {"backup", {}},
    {"backups", {}},
    {"restore", {"1700000000", "--yes"}},
    {"discover", {"--timeout", "1"}},
};

TEST_F(ProtectionGateTest, EveryCommandButTheLibraryListingsAndThePasswordOnesWaitsForIt)
{
    const std::set<std::string> open = {"list", "templates", "set-password", "check-password"};
    const std::string home = library.home();
    const auto before = snapshotTree(home);
    std::set<std::string> gated;
    for (const auto& name : commandNames()) {
        if (open.count(name) != 0) {
            continue;
        }
        const auto wellFormed = kWellFormed.find(name);
        ASSERT_NE(wellFormed, kWellFormed.end()) << name << " has no arguments to try the lock with";
        std::vector<std::string> args = withMarks(wellFormed->second, {{"{HOME}", home}});
        args.insert(args.begin(), {"--password-stdin", name});
        const CliResult result = runCli(args, "not it\n");
        EXPECT_EQ(result.status, 1) << name;
        EXPECT_EQ(result.err, "dossiva-cli: Wrong password\n") << name;
        EXPECT_EQ(result.out, "") << name;
        gated.insert(name);
    }
    for (const char* name : {"records", "show", "set-field", "export-csv", "import-csv", "delete-all", "sync",
                             "backup", "restore", "export-package", "import-package"}) {
        EXPECT_EQ(gated.count(name), 1u) << name << " is not behind the lock";
    }
    EXPECT_EQ(snapshotTree(home), before) << "a refused command changed a file";

    // The listings need no password, even without a terminal; nor does a
    // command's help.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"list"}, {"templates"}, {"--help"}, {"records", "--help"}}) {
        const CliResult result = runCli(args);
        EXPECT_EQ(result.status, 0) << args[0] << ": " << result.err;
    }
}

struct LockedCase {
    const char* name;
    std::vector<std::string> args; // "{HOME}" stands for the test's home
    std::string input;             // after the password line
    // Checks the run with the right password did its work.
    std::function<void(ProtectionGateTest&, const CliResult&)> done;
};

class LockedCommandTest : public ProtectionGateTest, public testing::WithParamInterface<LockedCase> {
protected:
    std::vector<std::string> args() { return withMarks(GetParam().args, {{"{HOME}", library.home()}}); }
};

TEST_P(LockedCommandTest, RunsOnlyAfterTheRightPassword)
{
    const auto before = snapshotTree(library.home());
    // Off a terminal the password is never taken from input without the flag.
    CliResult refused = runCli(args(), kPassword + "\n" + GetParam().input);
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "dossiva-cli: protection is on: type the password on a terminal, or give it as "
                           "the first line of standard input with dossiva-cli --password-stdin COMMAND\n");
    std::vector<std::string> withFlag = args();
    withFlag.insert(withFlag.begin(), "--password-stdin");
    for (const std::string& wrong :
         {std::string("open sesame!"), std::string("OPEN SESAME"), std::string()}) {
        refused = runCli(withFlag, wrong + "\n" + GetParam().input);
        EXPECT_EQ(refused.status, 1) << wrong;
        EXPECT_EQ(refused.err,
                  wrong.empty() ? "dossiva-cli: the password is empty\n" : "dossiva-cli: Wrong password\n");
        EXPECT_FALSE(has(refused.out, kSecret));
    }
    EXPECT_EQ(snapshotTree(library.home()), before) << "a refused command changed a file";

    const CliResult admitted = runCli(withFlag, kPassword + "\n" + GetParam().input);
    ASSERT_EQ(admitted.status, 0) << admitted.err;
    GetParam().done(*this, admitted);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, LockedCommandTest,
    testing::Values(LockedCase{"RecordsAsJson",
                               {"records", "Shop", "--format", "json"},
                               "",
                               [](ProtectionGateTest&, const CliResult& run) {
                                   EXPECT_TRUE(has(run.out, kSecret));
                               }},
                    LockedCase{"ExportCsv",
                               {"export-csv", "Shop", "{HOME}/shop.csv"},
                               "",
                               [](ProtectionGateTest& test, const CliResult&) {
                                   const auto written =
                                       FileManager::readFile(test.library.home() + "/shop.csv");
                                   ASSERT_TRUE(written.has_value());
                                   EXPECT_TRUE(has(std::string(written->begin(), written->end()), kSecret));
                               }},
                    LockedCase{"SetFieldNoAsk",
                               {"set-field", "Shop", "Secret", "--no-ask"},
                               "",
                               [](ProtectionGateTest& test, const CliResult&) {
                                   bool asks = true;
                                   test.secrets(&asks);
                                   EXPECT_FALSE(asks);
                               }},
                    // The password takes the first line; the value read with "-" the next.
                    LockedCase{"AddRecordReadingAValue",
                               {"add-record", "Shop", "Name=Desk", "Secret=-"},
                               "s3cret\n",
                               [](ProtectionGateTest& test, const CliResult&) {
                                   EXPECT_EQ(test.secrets(), (std::vector<std::string>{kSecret, "s3cret"}));
                               }}),
    test::NameOfCase());

TEST_F(ProtectionGateTest, OnATerminalThePasswordIsTypedWithoutEcho)
{
    // A pseudo-terminal stands for the user's: the tool prompts on it, and
    // what is typed must not come back.
    std::string screen;
    const int status = runOnTerminal({"records", "Shop"}, "Password: ", kPassword, screen);
    EXPECT_EQ(status, 0) << screen;
    EXPECT_TRUE(has(screen, "Password: ")) << screen;
    EXPECT_TRUE(has(screen, "Lamp")) << screen;
    EXPECT_FALSE(has(screen, kPassword)) << "the password was echoed:\n" << screen;
}

} // namespace
