// The Define section driven as a user drives it: drags from the palette and
// of the editors' headers, typed names, clicks on options, the Undo and Redo
// keys.
#include "support/CaseNames.h"
#include "support/TestDatabase.h"
#include "ui/SectionHarness.h"
#include "ui/WidgetClicks.h"

#include "crypto/ProtectionPassword.h"
#include "fields/CalculationEngine.h"
#include "fields/FieldRules.h"
#include "fields/FieldTypes.h"
#include "fields/FormulaWords.h"
#include "platform/Alerts.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "records/StructureEditor.h"
#include "storage/DBManager.h"
#include "ui/define/AddComponentWindow.h"
#include "ui/define/CalculationFieldStructureViewController.h"
#include "ui/define/ChooseFieldStructureViewController.h"
#include "ui/define/PasswdFieldStructureViewController.h"
#include "ui/define/StructureFieldViewController.h"
#include "ui/define/StructurePaletteView.h"
#include "ui/define/StructureSectionController.h"
#include "ui/widgets/EditableItemList.h"
#include "ui/widgets/ReorderableList.h"
#include "ui/widgets/WelcomeView.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <gtest/gtest.h>

#include <functional>

using namespace dossiva;
using namespace dossiva::test;

namespace {

using test::PrintTo;

PropertyList items(std::initializer_list<const char*> texts)
{
    PropertyList::Array list;
    for (const char* text : texts) {
        list.emplace_back(text);
    }
    return PropertyList(std::move(list));
}

// Where a drop lands on an editor, by its place in the stack.
enum class Spot { UpperHalf, LowerHalf, BelowAll };

class DefineSectionTest : public ::testing::Test {
public:
    TestLibrary library;
    DBManager& db = DBManager::sharedIstance();
    std::string package = library.makePackage("Shop");
    RecordingSectionDelegate delegate;
    ScriptedAlerts alerts;
    QWidget window;
    std::unique_ptr<StructureSectionController> section;
    bool passwordGiven = true;
    int passwordAsked = 0;

    FieldId field(const std::string& label, int type, const PropertyList& structure = PropertyList::array())
    {
        return db.adddbFieldLabel(label, type, structure);
    }
    void addRecord(FieldId field, FieldValue value)
    {
        auto entries = emptyRecordEntries();
        entryFor(entries, field).value = std::move(value);
        ASSERT_TRUE(db.addRecordToDb(entries));
    }
    // Adds small text fields of these labels, then opens.
    void openWith(std::initializer_list<const char*> smallTexts)
    {
        for (const char* label : smallTexts) {
            field(label, FieldType::SmallText);
        }
        open();
    }
    // Shows the open database in the section, as the main window does.
    void open()
    {
        ASSERT_TRUE(db.openDB(package) && db.loadDbData());
        section = std::make_unique<StructureSectionController>(delegate, alerts, [this] {
            ++passwordAsked;
            return passwordGiven;
        });
        section->view()->setParent(&window);
        addUndoRedoKeys(window, *section);
        window.resize(1000, 900);
        section->view()->resize(1000, 900);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        settle();
    }
    void settle()
    {
        // Editors ask for their new heights by posted events.
        QCoreApplication::processEvents();
        ASSERT_TRUE(QTest::qWaitFor([this] { return !section->structureView()->isAnimating(); }));
    }

    StructureFieldsView* stack() const { return section->structureView(); }
    StructureFieldViewController& editorAt(std::size_t index) const
    {
        return *section->fieldsArray().at(index);
    }
    template <typename Editor> Editor& editorOf(FieldId id) const
    {
        auto* editor = dynamic_cast<Editor*>(section->editor(id));
        EXPECT_NE(editor, nullptr);
        return *editor;
    }
    std::vector<std::string> labels() const
    {
        std::vector<std::string> names;
        for (const auto& field : db.dbStructure()) {
            names.push_back(field.name);
        }
        return names;
    }
    std::vector<std::string> shownTitles() const
    {
        std::vector<std::string> titles;
        for (QWidget* view : stack()->viewArray()) {
            for (const auto& editor : section->fieldsArray()) {
                if (editor->view() == view) {
                    titles.push_back(editor->titleLabel()->text().toStdString());
                }
            }
        }
        return titles;
    }
    // The fields in this order, as stored and as the stack shows them.
    void expectOrder(const std::vector<std::string>& order) const
    {
        EXPECT_EQ(labels(), order);
        EXPECT_EQ(shownTitles(), order);
    }
    // After a move that must not happen: the form, the file and Undo are
    // as openWith({"A", "B", "C"}) left them.
    void expectUnmoved() const
    {
        expectOrder({"Name", "A", "B", "C"});
        EXPECT_EQ(labelsInFile(), "Name\nA\nB\nC\n");
        EXPECT_FALSE(delegate.undo) << "nothing to undo";
    }
    std::string labelsInFile() const
    {
        return sqliteShell(Paths::databaseFile(package),
                           "select field_name from fields_table order by order_index");
    }
    // A point of the stack over an editor's view.
    QPoint spotOn(std::size_t index, Spot spot) const
    {
        if (spot == Spot::BelowAll) {
            const QRect last = stack()->restingGeometry(editorAt(section->fieldsArray().size() - 1).view());
            return {last.center().x(), last.bottom() + 6};
        }
        const QRect place = stack()->restingGeometry(editorAt(index).view());
        return {place.center().x(), spot == Spot::UpperHalf ? place.top() + 3 : place.bottom() - 3};
    }
    void keyClick(const QKeySequence& keys)
    {
        // Shortcuts reach the active window only: a panel that closed may
        // have left none active.
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() == &window; }));
        QWidget* target = window.focusWidget() ? window.focusWidget() : &window;
        QTest::keySequence(target, keys);
        settle();
    }

    // Presses a row of the palette and starts dragging it; returns where the
    // press was. The palette holds the mouse from the press to the release.
    QPoint pickFromPalette(int row)
    {
        StructurePaletteView* palette = section->table();
        const QPoint start = palette->visualItemRect(palette->item(row)).center();
        QTest::mousePress(palette->viewport(), Qt::LeftButton, {}, start);
        QTest::mouseMove(palette->viewport(), start + QPoint(12, 0));
        return start;
    }
    // A point of the stack as the palette, which holds the mouse, sees it.
    QPoint onPalette(const QPoint& onStack) const
    {
        return section->table()->viewport()->mapFromGlobal(stack()->mapToGlobal(onStack));
    }
    // Drags a palette type onto a point of the stack, as the mouse would.
    void dragFromPalette(const QString& title, const QPoint& onStack)
    {
        StructurePaletteView* palette = section->table();
        const auto found = palette->findItems(title, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << title.toStdString();
        const QPoint start = pickFromPalette(palette->row(found.front()));
        const QPoint end = onPalette(onStack);
        QTest::mouseMove(palette->viewport(), (start + end) / 2);
        QTest::mouseMove(palette->viewport(), end);
        QTest::mouseRelease(palette->viewport(), Qt::LeftButton, {}, end);
        settle();
    }
    // Drags an editor by its header onto a point of the stack: the press
    // lands on the header's title, the stack holds the mouse from there.
    void dragEditor(std::size_t index, const QPoint& onStack)
    {
        QLabel* title = editorAt(index).titleLabel();
        const QPoint start = title->mapTo(stack(), title->rect().center());
        QTest::mousePress(title, Qt::LeftButton, {}, title->rect().center());
        QTest::mouseMove(stack(), start + QPoint(0, 12));
        QTest::mouseMove(stack(), onStack);
        QTest::mouseRelease(stack(), Qt::LeftButton, {}, onStack);
        settle();
    }
    // Drags a row of a list to a point of its viewport.
    void dragRow(QListWidget* list, int row, const QPoint& to)
    {
        const QPoint from = list->visualItemRect(list->item(row)).center();
        QTest::mousePress(list->viewport(), Qt::LeftButton, {}, from);
        QTest::mouseMove(list->viewport(), from + QPoint(0, 10));
        QTest::mouseMove(list->viewport(), to);
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, to);
    }
    // Picks a row of one of the formula panel's lists and presses Choose,
    // or double-clicks the row.
    void chooseInPanel(CalculationFieldStructureViewController& editor,
                       QListWidget* (AddComponentWindow::*table)() const, int row, bool doubleClick = false)
    {
        AddComponentWindow* panel = editor.addComponentWindow();
        ASSERT_TRUE(panel != nullptr && panel->isVisible());
        EXPECT_FALSE(panel->chooseFieldButton()->isEnabled()) << "nothing chosen yet";
        QListWidget* list = (panel->*table)();
        clickRow(*list, row);
        if (doubleClick) {
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {},
                               list->visualItemRect(list->item(row)).center());
            return;
        }
        // The focus goes elsewhere before the button is clicked.
        panel->operatorTable()->setFocus();
        QTest::mouseClick(panel->chooseFieldButton(), Qt::LeftButton);
    }
    // Adds a component to a formula: its add button, then a row of the panel.
    void addComponent(CalculationFieldStructureViewController& editor,
                      QListWidget* (AddComponentWindow::*table)() const, int row, bool doubleClick = false)
    {
        QTest::mouseClick(editor.calcTable()->addButton(), Qt::LeftButton);
        chooseInPanel(editor, table, row, doubleClick);
    }
    // Gives an editor's header the focus, as a click on it does.
    void clickHeader(StructureFieldViewController& editor)
    {
        QLabel* title = editor.titleLabel();
        QTest::mouseClick(title, Qt::LeftButton, {}, title->rect().center());
    }
    void typeName(StructureFieldViewController& editor, const QString& name, Qt::Key end = Qt::Key_Return)
    {
        QLineEdit* field = editor.titleText();
        QTest::mouseClick(field, Qt::LeftButton);
        field->selectAll();
        QTest::keyClicks(field, name);
        QTest::keyClick(field, end);
    }
};

// --- The palette -----------------------------------------------------------

TEST_F(DefineSectionTest, ThePaletteOffersTheFourteenTypesWithTheirIcons)
{
    open();
    StructurePaletteView* palette = section->table();
    ASSERT_EQ(palette->count(), 14);
    for (int row = 0; row < palette->count(); ++row) {
        const QListWidgetItem* item = palette->item(row);
        const int type = *FieldTypes::codeForPalettePosition(row);
        EXPECT_EQ(StructurePaletteView::palettePosition(item), row);
        EXPECT_EQ(item->text().toStdString(), FieldTypes::info(type)->paletteTitle);
        EXPECT_FALSE(item->icon().pixmap(24, 24).isNull()) << FieldTypes::info(type)->iconName;
    }
}

TEST_F(DefineSectionTest, WithoutADatabaseOnlyTheWelcomeShows)
{
    ASSERT_TRUE(db.openDB());
    section = std::make_unique<StructureSectionController>(delegate, alerts, [] { return true; });
    section->view()->setParent(&window);
    window.show();
    EXPECT_TRUE(section->welcomeMessage()->isVisible());
    EXPECT_FALSE(section->splitter()->isVisible());
    EXPECT_TRUE(section->fieldsArray().empty());
}

// --- Adding by drag ----------------------------------------------------------

struct DropCase {
    const char* name;
    std::size_t editor;
    Spot spot;
    std::vector<std::string> order;
};

class PaletteDropTest : public DefineSectionTest, public testing::WithParamInterface<DropCase> {};

TEST_P(PaletteDropTest, AddsTheFieldWhereItIsDroppedAndUndoTakesItBack)
{
    field("Note", FieldType::SmallText);
    field("Price", FieldType::Number);
    open();
    const DropCase& c = GetParam();
    dragFromPalette(QStringLiteral("Date Field"), spotOn(c.editor, c.spot));
    expectOrder(c.order);
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    EXPECT_EQ(QApplication::focusWidget()->objectName(), QStringLiteral("titleText")) << "ready to be named";
    EXPECT_TRUE(delegate.undo);

    keyClick(QKeySequence::Undo);
    expectOrder({"Name", "Note", "Price"});
    EXPECT_TRUE(delegate.redo);
    keyClick(QKeySequence::Redo);
    expectOrder(c.order);
}

INSTANTIATE_TEST_SUITE_P(
    Drops, PaletteDropTest,
    testing::Values(
        DropCase{"AboveTheFirstField", 0, Spot::UpperHalf, {"Name", "Date Field", "Note", "Price"}},
        DropCase{"LowerHalfOfTheFirst", 0, Spot::LowerHalf, {"Name", "Date Field", "Note", "Price"}},
        DropCase{"UpperHalfOfTheLast", 2, Spot::UpperHalf, {"Name", "Note", "Date Field", "Price"}},
        DropCase{"BelowAll", 2, Spot::BelowAll, {"Name", "Note", "Price", "Date Field"}}),
    test::NameOfCase());

TEST_F(DefineSectionTest, EnterOrADoubleClickOnATypeAddsItAtTheEnd)
{
    openWith({"Note"});
    StructurePaletteView* palette = section->table();
    section->setFirstResponder();
    QTest::keyClick(palette, Qt::Key_Down); // onto Large Text Field
    QTest::keyClick(palette, Qt::Key_Down); // onto Number Field
    QTest::keyClick(palette, Qt::Key_Return);
    settle();
    ASSERT_EQ(labels(), (std::vector<std::string>{"Name", "Note", "Number Field"}));
    // Its name is ready to be typed.
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Price"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(labels(), (std::vector<std::string>{"Name", "Note", "Price"}));

    const QPoint date = palette->visualItemRect(palette->item(3)).center();
    // A double click is a click, then the second press.
    QTest::mouseClick(palette->viewport(), Qt::LeftButton, {}, date);
    QTest::mouseDClick(palette->viewport(), Qt::LeftButton, {}, date);
    settle();
    EXPECT_EQ(labels(), (std::vector<std::string>{"Name", "Note", "Price", "Date Field"}));
}

TEST_F(DefineSectionTest, ADragOpensAGapWhereItWouldLandAndLeavingClosesIt)
{
    openWith({"A", "B"});
    QWidget* viewport = section->table()->viewport();
    const auto tops = [this] {
        std::vector<int> shown;
        for (QWidget* view : stack()->viewArray()) {
            shown.push_back(view->y());
        }
        return shown;
    };
    const std::vector<int> resting = tops();
    const QPoint start = pickFromPalette(0);
    QTest::mouseMove(viewport, onPalette(spotOn(2, Spot::UpperHalf)));
    settle();
    std::vector<int> opened = tops();
    EXPECT_EQ(opened[1], resting[1]) << "above the gap";
    EXPECT_GT(opened[2], resting[2]) << "below the gap";

    QTest::mouseMove(viewport, start);
    settle();
    EXPECT_EQ(tops(), resting) << "off the stack";
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, start);
    settle();
    EXPECT_EQ(labels(), (std::vector<std::string>{"Name", "A", "B"}));
}

TEST_F(DefineSectionTest, EscapeCancelsADragFromThePalette)
{
    openWith({"Note"});
    pickFromPalette(2);
    const QPoint end = onPalette(spotOn(1, Spot::BelowAll));
    QTest::mouseMove(section->table()->viewport(), end);
    ASSERT_TRUE(stack()->isDragging());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(stack()->isDragging());
    QTest::mouseRelease(section->table()->viewport(), Qt::LeftButton, {}, end);
    settle();
    EXPECT_EQ(labels(), (std::vector<std::string>{"Name", "Note"}));
}

TEST_F(DefineSectionTest, ADropOffTheStackAddsNothing)
{
    open();
    const QPoint outside =
        stack()->mapFromGlobal(section->table()->mapToGlobal(section->table()->rect().center()));
    dragFromPalette(QStringLiteral("Number Field"), outside);
    EXPECT_EQ(labels(), std::vector<std::string>{"Name"});
    EXPECT_FALSE(delegate.undo);
}

// --- Moving by drag or keys -----------------------------------------------------

using Gesture = std::function<void(DefineSectionTest&)>;

// Drags an editor by its header onto a spot of another.
Gesture drag(std::size_t source, std::size_t onto, Spot spot)
{
    return [=](DefineSectionTest& t) { t.dragEditor(source, t.spotOn(onto, spot)); };
}

// Presses Alt with an arrow key on an editor's header, as often as told.
Gesture altKey(std::size_t editor, Qt::Key key, int presses)
{
    return [=](DefineSectionTest& t) {
        t.clickHeader(t.editorAt(editor));
        for (int press = 0; press < presses; ++press) {
            QTest::keyClick(QApplication::focusWidget(), key, Qt::AltModifier);
            t.settle();
        }
    };
}

struct MoveCase {
    const char* name;
    Gesture move;
    int steps;                      // undo steps the move makes
    std::vector<std::string> order; // empty: nothing moves
};

class MoveTest : public DefineSectionTest, public testing::WithParamInterface<MoveCase> {};

TEST_P(MoveTest, MovesTheFieldAndUndoPutsItBack)
{
    openWith({"A", "B", "C"});
    const MoveCase& c = GetParam();
    c.move(*this);
    if (c.order.empty()) {
        expectUnmoved();
        return;
    }
    expectOrder(c.order);
    for (int round = 0; round < 2; ++round) {
        for (int step = 0; step < c.steps; ++step) {
            keyClick(QKeySequence::Undo);
        }
        expectOrder({"Name", "A", "B", "C"});
        for (int step = 0; step < c.steps; ++step) {
            keyClick(QKeySequence::Redo);
        }
        expectOrder(c.order);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Moves, MoveTest,
    testing::Values(MoveCase{"DragOfTheFirstField", drag(0, 3, Spot::BelowAll), 1, {}},
                    MoveCase{"DragOntoItsOwnUpperHalf", drag(2, 2, Spot::UpperHalf), 1, {}},
                    MoveCase{"DragOntoItsOwnLowerHalf", drag(2, 2, Spot::LowerHalf), 1, {}},
                    MoveCase{"DragDown", drag(1, 3, Spot::BelowAll), 1, {"Name", "B", "C", "A"}},
                    MoveCase{"DragDownOneStep", drag(1, 2, Spot::LowerHalf), 1, {"Name", "B", "A", "C"}},
                    MoveCase{"DragUpAboveTheFirst", drag(3, 0, Spot::UpperHalf), 1, {"Name", "C", "A", "B"}},
                    MoveCase{"AltUpOnce", altKey(3, Qt::Key_Up, 1), 1, {"Name", "A", "C", "B"}},
                    MoveCase{
                        "AltUpTwiceFollowsTheField", altKey(3, Qt::Key_Up, 2), 2, {"Name", "C", "A", "B"}},
                    MoveCase{"AltDownOnce", altKey(1, Qt::Key_Down, 1), 1, {"Name", "B", "A", "C"}},
                    MoveCase{"AltUpNeverAboveTheMainField", altKey(1, Qt::Key_Up, 1), 1, {}},
                    MoveCase{"AltDownOfTheMainField", altKey(0, Qt::Key_Down, 1), 1, {}},
                    MoveCase{"AltDownOfTheLast", altKey(3, Qt::Key_Down, 1), 1, {}}),
    test::NameOfCase());

struct HeaderMenuCase {
    const char* name;
    std::size_t editor;
    const char* enabled; // of Move Up, Move Down and Delete Field…, as "1" or "0"
    const char* chosen;  // nullptr: the menu is closed with Escape
    std::vector<std::string> order;
};

class HeaderMenuTest : public DefineSectionTest, public testing::WithParamInterface<HeaderMenuCase> {};

TEST_P(HeaderMenuTest, OffersWhatTheFieldAllowsAndDoesIt)
{
    openWith({"A", "B"});
    const HeaderMenuCase& c = GetParam();
    std::string enabled;
    QTimer::singleShot(0, [&enabled, &c] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        for (QAction* action : menu->actions()) {
            if (!action->isSeparator()) {
                enabled += action->isEnabled() ? "1" : "0";
            }
            if (c.chosen != nullptr && action->text() == QString::fromUtf8(c.chosen)) {
                menu->setActiveAction(action);
            }
        }
        QTest::keyClick(menu, c.chosen != nullptr ? Qt::Key_Return : Qt::Key_Escape);
    });
    alerts.queueAnswer("Delete Field");
    QLabel* title = editorAt(c.editor).titleLabel();
    QContextMenuEvent click(QContextMenuEvent::Mouse, title->rect().center(),
                            title->mapToGlobal(title->rect().center()));
    QApplication::sendEvent(title, &click);
    settle();
    EXPECT_EQ(enabled, c.enabled);
    EXPECT_EQ(labels(), c.order);
}

INSTANTIATE_TEST_SUITE_P(
    Menus, HeaderMenuTest,
    testing::Values(HeaderMenuCase{"TheMainFieldOffersNothing", 0, "000", nullptr, {"Name", "A", "B"}},
                    HeaderMenuCase{"TheSecondCannotGoUp", 1, "011", "Move Down", {"Name", "B", "A"}},
                    HeaderMenuCase{"TheLastCannotGoDown", 2, "101", "Move Up", {"Name", "B", "A"}},
                    HeaderMenuCase{"DeleteAsksFirst", 2, "101", "Delete Field…", {"Name", "A"}}),
    test::NameOfCase());

TEST_F(DefineSectionTest, APressBesideTheHeaderStartsNoDrag)
{
    openWith({"A", "B"});
    // Below the header strip, on the panel's own background.
    const QRect place = stack()->restingGeometry(editorAt(1).view());
    const QPoint body(place.left() + 4, place.top() + 40);
    QTest::mousePress(stack(), Qt::LeftButton, {}, body);
    QTest::mouseMove(stack(), body + QPoint(0, 20));
    QTest::mouseMove(stack(), spotOn(2, Spot::BelowAll));
    QTest::mouseRelease(stack(), Qt::LeftButton, {}, spotOn(2, Spot::BelowAll));
    EXPECT_EQ(labels(), (std::vector<std::string>{"Name", "A", "B"}));
}

// --- Names -------------------------------------------------------------------------

struct NameCase {
    const char* name;
    const char* typed;
    const char* stored;
    bool refused;
};

class RenameTest : public DefineSectionTest, public testing::WithParamInterface<NameCase> {};

TEST_P(RenameTest, ANameIsStoredWhenTypedUnlessAnotherFieldHasIt)
{
    const FieldId note = field("Note", FieldType::SmallText);
    field("Price", FieldType::Number);
    open();
    StructureFieldViewController& editor = *section->editor(note);
    QLineEdit* nameField = editor.titleText();
    typeName(editor, QString::fromUtf8(GetParam().typed));
    EXPECT_EQ(db.field(note)->name, GetParam().stored);
    EXPECT_EQ(nameField->text().toStdString(), GetParam().stored);
    EXPECT_EQ(editor.titleLabel()->text().toStdString(), GetParam().stored);
    if (GetParam().refused) {
        ASSERT_EQ(alerts.asked().size(), 1U);
        EXPECT_EQ(alerts.lastMessage(), std::string("Warning / ") + StructureEditor::kDuplicateLabelMessage);
        EXPECT_FALSE(delegate.undo) << "a refused name leaves nothing to undo";
        return;
    }
    EXPECT_TRUE(alerts.asked().empty());
    // The section's own announcement rebuilt nothing: the same editor
    // keeps the focus.
    EXPECT_EQ(section->editor(note), &editor);
    EXPECT_EQ(QApplication::focusWidget(), nameField);
    // Elsewhere Undo takes back the stored name (in the name field it
    // takes back the typing).
    QTest::mouseClick(section->table()->viewport(), Qt::LeftButton);
    keyClick(QKeySequence::Undo);
    EXPECT_EQ(db.field(note)->name, "Note");
    EXPECT_EQ(nameField->text().toStdString(), "Note");
}

INSTANTIATE_TEST_SUITE_P(Names, RenameTest,
                         testing::Values(NameCase{"AnotherFieldsName", "Price", "Note", true},
                                         NameCase{"TheMainFieldsName", "Name", "Note", true},
                                         NameCase{"ItsOwnName", "Note", "Note", false},
                                         NameCase{"ANewName", "Memo", "Memo", false}),
                         test::NameOfCase());

TEST_F(DefineSectionTest, EveryKeystrokeShowsInTheHeaderAndLeavingStoresTheName)
{
    const FieldId note = field("Note", FieldType::SmallText);
    open();
    StructureFieldViewController& editor = *section->editor(note);
    QTest::mouseClick(editor.titleText(), Qt::LeftButton);
    QTest::keyClicks(editor.titleText(), QStringLiteral("s"));
    EXPECT_EQ(editor.titleLabel()->text(), QStringLiteral("Notes"));
    EXPECT_EQ(db.field(note)->name, "Note") << "not stored while typed";
    EXPECT_FALSE(section->hasChangesToSave());
    EXPECT_EQ(db.field(note)->name, "Notes");
    EXPECT_FALSE(delegate.undo) << "leaving ends the history";
}

// --- Deleting ----------------------------------------------------------------------

TEST_F(DefineSectionTest, OnlyTheMainFieldAndUnknownTypesHaveNoRemoveButton)
{
    field("Note", FieldType::SmallText);
    field("Line", FieldType::Separator);
    field("Later", 25); // a type of a later version
    open();
    ASSERT_EQ(section->fieldsArray().size(), 4U);
    const bool removable[] = {false, true, true, false};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(editorAt(i).removeButton()->isVisible(), removable[i]) << i;
    }
    EXPECT_EQ(editorAt(3).type(), FieldType::Unsupported);
}

TEST_F(DefineSectionTest, DeletingAsksWithCancelFirstAndUndoBringsTheFieldBackEmpty)
{
    field("Note", FieldType::SmallText);
    const FieldId colour = field("Colour", FieldType::Choose, items({"Red", "Blue"}));
    field("Price", FieldType::Number);
    addRecord(colour, FieldValue::integer(1));
    open();

    QTest::mouseClick(section->editor(colour)->removeButton(), Qt::LeftButton);
    ASSERT_EQ(alerts.asked().size(), 1U);
    EXPECT_EQ(alerts.asked().back().title, "Delete the field and all its data?");
    EXPECT_EQ(alerts.asked().back().defaultAnswer(), "Cancel") << "Enter keeps the data";
    EXPECT_EQ(labels().size(), 4U);

    alerts.queueAnswer("Delete Field");
    QTest::mouseClick(section->editor(colour)->removeButton(), Qt::LeftButton);
    settle();
    expectOrder({"Name", "Note", "Price"});
    keyClick(QKeySequence::Undo);
    EXPECT_EQ(labels(), (std::vector<std::string>{"Name", "Note", "Colour", "Price"}));
    ASSERT_TRUE(db.loadDbData());
    EXPECT_EQ(db.dbData()[0].value(db.dbStructure()[2].id)->integer(), -1) << "its values are gone";
}

TEST_F(DefineSectionTest, DeleteInsideAnEditorRemovesNoField)
{
    const FieldId when = field("When", FieldType::Date, defaultStructure(FieldType::Date));
    open();
    QCheckBox* box = section->editor(when)->view()->findChild<QCheckBox*>(QStringLiteral("showNow"));
    ASSERT_NE(box, nullptr);
    box->setFocus(Qt::TabFocusReason);
    alerts.queueAnswer("Delete Field");
    keyClick(QKeySequence::Delete);
    EXPECT_TRUE(alerts.asked().empty());
    EXPECT_EQ(labels(), (std::vector<std::string>{"Name", "When"}));
}

// --- Formulas -------------------------------------------------------------------------

TEST_F(DefineSectionTest, DeletingANumberFieldOfAFormulaShowsNotFoundUntilUndone)
{
    const FieldId price = field("Price", FieldType::Number);
    const FieldId quantity = field("Quantity", FieldType::Number);
    PropertyList formula(PropertyList::Array{CalculationEngine::operandComponent(price),
                                             CalculationEngine::operatorComponent("*"),
                                             CalculationEngine::operandComponent(quantity)});
    const FieldId total = field("Total", FieldType::Calculation, formula);
    auto entries = emptyRecordEntries();
    entryFor(entries, price).value = FieldValue::text("3");
    entryFor(entries, quantity).value = FieldValue::text("4");
    ASSERT_TRUE(db.addRecordToDb(entries) && db.rebuildAllCalculation());
    open();
    auto& editor = editorOf<CalculationFieldStructureViewController>(total);
    EXPECT_EQ(editor.calcResult()->text(), QStringLiteral("Price * Quantity "));

    alerts.queueAnswer("Delete Field");
    QTest::mouseClick(section->editor(quantity)->removeButton(), Qt::LeftButton);
    settle();
    EXPECT_EQ(rowTexts(*editor.calcTable()->list()), (std::vector<std::string>{"Price", "*", "Not Found"}));
    EXPECT_EQ(db.dbData()[0].value(total)->text(), "") << "every result was computed again";
    EXPECT_TRUE(editor.warningText()->isVisible()) << "one number field is left";

    keyClick(QKeySequence::Undo);
    EXPECT_FALSE(editor.warningText()->isVisible());
    EXPECT_EQ(rowTexts(*editor.calcTable()->list()), (std::vector<std::string>{"Price", "*", "Quantity"}));
    EXPECT_EQ(editor.calcResult()->text(), QStringLiteral("Price * Quantity "));
}

TEST_F(DefineSectionTest, AFormulaIsBuiltInThePanelWhateverHasTheFocus)
{
    field("Price", FieldType::Number);
    field("Quantity", FieldType::Number);
    const FieldId total = field("Total", FieldType::Calculation);
    open();
    auto& editor = editorOf<CalculationFieldStructureViewController>(total);
    EditableItemList* formula = editor.calcTable();
    EXPECT_EQ(editor.calcResult()->text(), QStringLiteral("Not yet defined."));
    addComponent(editor, &AddComponentWindow::fieldsTable, 0);
    addComponent(editor, &AddComponentWindow::operatorTable, 3, true);
    addComponent(editor, &AddComponentWindow::fieldsTable, 1);
    EXPECT_FALSE(editor.addComponentWindow()->isVisible());
    EXPECT_EQ(editor.calcResult()->text(), QStringLiteral("Price / Quantity "));
    EXPECT_EQ(db.field(total)->structure, editor.structure()) << "stored";

    // Edit replaces the selected component.
    ReorderableList* list = formula->list();
    list->clearSelection();
    EXPECT_FALSE(formula->editButton()->isEnabled());
    EXPECT_FALSE(formula->removeButton()->isEnabled());
    clickRow(*list, 1);
    QTest::mouseClick(formula->editButton(), Qt::LeftButton);
    chooseInPanel(editor, &AddComponentWindow::operatorTable, 0);
    EXPECT_EQ(editor.calcResult()->text(), QStringLiteral("Price + Quantity "));
}

TEST_F(DefineSectionTest, BelowTwoNumberFieldsAFormulaEditorExplainsWhy)
{
    field("Price", FieldType::Number);
    const FieldId total = field("Total", FieldType::Calculation);
    open();
    auto& editor = editorOf<CalculationFieldStructureViewController>(total);
    EXPECT_TRUE(editor.warningText()->isVisible());
    EXPECT_FALSE(editor.calcTable()->isVisible());
    // A second number field from the palette brings the formula.
    dragFromPalette(QStringLiteral("Number Field"), spotOn(2, Spot::BelowAll));
    EXPECT_FALSE(editor.warningText()->isVisible());
    EXPECT_TRUE(editor.calcTable()->isVisible());
}

// --- Choose items --------------------------------------------------------------------

// Without records no question is asked: the change table's item removals.
TEST_F(DefineSectionTest, RemovingAnItemRecordsMayHaveChosenAsksFirst)
{
    const FieldId colour = field("Colour", FieldType::Choose, items({"Red", "Blue"}));
    addRecord(colour, FieldValue::integer(0));
    open();
    auto& editor = editorOf<ChooseFieldStructureViewController>(colour);
    using Items = std::vector<std::string>;
    for (const auto& [answer, left] :
         {std::pair{"Cancel", Items{"Red", "Blue"}}, std::pair{"Delete", Items{"Blue"}}}) {
        SCOPED_TRACE(answer);
        alerts.queueAnswer(answer);
        clickRow(*editor.items()->list(), 0);
        QTest::mouseClick(editor.items()->removeButton(), Qt::LeftButton);
        EXPECT_EQ(alerts.lastMessage(), "Attention / All Data will be lost");
        EXPECT_EQ(editor.array(), left);
        EXPECT_EQ(choiceItems(db.field(colour)->structure), left);
    }
    EXPECT_EQ(alerts.asked().size(), 2U) << "one question each time";
}

TEST_F(DefineSectionTest, RenamingAnItemKeepsTheRecordsThatChoseItAndRefusesATakenText)
{
    const FieldId colour = field("Colour", FieldType::Choose, items({"Red", "Blue"}));
    addRecord(colour, FieldValue::integer(1));
    open();
    auto& editor = editorOf<ChooseFieldStructureViewController>(colour);
    QListWidget* list = editor.items()->list();
    const auto rename = [&](int row, const QString& text) {
        clickRow(*list, row);
        QTest::mouseClick(editor.items()->editButton(), Qt::LeftButton);
        QWidget* cell = QApplication::focusWidget();
        ASSERT_TRUE(qobject_cast<QLineEdit*>(cell) != nullptr) << "the item is being edited";
        qobject_cast<QLineEdit*>(cell)->selectAll();
        QTest::keyClicks(cell, text);
        QTest::keyClick(cell, Qt::Key_Return);
        // The list commits what was typed once the key is handled.
        ASSERT_TRUE(QTest::qWaitFor([cell] { return QApplication::focusWidget() != cell; }));
    };
    rename(1, QStringLiteral("Navy"));
    EXPECT_TRUE(alerts.asked().empty()) << "a rename asks nothing";
    EXPECT_EQ(choiceItems(db.field(colour)->structure), (std::vector<std::string>{"Red", "Navy"}));
    ASSERT_TRUE(db.loadDbData());
    EXPECT_EQ(db.dbData()[0].value(colour)->integer(), 1) << "the record keeps its choice";

    rename(1, QStringLiteral("Red"));
    ASSERT_EQ(alerts.asked().size(), 1U);
    EXPECT_EQ(alerts.asked().back().message, StructureEditor::kDuplicateItemMessage);
    EXPECT_EQ(rowTexts(*list), (std::vector<std::string>{"Red", "Navy"}));
    EXPECT_EQ(choiceItems(db.field(colour)->structure), (std::vector<std::string>{"Red", "Navy"}));

    keyClick(QKeySequence::Undo);
    EXPECT_EQ(rowTexts(*list), (std::vector<std::string>{"Red", "Blue"}));
    ASSERT_TRUE(db.loadDbData());
    EXPECT_EQ(db.dbData()[0].value(colour)->integer(), 1) << "undoing the rename keeps it too";
}

// --- Undo and redo of each kind of change -------------------------------------------

// A form of a choose field, two number fields and a formula, changed by
// the user one way or another.
class ChangingForm : public DefineSectionTest {
public:
    FieldId colour = 0, total = 0, paid = 0;

    void SetUp() override
    {
        colour = field("Colour", FieldType::Choose, items({"Red", "Blue"}));
        field("Price", FieldType::Number);
        field("Quantity", FieldType::Number);
        total = field("Total", FieldType::Calculation);
        paid = field("Paid", FieldType::Checkbox, defaultStructure(FieldType::Checkbox));
        open();
    }
    ChooseFieldStructureViewController& choose() const
    {
        return editorOf<ChooseFieldStructureViewController>(colour);
    }
    CalculationFieldStructureViewController& formula() const
    {
        return editorOf<CalculationFieldStructureViewController>(total);
    }
    // The form as stored, checked against what the editors show.
    std::string form() const
    {
        std::string text;
        for (const FieldDefinition& field : db.dbStructure()) {
            text += field.name;
            if (field.type == FieldType::Choose) {
                for (const auto& item : choiceItems(field.structure)) {
                    text += " [" + item + "]";
                }
            } else if (field.type == FieldType::Calculation) {
                text += " = " + FormulaWords::describe(field.structure, db.calculationFields());
            } else if (field.type == FieldType::Checkbox) {
                text += " (" + StructureEditor::editorState(field).caption + ")";
            }
            text += "; ";
            const StructureFieldViewController* editor = section->editor(field.id);
            EXPECT_TRUE(editor != nullptr && editor->title().toStdString() == field.name &&
                        editor->structure() == field.structure)
                << field.name << " is not shown as stored";
        }
        return text;
    }
};

struct ChangeCase {
    const char* name;
    std::function<void(ChangingForm&)> change;
    int steps; // undo steps the change makes
    const char* after;
    const char* asked = nullptr; // the question the change asks first, if any
};

class ChangeUndoTest : public ChangingForm, public testing::WithParamInterface<ChangeCase> {};

TEST_P(ChangeUndoTest, UndoTakesTheChangeBackAndRedoMakesItAgain)
{
    const ChangeCase& c = GetParam();
    const std::string before = form();
    c.change(*this);
    settle();
    EXPECT_EQ(form(), c.after);
    EXPECT_EQ(alerts.asked().empty() ? "" : alerts.asked().back().title, c.asked ? c.asked : "");
    for (int step = 0; step < c.steps; ++step) {
        QTest::mouseClick(section->table()->viewport(), Qt::LeftButton);
        keyClick(QKeySequence::Undo);
    }
    EXPECT_EQ(form(), before);
    EXPECT_FALSE(delegate.undo);
    for (int step = 0; step < c.steps; ++step) {
        keyClick(QKeySequence::Redo);
    }
    EXPECT_EQ(form(), c.after);
    EXPECT_FALSE(delegate.redo);
}

INSTANTIATE_TEST_SUITE_P(
    Changes, ChangeUndoTest,
    testing::Values(
        ChangeCase{
            "ItemAdded",
            [](ChangingForm& form) { QTest::mouseClick(form.choose().items()->addButton(), Qt::LeftButton); },
            1, "Name; Colour [Red] [Blue] [Item 3]; Price; Quantity; Total = Not yet defined.; Paid (Yes); "},
        ChangeCase{"ItemRemovedByItsButton",
                   [](ChangingForm& form) {
                       clickRow(*form.choose().items()->list(), 0);
                       QTest::mouseClick(form.choose().items()->removeButton(), Qt::LeftButton);
                   },
                   1, "Name; Colour [Blue]; Price; Quantity; Total = Not yet defined.; Paid (Yes); "},
        ChangeCase{"ItemRemovedByTheDeleteKey",
                   [](ChangingForm& form) {
                       clickRow(*form.choose().items()->list(), 1);
                       form.keyClick(QKeySequence::Delete);
                   },
                   1, "Name; Colour [Red]; Price; Quantity; Total = Not yet defined.; Paid (Yes); "},
        ChangeCase{"ItemDraggedBelowTheNext",
                   [](ChangingForm& form) {
                       QListWidget* list = form.choose().items()->list();
                       const QRect last = list->visualItemRect(list->item(1));
                       form.dragRow(list, 0, {last.center().x(), last.bottom() - 2});
                   },
                   1, "Name; Colour [Blue] [Red]; Price; Quantity; Total = Not yet defined.; Paid (Yes); "},
        ChangeCase{"ItemMovedUpWithAltUp",
                   [](ChangingForm& form) {
                       clickRow(*form.choose().items()->list(), 1);
                       QTest::keyClick(form.choose().items()->list(), Qt::Key_Up, Qt::AltModifier);
                   },
                   1, "Name; Colour [Blue] [Red]; Price; Quantity; Total = Not yet defined.; Paid (Yes); "},
        ChangeCase{"ItemRenamedAfterF2",
                   [](ChangingForm& form) {
                       clickRow(*form.choose().items()->list(), 0);
                       QTest::keyClick(form.choose().items()->list(), Qt::Key_F2);
                       QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Crimson"));
                       QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
                   },
                   1,
                   "Name; Colour [Crimson] [Blue]; Price; Quantity; Total = Not yet defined.; Paid (Yes); "},
        ChangeCase{"FormulaOfAFieldAnOperatorAndAField",
                   [](ChangingForm& form) {
                       form.addComponent(form.formula(), &AddComponentWindow::fieldsTable, 1);
                       form.addComponent(form.formula(), &AddComponentWindow::operatorTable, 1, true);
                       form.addComponent(form.formula(), &AddComponentWindow::fieldsTable, 0);
                   },
                   3, "Name; Colour [Red] [Blue]; Price; Quantity; Total = Quantity - Price ; Paid (Yes); "},
        ChangeCase{"FieldRenamed",
                   [](ChangingForm& form) {
                       form.typeName(*form.section->editor(form.colour), QStringLiteral("Hue"));
                   },
                   1, "Name; Hue [Red] [Blue]; Price; Quantity; Total = Not yet defined.; Paid (Yes); "},
        ChangeCase{"CaptionTyped",
                   [](ChangingForm& form) {
                       auto* caption = form.section->editor(form.paid)->view()->findChild<QLineEdit*>(
                           QStringLiteral("captionText"));
                       QTest::mouseClick(caption, Qt::LeftButton);
                       caption->selectAll();
                       QTest::keyClicks(caption, QStringLiteral("Settled"));
                       QTest::keyClick(caption, Qt::Key_Tab);
                   },
                   1,
                   "Name; Colour [Red] [Blue]; Price; Quantity; Total = Not yet defined.; Paid (Settled); "},
        ChangeCase{"FieldDeletedByTheDeleteKey",
                   [](ChangingForm& form) {
                       form.clickHeader(*form.section->editor(form.colour));
                       form.alerts.queueAnswer("Delete Field");
                       form.keyClick(QKeySequence::Delete);
                   },
                   1, "Name; Price; Quantity; Total = Not yet defined.; Paid (Yes); ",
                   "Delete the field and all its data?"}),
    test::NameOfCase());

// --- Storage that refuses ---------------------------------------------------------------

struct RefusalCase {
    const char* name;
    std::function<void(ChangingForm&)> change;
    const char* message;
};

class RefusalTest : public ChangingForm, public testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusalTest, AChangeTheFileRefusesIsToldWithItsReasonAndShownUndone)
{
    const std::string before = form();
    db.setReadOnly(true);
    GetParam().change(*this);
    settle();
    db.setReadOnly(false);
    ASSERT_FALSE(alerts.asked().empty());
    EXPECT_EQ(alerts.lastMessage(), std::string("Info / ") + GetParam().message);
    EXPECT_FALSE(alerts.asked().back().detail.empty()) << "the reason";
    EXPECT_EQ(form(), before);
    EXPECT_EQ(shownTitles(), labels());
    EXPECT_FALSE(delegate.undo) << "nothing was done";
}

INSTANTIATE_TEST_SUITE_P(
    Changes, RefusalTest,
    testing::Values(
        RefusalCase{"TypeDropped",
                    [](ChangingForm& form) {
                        form.dragFromPalette(QStringLiteral("Number Field"), form.spotOn(1, Spot::LowerHalf));
                    },
                    StructureEditor::kAddFieldError},
        RefusalCase{"EditorDragged",
                    [](ChangingForm& form) { form.dragEditor(3, form.spotOn(1, Spot::UpperHalf)); },
                    StructureEditor::kMoveFieldError},
        RefusalCase{"FieldDeleted",
                    [](ChangingForm& form) {
                        form.alerts.queueAnswer("Delete Field");
                        QTest::mouseClick(form.section->editor(form.colour)->removeButton(), Qt::LeftButton);
                    },
                    StructureEditor::kDeleteFieldError},
        RefusalCase{"FieldRenamed",
                    [](ChangingForm& form) {
                        form.typeName(*form.section->editor(form.colour), QStringLiteral("Hue"));
                    },
                    StructureEditor::kSaveFieldError},
        RefusalCase{
            "ItemAdded",
            [](ChangingForm& form) { QTest::mouseClick(form.choose().items()->addButton(), Qt::LeftButton); },
            StructureEditor::kSaveFieldError}),
    test::NameOfCase());

TEST_F(ChangingForm, AComponentDraggedInAFormulaIsUndone)
{
    EditableItemList* list = formula().calcTable();
    addComponent(formula(), &AddComponentWindow::fieldsTable, 0);
    addComponent(formula(), &AddComponentWindow::operatorTable, 0);
    addComponent(formula(), &AddComponentWindow::fieldsTable, 1);
    // The first component dragged to the end breaks the alternation.
    const QRect last = list->list()->visualItemRect(list->list()->item(2));
    dragRow(list->list(), 0, {last.center().x(), last.bottom() + 4});
    EXPECT_EQ(rowTexts(*list->list()), (std::vector<std::string>{"+", "Quantity", "Price"}));
    EXPECT_EQ(formula().calcResult()->text(), QStringLiteral("Not yet defined."));
    keyClick(QKeySequence::Undo);
    EXPECT_EQ(rowTexts(*list->list()), (std::vector<std::string>{"Price", "+", "Quantity"}));
    EXPECT_EQ(formula().calcResult()->text(), QStringLiteral("Price + Quantity "));
}

// --- Options -----------------------------------------------------------------------------

struct PasswordCase {
    const char* name;
    bool protectionOn;
    bool askBefore;
    bool passwordGiven;
    int asked;
    bool askAfter;
};

class PasswordOptionTest : public DefineSectionTest, public testing::WithParamInterface<PasswordCase> {};

TEST_P(PasswordOptionTest, SwitchingTheQuestionOffTakesTheProtectionPassword)
{
    const PasswordCase& c = GetParam();
    UserDefaults::standard().setBool(ProtectionPassword::kProtectKey, c.protectionOn);
    StructureEditorState state;
    state.askPassword = c.askBefore;
    const FieldId code = field("Code", FieldType::Password, structureFromEditor(FieldType::Password, state));
    passwordGiven = c.passwordGiven;
    open();
    auto& editor = editorOf<PasswdFieldStructureViewController>(code);
    QTest::mouseClick(editor.askPasswdButton(), Qt::LeftButton);
    EXPECT_EQ(passwordAsked, c.asked);
    EXPECT_EQ(editor.askPasswd(), c.askAfter);
    EXPECT_EQ(StructureEditor::editorState(*db.field(code)).askPassword, c.askAfter);
    EXPECT_EQ(delegate.undo, c.askAfter != c.askBefore);
}

INSTANTIATE_TEST_SUITE_P(Switches, PasswordOptionTest,
                         testing::Values(PasswordCase{"OnWithProtection", true, false, true, 0, true},
                                         PasswordCase{"OffWithoutProtection", false, true, true, 0, false},
                                         PasswordCase{"OffWithProtectionGiven", true, true, true, 1, false},
                                         PasswordCase{"OffWithProtectionRefused", true, true, false, 1,
                                                      true}),
                         test::NameOfCase());

TEST_F(DefineSectionTest, TheNowButtonOptionIsStoredAndUndone)
{
    const FieldId when = field("When", FieldType::DateTime, defaultStructure(FieldType::DateTime));
    open();
    QCheckBox* box = section->editor(when)->view()->findChild<QCheckBox*>(QStringLiteral("showNow"));
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(box->isChecked());
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    EXPECT_FALSE(StructureEditor::editorState(*db.field(when)).showNowButton);
    keyClick(QKeySequence::Undo);
    EXPECT_TRUE(box->isChecked());
    EXPECT_TRUE(StructureEditor::editorState(*db.field(when)).showNowButton);
}

// --- The stack and the divider ---------------------------------------------------

TEST_F(DefineSectionTest, ACollapsedEditorIsItsHeaderAndTheOthersFollow)
{
    const FieldId note = field("Note", FieldType::Choose, items({"Red"}));
    field("Price", FieldType::Number);
    open();
    QWidget* below = editorAt(2).view();
    const int expandedTop = below->y();
    QTest::mouseClick(section->editor(note)->disclosureButton(), Qt::LeftButton);
    settle();
    EXPECT_EQ(section->editor(note)->view()->height(), 28);
    EXPECT_LT(below->y(), expandedTop);
    QTest::mouseClick(section->editor(note)->disclosureButton(), Qt::LeftButton);
    settle();
    EXPECT_EQ(below->y(), expandedTop);
}

TEST_F(DefineSectionTest, TheDividerKeepsThePaletteAndTheStackUsable)
{
    open();
    QSplitter* splitter = section->splitter();
    QWidget* handle = splitter->handle(1);
    const QPoint grip = handle->rect().center();
    const auto drag = [&](int distance) {
        QTest::mousePress(handle, Qt::LeftButton, {}, grip);
        QTest::mouseMove(handle, grip + QPoint(distance / 2, 0));
        QTest::mouseMove(handle, grip + QPoint(distance, 0));
        QTest::mouseRelease(handle, Qt::LeftButton, {}, grip + QPoint(distance, 0));
    };
    drag(-600);
    EXPECT_EQ(section->infoBox()->width(), 199);
    drag(900);
    EXPECT_EQ(section->scrollArea()->width(), 542);
}

} // namespace
