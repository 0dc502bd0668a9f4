// The record store against real files: values of every type, pictures,
// dates and calculations.
#include "support/Pictures.h"
#include "support/TestDatabase.h"

#include "fields/StructureCodec.h"
#include "platform/Clock.h"
#include "platform/FileManager.h"
#include "platform/Paths.h"
#include "records/ShownRecords.h"
#include "storage/DBManager.h"
#include "storage/ImageCache.h"

#include <gtest/gtest.h>

using namespace dossiva;
using namespace dossiva::test;

namespace {

ImagePtr solidImage(int width, int height, std::uint8_t red)
{
    return solidPicture(width, height, {red, 40, 200, 255});
}

class RecordStoreTest : public ::testing::Test {
protected:
    TestLibrary library;
    std::string package = library.makePackage("Records");
    DBManager& db = DBManager::sharedIstance();

    std::string file() const { return Paths::databaseFile(package); }
    std::string picture(std::int64_t number) const { return Paths::imageFile(package, number); }

    FieldId add(const std::string& label, int type)
    {
        return db.adddbFieldLabel(label, type, defaultStructure(type));
    }

    RecordId insert(const std::vector<std::pair<FieldId, FieldValue>>& values, ImagePtr image = nullptr,
                    FieldId imageField = 0)
    {
        auto entries = emptyRecordEntries();
        for (const auto& [field, value] : values) {
            entryFor(entries, field).value = value;
        }
        if (imageField != 0) {
            entryFor(entries, imageField).image = std::move(image);
        }
        EXPECT_TRUE(db.addRecordToDb(entries));
        return db.dbData().back().recordId;
    }

    bool change(RecordId record, FieldId field, FieldValue value, ImagePtr image = nullptr)
    {
        const FieldDefinition* definition = db.field(field);
        return db.modifyRecordFields(
            {field}, {FieldChange{{field, definition->type}, std::move(value), std::move(image)}}, record);
    }

    const FieldValue& loaded(RecordId record, FieldId field)
    {
        EXPECT_TRUE(db.openDB(package));
        EXPECT_TRUE(db.loadDbData());
        return *db.record(record)->value(field);
    }
};

struct ValueCase {
    const char* name;
    int type;
    FieldValue inserted;
    FieldValue changed;
    const char* storedAfterInsert; // the column as the sqlite3 shell prints it
};

TEST_F(RecordStoreTest, EveryValueTypeRoundTripsThroughInsertUpdateAndLoad)
{
    // clang-format off
    const std::vector<ValueCase> cases = {
        {"main",        FieldType::Main,        FieldValue::text("Main 'quoted' \"text\""),   FieldValue::text("Changed"),     "Main 'quoted' \"text\""},
        {"small",       FieldType::SmallText,   FieldValue::text("naïve ✓"),                  FieldValue::text(""),            "naïve ✓"},
        {"large",       FieldType::LargeText,   FieldValue::text(std::string(300, 'x') + "\nline two"), FieldValue::text("short"), nullptr},
        {"number",      FieldType::Number,      FieldValue::text("12.5"),                     FieldValue::text("-3"),          "12.5"},
        {"date",        FieldType::Date,        FieldValue::text("-2208988800"),              FieldValue::text("4102444800"),  "-2208988800"},
        {"time",        FieldType::Time,        FieldValue::text("3600"),                     FieldValue::text(""),            "3600"},
        {"datetime",    FieldType::DateTime,    FieldValue::dateTime("86400", "90000"),       FieldValue::dateTime("", "7"),   "86400,90000"},
        {"choose",      FieldType::Choose,      FieldValue::integer(1),                       FieldValue::integer(-1),         "1"},
        {"separator",   FieldType::Separator,   FieldValue::text(""),                         FieldValue::text(""),            ""},
        {"calculation", FieldType::Calculation, FieldValue::text("7"),                        FieldValue::text(""),            "7"},
        {"email",       FieldType::Email,       FieldValue::text("a@b.example"),              FieldValue::text("c@d.example"), "a@b.example"},
        {"link",        FieldType::Link,        FieldValue::text("https://example.org/?a=1&b='2'"), FieldValue::text("x"),     "https://example.org/?a=1&b='2'"},
        {"checkbox",    FieldType::Checkbox,    FieldValue::text("1"),                        FieldValue::text("0"),           "1"},
        {"password",    FieldType::Password,    FieldValue::password("s3cr3t'; --"),          FieldValue::password("new"),     "s3cr3t'; --"},
    };
    // clang-format on
    std::vector<FieldId> ids;
    for (const auto& c : cases) {
        ids.push_back(add(c.name, c.type));
        ASSERT_GT(ids.back(), 0) << c.name;
    }
    std::vector<std::pair<FieldId, FieldValue>> values;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        values.emplace_back(ids[i], cases[i].inserted);
    }
    const RecordId record = insert(values);

    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        if (cases[i].storedAfterInsert != nullptr) {
            EXPECT_EQ(sqliteShell(file(), "select \"" + std::to_string(ids[i]) + "\" from data_table"),
                      std::string(cases[i].storedAfterInsert) + "\n");
        }
        EXPECT_EQ(loaded(record, ids[i]), cases[i].inserted);
        ASSERT_TRUE(change(record, ids[i], cases[i].changed));
        EXPECT_EQ(*db.record(record)->value(ids[i]), cases[i].changed);
        EXPECT_EQ(loaded(record, ids[i]), cases[i].changed);
    }
}

// The search keeps the lowered texts of the records between searches: every
// way the loaded records change must reach it.
TEST_F(RecordStoreTest, TheSearchFollowsEveryChangeOfTheRecords)
{
    ShownRecords shown;
    const auto found = [&](const char* text) {
        shown.reset(db.dbData());
        shown.search(db.dbStructure(), text, false, db.dataRevision());
        return shown.size();
    };
    const FieldId note = add("Note", FieldType::SmallText);
    EXPECT_EQ(found("needle"), 0u);
    const RecordId first = insert({{note, FieldValue::text("a Needle here")}});
    EXPECT_EQ(found("needle"), 1u) << "after an insert";
    ASSERT_TRUE(change(first, note, FieldValue::text("only hay")));
    EXPECT_EQ(found("needle"), 0u) << "after a change";
    EXPECT_EQ(found("hay"), 1u) << "after a change";
    const RecordId second = insert({{note, FieldValue::text("needle again")}});
    ASSERT_TRUE(db.deleteRecordWithID(second));
    EXPECT_EQ(found("needle"), 0u) << "after a delete";
    ASSERT_TRUE(db.loadDbData());
    EXPECT_EQ(found("hay"), 1u) << "after a load";
    ASSERT_TRUE(db.deleteAllRecords());
    EXPECT_EQ(found("hay"), 0u) << "after deleting every record";
}

TEST_F(RecordStoreTest, DatesOfANewRecordAndTheChangeStamp)
{
    const FieldId text = add("Text", FieldType::SmallText);
    auto entries = emptyRecordEntries(1234567890, 1234567899);
    ASSERT_TRUE(db.addRecordToDb(entries));
    const Record& inserted = db.dbData().back();
    EXPECT_EQ(inserted.created, "1234567890");
    EXPECT_EQ(inserted.modified, "1234567899");

    const ScopedClockOverride clock(1700000000.6);
    // A field id without an entry is skipped; the record is still stamped.
    ASSERT_TRUE(db.modifyRecordFields({text + 100}, {}, inserted.recordId));
    EXPECT_EQ(db.dbData().back().modified, "1700000001");
    EXPECT_EQ(sqliteShell(file(), "select create_date, edit_date from data_table"),
              "1234567890|1700000001\n");
    EXPECT_FALSE(db.modifyRecordFields({}, {}, inserted.recordId));
    EXPECT_FALSE(db.modifyRecordFields({text}, {}, inserted.recordId + 1));
}

TEST_F(RecordStoreTest, PicturesAreWrittenReplacedAndRemovedWithTheirCompanions)
{
    const FieldId photo = add("Photo", FieldType::Image);
    const RecordId without = insert({});
    EXPECT_EQ(sqliteShell(file(), "select \"" + std::to_string(photo) + "\" from data_table"), "0\n");
    EXPECT_TRUE(FileManager::contentsOfDirectory(Paths::imagesFolder(package)).empty());

    const RecordId with = insert({}, solidImage(32, 16, 250), photo);
    const std::int64_t number = db.record(with)->value(photo)->integer();
    ASSERT_GT(number, 0);
    ASSERT_TRUE(FileManager::isRegularFile(picture(number)));
    const auto stored = Image::readFile(picture(number));
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->width(), 32);
    EXPECT_EQ(stored->height(), 16);

    // A picture made elsewhere may have a companion file; replacing keeps
    // the number and drops the companion.
    ASSERT_TRUE(FileManager::writeFileAtomically(picture(number) + "_hd", "hd"));
    ASSERT_TRUE(change(with, photo, FieldValue::integer(0), solidImage(8, 8, 10)));
    EXPECT_EQ(db.record(with)->value(photo)->integer(), number);
    EXPECT_EQ(Image::readFile(picture(number))->width(), 8);
    EXPECT_FALSE(FileManager::exists(picture(number) + "_hd"));

    ASSERT_TRUE(FileManager::writeFileAtomically(picture(number) + "_hd", "hd"));
    ASSERT_TRUE(change(with, photo, FieldValue::integer(0), nullptr));
    EXPECT_EQ(db.record(with)->value(photo)->integer(), 0);
    EXPECT_FALSE(FileManager::exists(picture(number)));
    EXPECT_FALSE(FileManager::exists(picture(number) + "_hd"));
    EXPECT_EQ(loaded(with, photo).integer(), 0);

    ASSERT_TRUE(change(without, photo, FieldValue::integer(0), solidImage(4, 4, 1)));
    const std::int64_t added = db.record(without)->value(photo)->integer();
    EXPECT_GT(added, 0);
    EXPECT_TRUE(FileManager::exists(picture(added)));
}

TEST_F(RecordStoreTest, AGlanceAtAPictureKeepsNothingWhileAReadKeepsIt)
{
    const FieldId photo = add("Photo", FieldType::Image);
    const RecordId glanced = insert({}, solidImage(8, 4, 20), photo);
    const RecordId kept = insert({}, solidImage(6, 3, 90), photo);
    const std::string glancedFile = picture(db.record(glanced)->value(photo)->integer());
    const std::string keptFile = picture(db.record(kept)->value(photo)->integer());
    ImageCache& cache = ImageCache::sharedIstance();
    cache.releaseImages();
    ASSERT_NE(cache.viewImage(glancedFile), nullptr);
    ASSERT_NE(cache.getImage(keptFile), nullptr);
    ASSERT_TRUE(FileManager::removeFileEntry(glancedFile));
    ASSERT_TRUE(FileManager::removeFileEntry(keptFile));
    EXPECT_EQ(cache.viewImage(glancedFile), nullptr) << "read again, and gone";
    const ImagePtr fromCache = cache.viewImage(keptFile);
    ASSERT_NE(fromCache, nullptr) << "a glance uses the picture kept";
    EXPECT_EQ(fromCache->width(), 6);
    cache.releaseImages();
}

TEST_F(RecordStoreTest, DeletingRecordsTakesTheirPicturesAlong)
{
    const FieldId photo = add("Photo", FieldType::Image);
    const RecordId first = insert({}, solidImage(4, 4, 1), photo);
    const RecordId second = insert({}, solidImage(4, 4, 2), photo);
    const std::int64_t firstPicture = db.record(first)->value(photo)->integer();
    const std::int64_t secondPicture = db.record(second)->value(photo)->integer();
    ASSERT_TRUE(FileManager::writeFileAtomically(picture(firstPicture) + "_hd", "hd"));

    // Deleting a record that was never loaded still removes its picture.
    ASSERT_TRUE(db.openDB(package));
    ASSERT_TRUE(db.deleteRecordWithID(first));
    EXPECT_FALSE(FileManager::exists(picture(firstPicture)));
    EXPECT_FALSE(FileManager::exists(picture(firstPicture) + "_hd"));
    EXPECT_TRUE(FileManager::exists(picture(secondPicture)));
    EXPECT_TRUE(db.deleteRecordWithID(first));

    ASSERT_TRUE(db.loadDbData());
    ASSERT_TRUE(db.deleteAllRecords());
    EXPECT_TRUE(db.dbData().empty());
    EXPECT_EQ(db.recordNum(), 0);
    EXPECT_TRUE(FileManager::isDirectory(Paths::imagesFolder(package)));
    EXPECT_TRUE(FileManager::contentsOfDirectory(Paths::imagesFolder(package)).empty());
}

TEST_F(RecordStoreTest, DeletingAPictureFieldRemovesItsFilesAfterTheChange)
{
    const FieldId photo = add("Photo", FieldType::Image);
    const RecordId record = insert({}, solidImage(4, 4, 1), photo);
    const std::int64_t number = db.record(record)->value(photo)->integer();

    db.setReadOnly(true);
    EXPECT_FALSE(db.deletedbFieldAtIndex(photo));
    db.setReadOnly(false);
    EXPECT_TRUE(FileManager::exists(picture(number))) << "a failed delete must keep the pictures";

    ASSERT_TRUE(db.deletedbFieldAtIndex(photo));
    EXPECT_FALSE(FileManager::exists(picture(number)));
}

struct FormulaCase {
    const char* formula; // operands x, y, z by letter
    const char* x;
    const char* y;
    const char* z;
    const char* result;
};

TEST_F(RecordStoreTest, CalculationsAreRebuiltForEveryRecord)
{
    const FieldId x = add("x", FieldType::Number);
    const FieldId y = add("y", FieldType::Number);
    const FieldId z = add("z", FieldType::Number);
    const auto operand = [](FieldId id) {
        return PropertyList(PropertyList::Dictionary{{"T", "TN"}, {"N", id}});
    };
    const auto op = [](const char* symbol) {
        return PropertyList(PropertyList::Dictionary{{"T", "TO"}, {"N", symbol}});
    };
    const FieldId total = db.adddbFieldLabel(
        "Total", FieldType::Calculation,
        PropertyList(PropertyList::Array{operand(x), op("+"), operand(y), op("*"), operand(z)}));
    const std::vector<FormulaCase> cases = {
        {"x + y * z", "1", "2", "3", "7"},
        {"x + y * z", "1.5", "0.5", "2", "2.5"},
        {"x + y * z", "", "2", "3", ""},
        {"x + y * z", "1", "2", "", ""},
    };
    for (const auto& c : cases) {
        insert({{x, FieldValue::text(c.x)}, {y, FieldValue::text(c.y)}, {z, FieldValue::text(c.z)}});
    }
    EXPECT_TRUE(db.shouldRebuildCalculationFields(x));
    EXPECT_FALSE(db.shouldRebuildCalculationFields(total));
    ASSERT_TRUE(db.rebuildAllCalculation());
    std::string expected;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(db.dbData()[i].value(total)->text(), cases[i].result) << cases[i].x << " " << cases[i].y;
        expected += std::string(cases[i].result) + "\n";
    }
    EXPECT_EQ(sqliteShell(file(), "select \"" + std::to_string(total) + "\" from data_table order by id"),
              expected);

    // The formula editor offers the number fields that are left.
    ASSERT_TRUE(db.deletedbFieldAtIndex(y));
    const auto numbers = db.calculationFields();
    ASSERT_EQ(numbers.size(), 2u);
    EXPECT_EQ(numbers[0].name, "x");
    EXPECT_EQ(numbers[1].id, z);
}

} // namespace
