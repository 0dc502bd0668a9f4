// dossiva-cli's CSV import: what `records --format csv` lists comes back
// with its dates, values it cannot read are reported, and a file larger than
// allowed is refused until allowed.
#include "cli/CliRunner.h"

#include "support/TestDatabase.h"

#include "platform/FileManager.h"
#include "platform/Paths.h"
#include "storage/DBManager.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace dossiva;
using namespace dossiva::test;

namespace {

// Far from UTC, with summer time, so a moment read in the wrong zone shows.
const std::map<std::string, std::string> kParis = {{"TZ", "Europe/Paris"}};

class CsvCommandsTest : public ::testing::Test {
protected:
    TestLibrary library;

    CsvCommandsTest() { DBManager::sharedIstance().openDB(); }

    std::string ok(const std::vector<std::string>& args)
    {
        const CliResult result = runCli(args, {}, kParis);
        EXPECT_EQ(result.status, 0) << args[0] << ": " << result.err;
        return result.out;
    }

    std::string writeCsv(const std::string& name, const std::string& bytes)
    {
        const std::string path = library.home() + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
};

TEST_F(CsvCommandsTest, RecordsListedAsCsvComeBackWithTheirDatesAndTimes)
{
    library.makePackage("Diary");
    DBManager::sharedIstance().openDB();
    ok({"add-field", "Diary", "Day", "date"});
    ok({"add-field", "Diary", "Hour", "time"});
    ok({"add-field", "Diary", "Moment", "datetime"});
    ok({"add-record", "Diary", "Name=Spring", "Day=2024-05-01", "Hour=2024-05-01T09:05",
        "Moment=2024-05-01T14:30"});
    ok({"add-record", "Diary", "Name=Winter", "Day=1969-12-31", "Hour=1969-12-31T23:59",
        "Moment=1969-12-31T23:59:30"});
    ok({"add-record", "Diary", "Name=Undated"});

    const std::string csv = writeCsv("diary.csv", ok({"records", "Diary", "--format", "csv"}));
    const std::string imported = ok({"import-csv", csv, "--name", "Copy", "--labels", "--main", "Name",
                                     "--type", "Day=date", "Hour=time", "Moment=datetime"});
    EXPECT_EQ(imported, "Success: Database Copy imported successfully\n");

    const std::vector<std::string> byName{"--sort", "title", "--ascending"};
    const auto original = recordsJson("Diary", byName);
    const auto copy = recordsJson("Copy", byName);
    ASSERT_EQ(copy.size(), original.size());
    for (std::size_t i = 0; i < original.size(); ++i) {
        SCOPED_TRACE(original[i].at("Name"));
        EXPECT_EQ(copy[i].at("Name"), original[i].at("Name"));
        for (const char* field : {"Day", "Hour", "Moment"}) {
            EXPECT_EQ(copy[i].at(field), original[i].at(field)) << field;
        }
    }
    EXPECT_EQ(original[0].at("Name"), "\"Spring\"");
    EXPECT_NE(original[0].at("Day"), "null");
}

TEST_F(CsvCommandsTest, ValuesThatCannotBeReadAreReportedWithTheirRows)
{
    const std::string csv =
        writeCsv("people.csv", "Name,Born\nAda,10/12/1815\nBob,someday\nCid,\nDan,never\n");
    const CliResult result = runCli({"import-csv", csv, "--labels", "--type", "Born=date"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "Success: Database people imported successfully\n\n"
                          "2 values of \"Born\" could not be read as dates (rows 3, 5)\n");
}

TEST_F(CsvCommandsTest, AFileLargerThanAllowedIsRefusedUntilAllowed)
{
    const std::string big = writeCsv("big.csv", "Name\n" + std::string(2000, 'x') + "\n");
    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"larger than allowed",
         {big, "--max-size", "1024"},
         big + ": The file is too large to import: the limit is 1 KiB. Use --max-size BYTES to import a "
               "larger file."},
        {"a size that is no number",
         {big, "--max-size", "lots"},
         "--max-size takes the largest file size to import, in bytes"},
        {"no size at all",
         {big, "--max-size", "0"},
         "--max-size takes the largest file size to import, in bytes"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> args{"import-csv"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CliResult result = runCli(args);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err, "dossiva-cli: " + c.error + "\n");
        EXPECT_TRUE(FileManager::contentsOfDirectory(Paths::databasesFolder()).empty());
    }
    const CliResult allowed = runCli({"import-csv", big, "--max-size", "4096"});
    EXPECT_EQ(allowed.status, 0) << allowed.err;
    EXPECT_TRUE(FileManager::exists(Paths::packagePath("big.dossiva")));
}

} // namespace
