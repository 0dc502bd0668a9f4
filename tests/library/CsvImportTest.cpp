// Making a database from a CSV file: fields, converted values, messages,
// refused names, and failures that leave nothing behind.
#include "support/CsvTestSupport.h"
#include "support/TestDatabase.h"

#include "library/CsvImportModel.h"
#include "library/CsvImporter.h"
#include "library/DatabaseLibrary.h"
#include "platform/Clock.h"
#include "platform/FileManager.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "storage/DBManager.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

using namespace dossiva;
using namespace dossiva::test;

namespace {

// A cell as CSV writes it.
std::string quoted(const std::string& cell)
{
    std::string text = "\"";
    for (const char c : cell) {
        text += c == '"' ? "\"\"" : std::string(1, c);
    }
    return text + "\"";
}

class CsvImport : public ::testing::Test {
protected:
    TestLibrary library;
    DBManager& db = DBManager::sharedIstance();
    ScriptedAlerts alerts;
    CsvImportModel model;

    std::string write(const std::string& bytes, const std::string& name = "people.csv")
    {
        return writeFile(library.home() + "/" + name, bytes);
    }

    // Reads the file into the model, first row as labels.
    void read(const std::string& bytes, bool labels = true)
    {
        ASSERT_EQ(model.displayName(write(bytes)), CsvReadStatus::Done);
        model.fieldsLabel(labels);
    }

    std::string column(const std::string& package, FieldId field)
    {
        return sqliteShell(Paths::databaseFile(package),
                           "select \"" + std::to_string(field) + "\" from data_table order by id");
    }

    std::vector<std::string> packages() const
    {
        return FileManager::contentsOfDirectory(Paths::databasesFolder());
    }

    void expectFailureMessage(const std::string& name)
    {
        ASSERT_FALSE(alerts.asked().empty());
        EXPECT_EQ(alerts.lastMessage(), "Warning / Error during import of " + name + " database");
        EXPECT_FALSE(alerts.progressShown());
        for (const auto& request : alerts.asked()) {
            EXPECT_NE(request.title, "Success");
        }
    }
};

TEST_F(CsvImport, ValuesAreConvertedByTheirFieldsTypes)
{
    const std::int64_t christmas = localMoment(2009, 12, 25);
    const std::int64_t tenThirty = localMoment(1970, 1, 1, 10, 30);
    const std::string christmasAt = std::to_string(localMoment(2009, 12, 25, 10, 30));
    const std::string fifthAtTen = std::to_string(localMoment(2009, 12, 5, 10, 0));
    const std::string marchAt = std::to_string(localMoment(2024, 3, 1, 14, 30));
    const std::string marchAtUtc = "1709303400"; // 2024-03-01 14:30 UTC
    struct Case {
        const char* cell;
        int type;
        std::string stored; // as the sqlite3 shell prints it
    };
    const std::vector<Case> cases = {
        {"25/12/2009", FieldType::Date, std::to_string(christmas)},
        {"25 December 2009", FieldType::Date, std::to_string(christmas)},
        {"5/12/2009", FieldType::Date, std::to_string(localMoment(2009, 12, 5))},
        {"05/1/2009", FieldType::Date, std::to_string(localMoment(2009, 1, 5))},
        {" 25/12/2009\t", FieldType::Date, std::to_string(christmas)},
        {"2024-03-01", FieldType::Date, std::to_string(localMoment(2024, 3, 1))},
        {"2024-03-01T14:30", FieldType::Date, marchAt},
        {"2024-03-01T14:30:00Z", FieldType::Date, marchAtUtc},
        {"Christmas", FieldType::Date, ""},
        {"31/02/2009", FieldType::Date, ""},
        {"10:30", FieldType::Time, std::to_string(tenThirty)},
        {"9:05", FieldType::Time, std::to_string(localMoment(1970, 1, 1, 9, 5))},
        {"14:30:00", FieldType::Time, std::to_string(localMoment(1970, 1, 1, 14, 30))},
        {"2024-03-01T14:30:00+02:00", FieldType::Time, "1709296200"},
        {"half past ten", FieldType::Time, ""},
        {"25/12/2009 10:30", FieldType::DateTime, christmasAt + "," + christmasAt},
        {"25 December 2009 10:30", FieldType::DateTime, christmasAt + "," + christmasAt},
        {"5/12/2009 10:00", FieldType::DateTime, fifthAtTen + "," + fifthAtTen},
        {"2024-03-01T14:30", FieldType::DateTime, marchAt + "," + marchAt},
        {"2024-03-01 14:30", FieldType::DateTime, marchAt + "," + marchAt},
        {"2024-03-01 14:30:00", FieldType::DateTime, marchAt + "," + marchAt},
        {"2024-03-01T14:30:00Z", FieldType::DateTime, marchAtUtc + "," + marchAtUtc},
        {"25/12/2009", FieldType::DateTime, ","},
        {"2024-03-01", FieldType::DateTime, ","},
        {"yes", FieldType::Checkbox, "1"},
        {"0", FieldType::Checkbox, "0"},
        {"", FieldType::Checkbox, "0"},
        {"2", FieldType::Checkbox, "1"},
        {"0.0", FieldType::Checkbox, "0"},
        {"1 234,5", FieldType::Number, "1 234,5"},
        {"s3cr'et\"", FieldType::Password, "s3cr'et\""},
        {"a@b.example", FieldType::Email, "a@b.example"},
        {"multi\nline", FieldType::LargeText, "multi\nline"},
    };
    std::string labels = "Key";
    std::string values = "k";
    for (std::size_t i = 0; i < cases.size(); ++i) {
        labels += ",c" + std::to_string(i);
        values += "," + quoted(cases[i].cell);
    }
    read(labels + "\n" + values + "\n");
    for (std::size_t i = 0; i < cases.size(); ++i) {
        ASSERT_TRUE(cases[i].type == FieldType::LargeText || model.setType(i + 1, cases[i].type)) << i;
    }
    const auto package = model.import(alerts, "Conversions");
    ASSERT_EQ(package, "Conversions.dossiva");

    ASSERT_TRUE(db.openDB(*package));
    ASSERT_EQ(db.dbStructure().size(), cases.size() + 1);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].cell);
        const FieldDefinition& field = db.dbStructure()[i + 1];
        EXPECT_EQ(field.type, cases[i].type);
        EXPECT_EQ(column(*package, field.id), cases[i].stored + "\n");
    }
}

TEST_F(CsvImport, ValuesThatCannotBeReadAreNamedInTheSuccessMessage)
{
    std::string csv = "Name,Born,At,When,Note\n";
    struct Row {
        const char* born;
        const char* at;
        const char* when;
    };
    const std::vector<Row> rows = {
        {"1/2/2000", "10:00", "1/2/2000 10:00"},
        {"", "", ""},
        {"2000-02-01", "ten", "soon"},
        {"someday", " ", "never"},
        {"1/2/2000", "", ""},
        {"", "", "later"},
        {"", "", "later"},
        {"n/a", "", "later"},
        {"", "", "later"},
        {"", "", "later"},
        {"?", "", ""},
    };
    for (const auto& row : rows) {
        csv += std::string("x,") + row.born + "," + row.at + "," + row.when + ",note\n";
    }
    read(csv);
    ASSERT_TRUE(model.setType(1, FieldType::Date));
    ASSERT_TRUE(model.setType(2, FieldType::Time));
    ASSERT_TRUE(model.setType(3, FieldType::DateTime));
    ASSERT_TRUE(model.import(alerts, "Dates"));

    const std::string report = "3 values of \"Born\" could not be read as dates (rows 5, 9, 12)\n"
                               "1 value of \"At\" could not be read as a time (row 4)\n"
                               "7 values of \"When\" could not be read as dates and times "
                               "(rows 4, 5, 7, 8, 9 and 2 more)";
    EXPECT_EQ(alerts.lastMessage(), "Success / Database Dates imported successfully\n\n" + report);
    EXPECT_EQ(model.importReport().text(), report);
    // The unreadable values are stored empty, the others as their moments.
    ASSERT_TRUE(db.openDB("Dates.dossiva"));
    const std::string day = std::to_string(localMoment(2000, 2, 1));
    EXPECT_EQ(column("Dates.dossiva", db.dbStructure()[1].id),
              day + "\n\n" + day + "\n\n" + day + "\n" + std::string(6, '\n'));
}

TEST(CsvImportReport, AMessageForManyColumnsStaysShort)
{
    CsvImportReport report;
    for (std::size_t column = 1; column <= 12; ++column) {
        report.addUnreadable(column, "T" + std::to_string(column), FieldType::Time, 2);
    }
    std::string expected;
    for (int column = 1; column <= 10; ++column) {
        expected += "1 value of \"T" + std::to_string(column) + "\" could not be read as a time (row 2)\n";
    }
    EXPECT_EQ(report.text(), expected + "2 more columns hold values that could not be read.");
}

TEST_F(CsvImport, FieldsStructuresAndTheMainColumnFirst)
{
    read("Name,Done,Secret,Born,Notes\nAda,yes,pw1,10/12/1815,first\nAlan,,pw2,23/06/1912,second\n");
    ASSERT_TRUE(model.setType(1, FieldType::Checkbox));
    ASSERT_TRUE(model.setType(2, FieldType::Password));
    ASSERT_TRUE(model.setType(3, FieldType::Date));
    model.setMainField(4); // Notes is the main field; Name becomes small text
    const auto package = model.import(alerts, "People");
    ASSERT_TRUE(package);
    ASSERT_TRUE(db.openDB(*package));

    struct Expected {
        std::string name;
        int type;
        PropertyList structure;
        std::string values;
    };
    const std::vector<Expected> expected = {
        {"Notes", FieldType::Main, PropertyList::array(), "first\nsecond\n"},
        {"Name", FieldType::SmallText, PropertyList::array(), "Ada\nAlan\n"},
        {"Done", FieldType::Checkbox, PropertyList(PropertyList::Dictionary{{"Caption", PropertyList("")}}),
         "1\n0\n"},
        {"Secret", FieldType::Password, PropertyList(PropertyList::Dictionary{{"Ask", PropertyList(true)}}),
         "pw1\npw2\n"},
        // A date field stored without options shows its now button when loaded.
        {"Born", FieldType::Date, PropertyList(PropertyList::Array{PropertyList(true)}),
         std::to_string(localMoment(1815, 12, 10)) + "\n" + std::to_string(localMoment(1912, 6, 23)) + "\n"},
    };
    ASSERT_EQ(db.dbStructure().size(), expected.size());
    EXPECT_EQ(db.dbStructure()[0].id, 1);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].name);
        const FieldDefinition& field = db.dbStructure()[i];
        EXPECT_EQ(field.name, expected[i].name);
        EXPECT_EQ(field.type, expected[i].type);
        EXPECT_EQ(field.orderIndex, static_cast<int>(i) + 1);
        EXPECT_EQ(field.structure, expected[i].structure);
        EXPECT_EQ(column(*package, field.id), expected[i].values);
    }
    EXPECT_EQ(sqliteShell(Paths::databaseFile(*package),
                          "select length(field_structure) from fields_table where id=1"),
              std::to_string(PropertyList::array().toBinary().size()) + "\n");
}

TEST_F(CsvImport, NamesWithoutLabelsDatesAndMessages)
{
    const ScopedClockOverride clock(1700000000.0);
    read("Ada,36\nAlan,41\n", false);
    ASSERT_TRUE(model.setName(1, "Age"));
    const auto package = model.import(alerts, "Ages");
    ASSERT_TRUE(package);
    ASSERT_TRUE(db.openDB(*package));
    EXPECT_EQ(db.dbStructure()[0].name, "Field 0");
    EXPECT_EQ(db.dbStructure()[1].name, "Age");
    EXPECT_EQ(sqliteShell(Paths::databaseFile(*package), "select id, create_date, edit_date from data_table"),
              "1|1700000000|0\n2|1700000000|0\n");
    EXPECT_EQ(sqliteShell(Paths::databaseFile(*package), "select creation from general_info"),
              "1700000000\n");
    EXPECT_TRUE(FileManager::isDirectory(Paths::imagesFolder(*package)));

    ASSERT_EQ(alerts.progress().size(), 1u);
    EXPECT_EQ(alerts.progress()[0].title, "Importing");
    EXPECT_EQ(alerts.progress()[0].message, "Importing Ages database...");
    EXPECT_FALSE(alerts.progressShown());
    ASSERT_EQ(alerts.asked().size(), 1u);
    EXPECT_EQ(alerts.lastMessage(), "Success / Database Ages imported successfully");
    EXPECT_EQ(alerts.asked()[0].buttons, std::vector<std::string>{"OK"});
    // The database is closed afterwards, and the check box remembered.
    db.openDB();
    EXPECT_EQ(UserDefaults::standard().object("csv import"),
              PropertyList(PropertyList::Dictionary{{"labels", PropertyList(std::int64_t{0})}}));
}

TEST_F(CsvImport, ATakenNameStopsBeforeAnythingIsWritten)
{
    library.makePackage("People");
    db.openDB();
    const std::string before = sqliteShell(Paths::databaseFile("People.dossiva"), ".dump");
    read("Name\nAda\n");
    EXPECT_FALSE(model.import(alerts, "People"));
    ASSERT_EQ(alerts.asked().size(), 1u);
    const AlertRequest& asked = alerts.asked()[0];
    EXPECT_EQ(asked.title, "A database \"People\" already exist");
    EXPECT_EQ(
        asked.message,
        "A Database \"People\" already exists.\nPlease enter a new name for the database to be created.");
    EXPECT_EQ(asked.buttons, std::vector<std::string>{"OK"});
    EXPECT_TRUE(alerts.progress().empty());
    EXPECT_EQ(sqliteShell(Paths::databaseFile("People.dossiva"), ".dump"), before);
    EXPECT_EQ(packages(), std::vector<std::string>{"People.dossiva"});
}

TEST_F(CsvImport, NamesAreRefusedAsTheLibraryRefusesThem)
{
    read("Name\nAda\n");
    const std::string kept = library.makePackage("Kept");
    db.openDB();
    DatabaseLibrary databases(alerts);
    struct Case {
        const char* name;
        std::string text;
        std::string reason;
    };
    const std::string tooLong(240, 'n');
    const std::vector<Case> cases = {
        {"empty", "", "Enter a name: a name cannot be empty."},
        {"blanks", "  \t ", "Enter a name: a name cannot be empty."},
        {"slash", "a/b", "A name cannot contain \"/\"."},
        {"parent folder", "../Escape", "A name cannot contain \"/\"."},
        {"hidden", ".hidden", "A name cannot start with \".\"."},
        {"dot dot", "..", "A name cannot start with \".\"."},
        {"line break", "line\nbreak",
         "A name cannot contain control characters such as tabs or line breaks."},
        {"delete", "del\x7f", "A name cannot contain control characters such as tabs or line breaks."},
        {"not UTF-8", "bad\xff", "A name must be readable text."},
        // Room is left for the longest extension, a template's.
        {"too long for a template", tooLong,
         "The name \"" + tooLong + "\" is too long: a name can have at most 239 bytes."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedAlerts refused;
        EXPECT_FALSE(model.import(refused, c.text));
        const std::string message = "\"" + c.text + "\" cannot be used as a name. " + c.reason;
        EXPECT_EQ(refused.lastMessage(), "Warning / " + message);
        EXPECT_TRUE(refused.progress().empty());

        EXPECT_EQ(databases.createNewDatabase(0, c.text), DatabaseLibrary::CreateResult::Failed);
        // Renaming to nothing is no rename at all, so it says nothing.
        alerts = ScriptedAlerts();
        EXPECT_FALSE(databases.renameDatabase(kept, c.text));
        EXPECT_EQ(alerts.lastMessage(), c.text.empty() ? "" : "Warning / " + message);
    }
    EXPECT_EQ(packages(), std::vector<std::string>{kept});
    EXPECT_FALSE(FileManager::exists(Paths::homeDirectory() +
                                     "/Library/Application Support/Quorva/Dossiva/Escape.dossiva"));
    // Names other programs may balk at are still names.
    EXPECT_TRUE(model.import(alerts, "\u00dcn\u00efcode: a \"quoted\" name " + std::string(200, 'n')));
}

TEST_F(CsvImport, AFailedImportLeavesNoPackage)
{
    read("Name,Age\nAda,36\nAlan,41\n");
    struct Case {
        const char* name;
        std::function<void()> breakIt;
        std::function<void()> repair;
    };
    const std::string databases = Paths::databasesFolder();
    const std::string resources = library.home() + "/no resources";
    FileManager::createDirectories(resources + "/db models");
    const std::vector<Case> cases = {
        {"read-only database", [&] { db.setReadOnly(true); }, [&] { db.setReadOnly(false); }},
        {"the Databases folder is a file",
         [&] {
             FileManager::removeItem(databases);
             std::ofstream(databases) << "not a folder";
         },
         [&] {
             FileManager::removeItem(databases);
             FileManager::createDirectory(databases);
         }},
        {"no empty base", [&] { ::setenv("DOSSIVA_RESOURCE_DIR", resources.c_str(), 1); },
         [] { ::setenv("DOSSIVA_RESOURCE_DIR", DOSSIVA_TEST_RESOURCE_DIR, 1); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        alerts = ScriptedAlerts();
        c.breakIt();
        EXPECT_FALSE(model.import(alerts, "Broken"));
        c.repair();
        expectFailureMessage("Broken");
        EXPECT_FALSE(FileManager::exists(Paths::packagePath("Broken.dossiva")));
        EXPECT_TRUE(db.dbName().empty());
    }
    // Once repaired, the same import succeeds.
    alerts = ScriptedAlerts();
    EXPECT_EQ(model.import(alerts, "Broken"), "Broken.dossiva");
    EXPECT_EQ(alerts.lastMessage(), "Success / Database Broken imported successfully");
}

TEST_F(CsvImport, WritesWhatRecordByRecordInsertsWrite)
{
    const ScopedClockOverride clock(1600000000.0);
    read("Name,Born,Done,Notes\nAda,10/12/1815,yes,\"first, \"\"the\"\"\nprogrammer\"\nAlan,,0,\n");
    ASSERT_TRUE(model.setType(1, FieldType::Date));
    ASSERT_TRUE(model.setType(2, FieldType::Checkbox));
    ASSERT_TRUE(model.import(alerts, "Bulk"));

    // The same database, one insert at a time with hand-made values.
    const std::string package = library.makePackage("Single");
    ASSERT_TRUE(db.createGeneralInfoTable());
    ASSERT_TRUE(db.setdbFieldLabel("Name", 1, PropertyList::array()));
    const FieldId born = db.adddbFieldLabel("Born", FieldType::Date, PropertyList::array());
    const FieldId done = db.adddbFieldLabel(
        "Done", FieldType::Checkbox, PropertyList(PropertyList::Dictionary{{"Caption", PropertyList("")}}));
    const FieldId notes = db.adddbFieldLabel("Notes", FieldType::LargeText, PropertyList::array());
    const std::vector<std::vector<std::string>> records = {
        {"Ada", std::to_string(localMoment(1815, 12, 10)), "1", "first, \"the\"\nprogrammer"},
        {"Alan", "", "0", ""}};
    for (const auto& values : records) {
        auto entries = emptyRecordEntries(1600000000, 0);
        entryFor(entries, 1).value = FieldValue::text(values[0]);
        entryFor(entries, born).value = FieldValue::text(values[1]);
        entryFor(entries, done).value = FieldValue::text(values[2]);
        entryFor(entries, notes).value = FieldValue::text(values[3]);
        ASSERT_TRUE(db.addRecordToDb(entries));
    }
    db.openDB();

    const auto dump = [](const std::string& name) {
        return sqliteShell(Paths::databaseFile(name + ".dossiva"), ".dump data_table") +
               sqliteShell(Paths::databaseFile(name + ".dossiva"), ".dump fields_table") +
               sqliteShell(Paths::databaseFile(name + ".dossiva"), "select * from general_info");
    };
    EXPECT_NE(dump("Bulk").find("first, \"the\""), std::string::npos);
    EXPECT_EQ(dump("Bulk"), dump("Single"));
}

TEST_F(CsvImport, ManyRecordsAllArriveInOrder)
{
    constexpr int kRecords = 40000; // more than one batch of inserts
    std::string csv = "Number,Text\n";
    for (int i = 0; i < kRecords; ++i) {
        csv += std::to_string(i) + ",text " + std::to_string(i) + "\n";
    }
    read(csv);
    const auto package = model.import(alerts, "Many");
    ASSERT_TRUE(package);
    EXPECT_EQ(sqliteShell(Paths::databaseFile(*package),
                          "select count(*), min(id), max(id), sum(id - 1 = cast(\"1\" as integer)), "
                          "sum(\"2\" = 'text ' || \"1\") "
                          "from data_table"),
              "40000|1|40000|40000|40000\n");
    EXPECT_TRUE(db.dbName().empty());
    EXPECT_TRUE(db.dbData().empty());
}

} // namespace
