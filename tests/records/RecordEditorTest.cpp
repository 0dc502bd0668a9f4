// The entries through which records are added, copied, saved and
// recalculated, and the record operations that write them.
#include "support/CaseNames.h"
#include "support/Pictures.h"
#include "support/TestDatabase.h"

#include "fields/StructureCodec.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "records/RecordEditor.h"
#include "storage/DBManager.h"

#include <gtest/gtest.h>

using namespace dossiva;
using namespace dossiva::test;

namespace {

using test::PrintTo;

constexpr double kNow = 1700000000.75;
constexpr std::int64_t kNowRounded = 1700000001;

ImagePtr picture(int width, int height)
{
    return solidPicture(width, height);
}

class RecordEditorTest : public ::testing::Test {
protected:
    TestLibrary library;
    std::string package = library.makePackage("Editing");
    DBManager& db = DBManager::sharedIstance();
    RecordEditor editor{db};

    // A package made from a template gets its row of dates; so does this one.
    RecordEditorTest() { db.createGeneralInfoTable(); }

    FieldId text = add("Text", FieldType::SmallText);
    FieldId price = add("Price", FieldType::Number);
    FieldId quantity = add("Quantity", FieldType::Number);
    FieldId total = add("Total", FieldType::Calculation, productFormula(price, quantity));
    FieldId moment = add("Moment", FieldType::DateTime);
    FieldId photo = add("Photo", FieldType::Image);
    FieldId colour = add("Colour", FieldType::Choose);
    FieldId secret = add("Secret", FieldType::Password);

    FieldId add(const std::string& label, int type, PropertyList structure = {})
    {
        return db.adddbFieldLabel(label, type,
                                  type == FieldType::Calculation ? structure : defaultStructure(type));
    }

    const FieldValue& value(RecordId record, FieldId field) const { return *db.record(record)->value(field); }
    std::int64_t editDate() const { return (*db.getDates())[1]; }
};

// --- Entries ---------------------------------------------------------------

struct DefaultCase {
    const char* name;
    int type;
    FieldValue value;
};

class NewRecordEntriesTest : public testing::TestWithParam<DefaultCase> {};

TEST_P(NewRecordEntriesTest, StartEveryFieldEmpty)
{
    const DefaultCase& c = GetParam();
    const std::vector<FieldDefinition> structure = {{1, "Name", FieldType::Main, {}, 1, 0},
                                                    {9, "Field", c.type, defaultStructure(c.type), 2, 0}};
    const auto entries = RecordEntries::newRecord(structure, 1234);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[1].field.id, 9);
    EXPECT_EQ(entries[1].field.type, c.type);
    EXPECT_EQ(entries[1].value, c.value);
    EXPECT_EQ(entries[1].image, nullptr);
    EXPECT_EQ(entries[2].field.type, FieldType::CreationDate);
    EXPECT_EQ(entries[2].value.integer(), 1234);
    EXPECT_EQ(entries[3].field.type, FieldType::ModificationDate);
    EXPECT_EQ(entries[3].value.integer(), 0) << "a new record was never modified";
}

INSTANTIATE_TEST_SUITE_P(
    Types, NewRecordEntriesTest,
    testing::Values(DefaultCase{"SmallText", FieldType::SmallText, FieldValue::text("")},
                    DefaultCase{"DateAndTime", FieldType::DateTime, FieldValue::dateTime("", "")},
                    DefaultCase{"Image", FieldType::Image, FieldValue::integer(0)},
                    DefaultCase{"Choose", FieldType::Choose, FieldValue::integer(-1)},
                    DefaultCase{"Password", FieldType::Password, FieldValue::password("")},
                    DefaultCase{"Unsupported", FieldType::Unsupported, FieldValue::text("")}),
    test::NameOfCase());

struct EditCase {
    const char* name;
    int type;
    const char* text;
    FieldValue stored;
};

class SaveEntriesTest : public testing::TestWithParam<EditCase> {};

TEST_P(SaveEntriesTest, TakeTheViewsTextInTheStoredForm)
{
    const EditCase& c = GetParam();
    const std::vector<FieldDefinition> structure = {{1, "Name", FieldType::Main, {}, 1, 0},
                                                    {9, "Field", c.type, defaultStructure(c.type), 2, 0}};
    const SaveEntries save = RecordEntries::save(structure, {{9, c.text, nullptr}, {77, "gone", nullptr}});
    EXPECT_EQ(save.fieldIds, std::vector<FieldId>{9}) << "edits of unknown fields are left out";
    ASSERT_EQ(save.entries.size(), 1u);
    EXPECT_EQ(save.entries[0].value, c.stored);
}

INSTANTIATE_TEST_SUITE_P(
    Types, SaveEntriesTest,
    testing::Values(EditCase{"Text", FieldType::SmallText, "hello", FieldValue::text("hello")},
                    EditCase{"DateAndTimeTakesBothParts", FieldType::DateTime, "86400",
                             FieldValue::dateTime("86400", "86400")},
                    EditCase{"ChoiceIndex", FieldType::Choose, "2", FieldValue::integer(2)},
                    EditCase{"NoChoice", FieldType::Choose, "-1", FieldValue::integer(-1)},
                    EditCase{"Checkbox", FieldType::Checkbox, "1", FieldValue::text("1")},
                    EditCase{"Password", FieldType::Password, "s3cret", FieldValue::password("s3cret")}),
    test::NameOfCase());

TEST(RecalculationEntriesTest, AnOperandNoLongerInTheFormCountsAsEmpty)
{
    const std::vector<FieldDefinition> structure = {
        {1, "Name", FieldType::Main, {}, 1, 0},
        {2, "A", FieldType::Number, {}, 2, 0},
        {4, "Total", FieldType::Calculation, productFormula(2, 3), 3, 0}};
    // A record loaded before field 3 was deleted still holds its value.
    const Record record{
        5, "1", "0", {{1, FieldValue::text("x")}, {2, FieldValue::text("4")}, {3, FieldValue::text("5")}}};
    const SaveEntries results = RecordEntries::recalculation(structure, record);
    ASSERT_EQ(results.fieldIds, std::vector<FieldId>{4});
    EXPECT_EQ(results.entries[0].value.text(), "");
}

// --- Adding ----------------------------------------------------------------

TEST_F(RecordEditorTest, ANewRecordIsEmptyCreatedNowAndNeverModified)
{
    const ScopedClockOverride clock(kNow);
    const auto id = editor.addRecord();
    ASSERT_TRUE(id.has_value());
    const Record& record = *db.record(*id);
    EXPECT_EQ(record.created, "1700000000") << "the fraction of a second is dropped";
    EXPECT_EQ(record.modified, "0");
    EXPECT_EQ(value(*id, colour).integer(), -1);
    EXPECT_EQ(value(*id, photo).integer(), 0);
    EXPECT_EQ(value(*id, total).text(), "");
    EXPECT_EQ(editDate(), kNowRounded);
}

TEST_F(RecordEditorTest, ValuesGivenAtCreationFillTheCalculations)
{
    const auto id =
        editor.addRecord({{price, "2.5", nullptr}, {quantity, "4", nullptr}, {text, "hi", nullptr}});
    ASSERT_TRUE(id.has_value());
    EXPECT_EQ(value(*id, total).text(), "10");
    EXPECT_EQ(value(*id, text).text(), "hi");
    EXPECT_EQ(db.record(*id)->modified, "0");
    ASSERT_TRUE(db.loadDbData());
    EXPECT_EQ(value(*id, total).text(), "10") << "as loaded from the file";
}

// --- Duplicating -----------------------------------------------------------

TEST_F(RecordEditorTest, ADuplicateHasItsOwnPictureAndTheSourcesDates)
{
    auto entries = RecordEntries::newRecord(db.dbStructure(), 1500000000);
    entries.back() = FieldChange::modified(1600000000);
    entryFor(entries, text).value = FieldValue::text("source");
    entryFor(entries, moment).value = FieldValue::dateTime("86400", "3600");
    entryFor(entries, colour).value = FieldValue::integer(1);
    entryFor(entries, secret).value = FieldValue::password("pw");
    entryFor(entries, photo).image = picture(40, 30);
    ASSERT_TRUE(db.addRecordToDb(entries));
    const RecordId source = db.dbData().back().recordId;

    const RecordEditor::Duplicates result = editor.duplicateRecords({source});
    ASSERT_TRUE(result.complete);
    ASSERT_EQ(result.copies.size(), 1u);
    const RecordId copy = result.copies[0];
    const Record& duplicate = *db.record(copy);
    EXPECT_EQ(duplicate.created, "1500000000");
    EXPECT_EQ(duplicate.modified, "1600000000");
    EXPECT_EQ(value(copy, text).text(), "source");
    EXPECT_EQ(value(copy, moment), FieldValue::dateTime("86400", "3600"));
    EXPECT_EQ(value(copy, colour).integer(), 1);
    EXPECT_EQ(value(copy, secret), FieldValue::password("pw")) << "only the text is copied";

    const std::int64_t sourcePicture = value(source, photo).integer();
    const std::int64_t copyPicture = value(copy, photo).integer();
    ASSERT_GT(copyPicture, 0);
    EXPECT_NE(copyPicture, sourcePicture);
    ASSERT_TRUE(editor.deleteRecord(source));
    const auto kept = Image::readFile(Paths::imageFile(package, copyPicture));
    ASSERT_TRUE(kept.has_value()) << "deleting the source keeps the copy's picture";
    EXPECT_EQ(kept->width(), 40);
}

TEST_F(RecordEditorTest, AFailedCopyStopsButKeepsTheCopiesMade)
{
    const RecordId first = *editor.addRecord({{text, "first", nullptr}});
    const RecordId second = *editor.addRecord({{text, "second", nullptr}});
    const ScopedClockOverride clock(kNow);
    const RecordEditor::Duplicates result = editor.duplicateRecords({first, 9999, second});
    EXPECT_FALSE(result.complete);
    ASSERT_EQ(result.copies.size(), 1u);
    EXPECT_EQ(value(result.copies[0], text).text(), "first");
    EXPECT_EQ(db.dbData().size(), 3u) << "the records after the failure are not copied";
    EXPECT_EQ(editDate(), kNowRounded) << "the copy made changed the database";
}

// --- Saving ----------------------------------------------------------------

TEST_F(RecordEditorTest, SavingANumberRecomputesTheCalculations)
{
    const RecordId id = *editor.addRecord({{price, "3", nullptr}, {quantity, "2", nullptr}});
    ASSERT_EQ(value(id, total).text(), "6");
    const ScopedClockOverride clock(kNow);
    ASSERT_TRUE(editor.save(id, {{quantity, "5", nullptr}}));
    EXPECT_EQ(value(id, total).text(), "15");
    EXPECT_EQ(db.record(id)->modified, std::to_string(kNowRounded));
    EXPECT_EQ(editDate(), kNowRounded);
    ASSERT_TRUE(editor.save(id, {{price, "", nullptr}}));
    EXPECT_EQ(value(id, total).text(), "") << "an empty operand empties the result";
    ASSERT_TRUE(db.loadDbData());
    EXPECT_EQ(value(id, total).text(), "");
}

TEST_F(RecordEditorTest, SavingWritesEachTypeInItsStoredForm)
{
    const RecordId id = *editor.addRecord();
    ASSERT_TRUE(editor.save(id, {{moment, "172800", nullptr},
                                 {colour, "1", nullptr},
                                 {photo, "", picture(20, 10)},
                                 {secret, "new", nullptr}}));
    ASSERT_TRUE(db.loadDbData());
    EXPECT_EQ(value(id, moment), FieldValue::dateTime("172800", "172800"));
    EXPECT_EQ(value(id, colour).integer(), 1);
    EXPECT_GT(value(id, photo).integer(), 0);
    EXPECT_EQ(value(id, secret).text(), "new");
    ASSERT_TRUE(editor.save(id, {{photo, "", nullptr}}));
    EXPECT_EQ(value(id, photo).integer(), 0) << "no picture removes it";
}

TEST_F(RecordEditorTest, NothingToSaveWritesNothing)
{
    const RecordId id = *editor.addRecord();
    const std::int64_t before = editDate();
    const ScopedClockOverride clock(kNow);
    EXPECT_FALSE(editor.save(id, {}));
    EXPECT_FALSE(editor.save(9999, {{text, "x", nullptr}}));
    EXPECT_EQ(db.record(id)->modified, "0");
    EXPECT_EQ(editDate(), before);
}

// --- Deleting --------------------------------------------------------------

TEST_F(RecordEditorTest, DeletingMarksTheDatabaseEdited)
{
    const RecordId id = *editor.addRecord();
    editor.addRecord();
    {
        const ScopedClockOverride clock(1600000000.0);
        ASSERT_TRUE(editor.deleteRecord(id));
        EXPECT_EQ(editDate(), 1600000000);
    }
    const ScopedClockOverride clock(kNow);
    ASSERT_TRUE(editor.deleteAllRecords());
    EXPECT_TRUE(db.dbData().empty());
    EXPECT_EQ(editDate(), kNowRounded);
}

} // namespace
