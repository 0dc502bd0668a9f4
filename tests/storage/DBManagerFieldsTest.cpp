// The field store against real files: what each change leaves in the file
// and in memory.
#include "support/Files.h"
#include "support/TestDatabase.h"

#include "fields/StructureCodec.h"
#include "platform/Paths.h"
#include "storage/DBManager.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace dossiva;
using namespace dossiva::test;

namespace {

class FieldStoreTest : public ::testing::Test {
protected:
    TestLibrary library;
    std::string package = library.makePackage("Fields");
    DBManager& db = DBManager::sharedIstance();

    std::string file() const { return Paths::databaseFile(package); }

    FieldId add(const std::string& label, int type)
    {
        return db.adddbFieldLabel(label, type, defaultStructure(type));
    }

    void addRecords(int count)
    {
        for (int i = 0; i < count; ++i) {
            ASSERT_TRUE(db.addRecordToDb(emptyRecordEntries()));
        }
    }

    std::vector<std::string> labelsInFile() const
    {
        return textLines(sqliteShell(file(), "select field_name from fields_table order by order_index"));
    }
};

TEST_F(FieldStoreTest, NewColumnsStartEmptyOrWithoutChoice)
{
    addRecords(2);
    const FieldId choose = add("Genre", FieldType::Choose);
    const FieldId text = add("Author", FieldType::SmallText);
    const FieldId number = add("Pages", FieldType::Number);
    ASSERT_GT(choose, 0);
    EXPECT_EQ(sqliteShell(file(), "select \"" + std::to_string(choose) + "\", typeof(\"" +
                                      std::to_string(text) + "\") from data_table"),
              "-1|null\n-1|null\n");

    ASSERT_TRUE(db.openDB(package));
    ASSERT_TRUE(db.loadDbData());
    ASSERT_EQ(db.dbData().size(), 2u);
    for (const auto& record : db.dbData()) {
        EXPECT_EQ(record.value(choose)->integer(), -1);
        EXPECT_EQ(record.value(text)->text(), "");
        EXPECT_EQ(record.value(number)->text(), "");
    }
    EXPECT_EQ(db.dbStructure().back().orderIndex, 4);
}

TEST_F(FieldStoreTest, LabelsWithQuotesAndSemicolonsSurvive)
{
    const std::vector<std::string> labels = {"Say \"cheese\"", "O'Brien's", "a; drop table data_table; --",
                                             "Ünïcödé ✓", ""};
    std::vector<FieldId> ids;
    for (const auto& label : labels) {
        ids.push_back(add(label, FieldType::SmallText));
        ASSERT_GT(ids.back(), 0) << label;
    }
    ASSERT_TRUE(db.setdbFieldLabel("\"renamed\" 'twice'", ids[0]));
    ASSERT_TRUE(db.openDB(package));
    std::vector<std::string> expected = {"Name", "\"renamed\" 'twice'"};
    expected.insert(expected.end(), labels.begin() + 1, labels.end());
    std::vector<std::string> loaded;
    for (const auto& field : db.dbStructure()) {
        loaded.push_back(field.name);
    }
    EXPECT_EQ(loaded, expected);
    EXPECT_EQ(labelsInFile(), expected);
}

TEST_F(FieldStoreTest, DeletingTheOnlyFieldKeepsRecordsAndDates)
{
    addRecords(3);
    ASSERT_TRUE(db.deletedbFieldAtIndex(1));
    EXPECT_TRUE(db.dbStructure().empty());
    EXPECT_EQ(sqliteShell(file(), "select sql from sqlite_master where name='data_table'"),
              "CREATE TABLE data_table('id' INTEGER PRIMARY KEY,'create_date','edit_date')\n");
    EXPECT_EQ(sqliteShell(file(), "select count(*), min(create_date), max(edit_date) from data_table"),
              "3|1000|2000\n");
}

TEST_F(FieldStoreTest, DeletingAFieldRebuildsTheTableWithTheRemainingColumns)
{
    const FieldId a = add("A", FieldType::SmallText);
    const FieldId b = add("B", FieldType::Choose);
    const FieldId c = add("C", FieldType::Number);
    auto entries = emptyRecordEntries();
    entryFor(entries, a).value = FieldValue::text("alpha");
    entryFor(entries, c).value = FieldValue::text("42");
    ASSERT_TRUE(db.addRecordToDb(entries));
    ASSERT_TRUE(db.deletedbFieldAtIndex(b));

    const std::string ids = std::to_string(a) + "','" + std::to_string(c);
    EXPECT_EQ(sqliteShell(file(), "select sql from sqlite_master where name='data_table'"),
              "CREATE TABLE data_table('id' INTEGER PRIMARY KEY,'create_date','edit_date','1','" + ids +
                  "')\n");
    EXPECT_EQ(sqliteShell(file(), "select \"" + std::to_string(a) + "\",\"" + std::to_string(c) +
                                      "\" from data_table"),
              "alpha|42\n");
    EXPECT_EQ(sqliteShell(file(), "select id, order_index from fields_table order by order_index"),
              "1|1\n" + std::to_string(a) + "|2\n" + std::to_string(c) + "|3\n");
    ASSERT_EQ(db.dbStructure().size(), 3u);
    EXPECT_EQ(db.dbStructure()[2].orderIndex, 3);
    // A rebuilt table has no column defaults: a new record's choice would
    // come from its entries, and an old NULL choice reads as 0.
    EXPECT_EQ(
        sqliteShell(file(),
                    "select dflt_value from pragma_table_info('data_table') where dflt_value is not null"),
        "");
}

TEST_F(FieldStoreTest, MovesKeepFileAndMemoryInStep)
{
    for (const char* label : {"B", "C", "D", "E"}) {
        add(label, FieldType::SmallText);
    }
    const struct {
        int from;
        int to;
        const char* order;
    } moves[] = {{0, 3, "B C D Name E"}, {4, 1, "B E C D Name"}, {2, 2, "B E C D Name"},
                 {1, 3, "B C D E Name"}, {3, 0, "E B C D Name"}, {0, 4, "B C D Name E"}};
    for (const auto& move : moves) {
        ASSERT_TRUE(db.moveFieldIndex(move.from, move.to));
        std::string memory;
        std::string expected;
        std::istringstream labels(move.order);
        int index = 0;
        for (std::string label; labels >> label;) {
            const FieldDefinition& field = db.dbStructure()[index++];
            memory += field.name + "|" + std::to_string(field.orderIndex) + "\n";
            expected += label + "|" + std::to_string(index) + "\n";
        }
        EXPECT_EQ(memory, expected) << move.from << " -> " << move.to;
        EXPECT_EQ(
            sqliteShell(file(), "select field_name, order_index from fields_table order by order_index"),
            expected);
    }
    EXPECT_FALSE(db.moveFieldIndex(0, 5));
    EXPECT_FALSE(db.moveFieldIndex(-1, 0));
}

TEST_F(FieldStoreTest, ChoicesFollowTheirItemsWhenTheListChanges)
{
    const FieldId colour = db.adddbFieldLabel("Colour", FieldType::Choose,
                                              PropertyList(PropertyList::Array{"Red", "Green", "Blue"}));
    // One record per choice, and one with none.
    for (std::int64_t choice : {0, 1, 2, -1}) {
        auto entries = emptyRecordEntries();
        entryFor(entries, colour).value = FieldValue::integer(choice);
        ASSERT_TRUE(db.addRecordToDb(entries));
    }
    const auto valuesInFile = [&] {
        return sqliteShell(file(), "select \"" + std::to_string(colour) + "\" from data_table order by id");
    };
    const auto valuesInMemory = [&] {
        std::vector<std::int64_t> values;
        for (const auto& record : db.dbData()) {
            values.push_back(record.value(colour)->integer());
        }
        return values;
    };
    ASSERT_TRUE(
        db.setdbFieldLabel("Colour", colour, PropertyList(PropertyList::Array{"Blue", "Red", "Green"})));
    EXPECT_EQ(valuesInMemory(), (std::vector<std::int64_t>{1, 2, 0, -1}));
    EXPECT_EQ(valuesInFile(), "1\n2\n0\n-1\n");

    ASSERT_TRUE(db.setdbFieldLabel("Shade", colour, PropertyList(PropertyList::Array{"Blue", "Red"})));
    EXPECT_EQ(valuesInMemory(), (std::vector<std::int64_t>{1, -1, 0, -1}));
    EXPECT_EQ(valuesInFile(), "1\n-1\n0\n-1\n");
    EXPECT_EQ(db.field(colour)->name, "Shade");

    // Records that were never loaded follow as well.
    ASSERT_TRUE(db.openDB(package));
    ASSERT_TRUE(db.setdbFieldLabel("Shade", colour, PropertyList(PropertyList::Array{"Red", "Blue"})));
    EXPECT_EQ(valuesInFile(), "0\n-1\n1\n-1\n");
}

TEST_F(FieldStoreTest, ListViewColumnStates)
{
    const FieldId field = add("Width", FieldType::SmallText);
    struct Step {
        const char* action;
        int value;
        int expected;
    };
    const std::vector<Step> steps = {
        {"hide", 0, -1},   {"show", 0, 0},   {"size", 120, 120}, {"hide", 0, -120},
        {"hide", 0, -120}, {"show", 0, 120}, {"show", 0, 120},   {"size", 0, 0},
    };
    for (const auto& step : steps) {
        if (std::string(step.action) == "size") {
            db.setdbFieldListViewColSize(step.value, field);
        } else {
            db.setdbFieldListViewHidden(std::string(step.action) == "hide", field);
        }
        EXPECT_EQ(db.field(field)->listViewColumn, step.expected) << step.action;
        EXPECT_EQ(
            sqliteShell(file(), "select listViewColInfo from fields_table where id=" + std::to_string(field)),
            std::to_string(step.expected) + "\n");
    }
}

TEST_F(FieldStoreTest, OlderFilesGainTheColumnStateOnOpen)
{
    sqliteShell(
        file(),
        "drop table fields_table; create table fields_table('id' INTEGER PRIMARY KEY,'field_name',"
        "'field_type','field_structure','length','order_index');"
        "insert into fields_table "
        "values(1,'Name',0,x'"
        "62706c6973743030a008000000000000010100000000000000010000000000000000000000000000000009',42,1);"
        "insert into fields_table "
        "values(2,'Notes',2,x'"
        "62706c6973743030a008000000000000010100000000000000010000000000000000000000000000000009',42,2);"
        "alter table data_table add column '2';");
    ASSERT_TRUE(db.openDB(package));
    ASSERT_EQ(db.dbStructure().size(), 2u);
    for (const auto& field : db.dbStructure()) {
        EXPECT_EQ(field.listViewColumn, 0);
    }
    EXPECT_EQ(sqliteShell(file(), "select listViewColInfo from fields_table"), "0\n0\n");
    ASSERT_TRUE(db.openDB(package));
    EXPECT_EQ(db.dbStructure().size(), 2u);
}

TEST_F(FieldStoreTest, StoredTypesLoadAsTheProgramKnowsThem)
{
    struct Case {
        int stored;
        int loaded;
    };
    const std::vector<Case> cases = {{10, 30},  {12, 30}, {13, 30}, {18, 30},
                                     {255, 30}, {17, 17}, {16, 16}, {11, 11}};
    const std::vector<std::uint8_t> empty = encodeStructure(PropertyList::array());
    for (const auto& c : cases) {
        const FieldId id =
            db.adddbFieldLabel("T" + std::to_string(c.stored), FieldType::SmallText, PropertyList::array());
        sqliteShell(file(), "update fields_table set field_type=" + std::to_string(c.stored) +
                                " where id=" + std::to_string(id));
    }
    ASSERT_TRUE(db.openDB(package));
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(db.dbStructure()[i + 1].type, cases[i].loaded) << cases[i].stored;
    }
    // The file keeps what it had.
    EXPECT_EQ(sqliteShell(file(), "select field_type from fields_table where id>1 order by id"),
              "10\n12\n13\n18\n255\n17\n16\n11\n");
}

TEST_F(FieldStoreTest, StructuresAreReadByTheirLength)
{
    const FieldId field = add("Check", FieldType::Checkbox);
    const std::string id = std::to_string(field);
    // Each damage leaves a structure that does not decode, which behaves as
    // an empty one.
    const std::vector<std::string> damages = {
        "update fields_table set length=length+100 where id=",
        "update fields_table set length=0 where id=",
        "update fields_table set field_structure=x'00112233', length=4 where id=",
        "update fields_table set field_structure=NULL, length=NULL where id=",
    };
    for (const auto& damage : damages) {
        ASSERT_TRUE(db.setdbFieldLabel("Check", field, defaultStructure(FieldType::Checkbox)));
        ASSERT_TRUE(db.openDB(package));
        ASSERT_EQ(db.field(field)->structure.count(), 1u);
        sqliteShell(file(), damage + id);
        ASSERT_TRUE(db.openDB(package)) << damage;
        EXPECT_EQ(db.field(field)->structure.count(), 0u) << damage;
    }
}

} // namespace
