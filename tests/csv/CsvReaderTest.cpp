// Reading CSV files: encodings and byte-order marks, line and value
// splitting, the proposed fields, and the import window's preview.
#include "support/CaseNames.h"
#include "support/ChildProcess.h"
#include "support/CsvTestSupport.h"
#include "support/TestHome.h"

#include "csv/CsvReader.h"
#include "fields/FieldModel.h"
#include "library/CsvImportModel.h"
#include "platform/DateFormat.h"
#include "platform/UserDefaults.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace dossiva;
using namespace dossiva::test;

namespace {

using test::PrintTo;
using Rows = std::vector<std::vector<std::string>>;

class CsvFiles : public ::testing::Test {
protected:
    TestHome home;

    std::string write(const std::string& bytes, const std::string& name = "data.csv")
    {
        return writeFile(home.path() + "/" + name, bytes);
    }

    static Rows rowsOf(const CsvReader& reader)
    {
        Rows rows;
        for (std::size_t row = 0; row < reader.data().size(); ++row) {
            rows.push_back(reader.data().row(row, reader.structure().size()));
        }
        return rows;
    }

    static std::vector<std::pair<std::string, int>> fieldsOf(const CsvReader& reader)
    {
        std::vector<std::pair<std::string, int>> fields;
        for (const auto& field : reader.structure()) {
            fields.emplace_back(field.name, field.type);
        }
        return fields;
    }
};

std::string repeated(std::string_view piece, int count)
{
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += piece;
    }
    return text;
}

struct LineCase {
    const char* name;
    std::string text;
    CsvSeparator separator;
    Rows values;
};

class CsvLine : public testing::TestWithParam<LineCase> {};

TEST_P(CsvLine, SplitsIntoValues)
{
    EXPECT_EQ(CsvReader::parseCSVString(GetParam().text, GetParam().separator), GetParam().values);
}

constexpr CsvSeparator kComma = CsvSeparator::Comma;

// clang-format off
INSTANTIATE_TEST_SUITE_P(Table, CsvLine, testing::Values(
    LineCase{"plain",                                  "a,b,c",                 kComma,                 {{"a", "b", "c"}}},
    LineCase{"blanks after a separator are skipped",   "a,  b,\tc",             kComma,                 {{"a", "b", "c"}}},
    LineCase{"blanks before the first value stay",     "  a,b ",                kComma,                 {{"  a", "b "}}},
    LineCase{"a quoted comma",                         "\"a,b\",c",             kComma,                 {{"a,b", "c"}}},
    LineCase{"doubled quotes",                         "\"say \"\"hi\"\"\",x",  kComma,                 {{"say \"hi\"", "x"}}},
    LineCase{"a quote inside a value opens quotes",    "ab\"c,d\"e,f",          kComma,                 {{"abc,de", "f"}}},
    LineCase{"a final empty value is dropped",         "a,b,",                  kComma,                 {{"a", "b"}}},
    LineCase{"empty values inside are kept",           "a,,b",                  kComma,                 {{"a", "", "b"}}},
    LineCase{"a final empty quoted value is dropped",  "a,\"\"",                kComma,                 {{"a"}}},
    LineCase{"empty tab-separated values are values",  "a\t\tb",                CsvSeparator::Tab,      {{"a", "", "b"}}},
    LineCase{"blanks after a tab are skipped",         "a\t  b",                CsvSeparator::Tab,      {{"a", "b"}}},
    LineCase{"the semicolon keeps commas",             "a;b,c",                 CsvSeparator::Semicolon, {{"a", "b,c"}}},
    LineCase{"a quoted line break",                    "\"x\ny\",z",            kComma,                 {{"x\ny", "z"}}},
    LineCase{"a quoted CR LF",                         "\"x\r\ny\"",            kComma,                 {{"x\r\ny"}}},
    LineCase{"lines",                                  "a,b\nc,d\r\ne",         kComma,                 {{"a", "b"}, {"c", "d"}, {"e"}}},
    LineCase{"no text",                                "",                      kComma,                 {}},
    LineCase{"only separators",                        ",,",                    kComma,                 {{"", ""}}},
    LineCase{"an unclosed quote takes the rest",       "a,\"b,c\nd",            kComma,                 {{"a", "b,c\nd"}}},
    LineCase{"four-byte characters",                   "\xF0\x9F\x98\x80,\xE2\x9C\x93", kComma,         {{"\xF0\x9F\x98\x80", "\xE2\x9C\x93"}}}),
    test::NameOfCase());
// clang-format on

using Fields = std::vector<std::pair<std::string, int>>;

struct FileCase {
    const char* name;
    std::string bytes;
    Rows rows;
    Fields fields;
};

class CsvFileRows : public CsvFiles, public testing::WithParamInterface<FileCase> {};

TEST_P(CsvFileRows, BecomeRecordsAndProposedFields)
{
    CsvReader reader;
    ASSERT_EQ(reader.importCSVFile(write(GetParam().bytes), std::nullopt), CsvReadStatus::Done);
    EXPECT_EQ(rowsOf(reader), GetParam().rows);
    EXPECT_EQ(fieldsOf(reader), GetParam().fields);
    EXPECT_FALSE(reader.endsInsideQuotes());
}

const Fields kTwoFields = {{"Field 0", 0}, {"Field 1", 1}};
const Fields kLargeThird = {{"Field 0", 0}, {"Field 1", 1}, {"Field 2", 2}};

// clang-format off
INSTANTIATE_TEST_SUITE_P(Table, CsvFileRows, testing::Values(
    FileCase{"CR, LF and CR LF line ends, no final line break", "a,b\rc,d\ne,f\r\ng,h", {{"a", "b"}, {"c", "d"}, {"e", "f"}, {"g", "h"}}, kTwoFields},
    FileCase{"blank lines are no rows", "\n\na\n\n\n\nb\r\n\r\n", {{"a"}, {"b"}}, {{"Field 0", 0}}},
    FileCase{"a quoted line break keeps one value and proposes large text", "a,b\n\"one\ntwo\",\"x\r\ny\"\n", {{"a", "b"}, {"one\ntwo", "x\r\ny"}}, {{"Field 0", 0}, {"Field 1", 2}}},
    FileCase{"a longer row adds fields numbered after the count and pads earlier rows", "a,b\nc,d,e\nf,g,h,i\nj\n", {{"a", "b", "", ""}, {"c", "d", "e", ""}, {"f", "g", "h", "i"}, {"j", "", "", ""}}, {{"Field 0", 0}, {"Field 1", 1}, {"Field 3", 1}, {"Field 4", 1}}},
    FileCase{"the first column stays the main field however long its values", std::string(2000, 'm') + "," + std::string(1024, 's') + "," + std::string(1025, 'l') + "\n", {{std::string(2000, 'm'), std::string(1024, 's'), std::string(1025, 'l')}}, kLargeThird},
    FileCase{"length counts characters, not bytes", "a," + repeated("\xC3\xA9", 1024) + ",b\nc,d," + repeated("\xE2\x9C\x93", 1025) + "\n", {{"a", repeated("\xC3\xA9", 1024), "b"}, {"c", "d", repeated("\xE2\x9C\x93", 1025)}}, kLargeThird}),
    test::NameOfCase());
// clang-format on

TEST_F(CsvFiles, AHugeValueAndAnUnclosedQuoteLoseNothing)
{
    const std::string huge(2 * 1024 * 1024, 'x');
    CsvReader reader;
    ASSERT_EQ(reader.importCSVFile(write("name,text\nbig,\"" + huge + "\"\n"), std::nullopt),
              CsvReadStatus::Done);
    EXPECT_EQ(reader.data().cell(1, 1), huge);
    EXPECT_EQ(reader.structure()[1].type, 2);

    // The file ends inside quotes: the last value holds the rest of the file.
    ASSERT_EQ(reader.importCSVFile(write("a,b\nc,\"d\ne,f\n"), std::nullopt), CsvReadStatus::Done);
    EXPECT_EQ(rowsOf(reader), (Rows{{"a", "b"}, {"c", "d\ne,f\n"}}));
    EXPECT_TRUE(reader.endsInsideQuotes());
}

struct EncodingCase {
    const char* name;
    std::string bytes;
    std::optional<TextEncoding> chosen;
    CsvReadStatus status;
    Rows rows;
    TextEncoding used;
};

class CsvFileEncoding : public CsvFiles, public testing::WithParamInterface<EncodingCase> {};

TEST_P(CsvFileEncoding, IsReadOrRefusedWhole)
{
    const EncodingCase& c = GetParam();
    CsvReader reader;
    EXPECT_EQ(reader.importCSVFile(write(c.bytes), c.chosen), c.status);
    EXPECT_EQ(rowsOf(reader), c.rows);
    EXPECT_EQ(reader.usedEncoding(), c.used);
    if (c.status != CsvReadStatus::Done) {
        EXPECT_TRUE(reader.structure().empty());
    }
}

using enum CsvReadStatus;
constexpr auto kUtf8 = TextEncoding::UTF8;
constexpr auto kUtf16 = TextEncoding::UTF16;
const std::string kLittleEndian("\xFF\xFE"
                                "a\0,\0\xE9\0\n\0"
                                "b\0",
                                12);
const std::string kBigEndian("\xFE\xFF"
                             "\0a\0,\0\xE9\0\n\0b",
                             12);
const std::string kUnmarkedUtf16("a\0,\0b\0", 6);

// clang-format off
INSTANTIATE_TEST_SUITE_P(Table, CsvFileEncoding, testing::Values(
    //           name                                           bytes                       chosen                 status       rows                                        used
    EncodingCase{"UTF-8 by default",                            "n\xC3\xA9,\xF0\x9F\x98\x80\n", std::nullopt,      Done,        {{"n\xC3\xA9", "\xF0\x9F\x98\x80"}},        kUtf8},
    EncodingCase{"a UTF-8 byte-order mark is skipped",          "\xEF\xBB\xBFName,x",       std::nullopt,          Done,        {{"Name", "x"}},                            kUtf8},
    EncodingCase{"and skipped when UTF-8 is chosen",            "\xEF\xBB\xBFName",         kUtf8,                 Done,        {{"Name"}},                                 kUtf8},
    EncodingCase{"FF FE means UTF-16 little-endian",            kLittleEndian,              std::nullopt,          Done,        {{"a", "\xC3\xA9"}, {"b", ""}},             kUtf16},
    EncodingCase{"FE FF means UTF-16 big-endian",               kBigEndian,                 std::nullopt,          Done,        {{"a", "\xC3\xA9"}, {"b", ""}},             kUtf16},
    EncodingCase{"Unicode without a mark is little-endian",     kUnmarkedUtf16,             kUtf16,                Done,        {{"a", "b"}},                               kUtf16},
    EncodingCase{"Mac OS Roman",                                "caf\x8E,\xAA",             TextEncoding::MacRoman, Done,       {{"caf\xC3\xA9", "\xE2\x84\xA2"}},          TextEncoding::MacRoman},
    EncodingCase{"ISO Latin 1",                                 "caf\xE9",                  TextEncoding::Latin1,  Done,        {{"caf\xC3\xA9"}},                          TextEncoding::Latin1},
    EncodingCase{"an accent in ASCII",                          "caf\xE9",                  TextEncoding::ASCII,   Undecodable, {},                                         TextEncoding::ASCII},
    EncodingCase{"a stray continuation byte",                   "a,\x80",                   std::nullopt,          Undecodable, {},                                         kUtf8},
    EncodingCase{"a two-byte character cut short",              "a,\xC3(",                  std::nullopt,          Undecodable, {},                                         kUtf8},
    EncodingCase{"an overlong form",                            "\xC0\xAF",                 std::nullopt,          Undecodable, {},                                         kUtf8},
    EncodingCase{"an encoded surrogate",                        "\xED\xA0\x80",             std::nullopt,          Undecodable, {},                                         kUtf8},
    EncodingCase{"beyond U+10FFFF",                             "\xF4\x90\x80\x80",         std::nullopt,          Undecodable, {},                                         kUtf8},
    EncodingCase{"a four-byte character cut short at the end",  "a\xF0\x9F\x98",            std::nullopt,          Undecodable, {},                                         kUtf8},
    EncodingCase{"UTF-16 with an odd byte count",               kLittleEndian.substr(0, 5), std::nullopt,          Undecodable, {},                                         kUtf16},
    EncodingCase{"UTF-16 without a mark read as UTF-8",         kUnmarkedUtf16,             std::nullopt,          Undecodable, {},                                         kUtf8},
    EncodingCase{"an empty file",                               "",                         std::nullopt,          NoData,      {},                                         kUtf8},
    EncodingCase{"a UTF-8 byte-order mark only",                "\xEF\xBB\xBF",             std::nullopt,          NoData,      {},                                         kUtf8},
    EncodingCase{"a UTF-16 byte-order mark only",               "\xFF\xFE",                 std::nullopt,          NoData,      {},                                         kUtf16},
    EncodingCase{"only line breaks",                            "\r\n\n",                   std::nullopt,          NoData,      {},                                         kUtf8}),
    test::NameOfCase());
// clang-format on

// The bytes of address space the process holds now.
std::size_t addressSpace()
{
    std::size_t pages = 0;
    if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%zu", &pages) != 1) {
            pages = 0;
        }
        std::fclose(statm);
    }
    return pages * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

// What reading the file came to ("<status> <refusal kind> <message>"), read
// in a forked child whose address space may grow by `budget` bytes at most:
// a reader that holds too much dies there, and one that blocks is stopped,
// instead of taking the machine or the test run with it. Nothing when the
// child did not answer.
std::optional<std::string> readInBoundedChild(const std::string& path, std::uint64_t largestFile,
                                              std::size_t budget)
{
    ChildProcess child;
    const bool forked = child.fork([&](int out) {
        const rlimit limit{addressSpace() + budget, addressSpace() + budget};
        if (::setrlimit(RLIMIT_AS, &limit) != 0) {
            return 2;
        }
        CsvReader reader;
        const CsvReadStatus status = reader.importCSVFile(path, std::nullopt, largestFile);
        const std::string line = std::to_string(static_cast<int>(status)) + " " +
                                 std::to_string(static_cast<int>(reader.refusal().kind)) + " " +
                                 reader.refusal().message + "\n";
        return ::write(out, line.data(), line.size()) == static_cast<ssize_t>(line.size()) ? 0 : 3;
    });
    if (!forked) {
        return std::nullopt;
    }
    auto line = child.readLine(std::chrono::seconds(60));
    child.stop();
    return line;
}

TEST_F(CsvFiles, WhatCannotBecomeADatabaseIsRefusedInBoundedMemory)
{
    const std::size_t columns = CsvReader::largestColumnCount();
    const std::string tooMany = "Row 1 has more than " + std::to_string(columns) +
                                " values, but a database can have at most " + std::to_string(columns) +
                                " fields.";
    const std::string fifo = home.path() + "/pipe.csv";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string longLine = write(std::string(32 << 20, ','), "commas.csv");
    const std::string manyColumns = repeated("a,", 1000000);
    const std::string widestRow = "a" + repeated(",v", static_cast<int>(columns) - 1);

    using Kind = CsvRefusal::Kind;
    struct Case {
        const char* name;
        std::string path;
        std::uint64_t largestFile;
        CsvReadStatus status;
        Kind kind;
        std::string message;
    };
    const std::uint64_t byDefault = CsvReader::kDefaultLargestFile;
    const std::string laterRow = "Row 2 has more than " + std::to_string(columns) +
                                 " values, but a database can have at most " + std::to_string(columns) +
                                 " fields.";
    // clang-format off
    const std::vector<Case> cases = {
        {"a long line of commas", longLine, byDefault, CsvReadStatus::Refused, Kind::TooManyColumns, tooMany},
        {"a million columns", write(manyColumns, "wide.csv"), byDefault, CsvReadStatus::Refused, Kind::TooManyColumns, tooMany},
        {"a later row one column too wide", write("a,b\n\n" + widestRow + ",w\n", "later.csv"), byDefault, CsvReadStatus::Refused, Kind::TooManyColumns, laterRow},
        {"as many columns as a database holds", write(widestRow + ",\n" + widestRow + "\n", "widest.csv"), byDefault, CsvReadStatus::Done, Kind::None, ""},
        {"a device that never ends", "/dev/zero", byDefault, CsvReadStatus::Refused, Kind::NotAFile, "This is a device, not a file: only a file can be imported."},
        {"a pipe nobody writes to", fifo, byDefault, CsvReadStatus::Refused, Kind::NotAFile, "This is a pipe, not a file: only a file can be imported."},
        {"a folder", home.path(), byDefault, CsvReadStatus::Refused, Kind::NotAFile, "This is a folder, not a file: only a file can be imported."},
        {"exactly as large as allowed", longLine, 32 << 20, CsvReadStatus::Refused, Kind::TooManyColumns, tooMany},
        {"larger than asked", longLine, (32 << 20) - 1, CsvReadStatus::Refused, Kind::TooLarge, "The file is too large to import: the limit is 33554431 bytes."},
        {"a limit in whole units", longLine, 1 << 20, CsvReadStatus::Refused, Kind::TooLarge, "The file is too large to import: the limit is 1 MiB."},
        {"a missing file", home.path() + "/missing.csv", byDefault, CsvReadStatus::ReadError, Kind::None, ""},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // Room for the file a few times over, never for a structure per value.
        const auto outcome = readInBoundedChild(c.path, c.largestFile, (64 << 20) + 4 * (32 << 20));
        ASSERT_TRUE(outcome) << "the reader died, or did not answer";
        EXPECT_EQ(*outcome, std::to_string(static_cast<int>(c.status)) + " " +
                                std::to_string(static_cast<int>(c.kind)) + " " + c.message);
    }
}

TEST_F(CsvFiles, TheSeparatorIsGuessedFromTheFirstLineOnce)
{
    struct Case {
        const char* name;
        std::string firstFile;
        CsvSeparator separator;
        bool found;
    };
    const std::vector<Case> cases = {
        {"semicolon", "one;two\nthree;four", CsvSeparator::Semicolon, true},
        {"tab", "one\ttwo,three", CsvSeparator::Tab, true},
        {"comma", "one,two;three", CsvSeparator::Comma, true},
        {"separators in quotes do not count", "\"a,b\";c", CsvSeparator::Semicolon, true},
        {"after blank lines", "\n\na;b", CsvSeparator::Semicolon, true},
        {"a later line does not count", "one\ntwo;three", CsvSeparator::Comma, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CsvReader reader;
        ASSERT_EQ(reader.importCSVFile(write(c.firstFile), std::nullopt), CsvReadStatus::Done);
        EXPECT_EQ(reader.separator(), c.separator);
        EXPECT_EQ(reader.separatorFound(), c.found);
        if (c.found) {
            // Found once, it stays for every later read.
            ASSERT_EQ(reader.importCSVFile(write("x,y;z\tw"), std::nullopt), CsvReadStatus::Done);
            EXPECT_EQ(reader.separator(), c.separator);
        }
    }
    CsvReader reader;
    ASSERT_EQ(reader.importCSVFile(write("one;two"), std::nullopt), CsvReadStatus::Done);
    EXPECT_EQ(fieldsOf(reader), (std::vector<std::pair<std::string, int>>{{"Field 0", 0}, {"Field 1", 1}}));
}

class ImportPreview : public CsvFiles {
protected:
    UserDefaults defaults{home.path() + "/prefs.plist"};
    CsvImportModel model{defaults};
};

TEST_F(ImportPreview, RecordsCaptionAndNavigation)
{
    ASSERT_EQ(model.displayName(write("Name,Age\nAda,36\nAlan,41\nGrace,85\n")), CsvReadStatus::Done);
    struct Step {
        const char* action;
        std::string caption;
        bool previous;
        bool next;
    };
    const std::vector<Step> steps = {
        {"labels off", "Preview of record 1 of 4", false, true},
        {"next", "Preview of record 2 of 4", true, true},
        {"next", "Preview of record 3 of 4", true, true},
        {"next", "Preview of record 4 of 4", true, false},
        {"next", "Preview of record 4 of 4", true, false},
        {"labels on", "Preview of record 3 of 3", true, false},
        {"previous", "Preview of record 2 of 3", true, true},
        {"previous", "Preview of record 1 of 3", false, true},
        {"previous", "Preview of record 1 of 3", false, true},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.action);
        const std::string action = step.action;
        if (action == "next" || action == "previous") {
            model.recordNavigation(action == "next" ? 1 : 0);
        } else {
            model.fieldsLabel(action == "labels on");
        }
        EXPECT_EQ(model.caption(), step.caption);
        EXPECT_EQ(model.canShowPrevious(), step.previous);
        EXPECT_EQ(model.canShowNext(), step.next);
        EXPECT_TRUE(model.importEnabled());
    }
    EXPECT_EQ(model.previewValue(0), "Ada");
}

TEST_F(ImportPreview, LabelsWithASingleLineLeaveNothingToImport)
{
    ASSERT_EQ(model.displayName(write("Name,Age\n")), CsvReadStatus::Done);
    model.fieldsLabel(true);
    EXPECT_EQ(model.caption(), "Empty");
    EXPECT_FALSE(model.importEnabled());
    EXPECT_EQ(model.numberOfRows(), 0u);
    EXPECT_FALSE(model.canShowNext());
    ScriptedAlerts alerts;
    EXPECT_FALSE(model.import(alerts, "Nothing"));
    model.fieldsLabel(false);
    EXPECT_EQ(model.caption(), "Preview of record 1 of 1");
    EXPECT_EQ(model.numberOfRows(), 2u);
}

TEST_F(ImportPreview, NamesTypesAndTheMainField)
{
    ASSERT_EQ(model.displayName(write("Name,Born,Notes\nAda,1815,x\n")), CsvReadStatus::Done);
    model.fieldsLabel(true);
    EXPECT_EQ(model.name(1), "Born");
    EXPECT_FALSE(model.shouldEditTableColumn(CsvPreviewColumn::Name, 1));
    EXPECT_FALSE(model.setName(1, "Year"));

    model.fieldsLabel(false);
    EXPECT_EQ(model.name(1), "Field 1");
    EXPECT_TRUE(model.shouldEditTableColumn(CsvPreviewColumn::Name, 1));
    EXPECT_TRUE(model.setName(1, "Year"));
    EXPECT_EQ(model.name(1), "Year");

    // The main field's type is not offered; another field's is.
    EXPECT_FALSE(model.shouldEditTableColumn(CsvPreviewColumn::Type, 0));
    EXPECT_EQ(model.typeIndex(0), -1);
    EXPECT_FALSE(model.setType(0, FieldType::Number));
    EXPECT_TRUE(model.shouldEditTableColumn(CsvPreviewColumn::Type, 1));
    EXPECT_TRUE(model.setTypeIndex(1, 2));
    EXPECT_EQ(model.type(1), FieldType::Number);
    EXPECT_FALSE(model.setType(1, FieldType::Image));
    EXPECT_FALSE(model.shouldEditTableColumn(CsvPreviewColumn::Value, 1));

    model.setMainField(2);
    EXPECT_TRUE(model.isMainField(2));
    EXPECT_EQ(model.type(0), FieldType::SmallText);
    EXPECT_EQ(model.type(1), FieldType::Number);
    EXPECT_FALSE(model.shouldEditTableColumn(CsvPreviewColumn::Type, 2));
    EXPECT_TRUE(model.shouldEditTableColumn(CsvPreviewColumn::Type, 0));
}

TEST_F(ImportPreview, PreviewCellsShowWhatTheFieldWouldHold)
{
    const DateFormat day = DateFormat::withPattern("d MMMM yyyy");
    const DateFormat time = DateFormat::withPattern("HH:mm");
    const DateFormat moment = DateFormat::withPattern("d MMMM yyyy HH:mm");
    const std::int64_t christmas = localMoment(2009, 12, 25);
    const std::string christmasText = day.format(christmas);
    struct Case {
        const char* cell;
        int type;
        std::string shown;
    };
    const std::vector<Case> cases = {
        {"1 234,5", FieldType::Number, "1234.5"},
        {"12", FieldType::Number, "12"},
        {"-0,25", FieldType::Number, "-0.25"},
        {"abc", FieldType::Number, "0"},
        {"25/12/2009", FieldType::Date, christmasText},
        {"31/02/2009", FieldType::Date, ""},
        {"5/12/2009", FieldType::Date, day.format(localMoment(2009, 12, 5))},
        {"a word", FieldType::Date, ""},
        {"09:05", FieldType::Time, time.format(localMoment(1970, 1, 1) + 9 * 3600 + 5 * 60)},
        {"25/12/2009 10:30", FieldType::DateTime, moment.format(christmas + 10 * 3600 + 30 * 60)},
        {"25/12/2009", FieldType::DateTime, ""},
        {"as it is, 1 234", FieldType::SmallText, "as it is, 1 234"},
    };
    ASSERT_EQ(christmasText, "25 December 2009"); // the tests run in an English locale
    std::string line = "key";
    for (const auto& c : cases) {
        line += std::string(",\"") + c.cell + "\"";
    }
    ASSERT_EQ(model.displayName(write(line + "\n")), CsvReadStatus::Done);
    ASSERT_EQ(model.reader().structure().size(), cases.size() + 1);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].cell);
        ASSERT_TRUE(model.setType(i + 1, cases[i].type));
        EXPECT_EQ(model.previewValue(i + 1), cases[i].shown);
    }
    // The long spelling of a date reads too.
    ASSERT_EQ(model.displayName(write("x,25 December 2009\n")), CsvReadStatus::Done);
    ASSERT_TRUE(model.setType(1, FieldType::Date));
    EXPECT_EQ(model.previewValue(1), christmasText);
}

TEST_F(ImportPreview, StatusMessages)
{
    const std::string unreadable = "There is not readable data for the specified format. Please try to "
                                   "specify a different format or encoding.";
    struct Case {
        const char* name;
        std::optional<std::string> bytes; // none: no file
        CsvReadStatus status;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"undecodable", std::string("\xFF\xFF\xFF"), CsvReadStatus::Undecodable, unreadable},
        {"no data", std::string(""), CsvReadStatus::NoData, unreadable},
        {"missing file", std::nullopt, CsvReadStatus::ReadError, "Unexpected error."},
        {"read", std::string("a,b"), CsvReadStatus::Done, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = c.bytes ? write(*c.bytes) : home.path() + "/none.csv";
        EXPECT_EQ(model.displayName(path), c.status);
        EXPECT_EQ(model.statusMessage(), c.message);
        if (c.status != CsvReadStatus::Done) {
            EXPECT_EQ(model.numberOfRows(), 0u);
            EXPECT_FALSE(model.importEnabled());
        }
    }
}

TEST_F(ImportPreview, ChangingEncodingOrSeparatorReadsAgain)
{
    // FF FE: read as UTF-16 first; UTF-8 chosen afterwards reads the bytes again.
    const std::string path = write(std::string("\xFF\xFE"
                                               "a\0;\0b\0",
                                               8));
    ASSERT_EQ(model.displayName(path), CsvReadStatus::Done);
    EXPECT_EQ(model.currentEncoding(), 0);
    EXPECT_EQ(model.separator(), CsvSeparator::Semicolon);
    EXPECT_EQ(model.encoding(1), CsvReadStatus::Undecodable);
    EXPECT_EQ(model.currentEncoding(), 1);
    EXPECT_EQ(model.encoding(0), CsvReadStatus::Done);
    EXPECT_EQ(model.name(1), "Field 1");

    // The same tag again does not read the changed file.
    write("x,y,z\n");
    const std::string plain = write("p;q\n", "plain.csv");
    ASSERT_EQ(model.displayName(plain), CsvReadStatus::Done);
    write("p;q;r\n", "plain.csv");
    EXPECT_EQ(model.encoding(1), CsvReadStatus::Done);
    EXPECT_EQ(model.reader().structure().size(), 2u);
    EXPECT_EQ(model.format(CsvSeparator::Comma), CsvReadStatus::Done);
    EXPECT_EQ(model.reader().structure().size(), 1u);
    EXPECT_EQ(model.format(CsvSeparator::Semicolon), CsvReadStatus::Done);
    EXPECT_EQ(model.reader().structure().size(), 3u);
}

TEST_F(ImportPreview, TheFirstRowCheckBoxIsRemembered)
{
    const std::string path = write("a,b\nc,d\n");
    ASSERT_EQ(model.displayName(path), CsvReadStatus::Done);
    EXPECT_FALSE(model.labelsOn());
    model.fieldsLabel(true);
    model.cancel();
    const auto stored = defaults.object("csv import");
    ASSERT_TRUE(stored);
    EXPECT_EQ(*stored, PropertyList(PropertyList::Dictionary{{"labels", PropertyList(std::int64_t{1})}}));

    CsvImportModel reopened(defaults);
    ASSERT_EQ(reopened.displayName(path), CsvReadStatus::Done);
    EXPECT_TRUE(reopened.labelsOn());
    EXPECT_EQ(reopened.caption(), "Preview of record 1 of 1");
}

} // namespace
