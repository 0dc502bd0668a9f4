// Files that cannot be written or are not databases at all.
#include "support/BinaryPlistWriter.h"
#include "support/Files.h"
#include "support/Hex.h"
#include "support/LogCapture.h"
#include "support/TestDatabase.h"

#include "fields/StructureCodec.h"
#include "platform/FileManager.h"
#include "platform/Paths.h"
#include "storage/DBManager.h"

#include <gtest/gtest.h>

#include <functional>

using namespace dossiva;
using namespace dossiva::test;

namespace {

class ReadOnlyDatabaseTest : public ::testing::Test {
protected:
    TestLibrary library;
    std::string package = library.makePackage("Locked");
    DBManager& db = DBManager::sharedIstance();
    LogCapture log;
    FieldId number = 0;
    FieldId choose = 0;
    FieldId photo = 0;

    void SetUp() override
    {
        number = db.adddbFieldLabel("Number", FieldType::Number, PropertyList::array());
        choose = db.adddbFieldLabel("Choice", FieldType::Choose, defaultStructure(FieldType::Choose));
        photo = db.adddbFieldLabel("Photo", FieldType::Image, PropertyList::array());
        db.adddbFieldLabel("Total", FieldType::Calculation, PropertyList::array());
        for (int i = 0; i < 3; ++i) {
            auto entries = emptyRecordEntries();
            entryFor(entries, number).value = FieldValue::text(std::to_string(i));
            ASSERT_TRUE(db.addRecordToDb(entries));
        }
        ASSERT_TRUE(db.createGeneralInfoTable());
        db.setReadOnly(true);
        ASSERT_TRUE(db.openDB(package));
        ASSERT_TRUE(db.loadDbData());
    }

    std::string snapshot() const
    {
        return sqliteShell(Paths::databaseFile(package), ".dump") +
               std::to_string(FileManager::contentsOfDirectory(Paths::imagesFolder(package)).size());
    }
};

TEST_F(ReadOnlyDatabaseTest, EveryWriteFailsAndChangesNothing)
{
    const RecordId first = db.dbData().front().recordId;
    const std::vector<std::uint8_t> pixels(16, 255);
    const auto image = std::make_shared<const Image>(2, 2, pixels);
    auto withPicture = emptyRecordEntries();
    entryFor(withPicture, photo).image = image;
    struct Write {
        const char* name;
        std::function<bool()> attempt;
    };
    // clang-format off
    const std::vector<Write> writes = {
        {"add field",               [&] { return db.adddbFieldLabel("New", FieldType::SmallText, PropertyList::array()) >= 0; }},
        {"rename field",            [&] { return db.setdbFieldLabel("Renamed", number); }},
        {"restructure field",       [&] { return db.setdbFieldLabel("Choice", choose, PropertyList(PropertyList::Array{PropertyList("Item 2")})); }},
        {"delete field",            [&] { return db.deletedbFieldAtIndex(number); }},
        {"move field",              [&] { return db.moveFieldIndex(0, 2); }},
        {"add record",              [&] { return db.addRecordToDb(emptyRecordEntries()); }},
        {"add record with picture", [&] { return db.addRecordToDb(withPicture); }},
        {"change record",           [&] { return db.modifyRecordFields({number}, {FieldChange{{number, FieldType::Number}, FieldValue::text("9"), {}}}, first); }},
        {"change picture",          [&] { return db.modifyRecordFields({photo}, {FieldChange{{photo, FieldType::Image}, {}, image}}, first); }},
        {"delete record",           [&] { return db.deleteRecordWithID(first); }},
        {"delete all records",      [&] { return db.deleteAllRecords(); }},
        {"rebuild calculations",    [&] { return db.rebuildAllCalculation(); }},
        {"edit date",               [&] { return db.setEditDate(5); }},
        {"sync date",               [&] { return db.setSyncDate(5); }},
        {"general info",            [&] { return db.createGeneralInfoTable(); }},
    };
    // clang-format on
    const std::string before = snapshot();
    const auto structure = db.dbStructure();
    const auto records = db.dbData();
    for (const auto& write : writes) {
        EXPECT_FALSE(write.attempt()) << write.name;
        EXPECT_EQ(snapshot(), before) << write.name;
        ASSERT_EQ(db.dbStructure().size(), structure.size()) << write.name;
        for (std::size_t i = 0; i < structure.size(); ++i) {
            EXPECT_EQ(db.dbStructure()[i].name, structure[i].name) << write.name;
            EXPECT_EQ(db.dbStructure()[i].orderIndex, structure[i].orderIndex) << write.name;
            EXPECT_EQ(db.dbStructure()[i].structure, structure[i].structure) << write.name;
        }
        ASSERT_EQ(db.dbData().size(), records.size()) << write.name;
        for (std::size_t i = 0; i < records.size(); ++i) {
            EXPECT_EQ(db.dbData()[i].values, records[i].values) << write.name;
            EXPECT_EQ(db.dbData()[i].modified, records[i].modified) << write.name;
        }
    }
    // Layout setters report nothing, but must not change the file either.
    db.setLabelColor(RGBColor{1, 0, 0, 1});
    db.setLabelShadow(true);
    EXPECT_EQ(snapshot(), before);
}

struct BrokenFileCase {
    const char* name;
    std::function<std::string(const std::string& valid)> content;
    bool lazyOpens; // an empty file is an empty database to SQLite
};

TEST(BrokenDatabaseFileTest, FilesThatAreNotDatabasesDoNotOpenAndCrashNothing)
{
    TestLibrary library;
    LogCapture log;
    const std::string valid = fileContents(Paths::emptyBaseDatabase());
    ASSERT_GT(valid.size(), 1000u);
    const std::vector<BrokenFileCase> cases = {
        {"garbage",
         [](const std::string&) {
             std::string bytes(8192, '\0');
             std::uint32_t state = 12345;
             for (char& c : bytes) {
                 state = state * 1103515245 + 12345;
                 c = static_cast<char>(state >> 24);
             }
             return bytes;
         },
         false},
        {"text", [](const std::string&) { return std::string("name,age\nAnn,3\n"); }, false},
        {"half a header", [](const std::string& v) { return v.substr(0, 50); }, true},
        {"header only", [](const std::string& v) { return v.substr(0, 100); }, false},
        {"empty", [](const std::string&) { return std::string(); }, true},
    };
    DBManager& db = DBManager::sharedIstance();
    for (const auto& c : cases) {
        const std::string package = library.makePackage(c.name);
        ASSERT_TRUE(FileManager::writeFileAtomically(Paths::databaseFile(package), c.content(valid)));
        EXPECT_FALSE(db.openDB(package)) << c.name;
        EXPECT_TRUE(db.dbName().empty()) << c.name;
        EXPECT_TRUE(db.dbStructure().empty()) << c.name;
        EXPECT_EQ(db.openDBLazy(package), c.lazyOpens) << c.name;
        EXPECT_EQ(db.recordNum(), 0) << c.name;
        EXPECT_FALSE(db.loadDbData()) << c.name;
    }
}

TEST(BrokenDatabaseFileTest, EveryTruncationOfARealDatabaseIsSurvived)
{
    TestLibrary library;
    LogCapture log;
    DBManager& db = DBManager::sharedIstance();
    const std::string package = library.makePackage("Source");
    const FieldId notes = db.adddbFieldLabel("Notes", FieldType::LargeText, PropertyList::array());
    for (int i = 0; i < 200; ++i) {
        auto entries = emptyRecordEntries();
        entryFor(entries, notes).value = FieldValue::text(std::string(100 + i, 'n'));
        ASSERT_TRUE(db.addRecordToDb(entries));
    }
    const std::string full = fileContents(Paths::databaseFile(package));
    ASSERT_GT(full.size(), 16384u);
    const std::string target = library.makePackage("Cut");
    for (std::size_t length = 512; length < full.size(); length += 1536) {
        ASSERT_TRUE(FileManager::writeFileAtomically(Paths::databaseFile(target), full.substr(0, length)));
        // Whatever opens must load without reading past what is there.
        if (db.openDB(target)) {
            db.loadDbData();
            EXPECT_LE(db.dbData().size(), 200u);
        }
    }
}

TEST(BrokenDatabaseFileTest, HostileStructureBlobsLoadAsEmptyStructures)
{
    TestLibrary library;
    LogCapture log;
    DBManager& db = DBManager::sharedIstance();
    const std::string package = library.makePackage("Bomb");
    // Arrays each holding the next ten times: 10^10 nodes once expanded.
    const auto bomb = fanOut(10, 10);
    sqliteShell(Paths::databaseFile(package),
                "insert into fields_table(id,field_name,field_type,field_structure,length,"
                "order_index) values(2,'Bomb',8,x'" +
                    hex(bomb) + "'," + std::to_string(bomb.size()) +
                    ",2); alter table data_table add column '2'");
    ASSERT_TRUE(db.openDB(package));
    ASSERT_EQ(db.dbStructure().size(), 2u);
    EXPECT_EQ(db.dbStructure()[1].name, "Bomb");
    EXPECT_EQ(db.dbStructure()[1].structure.count(), 0u);
}

} // namespace
