// dossiva-cli never loses what is there: a record whose picture cannot be
// stored is not saved at all, exports never delete what they would replace,
// and a database carrying SQL of its own is not written.
#include "cli/CliRunner.h"

#include "support/Pictures.h"
#include "support/TestDatabase.h"
#include "support/TreeSnapshot.h"

#include "platform/FileManager.h"
#include "platform/Paths.h"

#include <gtest/gtest.h>

using namespace dossiva;
using namespace dossiva::test;

namespace {

class DataSafetyCommandsTest : public ::testing::Test {
protected:
    TestLibrary library;
    std::string home = library.home();

    std::string picture(const std::string& name, std::uint8_t red)
    {
        const std::string path = home + "/" + name;
        EXPECT_TRUE(solidPicture(2, 2, {red, red, red, red})->writeTiffJpeg(path));
        return path;
    }
    std::string column(const std::string& package, const std::string& sql)
    {
        return sqliteShell(Paths::databaseFile(package), sql);
    }
};

TEST_F(DataSafetyCommandsTest, ARecordWhosePictureCannotBeStoredIsNotSavedAtAll)
{
    library.makePackage("Pics");
    ok({"add-field", "Pics", "Photo", "image"});
    ok({"add-record", "Pics", "Name=kept", "Photo=" + picture("red.tiff", 200)});
    const std::string images = Paths::imagesFolder("Pics.dossiva");
    ASSERT_TRUE(FileManager::removeItem(images));
    ASSERT_TRUE(FileManager::writeFileAtomically(images, "a file where the pictures folder was"));
    const std::string before = column("Pics.dossiva", "select * from data_table");

    const CliResult added = runCli({"add-record", "Pics", "Name=new", "Photo=" + picture("blue.tiff", 20)});
    EXPECT_EQ(added.status, 1);
    EXPECT_NE(added.err.find("pictures folder"), std::string::npos) << added.err;
    const CliResult changed =
        runCli({"set", "Pics", "1", "Name=changed", "Photo=" + picture("blue.tiff", 20)});
    EXPECT_EQ(changed.status, 1);
    EXPECT_NE(changed.err.find("pictures folder"), std::string::npos) << changed.err;
    EXPECT_EQ(column("Pics.dossiva", "select * from data_table"), before);
}

TEST_F(DataSafetyCommandsTest, ExportsNeverDeleteWhatIsAtTheirPath)
{
    library.makePackage("Books");
    ASSERT_TRUE(FileManager::createDirectories(home + "/Documents/letters"));
    ASSERT_TRUE(FileManager::writeFileAtomically(home + "/Documents/letters/a.txt", "dear"));
    const TreeSnapshot before = snapshotTree(home);
    struct Case {
        std::vector<std::string> args;
        const char* says;
    };
    const std::vector<Case> cases = {
        {{"export-template", "Books", home}, "add --replace"},
        {{"export-template", "Books", home, "--replace"}, "is a folder"},
        {{"export-package", "Books", home + "/Documents"}, "add --replace"},
        {{"export-package", "Books", home + "/Documents", "--replace"}, "not a database package"},
        {{"export-package", "Books", Paths::databasesFolder(), "--replace"}, "Dossiva's own data"},
    };
    for (const auto& c : cases) {
        const CliResult result = runCli(c.args);
        EXPECT_EQ(result.status, 1) << c.args[0];
        EXPECT_NE(result.err.find(c.says), std::string::npos) << result.err;
        EXPECT_EQ(snapshotTree(home), before) << c.args[0];
    }
}

TEST_F(DataSafetyCommandsTest, ADatabaseCarryingATriggerIsNotWritten)
{
    library.makePackage("Shop");
    ok({"add-record", "Shop", "Name=first"});
    column("Shop.dossiva",
           "create trigger wipe after insert on data_table begin delete from data_table; end");
    const CliResult result = runCli({"add-record", "Shop", "Name=second"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("trigger \"wipe\""), std::string::npos) << result.err;
    EXPECT_EQ(column("Shop.dossiva", "select \"1\" from data_table"), "first\n");
}

} // namespace
