// The record list's cell edits: stored at once, undone and redone on the
// stored record, the calculations following a number put back.
#include "support/CaseNames.h"
#include "support/Pictures.h"
#include "support/TestDatabase.h"

#include "fields/StructureCodec.h"
#include "platform/FileManager.h"
#include "platform/Paths.h"
#include "records/RecordListEditor.h"
#include "storage/DBManager.h"

#include <gtest/gtest.h>

using namespace dossiva;
using namespace dossiva::test;

namespace {

using test::PrintTo;

using Outcome = RecordListEditor::Outcome;

class RecordListEditorTest : public ::testing::Test {
protected:
    TestLibrary library;
    std::string package = library.makePackage("Listing");
    DBManager& db = DBManager::sharedIstance();
    RecordListEditor editor{db};

    RecordListEditorTest() { db.createGeneralInfoTable(); }

    FieldId add(int type, PropertyList structure = {})
    {
        return db.adddbFieldLabel("Field " + std::to_string(db.dbStructure().size() + 1), type,
                                  type == FieldType::Calculation ? structure : defaultStructure(type));
    }
    RecordId addRecord(FieldId field = 0, FieldValue value = {}, ImagePtr picture = nullptr)
    {
        auto entries = emptyRecordEntries();
        if (field != 0) {
            entryFor(entries, field).value = std::move(value);
            entryFor(entries, field).image = std::move(picture);
        }
        EXPECT_TRUE(db.addRecordToDb(entries));
        return db.dbData().back().recordId;
    }
    const FieldValue& value(RecordId record, FieldId field) const { return *db.record(record)->value(field); }
};

struct CellCase {
    const char* name;
    int type;
    FieldValue stored;
    const char* typed;
    FieldValue written;
};

class CellEditTest : public RecordListEditorTest, public testing::WithParamInterface<CellCase> {};

TEST_P(CellEditTest, IsStoredAndUndoneToTheExactValueBefore)
{
    const CellCase& c = GetParam();
    const FieldId field = add(c.type);
    const RecordId record = addRecord(field, c.stored);
    ASSERT_EQ(editor.commit(record, {field, c.typed, nullptr}), Outcome::Stored);
    EXPECT_EQ(value(record, field), c.written);
    ASSERT_EQ(editor.undo(), Outcome::Stored);
    EXPECT_EQ(value(record, field), c.stored);
    EXPECT_FALSE(editor.canUndo());
    ASSERT_EQ(editor.redo(), Outcome::Stored);
    EXPECT_EQ(value(record, field), c.written);
    ASSERT_TRUE(db.loadDbData());
    EXPECT_EQ(value(record, field), c.written) << "as the file holds it";
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Table, CellEditTest, testing::Values(
    CellCase{"a text",                                 FieldType::SmallText, FieldValue::text("old"),              "new",    FieldValue::text("new")},
    CellCase{"a choice",                               FieldType::Choose,    FieldValue::integer(1),               "-1",     FieldValue::integer(-1)},
    CellCase{"a checkbox",                             FieldType::Checkbox,  FieldValue::text("yes"),              "0",      FieldValue::text("0")},
    CellCase{"a date and time of two different parts", FieldType::DateTime,  FieldValue::dateTime("86400", "3600"), "172800", FieldValue::dateTime("172800", "172800")},
    CellCase{"a date set from none",                   FieldType::Date,      FieldValue::text(""),                 "86400",  FieldValue::text("86400")},
    CellCase{"a password",                             FieldType::Password,  FieldValue::password("old"),          "new",    FieldValue::password("new")}),
    test::NameOfCase());
// clang-format on

TEST_F(RecordListEditorTest, TheValueTheRecordHoldsIsNoEdit)
{
    const FieldId secret = add(FieldType::Password);
    const RecordId record = addRecord(secret, FieldValue::password("same"));
    db.setPasswordShown(record, secret, true);
    const std::string modified = db.record(record)->modified;
    EXPECT_EQ(editor.commit(record, {secret, "same", nullptr}), Outcome::Unchanged)
        << "a password shown in clear holds the same text";
    EXPECT_FALSE(editor.canUndo());
    EXPECT_EQ(db.record(record)->modified, modified);

    ASSERT_EQ(editor.commit(record, {secret, "other", nullptr}), Outcome::Stored);
    EXPECT_TRUE(value(record, secret).shown()) << "it still shows in clear";
}

TEST_F(RecordListEditorTest, UndoingANumberRecalculatesFromTheNumberPutBack)
{
    const FieldId price = add(FieldType::Number);
    const FieldId quantity = add(FieldType::Number);
    const FieldId total = add(FieldType::Calculation, productFormula(price, quantity));
    const RecordId record = addRecord();
    ASSERT_EQ(editor.commit(record, {price, "2", nullptr}), Outcome::Stored);
    ASSERT_EQ(editor.commit(record, {quantity, "3", nullptr}), Outcome::Stored);
    EXPECT_EQ(value(record, total).text(), "6");
    ASSERT_EQ(editor.commit(record, {price, "5", nullptr}), Outcome::Stored);
    EXPECT_EQ(value(record, total).text(), "15");

    ASSERT_EQ(editor.undo(), Outcome::Stored);
    EXPECT_EQ(value(record, price).text(), "2");
    EXPECT_EQ(value(record, total).text(), "6") << "computed after the price was put back, not before";
    ASSERT_EQ(editor.redo(), Outcome::Stored);
    EXPECT_EQ(value(record, total).text(), "15");
}

TEST_F(RecordListEditorTest, UndoingADeletedPictureStoresItAgainUnderANewNumber)
{
    const FieldId photo = add(FieldType::Image);
    const RecordId record = addRecord(photo, FieldValue::integer(0), solidPicture(40, 20));
    const std::int64_t first = value(record, photo).integer();
    ASSERT_GT(first, 0);
    ASSERT_EQ(editor.commit(record, {photo, "", nullptr}), Outcome::Stored);
    EXPECT_EQ(value(record, photo).integer(), 0);
    EXPECT_FALSE(FileManager::isRegularFile(Paths::imageFile(package, first)));

    ASSERT_EQ(editor.undo(), Outcome::Stored);
    const std::int64_t back = value(record, photo).integer();
    ASSERT_GT(back, 0);
    const auto restored = Image::readFile(Paths::imageFile(package, back));
    ASSERT_TRUE(restored.has_value());
    EXPECT_EQ(restored->width(), 40);
    EXPECT_EQ(restored->height(), 20);

    ASSERT_EQ(editor.redo(), Outcome::Stored);
    EXPECT_EQ(value(record, photo).integer(), 0);
    EXPECT_FALSE(FileManager::isRegularFile(Paths::imageFile(package, back)));
}

TEST_F(RecordListEditorTest, AStepThatCannotBeWrittenStaysForAnotherTry)
{
    const FieldId note = add(FieldType::SmallText);
    const RecordId record = addRecord(note, FieldValue::text("before"));
    ASSERT_EQ(editor.commit(record, {note, "after", nullptr}), Outcome::Stored);
    db.setReadOnly(true);
    EXPECT_EQ(editor.undo(), Outcome::Failed);
    EXPECT_FALSE(db.lastFailure().reason.empty());
    EXPECT_EQ(value(record, note).text(), "after");
    EXPECT_TRUE(editor.canUndo());
    EXPECT_FALSE(editor.canRedo());
    db.setReadOnly(false);
    EXPECT_EQ(editor.undo(), Outcome::Stored);
    EXPECT_EQ(value(record, note).text(), "before");
}

TEST_F(RecordListEditorTest, AStepWhoseRecordIsGoneEmptiesTheHistory)
{
    const FieldId note = add(FieldType::SmallText);
    const RecordId record = addRecord();
    ASSERT_EQ(editor.commit(record, {note, "typed", nullptr}), Outcome::Stored);
    ASSERT_TRUE(db.deleteRecordWithID(record));
    EXPECT_EQ(editor.undo(), Outcome::Failed);
    EXPECT_FALSE(editor.canUndo());
    EXPECT_FALSE(editor.canRedo());
}

} // namespace
