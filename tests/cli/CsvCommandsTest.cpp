// dossiva-cli's CSV import: what `records --format csv` lists comes back
// with its dates, values it cannot read are reported, and a file larger than
// allowed is refused until allowed.
#include "cli/CliRunner.h"

#include "support/TestDatabase.h"

#include "platform/FileManager.h"
#include "platform/Paths.h"

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

TEST_F(CsvCommandsTest, RecordsListedAsCsvComeBackAsTheSameFieldsAndValues)
{
    library.makePackage("Diary");
    for (const std::vector<std::string>& field : {std::vector<std::string>{"Day", "date"},
                                                  {"Hour", "time"},
                                                  {"Moment", "datetime"},
                                                  {"Count", "number"},
                                                  // CSV carries no options: an empty caption as imported
                                                  {"Done", "checkbox", "--caption", ""},
                                                  {"Note", "small"}}) {
        std::vector<std::string> args{"add-field", "Diary"};
        args.insert(args.end(), field.begin(), field.end());
        ok(args);
    }
    ok({"add-record", "Diary", "Name=Spring", "Day=2024-05-01", "Hour=2024-05-01T09:05",
        "Moment=2024-05-01T14:30", "Count=1,5", "Done=yes", "Note= a, \"quoted\"; note"});
    ok({"add-record", "Diary", "Name=Winter", "Day=1969-12-31", "Hour=1969-12-31T23:59",
        "Moment=1969-12-31T23:59:30", "Done=no"});
    ok({"add-record", "Diary", "Name=Undated"});

    const std::string csv = writeCsv("diary.csv", ok({"records", "Diary", "--format", "csv"}));
    const std::string imported = ok({"import-csv", csv, "--name", "Copy", "--labels", "--type", "Day=date",
                                     "Hour=time", "Moment=datetime", "Count=number", "Done=checkbox"});
    EXPECT_EQ(imported, "Success: Database Copy imported successfully\n");

    EXPECT_EQ(ok({"fields", "Copy"}), ok({"fields", "Diary"})) << "the same labels, types and order";
    const std::vector<std::string> byName{"--sort", "title", "--ascending"};
    auto original = recordsJson("Diary", byName);
    auto copy = recordsJson("Copy", byName);
    ASSERT_EQ(copy.size(), original.size());
    for (std::size_t i = 0; i < original.size(); ++i) {
        SCOPED_TRACE(original[i].at("Name"));
        for (auto* record : {&original[i], &copy[i]}) {
            for (const char* own : {"RECID", "created", "modified"}) {
                record->erase(own);
            }
        }
        EXPECT_EQ(copy[i], original[i]);
    }
    EXPECT_EQ(original[0].at("Name"), "\"Spring\"");
    EXPECT_EQ(original[0].at("Note"), "\" a, \\\"quoted\\\"; note\"");
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
        int status;
        std::string error;
    };
    // clang-format off
    const std::vector<Case> cases = {
        {"larger than allowed", {big, "--max-size", "1024"}, 1,
            big + ": The file is too large to import: the limit is 1 KiB. Use --max-size BYTES to import a "
            "larger file."},
        {"a size that is no number", {big, "--max-size", "lots"}, 2,
            "--max-size: takes a number of bytes, at least 1, not 'lots' (see dossiva-cli import-csv --help)"},
        {"no size at all", {big, "--max-size", "0"}, 2,
            "--max-size: takes a number of bytes, at least 1, not '0' (see dossiva-cli import-csv --help)"},
        {"larger than allowed on standard input", {"-", "--name", "Big", "--max-size", "1024"}, 1,
            "standard input holds more than 1024 bytes: use --max-size BYTES to import a larger file"}
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> args{"import-csv"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CliResult result = runCli(args, "Name\n" + std::string(2000, 'x') + "\n");
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.err, "dossiva-cli: " + c.error + "\n");
        EXPECT_TRUE(FileManager::contentsOfDirectory(Paths::databasesFolder()).empty());
    }
    const CliResult allowed = runCli({"import-csv", big, "--max-size", "4096"});
    EXPECT_EQ(allowed.status, 0) << allowed.err;
    EXPECT_TRUE(FileManager::exists(Paths::packagePath("big.dossiva")));
}

} // namespace
