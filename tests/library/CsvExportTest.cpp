// Writing records to CSV files: cells of every type, the header, the five
// encodings read back by Python's csv module and by our own reader, and the
// failures.
#include "support/CaseNames.h"
#include "support/CsvTestSupport.h"
#include "support/Hex.h"
#include "support/TestDatabase.h"
#include "support/TestLocale.h"

#include "csv/CsvExportSettings.h"
#include "csv/CsvReader.h"
#include "fields/StructureCodec.h"
#include "library/CsvExporter.h"
#include "platform/FileManager.h"
#include "platform/UserDefaults.h"
#include "storage/DBManager.h"

#include <gtest/gtest.h>

using namespace dossiva;
using namespace dossiva::test;

namespace {

constexpr const char* kErrorTitle = "An error occured exporting the file";

class CsvExport : public ::testing::Test {
protected:
    TestLibrary library;
    std::string package = library.makePackage("Export Me");
    DBManager& db = DBManager::sharedIstance();
    ScriptedAlerts alerts;
    CsvExporter exporter{alerts};

    std::string path(const std::string& name = "out.csv") const { return library.home() + "/" + name; }

    FieldId add(const std::string& label, int type, PropertyList structure = {})
    {
        const FieldId id =
            db.adddbFieldLabel(label, type, structure == PropertyList() ? defaultStructure(type) : structure);
        EXPECT_GT(id, 0) << label;
        return id;
    }

    RecordId insert(const std::vector<std::pair<FieldId, FieldValue>>& values)
    {
        auto entries = emptyRecordEntries();
        for (const auto& [field, value] : values) {
            entryFor(entries, field).value = value;
        }
        EXPECT_TRUE(db.addRecordToDb(entries));
        return db.dbData().back().recordId;
    }

    // Records with only their main field's text, in one transaction.
    void insertNames(const std::vector<std::string>& names)
    {
        std::vector<std::vector<FieldChange>> records;
        for (const auto& name : names) {
            records.push_back(emptyRecordEntries());
            entryFor(records.back(), 1).value = FieldValue::text(name);
        }
        ASSERT_TRUE(db.addRecordsToDb(records));
    }

    // The export failed with one message, and no progress or pause is left.
    void expectFailure(const std::string& error)
    {
        ASSERT_EQ(alerts.asked().size(), 1u);
        EXPECT_EQ(alerts.lastMessage(), std::string(kErrorTitle) + " / Error: " + error);
        EXPECT_EQ(alerts.asked()[0].buttons, std::vector<std::string>{"OK"});
        EXPECT_FALSE(alerts.progressShown());
        EXPECT_EQ(alerts.pausedFinishes(), 0);
    }
};

TEST_F(CsvExport, CellsOfEveryType)
{
    StructureEditorState choices;
    choices.items = {"First", "Second"};
    struct Case {
        const char* label;
        int type;
        FieldValue value;
        std::optional<std::string> cell; // none: the field has no column
    };
    // clang-format off
    const std::vector<Case> cases = {
        {"text", FieldType::SmallText, FieldValue::text("plain"), "plain"},
        {"comma", FieldType::SmallText, FieldValue::text("a,b"), "\"a,b\""},
        {"quotes", FieldType::SmallText, FieldValue::text("say \"hi\""), "\"say \"\"hi\"\"\""},
        {"quotes and comma", FieldType::SmallText, FieldValue::text("\"a\",b"), "\"\"\"a\"\",b\""},
        {"line feed", FieldType::LargeText, FieldValue::text("one\ntwo"), "\"one\ntwo\""},
        {"carriage return", FieldType::LargeText, FieldValue::text("one\rtwo"), "\"one\rtwo\""},
        {"number", FieldType::Number, FieldValue::text("12.50"), "12.50"},
        {"no date", FieldType::Date, FieldValue::text(""), ""},
        {"blanks around", FieldType::SmallText, FieldValue::text(" a\t"), "\" a\t\""},
        {"semicolon and tab", FieldType::SmallText, FieldValue::text("a;b\tc"), "\"a;b\tc\""},
        {"picture", FieldType::Image, FieldValue::integer(0), std::nullopt},
        {"separator", FieldType::Separator, FieldValue::text(""), std::nullopt},
        {"choice", FieldType::Choose, FieldValue::integer(1), "Second"},
        {"no choice", FieldType::Choose, FieldValue::integer(-1), ""},
        {"choice without its item", FieldType::Choose, FieldValue::integer(7), ""},
        {"ticked", FieldType::Checkbox, FieldValue::text("1"), "Yes"},
        {"unticked", FieldType::Checkbox, FieldValue::text("0"), ""},
        {"password", FieldType::Password, FieldValue::password("pw,1"), "\"pw,1\""},
        {"calculation", FieldType::Calculation, FieldValue::text("42"), "42"},
        {"e-mail", FieldType::Email, FieldValue::text("a@b.example"), "a@b.example"},
        {"link", FieldType::Link, FieldValue::text("https://example.org/?a=1"), "https://example.org/?a=1"},
    };
    // clang-format on
    std::vector<std::pair<FieldId, FieldValue>> values{{1, FieldValue::text("Main")}};
    std::string header = "Name";
    std::string row = "Main";
    for (const auto& c : cases) {
        const PropertyList structure =
            c.type == FieldType::Choose ? structureFromEditor(FieldType::Choose, choices) : PropertyList();
        values.emplace_back(add(c.label, c.type, structure), c.value);
        if (c.cell) {
            header += std::string(",") + c.label;
            row += "," + *c.cell;
        }
    }
    ASSERT_TRUE(db.setdbFieldLabel("Name", 1));
    insert(values);
    ASSERT_TRUE(exporter.exportCSVFile(path(), TextEncoding::UTF8, true));
    EXPECT_EQ(fileContents(path()), header + "\n" + row + "\n");
    ASSERT_TRUE(exporter.exportCSVFile(path(), TextEncoding::UTF8, false));
    EXPECT_EQ(fileContents(path()), row + "\n");
}

// Dates are written as the user's locale spells them; each case holds its
// cell in the test run's English and in German.
struct DateCell {
    const char* name;
    friend void PrintTo(const DateCell& c, std::ostream* os) { *os << c.name; }
    int type;
    bool hasDay;
    bool hasTime;
    const char* english;
    const char* german;
};

class ExportedDates : public CsvExport, public testing::WithParamInterface<DateCell> {};

TEST_P(ExportedDates, FollowTheLocale)
{
    const DateCell& c = GetParam();
    const std::string day = c.hasDay ? std::to_string(localMoment(2009, 12, 25)) : "";
    const std::string time = c.hasTime ? std::to_string(localMoment(2009, 12, 25, 10, 30)) : "";
    const FieldId field = add("When", c.type);
    insert({{field, c.type == FieldType::DateTime ? FieldValue::dateTime(day, time)
                                                  : FieldValue::text(c.hasDay ? day : time)}});
    ASSERT_TRUE(exporter.exportCSVFile(path(), TextEncoding::UTF8, false));
    EXPECT_EQ(fileContents(path()),
              std::string(",") + (pinnedLocale() == "de_DE.UTF-8" ? c.german : c.english) + "\n");
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Table, ExportedDates, testing::Values(
    DateCell{"Date",        FieldType::Date,     true,  false, "25 December 2009",       "25 Dezember 2009"},
    DateCell{"Time",        FieldType::Time,     false, true,  "10:30",                  "10:30"},
    DateCell{"DateAndTime", FieldType::DateTime, true,  true,  "25 December 2009 10:30", "25 Dezember 2009 10:30"},
    DateCell{"DateAlone",   FieldType::DateTime, true,  false, "25 December 2009",       "25 Dezember 2009"},
    DateCell{"TimeAlone",   FieldType::DateTime, false, true,  "\" 10:30\"",            "\" 10:30\""}),
    NameOfCase());
// clang-format on

TEST(ExportedDatesInGerman, FollowTheLocale)
{
    std::string output;
    EXPECT_TRUE(passUnderLocale("Table/ExportedDates.*", "de_DE.UTF-8", output)) << output;
    EXPECT_NE(output.find("[  PASSED  ] 5 tests"), std::string::npos) << output;
}

TEST_F(CsvExport, TheHeaderAndRowsFollowTheFieldsInFormOrder)
{
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, int>> added; // after the main field
        int moveToFront;                                // position moved before the main field, or -1
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"a label with a comma", {{"Age, years", FieldType::Number}}, -1, "Name,\"Age, years\"\nAda,\n"},
        {"a picture first", {{"Photo", FieldType::Image}}, 1, ",Name\n,Ada\n"},
        {"a separator first, a picture between",
         {{"Line", FieldType::Separator}, {"Photo", FieldType::Image}, {"Note", FieldType::SmallText}},
         1,
         ",Name,Note\n,Ada,\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string name = library.makePackage(c.name);
        ASSERT_TRUE(db.setdbFieldLabel("Name", 1));
        for (const auto& [label, type] : c.added) {
            add(label, type);
        }
        if (c.moveToFront >= 0) {
            ASSERT_TRUE(db.moveFieldIndex(c.moveToFront, 0));
        }
        insertNames({"Ada"});
        ASSERT_TRUE(exporter.exportCSVFile(path(), TextEncoding::UTF8, true));
        EXPECT_EQ(fileContents(path()), c.expected);
    }
}

TEST_F(CsvExport, OnlyPicturesAndSeparatorsGiveEmptyLines)
{
    add("Photo", FieldType::Image);
    add("Line", FieldType::Separator);
    ASSERT_TRUE(db.deletedbFieldAtIndex(1));
    insert({});
    insert({});
    ASSERT_TRUE(exporter.exportCSVFile(path(), TextEncoding::UTF8, true));
    EXPECT_EQ(fileContents(path()), "\n\n\n");
}

TEST_F(CsvExport, WholeDatabaseOrChosenRecordsInTheirOrder)
{
    insertNames({"one", "two", "three"});
    const auto& records = db.dbData();
    ASSERT_TRUE(exporter.exportCSVFile(path(), TextEncoding::UTF8, false));
    EXPECT_EQ(fileContents(path()), "one\ntwo\nthree\n");
    ASSERT_TRUE(exporter.exportCSVFile(path(), TextEncoding::UTF8, false,
                                       std::vector<RecordId>{records[2].recordId, records[0].recordId}));
    EXPECT_EQ(fileContents(path()), "three\none\n");
    ASSERT_TRUE(exporter.exportCSVFile(path(), TextEncoding::UTF8, true, std::vector<RecordId>{}));
    EXPECT_EQ(fileContents(path()), "Name\n");
}

TEST_F(CsvExport, ProgressPauseAndSuccess)
{
    insertNames({"x"});
    ASSERT_TRUE(exporter.exportCSVFile(path(), TextEncoding::UTF8, true));
    ASSERT_EQ(alerts.progress().size(), 1u);
    EXPECT_EQ(alerts.progress()[0].title, "Exporting");
    EXPECT_EQ(alerts.progress()[0].message, "Exporting Export Me database...");
    EXPECT_FALSE(alerts.progressShown());
    EXPECT_EQ(alerts.pausedFinishes(), 1);
    ASSERT_EQ(alerts.asked().size(), 1u);
    EXPECT_EQ(alerts.lastMessage(), "Success / Database Export Me exported successfully");
    EXPECT_EQ(alerts.asked()[0].buttons, std::vector<std::string>{"OK"});
}

TEST_F(CsvExport, Utf16HasAByteOrderMarkAndTwoBytesPerCharacter)
{
    insertNames({"é,x", "✓"});
    ASSERT_TRUE(exporter.exportCSVFile(path(), TextEncoding::UTF16, true));
    const std::string expected = std::string("\xFF\xFE", 2) + std::string("N\0a\0m\0e\0\n\0", 10) +
                                 std::string("\"\0\xE9\0,\0x\0\"\0\n\0", 12) + std::string("\x13\x27\n\0", 4);
    EXPECT_EQ(fileContents(path()), expected);
}

TEST_F(CsvExport, AnUnrepresentableCellLeavesTheEarlierFileAsItWas)
{
    // Enough rows before it that the failing cell is far past the first
    // piece written.
    std::vector<std::string> names;
    for (int i = 0; i < 30000; ++i) {
        names.push_back("row " + std::to_string(i));
    }
    insertNames(names);
    const FieldId note = add("Note", FieldType::SmallText);
    insert({{1, FieldValue::text("fine")}, {note, FieldValue::text("caf\xC3\xA9")}});
    insertNames({"never written"});
    struct Case {
        TextEncoding encoding;
        std::string failing;
    };
    const std::vector<Case> cases = {
        {TextEncoding::ASCII, "caf\xC3\xA9"},
        {TextEncoding::Latin1, "\xE2\x9C\x93"},
        {TextEncoding::MacRoman, "\xF0\x9F\x98\x80"},
        {TextEncoding::UTF8, "bad \xFF byte"},
    };
    ASSERT_TRUE(FileManager::writeFileAtomically(path(), "an earlier export"));
    const std::size_t folderEntries =
        FileManager::contentsOfDirectory(FileManager::parentPath(path())).size();
    for (const auto& c : cases) {
        SCOPED_TRACE(converterName(c.encoding));
        ASSERT_TRUE(db.modifyRecordFields(
            {note}, {FieldChange{{note, FieldType::SmallText}, FieldValue::text(c.failing), nullptr}},
            db.dbData()[names.size()].recordId));
        alerts = ScriptedAlerts();
        ASSERT_TRUE(FileManager::writeFileAtomically(path(), "an earlier export"));
        EXPECT_FALSE(exporter.exportCSVFile(path(), c.encoding, true));
        // The earlier file stays whole and nothing is left beside it.
        EXPECT_EQ(fileContents(path()), "an earlier export");
        EXPECT_EQ(FileManager::contentsOfDirectory(FileManager::parentPath(path())).size(), folderEntries);
        expectFailure("records content doesn't conform with the chosen encoding.");
    }
}

TEST_F(CsvExport, UnexpectedErrors)
{
    insertNames({"before"});
    // A choose field added after the records were loaded has no value in them.
    add("Choice", FieldType::Choose);
    struct Case {
        const char* name;
        std::string file;
        std::optional<std::vector<RecordId>> records;
        std::optional<std::string> written; // what the file holds before, and still afterwards
    };
    const RecordId before = db.dbData()[0].recordId;
    const std::vector<Case> cases = {
        {"a folder that does not exist", library.home() + "/missing/out.csv", std::nullopt, std::nullopt},
        {"a folder in place of the file", library.home(), std::nullopt, std::nullopt},
        {"a choose field without a value", path(), std::nullopt, "an earlier export"},
        {"a record that is gone", path(), std::vector<RecordId>{before, 999}, "an earlier export"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        alerts = ScriptedAlerts();
        if (c.records) {
            // Reloaded, the record has its choice (none), so only the gone
            // record fails.
            ASSERT_TRUE(db.openDB(package) && db.loadDbData());
        }
        if (c.written) {
            ASSERT_TRUE(FileManager::writeFileAtomically(c.file, *c.written));
        }
        EXPECT_FALSE(exporter.exportCSVFile(c.file, TextEncoding::UTF8, true, c.records));
        if (c.written) {
            EXPECT_EQ(fileContents(c.file), *c.written);
        }
        expectFailure("unexpected error.");
    }
}

TEST_F(CsvExport, PythonAndOurReaderReadEveryEncodingBackToTheSameCells)
{
    const std::vector<std::string> common = {
        "plain",      "with, comma",   "say \"hi\"",      "line\nbreak", "cr\ronly", "cr\r\nlf",      "",
        "  spaces  ", "\tleading tab", "trailing blank ", "semi;colon",  "in\ttab",  " \" quoted \" "};
    struct Case {
        TextEncoding encoding;
        const char* codec;
        std::vector<std::string> extra;
    };
    const std::vector<Case> cases = {
        {TextEncoding::UTF16, "utf-16", {"na\xC3\xAFve \xE2\x9C\x93", "\xF0\x9F\x98\x80 \"x\""}},
        {TextEncoding::UTF8, "utf-8", {"na\xC3\xAFve \xE2\x9C\x93", "\xF0\x9F\x98\x80,\n"}},
        {TextEncoding::MacRoman, "mac_roman", {"caf\xC3\xA9 \xE2\x84\xA2", "\xE2\x80\xA2 \xC3\x9F"}},
        {TextEncoding::Latin1, "latin-1", {"caf\xC3\xA9 \xC3\x9F", "\xC2\xA9 \"\xC3\xBC\""}},
        {TextEncoding::ASCII, "ascii", {"~^`", "{|}@#"}},
    };
    const FieldId second = add("Second, \"label\"", FieldType::LargeText);
    const char* script = R"(
import csv, sys
with open(sys.argv[1], newline='', encoding=sys.argv[2]) as f:
    for row in csv.reader(f):
        print(' '.join(cell.encode('utf-8').hex() or '-' for cell in row))
)";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.codec);
        ASSERT_TRUE(db.deleteAllRecords());
        std::vector<std::string> cells = common;
        cells.insert(cells.end(), c.extra.begin(), c.extra.end());
        std::string expected = hex("Name") + " " + hex("Second, \"label\"") + "\n";
        for (std::size_t i = 0; i < cells.size(); ++i) {
            const std::string first = "r" + std::to_string(i);
            insert({{1, FieldValue::text(first)}, {second, FieldValue::text(cells[i])}});
            expected += hex(first) + " " + (cells[i].empty() ? "-" : hex(cells[i])) + "\n";
        }
        ASSERT_TRUE(exporter.exportCSVFile(path(), c.encoding, true));
        std::string output;
        ASSERT_EQ(runPython(script, {path(), c.codec}, output), 0) << output;
        EXPECT_EQ(output, expected);

        CsvReader reader;
        ASSERT_EQ(reader.importCSVFile(path(), c.encoding), CsvReadStatus::Done);
        ASSERT_EQ(reader.data().size(), cells.size() + 1);
        EXPECT_EQ(reader.data().row(0, 2), (std::vector<std::string>{"Name", "Second, \"label\""}));
        for (std::size_t i = 0; i < cells.size(); ++i) {
            EXPECT_EQ(reader.data().row(i + 1, 2),
                      (std::vector<std::string>{"r" + std::to_string(i), cells[i]}));
        }
    }
}

TEST(CsvExportSettings, ChoicesAreStoredUnderTheirKeys)
{
    TestHome home;
    UserDefaults defaults(home.path() + "/prefs.plist");
    // The choices whole, as labels, encoding and records.
    const auto loaded = [](const UserDefaults& from) {
        const CsvExportChoices choices = CsvExportSettings::load(from);
        return std::tuple(choices.labels, choices.encoding, choices.records);
    };
    EXPECT_EQ(loaded(defaults), std::tuple(true, 1, 1));
    EXPECT_TRUE(CsvExportSettings::showsSheet(defaults));

    CsvExportSettings::store({false, 4, 0}, defaults);
    EXPECT_EQ(defaults.object("csv export"),
              PropertyList(PropertyList::Dictionary{{"labels", PropertyList(std::int64_t{0})},
                                                    {"encoding", PropertyList(std::int64_t{4})},
                                                    {"records", PropertyList(std::int64_t{0})}}));
    EXPECT_EQ(loaded(UserDefaults(defaults.filePath())), std::tuple(false, 4, 0));

    // Values out of range read as the defaults; other keys stay readable.
    defaults.set("csv export",
                 PropertyList(PropertyList::Dictionary{{"labels", PropertyList(true)},
                                                       {"encoding", PropertyList(std::int64_t{9})},
                                                       {"records", PropertyList("x")}}));
    EXPECT_EQ(loaded(defaults), std::tuple(true, 1, 1));

    defaults.setBool("Export CSV", false);
    EXPECT_FALSE(CsvExportSettings::showsSheet(defaults));
    defaults.setBool("Export CSV", true);
    EXPECT_TRUE(CsvExportSettings::showsSheet(defaults));
}

} // namespace
