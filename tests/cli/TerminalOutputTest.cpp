// What dossiva-cli prints for people: never a control character that could
// drive the user's terminal, line breaks still readable in tables, columns
// that line up whatever the script, tables that fit the terminal but never
// cut a name, and moments in ISO 8601.
#include "cli/CliRunner.h"

#include "support/CaseNames.h"
#include "support/TestDatabase.h"

#include "platform/FileManager.h"
#include "platform/Paths.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <sstream>

using namespace dossiva;
using namespace dossiva::test;

namespace {

using test::PrintTo;

struct StoredText {
    const char* name;
    std::string stored;
    std::string shown; // in a table cell
};

// Where the first control character other than a line end is in the
// output (C1 controls in their UTF-8 form included), or npos.
std::size_t firstControl(const std::string& out)
{
    for (std::size_t i = 0; i < out.size(); ++i) {
        const auto byte = static_cast<unsigned char>(out[i]);
        const auto next = i + 1 < out.size() ? static_cast<unsigned char>(out[i + 1]) : 0;
        if ((byte < 0x20 && byte != '\n') || byte == 0x7f || (byte == 0xc2 && next >= 0x80 && next <= 0x9f)) {
            return i;
        }
    }
    return std::string::npos;
}

class TerminalOutputTest : public testing::TestWithParam<StoredText> {
protected:
    TestLibrary library;
    std::string package = library.makePackage("Shop");
};

TEST_P(TerminalOutputTest, TablesShowControlsAsQuestionMarks)
{
    const CliResult added = runCli({"add-record", "Shop", "Name=" + GetParam().stored});
    ASSERT_EQ(added.status, 0) << added.err;
    for (const std::vector<std::string>& args : {std::vector<std::string>{"records", "Shop"},
                                                 {"show", "Shop"},
                                                 {"records", "Shop", "--format", "json"}}) {
        const CliResult listed = runCli(args);
        ASSERT_EQ(listed.status, 0) << listed.err;
        EXPECT_EQ(firstControl(listed.out), std::string::npos) << args.back() << ":\n" << listed.out;
        if (args.back() != "json") {
            EXPECT_NE(listed.out.find("  " + GetParam().shown + "  "), std::string::npos) << args[0] << ":\n"
                                                                                          << listed.out;
        }
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Values, TerminalOutputTest, testing::Values(
    StoredText{"ColourSequence", "a\x1b[31mred", "a?[31mred"},
    StoredText{"LoneEscape", "end\x1b", "end?"},
    StoredText{"C1ControlSequenceIntroducer", "a\xc2\x9b" "2Jb", "a?2Jb"},
    StoredText{"Delete", "a\x7f" "b", "a?b"},
    StoredText{"BellAndBackspace", "a\x07\x08" "b", "a??b"},
    StoredText{"BytesThatAreNotUtf8", "a\xff\x9b" "b", "a??b"},
    StoredText{"LineBreaks", "one\ntwo\r\nthree\rfour", "one\u21b5two\u21b5three\u21b5four"},
    StoredText{"Tab", "a\tb", "a b"},
    StoredText{"PlainUnicode", "\xc3\xa9t\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80",
        "\xc3\xa9t\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80"}),
    test::NameOfCase());
// clang-format on

// Each line's display columns, as Python's unicodedata counts them: two
// for wide characters and emoji, none for combining marks.
std::vector<std::string> columnsOf(const std::string& text, const std::string& marker)
{
    std::string found;
    EXPECT_EQ(runPython("import sys, unicodedata\n"
                        "def width(s):\n"
                        "    return sum(0 if unicodedata.combining(c) else\n"
                        "               2 if unicodedata.east_asian_width(c) in 'WF' else 1 for c in s)\n"
                        "for line in sys.argv[1].splitlines():\n"
                        "    at = line.find(sys.argv[2])\n"
                        "    print(width(line[:at]) if at >= 0 else '-', width(line))\n",
                        {text, marker}, found),
              0);
    std::vector<std::string> lines;
    std::istringstream stream(found);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

TEST(TerminalTables, WideCharactersAndEmojiLineUp)
{
    TestLibrary library;
    library.makePackage("Shop");
    ASSERT_EQ(runCli({"add-field", "Shop", "Code", "small"}).status, 0);
    for (const char* name : {"\xe6\x9d\xb1\xe4\xba\xac", "\xf0\x9f\x98\x80 smile", "e\xcc\x81te", "plain"}) {
        ASSERT_EQ(runCli({"add-record", "Shop", std::string("Name=") + name, "Code=XY"}).status, 0);
    }
    const CliResult listed = runCli({"records", "Shop"});
    ASSERT_EQ(listed.status, 0) << listed.err;
    const auto columns = columnsOf(listed.out, "XY");
    ASSERT_EQ(columns.size(), 6u) << listed.out;
    const std::string header = columnsOf(listed.out, "Code")[0];
    for (std::size_t line = 2; line < columns.size(); ++line) {
        EXPECT_EQ(columns[line].substr(0, columns[line].find(' ')), header.substr(0, header.find(' ')))
            << "line " << line << " of\n"
            << listed.out;
    }
}

TEST(TerminalTables, FitTheTerminalButNeverCutAName)
{
    TestLibrary library;
    const std::string longName = "A database with a long name that people copy into the next command";
    library.makePackage(longName);
    ASSERT_EQ(runCli({"add-field", longName, "Colour", "choose", "--items",
                      "Red,Green,Blue,Cyan,Magenta,Yellow,Black,White,Orange,Purple"})
                  .status,
              0);
    const std::map<std::string, std::string> narrow = {{"COLUMNS", "60"}};
    const CliResult list = runCli({"list"}, {}, narrow);
    EXPECT_TRUE(list.out.find(longName) != std::string::npos) << list.out;
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"fields", longName}, {"show", longName}}) {
        const CliResult shown = runCli(args, {}, narrow);
        ASSERT_EQ(shown.status, 0) << shown.err;
        const auto lines = columnsOf(shown.out, "\x01");
        // show's first line names the database, whole.
        for (std::size_t i = args[0] == "show" ? 1 : 0; i < lines.size(); ++i) {
            EXPECT_LE(std::stoi(lines[i].substr(2)), 60) << args[0] << ":\n" << shown.out;
        }
        EXPECT_NE(shown.out.find("\u2026"), std::string::npos) << "the items are cut to fit";
    }
    const CliResult wide = runCli({"fields", longName});
    EXPECT_NE(wide.out.find("Purple"), std::string::npos) << "a pipe gets every character";
}

TEST(TerminalTables, MomentsAreIso8601InTheLocalZone)
{
    TestLibrary library;
    const std::string package = library.makePackage("Diary");
    // 2024-05-01 13:30 UTC, 15:30 in Paris.
    sqliteShell(Paths::databaseFile(package),
                "delete from general_info; insert into general_info(creation,edit,sync) "
                "values(1714570200,1714570200,0)");
    ASSERT_TRUE(FileManager::createDirectories(Paths::macBackupsFolder() + "/1714570200/Diary.dossiva"));
    ASSERT_TRUE(FileManager::copyItem(Paths::databaseFile(package),
                                      Paths::macBackupsFolder() + "/1714570200/Diary.dossiva/database.db"));
    ASSERT_EQ(runCli({"add-record", "Diary", "Name=x"}).status, 0);
    const std::map<std::string, std::string> paris = {{"TZ", "Europe/Paris"}};
    EXPECT_NE(runCli({"list"}, {}, paris).out.find("Diary  2024-05-01 15:30"), std::string::npos)
        << runCli({"list"}, {}, paris).out;
    EXPECT_NE(runCli({"backups"}, {}, paris).out.find("1714570200  2024-05-01 15:30"), std::string::npos)
        << runCli({"backups"}, {}, paris).out;
    const std::string records = runCli({"records", "Diary"}, {}, paris).out;
    const auto row = records.find("\n1 ");
    ASSERT_NE(row, std::string::npos) << records;
    EXPECT_TRUE(std::regex_search(records.substr(row), std::regex(R"(x +\d{4}-\d\d-\d\d \d\d:\d\d)")))
        << records;
}

} // namespace
