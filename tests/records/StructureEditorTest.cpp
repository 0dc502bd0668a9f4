// The rules that guard a database's fields, against real files.
#include "support/CaseNames.h"
#include "support/TestDatabase.h"

#include "fields/FormulaWords.h"
#include "fields/StructureCodec.h"
#include "platform/Clock.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "records/DefineHistory.h"
#include "records/StructureEditor.h"
#include "storage/DBManager.h"

#include <gtest/gtest.h>

#include <functional>

using namespace dossiva;
using namespace dossiva::test;

namespace {

using test::PrintTo;

constexpr double kNow = 1700000000.0;

PropertyList formula(FieldId a, const char* op, FieldId b)
{
    auto operand = [](FieldId id) {
        return PropertyList(PropertyList::Dictionary{{"T", "TN"}, {"N", PropertyList(id)}});
    };
    return PropertyList(PropertyList::Array{
        operand(a), PropertyList(PropertyList::Dictionary{{"T", "TO"}, {"N", PropertyList(op)}}),
        operand(b)});
}

class StructureEditorTest : public ::testing::Test {
protected:
    TestLibrary library;
    std::string package = library.makePackage("Structure");
    DBManager& db = DBManager::sharedIstance();
    int sender = 0;
    StructureEditor editor{db, &sender};

    // A package made from a template gets its row of dates; so does this one.
    StructureEditorTest() { db.createGeneralInfoTable(); }

    FieldId add(const std::string& label, int type, std::size_t index = 1000)
    {
        const StructureResult result = editor.addField(label, type, defaultStructure(type), index);
        EXPECT_TRUE(result.done) << label;
        return result.fieldId;
    }

    std::vector<std::string> labels() const
    {
        std::vector<std::string> names;
        for (const auto& field : db.dbStructure()) {
            names.push_back(field.name);
        }
        return names;
    }

    std::string labelsInFile() const
    {
        return sqliteShell(Paths::databaseFile(package),
                           "select field_name from fields_table order by order_index");
    }

    std::int64_t editDate() const { return (*db.getDates())[1]; }

    // Adds a record holding these values, every other field empty; its id.
    RecordId addRecord(const std::vector<std::pair<FieldId, FieldValue>>& values)
    {
        auto entries = emptyRecordEntries();
        for (const auto& [field, value] : values) {
            entryFor(entries, field).value = value;
        }
        EXPECT_TRUE(db.addRecordToDb(entries));
        return db.dbData().back().recordId;
    }

    std::string valueOf(RecordId record, FieldId field) const
    {
        return std::string(db.record(record)->value(field)->text());
    }
};

// The text is the one users know, misspelling included.
constexpr const char* kDuplicateLabel =
    "There is already a filed with this label. Enter a label that is different from others.";

void expectRefused(const StructureResult& result, const char* title, const char* message)
{
    EXPECT_FALSE(result.done);
    EXPECT_EQ(result.alert.title, title);
    EXPECT_EQ(result.alert.message, message);
    EXPECT_EQ(result.alert.buttons, std::vector<std::string>{"OK"});
}

// --- Unique labels ---------------------------------------------------------

struct LabelCase {
    const char* name;
    const char* label;
    bool accepted;
};

class UniqueLabelTest : public StructureEditorTest, public testing::WithParamInterface<LabelCase> {};

TEST_P(UniqueLabelTest, RenamingChecksEveryOtherLabelExactly)
{
    const LabelCase& c = GetParam();
    const FieldId price = add("Price", FieldType::Number);
    add("Quantity", FieldType::Number);
    const std::int64_t before = editDate();
    const ScopedClockOverride clock(kNow);
    const StructureResult result = editor.renameField(price, c.label);
    if (c.accepted) {
        EXPECT_TRUE(result.done);
        EXPECT_FALSE(result.hasAlert());
        EXPECT_EQ(db.field(price)->name, c.label);
    } else {
        expectRefused(result, "Warning", kDuplicateLabel);
        EXPECT_EQ(db.field(price)->name, "Price");
        EXPECT_EQ(labelsInFile(), "Name\nPrice\nQuantity\n");
        EXPECT_EQ(editDate(), before);
    }
}

INSTANTIATE_TEST_SUITE_P(Labels, UniqueLabelTest,
                         testing::Values(LabelCase{"AnotherFieldsLabel", "Quantity", false},
                                         LabelCase{"TheMainFieldsLabel", "Name", false},
                                         LabelCase{"ItsOwnLabel", "Price", true},
                                         LabelCase{"OtherCase", "quantity", true},
                                         LabelCase{"TrailingBlank", "Quantity ", true},
                                         LabelCase{"NewLabel", "Unit price", true}),
                         test::NameOfCase());

TEST_F(StructureEditorTest, AddingATakenLabelIsRefusedAndStoresNothing)
{
    add("Price", FieldType::Number);
    expectRefused(editor.addField("Price", FieldType::SmallText, defaultStructure(FieldType::SmallText), 1),
                  "Warning", kDuplicateLabel);
    EXPECT_EQ(labelsInFile(), "Name\nPrice\n");
}

// --- Adding and moving -----------------------------------------------------

struct PlacementCase {
    const char* name;
    std::size_t index;
    std::vector<std::string> order;
};

class AddPlacementTest : public StructureEditorTest, public testing::WithParamInterface<PlacementCase> {};

TEST_P(AddPlacementTest, PutsTheNewFieldAtItsIndexNeverAboveTheFirst)
{
    add("B", FieldType::SmallText);
    add("C", FieldType::SmallText);
    add("New", FieldType::Date, GetParam().index);
    EXPECT_EQ(labels(), GetParam().order);
    ASSERT_TRUE(db.openDB(package));
    EXPECT_EQ(labels(), GetParam().order) << "as loaded from the file";
}

INSTANTIATE_TEST_SUITE_P(Indexes, AddPlacementTest,
                         testing::Values(PlacementCase{"AboveTheFirst", 0, {"Name", "New", "B", "C"}},
                                         PlacementCase{"Second", 1, {"Name", "New", "B", "C"}},
                                         PlacementCase{"Third", 2, {"Name", "B", "New", "C"}},
                                         PlacementCase{"End", 3, {"Name", "B", "C", "New"}},
                                         PlacementCase{"PastTheEnd", 9, {"Name", "B", "C", "New"}}),
                         test::NameOfCase());

TEST_F(StructureEditorTest, OnlyPaletteTypesCanBeAdded)
{
    for (int type :
         {FieldType::Main, FieldType::TwoReals, FieldType::CreationDate, FieldType::Unsupported, 18}) {
        expectRefused(editor.addField("X", type, PropertyList::array(), 1), "Info",
                      StructureEditor::kAddFieldError);
    }
    EXPECT_EQ(labelsInFile(), "Name\n");
}

struct MoveCase {
    const char* name;
    std::size_t source;
    std::size_t target;
    bool done;
    std::vector<std::string> order;
};

class MoveFieldTest : public StructureEditorTest, public testing::WithParamInterface<MoveCase> {};

TEST_P(MoveFieldTest, KeepsTheFirstFieldFirst)
{
    const MoveCase& c = GetParam();
    add("B", FieldType::SmallText);
    add("C", FieldType::SmallText);
    add("D", FieldType::SmallText);
    const std::int64_t before = editDate();
    const ScopedClockOverride clock(kNow);
    const StructureResult result = editor.moveField(c.source, c.target);
    EXPECT_EQ(result.done, c.done);
    EXPECT_FALSE(result.hasAlert());
    EXPECT_EQ(labels(), c.order);
    ASSERT_TRUE(db.openDB(package));
    EXPECT_EQ(labels(), c.order) << "as loaded from the file";
    EXPECT_EQ(editDate(), c.done ? static_cast<std::int64_t>(kNow) : before);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Moves, MoveFieldTest, testing::Values(
    MoveCase{"FirstFieldStays",          0, 2, false, {"Name", "B", "C", "D"}},
    MoveCase{"NothingGoesAboveTheFirst", 3, 0, true,  {"Name", "D", "B", "C"}},
    MoveCase{"Down",                     1, 3, true,  {"Name", "C", "D", "B"}},
    MoveCase{"Up",                       3, 1, true,  {"Name", "D", "B", "C"}},
    MoveCase{"OntoItself",               2, 2, false, {"Name", "B", "C", "D"}}),
    test::NameOfCase());
// clang-format on

TEST_F(StructureEditorTest, AMoveOutOfTheFormIsRefused)
{
    add("B", FieldType::SmallText);
    expectRefused(editor.moveField(1, 2), "Info", StructureEditor::kMoveFieldError);
    expectRefused(editor.moveField(5, 1), "Info", StructureEditor::kMoveFieldError);
}

// --- Deleting --------------------------------------------------------------

TEST_F(StructureEditorTest, TheMainFieldIsNeverDeleted)
{
    add("B", FieldType::SmallText);
    const std::int64_t before = editDate();
    const ScopedClockOverride clock(kNow);
    expectRefused(editor.deleteField(1), "Info", StructureEditor::kDeleteFieldRefused);
    EXPECT_EQ(labelsInFile(), "Name\nB\n");
    EXPECT_EQ(editDate(), before);
}

TEST_F(StructureEditorTest, DeletingANumberAFormulaUsesEmptiesEveryResult)
{
    const FieldId price = add("Price", FieldType::Number);
    const FieldId quantity = add("Quantity", FieldType::Number);
    const FieldId total = add("Total", FieldType::Calculation);
    ASSERT_TRUE(editor.saveField(total, "Total", formula(price, "*", quantity)).done);
    const RecordId first = addRecord({{price, FieldValue::text("2")}, {quantity, FieldValue::text("10")}});
    addRecord({{price, FieldValue::text("3")}, {quantity, FieldValue::text("10")}});
    ASSERT_TRUE(db.rebuildAllCalculation());
    ASSERT_EQ(valueOf(first, total), "20");

    ASSERT_TRUE(editor.deleteField(quantity).done);
    for (const auto& record : db.dbData()) {
        EXPECT_EQ(record.value(total)->text(), "") << record.recordId;
        EXPECT_EQ(record.value(quantity), nullptr) << "records were reloaded";
    }
    EXPECT_EQ(sqliteShell(Paths::databaseFile(package),
                          "select count(*) from data_table where \"" + std::to_string(total) + "\"=''"),
              "2\n");
}

TEST_F(StructureEditorTest, AFormulaChangeRecomputesEveryRecord)
{
    const FieldId a = add("A", FieldType::Number);
    const FieldId b = add("B", FieldType::Number);
    const FieldId result = add("Result", FieldType::Calculation);
    const RecordId record = addRecord({{a, FieldValue::text("8")}, {b, FieldValue::text("2")}});

    ASSERT_TRUE(editor.saveField(result, "Result", formula(a, "/", b)).done);
    EXPECT_EQ(valueOf(record, result), "4");
    ASSERT_TRUE(editor.saveField(result, "Result", formula(a, "-", b)).done);
    EXPECT_EQ(valueOf(record, result), "6");
    ASSERT_TRUE(db.openDB(package) && db.loadDbData());
    EXPECT_EQ(valueOf(record, result), "6") << "as loaded from the file";
}

TEST_F(StructureEditorTest, TheOptionsOfAFieldReadBackAsItsEditorShowsThem)
{
    StructureEditorState options;
    options.showNowButton = false;
    options.items = {"One"};
    options.caption = "Paid";
    options.askPassword = true;
    for (int type : {FieldType::Date, FieldType::Choose, FieldType::Checkbox, FieldType::Password}) {
        const FieldDefinition field{0, "F", type, structureFromEditor(type, options), 1, 0};
        const StructureEditorState read = StructureEditor::editorState(field);
        EXPECT_EQ(structureFromEditor(type, read), field.structure) << type;
    }
    // A date field whose structure says nothing shows its now button.
    EXPECT_TRUE(
        StructureEditor::editorState({0, "D", FieldType::Date, PropertyList::array(), 1, 0}).showNowButton);
}

// --- Every change marks the database edited and is announced ----------------

struct ChangeCase {
    const char* name;
    std::function<StructureResult(StructureEditor&, FieldId)> change;
};

class StructureChangeTest : public StructureEditorTest, public testing::WithParamInterface<ChangeCase> {};

TEST_P(StructureChangeTest, SetsTheEditDateAndPostsDBChanged)
{
    const FieldId field = add("Field", FieldType::Date);
    add("Other", FieldType::SmallText);
    int posted = 0;
    ObserverToken observer = NotificationCenter::defaultCenter().observe<NoPayload>(
        kDBChangedNotification, &sender, [&](const NoPayload&, const void*) { ++posted; });
    const ScopedClockOverride clock(kNow);
    const StructureResult result = GetParam().change(editor, field);
    observer.reset();
    EXPECT_TRUE(result.done);
    EXPECT_EQ(editDate(), static_cast<std::int64_t>(kNow));
    EXPECT_EQ(posted, 1);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Changes, StructureChangeTest, testing::Values(
    ChangeCase{"Add",     [](StructureEditor& e, FieldId) { return e.addField("New", FieldType::Link, defaultStructure(FieldType::Link), 1); }},
    ChangeCase{"Rename",  [](StructureEditor& e, FieldId id) { return e.renameField(id, "Renamed"); }},
    ChangeCase{"Options", [](StructureEditor& e, FieldId id) { return e.saveField(id, "Field", PropertyList(PropertyList::Array{PropertyList(false)})); }},
    ChangeCase{"Move",    [](StructureEditor& e, FieldId) { return e.moveField(2, 1); }},
    ChangeCase{"Delete",  [](StructureEditor& e, FieldId id) { return e.deleteField(id); }}),
    test::NameOfCase());
// clang-format on

// --- Storage failures ------------------------------------------------------

TEST_F(StructureEditorTest, StorageFailuresGiveTheirMessages)
{
    const FieldId field = add("Field", FieldType::SmallText);
    add("Other", FieldType::SmallText);
    db.setReadOnly(true);
    expectRefused(editor.addField("New", FieldType::Number, PropertyList::array(), 1), "Info",
                  StructureEditor::kAddFieldError);
    expectRefused(editor.deleteField(field), "Info", StructureEditor::kDeleteFieldError);
    expectRefused(editor.moveField(1, 2), "Info", StructureEditor::kMoveFieldError);
    const StructureResult rename = editor.renameField(field, "Renamed");
    EXPECT_FALSE(rename.done);
    db.setReadOnly(false);
    EXPECT_EQ(labelsInFile(), "Name\nField\nOther\n");
}

// --- Undo and redo of the Define section -------------------------------------

PropertyList items(std::initializer_list<const char*> texts)
{
    PropertyList::Array list;
    for (const char* text : texts) {
        list.emplace_back(text);
    }
    return PropertyList(std::move(list));
}

// Each action is recorded as the Define section records it.
class DefineHistoryTest : public StructureEditorTest {
public:
    DefineHistory history{db, editor};

    std::size_t indexOf(FieldId id) const
    {
        const auto& fields = db.dbStructure();
        return static_cast<std::size_t>(
            std::find_if(fields.begin(), fields.end(), [id](const auto& field) { return field.id == id; }) -
            fields.begin());
    }
    FieldId added(const std::string& label, int type, std::size_t index)
    {
        const FieldId id = add(label, type, index);
        history.record({DefineEdit::Action::Added, FieldState::of(*db.field(id)), indexOf(id), 0});
        return id;
    }
    void deleted(FieldId id)
    {
        const DefineEdit edit{DefineEdit::Action::Deleted, FieldState::of(*db.field(id)), indexOf(id), 0};
        ASSERT_TRUE(editor.deleteField(id).done);
        history.record(edit);
    }
    void moved(std::size_t from, std::size_t to)
    {
        const FieldState field = FieldState::of(db.dbStructure()[from]);
        ASSERT_TRUE(editor.moveField(from, to).done);
        history.record({DefineEdit::Action::Moved, field, from, to});
    }
    void changed(FieldId id, const std::string& label, const PropertyList& structure)
    {
        history.record({DefineEdit::Action::Changed, FieldState::of(*db.field(id)), 0, 0});
        ASSERT_TRUE(editor.saveField(id, label, structure).done);
    }
    FieldId idOf(const std::string& label) const { return editor.fieldExist(label); }
    void expectOrder(const std::vector<std::string>& order, const char* when) const
    {
        EXPECT_EQ(labels(), order) << when;
        std::string file;
        for (const auto& label : order) {
            file += label + "\n";
        }
        EXPECT_EQ(labelsInFile(), file) << when << ", in the file";
    }
};

struct HistoryCase {
    const char* name;
    std::function<void(DefineHistoryTest&)> act;
    std::vector<std::string> after;
};

class DefineHistoryCaseTest : public DefineHistoryTest, public testing::WithParamInterface<HistoryCase> {};

TEST_P(DefineHistoryCaseTest, UndoPutsTheFormBackAndRedoDoesItAgain)
{
    const std::vector<std::string> before = {"Name", "B", "C", "D"};
    for (const char* label : {"B", "C", "D"}) {
        add(label, FieldType::SmallText);
    }
    GetParam().act(*this);
    expectOrder(GetParam().after, "done");
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(history.undo().result.done);
        expectOrder(before, "undone");
        EXPECT_FALSE(history.canUndo());
        ASSERT_TRUE(history.redo().result.done);
        expectOrder(GetParam().after, "redone");
        EXPECT_FALSE(history.canRedo());
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Actions, DefineHistoryCaseTest, testing::Values(
    HistoryCase{"AddedInTheMiddle", [](DefineHistoryTest& f) { f.added("New", FieldType::Date, 2); },     {"Name", "B", "New", "C", "D"}},
    HistoryCase{"MovedDown",        [](DefineHistoryTest& f) { f.moved(1, 3); },                          {"Name", "C", "D", "B"}},
    HistoryCase{"MovedUp",          [](DefineHistoryTest& f) { f.moved(3, 1); },                          {"Name", "D", "B", "C"}},
    HistoryCase{"Deleted",          [](DefineHistoryTest& f) { f.deleted(f.idOf("C")); },                 {"Name", "B", "D"}},
    HistoryCase{"Renamed",          [](DefineHistoryTest& f) { f.changed(f.idOf("C"), "Renamed", {}); }, {"Name", "B", "Renamed", "D"}}),
    test::NameOfCase());
// clang-format on

TEST_F(DefineHistoryTest, AnUndoneDeletionComesBackEmptyWithItsOptions)
{
    add("Note", FieldType::SmallText);
    const FieldId colour = add("Colour", FieldType::Choose);
    ASSERT_TRUE(editor.saveField(colour, "Colour", items({"Red", "Blue"})).done);
    const RecordId record = addRecord({{colour, FieldValue::integer(1)}});

    deleted(colour);
    const DefineStep step = history.undo();
    ASSERT_TRUE(step.result.done);
    const FieldDefinition& back = db.dbStructure()[2];
    EXPECT_EQ(back.name, "Colour");
    EXPECT_EQ(back.type, FieldType::Choose);
    EXPECT_EQ(back.structure, items({"Red", "Blue"}));
    EXPECT_EQ(step.performed.field.id, back.id);
    EXPECT_EQ(db.record(record)->value(back.id)->integer(), -1) << "its values are gone";
}

TEST_F(DefineHistoryTest, AnUndoneDeletionOfANumberFieldIsAnOperandAgain)
{
    const FieldId price = add("Price", FieldType::Number);
    const FieldId quantity = add("Quantity", FieldType::Number);
    const FieldId total = add("Total", FieldType::Calculation);
    ASSERT_TRUE(editor.saveField(total, "Total", formula(price, "+", quantity)).done);
    changed(total, "Total", formula(price, "*", quantity));
    deleted(quantity);
    const auto words = [this, total] {
        return FormulaWords::describe(db.field(total)->structure, db.calculationFields());
    };
    EXPECT_EQ(words(), "Price * Not Found ");

    ASSERT_TRUE(history.undo().result.done);
    const FieldId back = idOf("Quantity");
    EXPECT_NE(back, quantity) << "a field comes back under a new id";
    EXPECT_EQ(words(), "Price * Quantity ");
    const RecordId record = addRecord({{price, FieldValue::text("3")}, {back, FieldValue::text("4")}});
    ASSERT_TRUE(db.rebuildAllCalculation());
    EXPECT_EQ(valueOf(record, total), "12");

    // The formula kept by the earlier step names the field as it is now.
    ASSERT_TRUE(history.undo().result.done);
    EXPECT_EQ(words(), "Price + Quantity ");
    EXPECT_EQ(valueOf(record, total), "7");
}

TEST_F(DefineHistoryTest, ARenamedChoiceKeepsItsRecordsThroughUndoAndRedo)
{
    const FieldId colour = add("Colour", FieldType::Choose);
    ASSERT_TRUE(editor.saveField(colour, "Colour", items({"Red", "Blue"})).done);
    const RecordId record = addRecord({{colour, FieldValue::integer(1)}});

    changed(colour, "Colour", items({"Red", "Navy"}));
    EXPECT_EQ(db.record(record)->value(colour)->integer(), 1);
    ASSERT_TRUE(history.undo().result.done);
    EXPECT_EQ(db.record(record)->value(colour)->integer(), 1);
    ASSERT_TRUE(history.redo().result.done);
    ASSERT_TRUE(db.loadDbData());
    EXPECT_EQ(db.record(record)->value(colour)->integer(), 1) << "as loaded from the file";
}

TEST_F(DefineHistoryTest, ChoiceItemsMustDiffer)
{
    const FieldId colour = add("Colour", FieldType::Choose);
    expectRefused(editor.saveField(colour, "Colour", items({"Red", "Blue", "Red"})), "Warning",
                  StructureEditor::kDuplicateItemMessage);
    EXPECT_EQ(db.field(colour)->structure, defaultStructure(FieldType::Choose));
}

TEST_F(DefineHistoryTest, ANewActionEndsWhatCouldBeRedone)
{
    added("B", FieldType::SmallText, 1);
    added("C", FieldType::SmallText, 2);
    ASSERT_TRUE(history.undo().result.done);
    ASSERT_TRUE(history.canRedo());
    added("D", FieldType::SmallText, 1);
    EXPECT_FALSE(history.canRedo());
}

TEST_F(DefineHistoryTest, AStepTheFormNoLongerAllowsIsRefusedAndKept)
{
    const FieldId b = add("B", FieldType::SmallText);
    const FieldId c = add("C", FieldType::SmallText);
    changed(b, "Renamed", {});
    // Elsewhere (the command line) C takes the old label.
    ASSERT_TRUE(editor.renameField(c, "B").done);
    const DefineStep step = history.undo();
    EXPECT_FALSE(step.result.done);
    EXPECT_EQ(step.result.alert.message, StructureEditor::kDuplicateLabelMessage);
    EXPECT_TRUE(history.canUndo());
    EXPECT_FALSE(history.canRedo());
    EXPECT_EQ(labels(), (std::vector<std::string>{"Name", "Renamed", "B"}));
}

} // namespace
