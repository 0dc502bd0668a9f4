// Names of databases on dossiva-cli's command line: every command that takes
// one refuses a name that is not a plain library name, or not one the library
// lists, before it touches any file.
#include "cli/CliRunner.h"

#include "support/CaseNames.h"
#include "support/Pictures.h"
#include "support/TestDatabase.h"
#include "support/TreeSnapshot.h"

#include "platform/FileManager.h"
#include "platform/Paths.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace dossiva;
using namespace dossiva::test;

namespace {

using test::PrintTo;

struct HostileName {
    const char* name;
    std::string given; // "{HOME}" stands for the test's home
    std::string message;
};

// The start of the message: the name as shown, then why it is refused.
std::string refusal(const std::string& shown)
{
    return "dossiva-cli: \"" + shown + "\" cannot be used as a name. ";
}

// Every command that takes the name of a database, with "{NAME}"
// where it goes.
const std::vector<std::vector<std::string>> kCommands = {
    {"show", "{NAME}"},
    {"records", "{NAME}"},
    {"fields", "{NAME}"},
    {"add-record", "{NAME}", "Name=x"},
    {"set", "{NAME}", "1", "Name=x"},
    {"duplicate-record", "{NAME}", "1"},
    {"delete-record", "{NAME}", "1", "--yes"},
    {"delete-all", "{NAME}", "--yes"},
    {"add-field", "{NAME}", "Note", "small"},
    {"rename-field", "{NAME}", "Name", "Title"},
    {"set-field", "{NAME}", "Photo", "--now"},
    {"move-field", "{NAME}", "Photo", "2"},
    {"delete-field", "{NAME}", "Photo", "--yes"},
    {"duplicate", "{NAME}"},
    {"rename", "{NAME}", "Renamed"},
    {"delete", "{NAME}", "--yes"},
    {"export-package", "{NAME}", "{HOME}/out.dossiva"},
    {"export-template", "{NAME}", "{HOME}/out.dossivaTemplate"},
    {"export-csv", "{NAME}", "{HOME}/out.csv"},
    {"import-package", "{HOME}/Spare.dossiva", "--as", "{NAME}"},
};

class DatabaseNamesTest : public testing::Test {
protected:
    TestLibrary library;
    std::string home = library.home();

    // A database with a record and its picture, copied where a name that
    // climbs out of the data tree would find it, beside the library as a
    // package to import, into the library under a hidden name, and linked
    // into the library.
    void SetUp() override
    {
        const std::string package = library.makePackage("Shop");
        const std::string picture = home + "/photo.tiff";
        ASSERT_TRUE(solidPicture(8, 8, {90, 90, 90, 90})->writeTiffJpeg(picture));
        ASSERT_EQ(runCli({"add-field", "Shop", "Photo", "image"}).status, 0);
        ASSERT_EQ(runCli({"add-record", "Shop", "Name=Lamp", "Photo=" + picture}).status, 0);
        for (const std::string& copy :
             {home + "/victim.dossiva", home + "/Spare.dossiva", Paths::packagePath(".hidden.dossiva")}) {
            ASSERT_TRUE(FileManager::copyItem(Paths::packagePath(package), copy));
        }
        std::filesystem::create_directory_symlink(home + "/victim.dossiva",
                                                  Paths::packagePath("Linked.dossiva"));
    }

    // The arguments with name for "{NAME}", then the test's home for "{HOME}".
    std::vector<std::string> withName(const std::vector<std::string>& args, const std::string& name) const
    {
        return withMarks(withMarks(args, {{"{NAME}", name}}), {{"{HOME}", home}});
    }
};

class HostileNameTest : public DatabaseNamesTest, public testing::WithParamInterface<HostileName> {};

TEST_P(HostileNameTest, IsRefusedByEveryCommandAndNoFileChanges)
{
    const auto before = snapshotTree(home);
    ASSERT_EQ(before.count("victim.dossiva/database.db"), 1u);
    for (const auto& command : kCommands) {
        const CliResult result = runCli(withName(command, GetParam().given));
        EXPECT_EQ(result.status, 1) << command[0];
        EXPECT_EQ(result.err.rfind(withMarks({GetParam().message}, {{"{HOME}", home}})[0], 0), 0u)
            << command[0] << ": " << result.err;
    }
    EXPECT_EQ(snapshotTree(home), before);
}

TEST_F(DatabaseNamesTest, ALinkInTheLibraryIsNotFollowed)
{
    const auto before = snapshotTree(home);
    for (const auto& command : kCommands) {
        if (command[0] == "import-package") {
            continue; // names a new database
        }
        const CliResult result = runCli(withName(command, "Linked"));
        EXPECT_EQ(result.status, 1) << command[0];
        EXPECT_EQ(result.err, "dossiva-cli: no database named \"Linked\"\n") << command[0];
    }
    EXPECT_EQ(snapshotTree(home), before);
}

TEST_F(DatabaseNamesTest, ImportUnderATakenNameIsRefusedBeforeCopying)
{
    const auto before = snapshotTree(home);
    const CliResult result = runCli({"import-package", home + "/Spare.dossiva", "--as", "Shop"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "dossiva-cli: a database named \"Shop\" exists: choose another with --as NAME\n");
    EXPECT_EQ(snapshotTree(home), before);
}

INSTANTIATE_TEST_SUITE_P(
    Names, HostileNameTest,
    testing::Values(HostileName{"ClimbingOut", "../../../../../victim", refusal("../../../../../victim")},
                    HostileName{"ClimbingOutWithExtension", "../../../../../victim.dossiva",
                                refusal("../../../../../victim.dossiva")},
                    HostileName{"OneLevelUp", "../x", refusal("../x")},
                    HostileName{"AbsolutePath", "{HOME}/victim", refusal("{HOME}/victim")},
                    HostileName{"Subfolder", "a/b", refusal("a/b")},
                    HostileName{"Hidden", ".hidden", refusal(".hidden")},
                    HostileName{"Empty", "", refusal("")}, HostileName{"Blank", " ", refusal(" ")},
                    HostileName{"EscapeSequence", "Shop\x1b[2J", refusal("Shop?[2J")},
                    HostileName{"LineBreak", "Shop\nx", refusal("Shop\nx")}),
    test::NameOfCase());

} // namespace
