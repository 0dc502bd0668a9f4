// dossiva-cli as people script it on Linux: --version and per-command help,
// --option=value, "-" for standard output and input, exit statuses 0, 1 and
// 2, questions asked on a terminal only, and errors that say what to do.
#include "cli/CliRunner.h"

#include "support/TestDatabase.h"

#include "library/TemplateCatalog.h"
#include "platform/FileManager.h"
#include "platform/Paths.h"

#include <gtest/gtest.h>

using namespace dossiva;
using namespace dossiva::test;

namespace {

class ConventionsTest : public ::testing::Test {
protected:
    TestLibrary library;
    std::string home = library.home();
};

TEST_F(ConventionsTest, TheUsualOptionsAndExitStatuses)
{
    library.makePackage("Shop");
    struct Case {
        const char* name;
        std::vector<std::string> args;
        int status;
        std::string out; // a part of standard output, or "" for none
        std::string err; // a part of standard error, or "" for none
    };
    const std::vector<Case> cases = {
        {"Version", {"--version"}, 0, "dossiva-cli ", ""},
        {"CommandHelp", {"records", "--help"}, 0, "Usage: dossiva-cli records [OPTIONS] NAME", ""},
        {"HelpCommand", {"help", "export-csv"}, 0, "Usage: dossiva-cli export-csv", ""},
        {"OptionWithEquals", {"records", "Shop", "--format=json"}, 0, "[]", ""},
        {"OptionAndValue", {"records", "Shop", "--format", "json"}, 0, "[]", ""},
        {"NoCommand", {}, 2, "Subcommands:", ""},
        {"UnknownCommand", {"lsit"}, 2, "", "unknown command 'lsit'"},
        {"MissingArgument", {"records"}, 2, "", "NAME is required (see dossiva-cli records --help)"},
        {"WrongValue", {"records", "Shop", "--format=xml"}, 2, "", "--format: xml not in {table,csv,json}"},
        {"NoSuchDatabase", {"records", "Shope"}, 1, "", "no database named \"Shope\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CliResult result = runCli(c.args);
        EXPECT_EQ(result.status, c.status) << result.err;
        EXPECT_TRUE(c.out.empty() ? result.out.empty() : has(result.out, c.out)) << result.out;
        EXPECT_TRUE(c.err.empty() ? result.err.empty() : has(result.err, c.err)) << result.err;
    }
}

TEST_F(ConventionsTest, ADashIsStandardOutputForExportAndStandardInputForImport)
{
    library.makePackage("Shop");
    ok({"add-record", "Shop", "Name=Lamp"});
    ok({"add-record", "Shop", "Name=Desk, oak"});
    const CliResult exported = runCli({"export-csv", "Shop", "-", "--labels"});
    EXPECT_EQ(exported.status, 0) << exported.err;
    EXPECT_EQ(exported.out, "Name\nLamp\n\"Desk, oak\"\n") << "only the data on standard output";
    EXPECT_TRUE(has(exported.err, "Database Shop exported successfully"));
    EXPECT_FALSE(FileManager::exists(home + "/-"));

    const CliResult unnamed = runCli({"import-csv", "-", "--labels"}, exported.out);
    EXPECT_EQ(unnamed.status, 2);
    EXPECT_TRUE(has(unnamed.err, "give the new database's with --name")) << unnamed.err;
    ok({"import-csv", "-", "--labels", "--name", "Copy"}, exported.out);
    EXPECT_EQ(ok({"records", "Copy", "--format", "csv", "--sort", "title", "--ascending"}),
              "Name\n\"Desk, oak\"\nLamp\n");
}

TEST_F(ConventionsTest, ErrorsSayWhatToDoAndWhyTheSystemRefused)
{
    library.makePackage("Shop");
    library.makePackage("Other");
    const std::string csv = home + "/shop.csv";
    ASSERT_TRUE(FileManager::writeFileAtomically(csv, "Name\nLamp\n"));
    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::string error;
    };
    // clang-format off
    const std::vector<Case> cases = {
        {"NewUnderATakenName", {"new", "Shop"}, "a database named \"Shop\" already exists: choose another name"},
        {"RenameToATakenName", {"rename", "Shop", "Other"},
            "a database named \"Other\" already exists: choose another name"},
        {"ImportUnderATakenName", {"import-csv", csv, "--name", "Shop"},
            "a database named \"Shop\" already exists: choose another with --name"},
        {"ExportIntoAMissingFolder", {"export-csv", "Shop", home + "/nowhere/shop.csv"},
            "cannot write " + home + "/nowhere/shop.csv: No such file or directory"},
        {"ImportAMissingFile", {"import-csv", home + "/missing.csv"},
            "cannot read " + home + "/missing.csv: No such file or directory"},
        {"ImportAFolder", {"import-csv", home}, "cannot read " + home + ": Is a directory"},
        {"UnknownTemplate", {"new", "Other", "--template", "Bookz"},
            "no template \"Bookz\" (see dossiva-cli templates; a custom template named like a built-in one is "
            "custom:NAME)"}
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CliResult result = runCli(c.args);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err, "dossiva-cli: " + c.error + "\n");
        EXPECT_FALSE(has(result.err + result.out, "nexpected error"));
    }
}

TEST_F(ConventionsTest, TemplatesAreChosenByNameCustomNameOrRowAndImportedUnderTheirNewName)
{
    // A custom template named like a built-in one, imported under that name.
    library.makePackage("Plain");
    ok({"add-field", "Plain", "Mine", "small"});
    const std::string file = home + "/plain.dossivaTemplate";
    ok({"export-template", "Plain", file});
    ok({"import-template", file, "--as", "Books"});
    EXPECT_TRUE(FileManager::exists(TemplateCatalog::customTemplateFile("Books")));

    const auto fieldsOf = [this](const std::string& database) { return ok({"fields", database}); };
    ok({"new", "Built", "--template", "Books"});
    ok({"new", "Custom", "--template", "custom:Books"});
    ok({"new", "ByRow", "--template", std::to_string(TemplateCatalog::kBuiltInRows)});
    ok({"new", "Second", "--template", "2"});
    EXPECT_TRUE(has(fieldsOf("Built"), "Author")) << "the built-in Books";
    EXPECT_TRUE(has(fieldsOf("Custom"), "Mine"));
    EXPECT_TRUE(has(fieldsOf("ByRow"), "Mine")) << "the first custom row follows the built-in ones";
    EXPECT_EQ(fieldsOf("Second"), fieldsOf("Built")) << "row 2 is Books";
}

TEST_F(ConventionsTest, DeletingAsksOnATerminalAndNeedsYesElsewhere)
{
    library.makePackage("Shop");
    library.makePackage("Tools");
    const CliResult refused = runCli({"delete", "Shop"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(has(refused.err, "nothing deleted: add --yes to confirm")) << refused.err;
    EXPECT_TRUE(FileManager::exists(Paths::packagePath("Shop.dossiva")));

    // A pseudo-terminal stands for the user's: the question shows there and
    // the typed answer decides.
    for (const auto& [answer, deleted] :
         std::vector<std::pair<std::string, bool>>{{"", false}, {"d", true}}) {
        std::string screen;
        const int status = runOnTerminal({"delete", "Shop"}, "[Cancel])", answer, screen);
        SCOPED_TRACE(answer.empty() ? "Enter" : answer);
        EXPECT_EQ(status, 0) << screen;
        EXPECT_TRUE(has(screen, "Are you sure you want to delete the database \"Shop\"?")) << screen;
        EXPECT_NE(FileManager::exists(Paths::packagePath("Shop.dossiva")), deleted) << screen;
    }
    EXPECT_TRUE(FileManager::isRegularFile(home + "/.local/share/Trash/files/Shop.dossiva/database.db"));
    ok({"delete", "Tools", "--yes"});
    EXPECT_FALSE(FileManager::exists(Paths::packagePath("Tools.dossiva")));
}

} // namespace
