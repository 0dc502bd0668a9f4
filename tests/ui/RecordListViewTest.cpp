// The records as a table, driven as a user drives it: single clicks on
// cells and on the header, keys typed into the cells, Tab, the cell menus,
// the date window and the columns menu.
#include "UseSectionFixture.h"
#include "ui/WidgetClicks.h"

#include "support/Pictures.h"

#include "crypto/ProtectionPassword.h"
#include "fields/NumberRule.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "ui/use/RecordCellDelegate.h"
#include "ui/use/RecordTableModel.h"
#include "ui/use/RecordTableView.h"
#include "ui/use/SetDateWindowController.h"
#include "ui/use/UseRecordListViewController.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDesktopServices>
#include <QHeaderView>
#include <QListView>
#include <QMenu>
#include <QPrinter>
#include <QPushButton>
#include <QToolButton>
#include <QUrl>
#include <QtTest>

#include <gtest/gtest.h>

using namespace dossiva;
using namespace dossiva::test;

namespace {

// Takes the addresses the desktop is asked to open.
class UrlCatcher final : public QObject {
    Q_OBJECT
public:
    UrlCatcher()
    {
        for (const char* scheme : {"http", "https", "mailto", "file"}) {
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "open");
        }
    }
    ~UrlCatcher() override
    {
        for (const char* scheme : {"http", "https", "mailto", "file"}) {
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
        }
    }
    std::vector<std::string> opened;

public slots:
    void open(const QUrl& url) { opened.push_back(url.toString().toStdString()); }
};

using Part = RecordCellDelegate::Part;

// A menu pops up once the click that asked for it has ended.
bool opens(QMenu* menu)
{
    return QTest::qWaitFor([menu] { return menu->isVisible(); });
}

class RecordListViewTest : public UseSectionFixture {
protected:
    RecordListViewTest() : UseSectionFixture("Cellar") { db.createGeneralInfoTable(); }

    FieldId note = db.adddbFieldLabel("Note", FieldType::SmallText, PropertyList::array());
    FieldId price = db.adddbFieldLabel("Price", FieldType::Number, PropertyList::array());
    FieldId quantity = db.adddbFieldLabel("Quantity", FieldType::Number, PropertyList::array());
    FieldId total = db.adddbFieldLabel("Total", FieldType::Calculation, productFormula(price, quantity));
    FieldId colour =
        db.adddbFieldLabel("Colour", FieldType::Choose,
                           PropertyList(PropertyList::Array{PropertyList("Red"), PropertyList("Blue")}));
    FieldId paid =
        db.adddbFieldLabel("Paid", FieldType::Checkbox,
                           PropertyList(PropertyList::Dictionary{{"Caption", PropertyList("Paid")}}));
    FieldId bought = db.adddbFieldLabel("Bought", FieldType::Date, PropertyList::array());
    FieldId photo = db.adddbFieldLabel("Photo", FieldType::Image, PropertyList::array());
    FieldId code = db.adddbFieldLabel("Code", FieldType::Password,
                                      PropertyList(PropertyList::Dictionary{{"Ask", PropertyList(true)}}));
    FieldId web = db.adddbFieldLabel("Web", FieldType::Link, PropertyList::array());
    void openList()
    {
        UserDefaults::standard().setBool("list column", true);
        open();
        list()->setFocus();
    }
    UseRecordListViewController* list() const { return section->listView(); }
    RecordTableView* table() const { return list()->table(); }
    int column(FieldId field) const
    {
        return static_cast<int>(*list()->model()->columns().indexOfField(field));
    }
    QPoint pointIn(int row, int at, Part part = Part::Value) const
    {
        const QModelIndex index = list()->model()->index(row, at);
        table()->scrollTo(index);
        const QRect rect = table()->visualRect(index);
        const ListColumn::Cell cell = list()->model()->column(at).cell;
        return part == Part::Button ? RecordCellDelegate::buttonRect(cell, rect).center()
                                    : RecordCellDelegate::valueRect(cell, rect).center();
    }
    void click(int row, int at, Part part = Part::Value)
    {
        QTest::mouseClick(table()->viewport(), Qt::LeftButton, {}, pointIn(row, at, part));
    }
    QLineEdit* editor() const { return qobject_cast<QLineEdit*>(list()->cellEditor()); }
    // Clicks a cell, types over its text and ends the edit with the key.
    void type(int row, int at, const QString& text, Qt::Key end = Qt::Key_Return)
    {
        click(row, at);
        ASSERT_NE(editor(), nullptr) << "one click edits the cell";
        QTest::keyClicks(editor(), text);
        QTest::keyClick(editor(), end);
    }
    std::string text(RecordId record, FieldId field) const
    {
        return std::string(db.record(record)->value(field)->text());
    }
    std::vector<int> selectedRows() const
    {
        std::vector<int> rows;
        for (const QModelIndex& index : table()->selectionModel()->selectedRows()) {
            rows.push_back(index.row());
        }
        return rows;
    }
    void chooseFromMenu(const QString& title)
    {
        QMenu* menu = list()->cellMenu();
        ASSERT_NE(menu, nullptr);
        ASSERT_TRUE(opens(menu));
        clickEntry(*menu, title);
    }
};

TEST_F(RecordListViewTest, ASingleClickEditsACellAndLeavingItStoresWhatWasTyped)
{
    const RecordId apple = addRecord("apple");
    const RecordId pear = addRecord("pear");
    openList();
    type(0, column(note), QStringLiteral("crisp"));
    EXPECT_EQ(text(apple, note), "crisp");
    EXPECT_EQ(editor(), nullptr);
    EXPECT_TRUE(delegate.undo);

    // Clicking another row ends the edit, which is stored, not dropped.
    click(0, column(note));
    QTest::keyClicks(editor(), QStringLiteral("sweet"));
    click(1, column(note));
    EXPECT_EQ(text(apple, note), "sweet");
    EXPECT_EQ(selectedRows(), std::vector<int>{1});
    ASSERT_NE(editor(), nullptr);
    QTest::keyClick(editor(), Qt::Key_Escape);
    EXPECT_EQ(text(pear, note), "") << "Escape drops what was typed";
}

TEST_F(RecordListViewTest, AValueThatCannotBeStoredIsToldAndStaysTypedInItsCell)
{
    const RecordId record = addRecord("wine");
    openList();
    db.setReadOnly(true);
    type(0, column(note), QStringLiteral("crisp"), Qt::Key_Tab);
    ASSERT_FALSE(alerts.asked().empty());
    EXPECT_EQ(alerts.asked().back().message, "The record could not be saved.");
    EXPECT_FALSE(alerts.asked().back().detail.empty()) << "with the reason";
    ASSERT_NE(editor(), nullptr) << "Tab does not go on past a value not stored";
    EXPECT_EQ(editor()->text(), QStringLiteral("crisp"));
    EXPECT_EQ(list()->model()->columns().at(static_cast<std::size_t>(table()->currentIndex().column())).field,
              note);
    db.setReadOnly(false);
    QTest::keyClick(editor(), Qt::Key_Return);
    EXPECT_EQ(text(record, note), "crisp");
}

TEST_F(RecordListViewTest, NumberCellsStoreANumberAsTheFormPrintsItAndRefuseTheRest)
{
    const RecordId record = addRecord("wine", {{quantity, FieldValue::text("2")}});
    openList();
    struct Case {
        const char* typed;
        const char* stored; // nullptr: refused
    };
    // The rule itself is the number rule's table; here, what the cell does with it.
    for (const Case& c : {Case{"1,5", "1.5"}, Case{"1.50", nullptr}, Case{"", ""}}) {
        SCOPED_TRACE(c.typed);
        const std::string before = text(record, price);
        const std::size_t asked = alerts.asked().size();
        click(0, column(price));
        QTest::keyClick(editor(), Qt::Key_Delete);
        QTest::keyClicks(editor(), QString::fromLatin1(c.typed));
        QTest::keyClick(editor(), Qt::Key_Return);
        if (c.stored != nullptr) {
            EXPECT_EQ(text(record, price), c.stored);
            EXPECT_EQ(alerts.asked().size(), asked);
            continue;
        }
        EXPECT_EQ(text(record, price), before);
        ASSERT_EQ(alerts.asked().size(), asked + 1);
        EXPECT_EQ(alerts.asked().back().title, NumberRule::kRefusalTitle);
        ASSERT_NE(editor(), nullptr) << "the cell stays in editing";
        QTest::keyClick(editor(), Qt::Key_Escape);
    }
}

TEST_F(RecordListViewTest, UndoPutsANumberBackAndThenRecalculates)
{
    const RecordId record =
        addRecord("wine", {{price, FieldValue::text("2")}, {quantity, FieldValue::text("3")}});
    openList();
    type(0, column(price), QStringLiteral("5"));
    EXPECT_EQ(text(record, total), "15");
    QTest::keySequence(table(), QKeySequence::Undo);
    EXPECT_EQ(text(record, price), "2");
    EXPECT_EQ(text(record, total), "6") << "from the price put back";
    EXPECT_TRUE(delegate.redo);
    QTest::keySequence(table(), QKeySequence::Redo);
    EXPECT_EQ(text(record, total), "15");

    // The card has a history of its own: going there and back leaves
    // nothing to undo.
    QTest::keySequence(table(), QKeySequence::Undo);
    ASSERT_TRUE(delegate.redo);
    QTest::mouseClick(section->cardButton(), Qt::LeftButton);
    EXPECT_FALSE(delegate.undo);
    EXPECT_FALSE(delegate.redo);
    QTest::mouseClick(section->listButton(), Qt::LeftButton);
    EXPECT_FALSE(delegate.undo);
    EXPECT_FALSE(delegate.redo);
    type(0, column(price), QStringLiteral("5"));

    // A new search hands the list new rows: nothing is left to undo.
    searchFor(QStringLiteral("wine"));
    EXPECT_FALSE(delegate.undo);
    QTest::keySequence(table(), QKeySequence::Undo);
    EXPECT_EQ(text(record, price), "5");
}

TEST_F(RecordListViewTest, UndoReachesARecordTheSearchNoLongerShows)
{
    const RecordId apple = addRecord("apple");
    addRecord("pear");
    openList();
    searchFor(QStringLiteral("apple"));
    ASSERT_EQ(list()->model()->rowCount(), 1);
    type(0, column(1), QStringLiteral("plum"));
    EXPECT_EQ(list()->model()->rowCount(), 0) << "the edit made the record fail the search";
    ASSERT_TRUE(delegate.undo);
    QTest::keySequence(table(), QKeySequence::Undo);
    EXPECT_EQ(text(apple, 1), "apple");
    EXPECT_EQ(list()->model()->rowCount(), 1) << "and it shows again";
}

TEST_F(RecordListViewTest, TabGoesToTheNextCellEditedInTheListAndWrapsAtTheRows)
{
    addRecord("a");
    addRecord("b");
    openList();
    // Over the calculation, onto the choice, whose pop-up opens.
    click(1, column(quantity));
    QTest::keyClick(editor(), Qt::Key_Tab);
    auto* popUp = qobject_cast<QComboBox*>(list()->cellEditor());
    ASSERT_NE(popUp, nullptr);
    EXPECT_TRUE(popUp->view()->isVisible());
    QTest::keyClick(popUp->view(), Qt::Key_Escape);
    list()->endEditing();

    // The last cell of the last row: the first row is selected, no cell edited.
    click(1, column(web));
    QTest::keyClick(editor(), Qt::Key_Tab);
    EXPECT_EQ(list()->cellEditor(), nullptr);
    EXPECT_EQ(selectedRows(), std::vector<int>{0});
    // Shift-Tab from the first cell of the first row stays on it.
    click(0, column(1));
    QTest::keyClick(editor(), Qt::Key_Backtab);
    EXPECT_EQ(list()->cellEditor(), nullptr);
    EXPECT_EQ(selectedRows(), std::vector<int>{0});
    // Tab on the table itself walks the rows.
    QTest::keyClick(table(), Qt::Key_Tab);
    EXPECT_EQ(selectedRows(), std::vector<int>{1});
}

TEST_F(RecordListViewTest, PopUpAndCheckboxCellsStoreOnAChoice)
{
    const RecordId record = addRecord("wine", {{colour, FieldValue::integer(1)}});
    openList();
    struct Case {
        int item;
        std::int64_t stored;
        const char* shown;
    };
    // The empty item after the choices stands for no choice.
    for (const Case& c : {Case{2, -1, ""}, Case{0, 0, "Red"}}) {
        click(0, column(colour));
        auto* popUp = qobject_cast<QComboBox*>(list()->cellEditor());
        ASSERT_NE(popUp, nullptr);
        QAbstractItemView* items = popUp->view();
        QTest::mouseClick(items->viewport(), Qt::LeftButton, {},
                          items->visualRect(items->model()->index(c.item, 0)).center());
        EXPECT_EQ(db.record(record)->value(colour)->integer(), c.stored);
        EXPECT_EQ(list()->model()->index(0, column(colour)).data().toString().toStdString(), c.shown);
    }
    click(0, column(paid));
    EXPECT_EQ(text(record, paid), "1");
    click(0, column(paid));
    EXPECT_EQ(text(record, paid), "0");
}

TEST_F(RecordListViewTest, TheSelectionIsGreyWhileTheFocusIsElsewhere)
{
    addRecord("wine");
    openList();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    click(0, 1); // the modification date: selects the row, edits nothing
    ASSERT_EQ(selectedRows(), std::vector<int>{0});
    const QPoint empty = table()->visualRect(list()->model()->index(0, 1)).center();
    const auto shade = [&] { return table()->viewport()->grab().toImage().pixelColor(empty); };
    const QColor focused = table()->palette().color(QPalette::Active, QPalette::Highlight);
    const QColor grey = table()->palette().color(QPalette::Inactive, QPalette::Highlight);
    ASSERT_NE(focused, grey);
    struct Case {
        const char* name;
        QWidget* focus;
        QColor expected;
    };
    for (const Case& c : {Case{"in the search field", search, grey}, Case{"on the table", table(), focused},
                          Case{"in a cell editor", nullptr, focused}}) {
        SCOPED_TRACE(c.name);
        if (c.focus != nullptr) {
            c.focus->setFocus();
        } else {
            click(0, column(note));
            ASSERT_NE(editor(), nullptr);
        }
        EXPECT_TRUE(QTest::qWaitFor([&] { return shade() == c.expected; }))
            << shade().name().toStdString() << " instead of " << c.expected.name().toStdString();
    }
}

TEST_F(RecordListViewTest, HiddenColumnsComeBackAtTheirWidthAndFixedColumnsKeepTheirs)
{
    addRecord("wine");
    db.setdbFieldListViewColSize(120, code);
    db.setdbFieldListViewColSize(150, quantity);
    openList();
    QHeaderView* header = table()->horizontalHeader();
    EXPECT_EQ(header->sectionSize(column(code)), 200) << "a password column is 200 wide";
    EXPECT_EQ(header->sectionSize(column(bought)), 147);
    EXPECT_EQ(header->sectionResizeMode(column(bought)), QHeaderView::Fixed);
    EXPECT_EQ(header->sectionSize(column(quantity)), 150);

    for (const auto& [field, width] : {std::pair{note, 100}, std::pair{quantity, 150}}) {
        for (bool hide : {true, false}) {
            // A right click on the header opens the columns menu.
            QTest::mouseClick(header->viewport(), Qt::RightButton, {}, QPoint(10, 10));
            QMenu* menu = list()->columnsListMenu();
            ASSERT_TRUE(opens(menu));
            ASSERT_EQ(delegate.columnsMenu, menu) << "the main menu shows the same entries";
            QAction* entry = entryNamed(*menu, QString::fromStdString(db.field(field)->name));
            ASSERT_NE(entry, nullptr);
            EXPECT_EQ(entry->isChecked(), hide);
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(entry).center());
            EXPECT_EQ(list()->model()->columns().indexOfField(field).has_value(), !hide);
            EXPECT_EQ(db.field(field)->listViewColumn < 0, hide);
        }
        EXPECT_EQ(header->sectionSize(column(field)), width);
    }
}

TEST_F(RecordListViewTest, AColumnsWidthIsKeptWhenTheDragEnds)
{
    addRecord("wine");
    openList();
    QHeaderView* header = table()->horizontalHeader();
    for (const auto& [field, dragged, shown] : {std::tuple{note, 160, 160}, std::tuple{code, 260, 200}}) {
        const int at = column(field);
        table()->scrollTo(list()->model()->index(0, at));
        const int edge = header->sectionViewportPosition(at) + header->sectionSize(at) - 1;
        const int start = header->sectionSize(at);
        QTest::mousePress(header->viewport(), Qt::LeftButton, {}, QPoint(edge, 10));
        QTest::mouseMove(header->viewport(), QPoint(edge + (dragged - start) / 2, 10));
        QTest::mouseMove(header->viewport(), QPoint(edge + dragged - start, 10));
        EXPECT_EQ(db.field(field)->listViewColumn, 0) << "nothing is stored while dragging";
        QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, QPoint(edge + dragged - start, 10));
        EXPECT_TRUE(QTest::qWaitFor(
            [&, field = field, dragged = dragged] { return db.field(field)->listViewColumn == dragged; }));
        list()->structureChanged();
        EXPECT_EQ(header->sectionSize(column(field)), shown);
    }
}

TEST_F(RecordListViewTest, OnlyTheTitleAndTheRecordDatesSortFromTheHeader)
{
    addRecord("b");
    addRecord("a");
    addRecord("c");
    openList();
    // The main window sorts the section when the sort type changes.
    std::vector<std::int64_t> fromList;
    const ObserverToken preferences = NotificationCenter::defaultCenter().observe<std::int64_t>(
        kSortingTypeChangedNotificationFromListTable, nullptr,
        [&fromList](const std::int64_t& sorting, const void*) { fromList.push_back(sorting); });
    const ObserverToken mainWindow = NotificationCenter::defaultCenter().observe<std::int64_t>(
        kSortingTypeChangedNotification, nullptr,
        [this](const std::int64_t& sorting, const void*) { section->setSortBy(static_cast<int>(sorting)); });
    const auto titles = [this] {
        std::string shown;
        for (int row = 0; row < list()->model()->rowCount(); ++row) {
            shown += list()->model()->index(row, column(1)).data().toString().toStdString();
        }
        return shown;
    };
    QHeaderView* header = table()->horizontalHeader();
    const auto clickHeader = [header](int at) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(at) + 10, 10));
    };
    EXPECT_EQ(titles(), "abc");
    clickHeader(column(note));
    EXPECT_EQ(titles(), "abc");
    EXPECT_TRUE(fromList.empty());
    EXPECT_TRUE(table()->selectionModel()->selectedColumns().isEmpty()) << "a header never selects";
    clickHeader(0); // Created
    EXPECT_EQ(fromList, std::vector<std::int64_t>{2});
    EXPECT_EQ(UserDefaults::standard().integerForKey("Sorting"), 2);
    EXPECT_EQ(titles(), "bac");
    EXPECT_EQ(header->sortIndicatorSection(), 0);
    clickHeader(0);
    EXPECT_EQ(titles(), "cab") << "a click on the sorted column flips the order";
    EXPECT_EQ(fromList.size(), 1u);
}

TEST_F(RecordListViewTest, ShowAndCopyAskForTheProtectionPasswordAsTheFormDoes)
{
    const RecordId record = addRecord("bank", {{code, FieldValue::password("s3cret")}});
    ASSERT_TRUE(ProtectionPassword().storePassword("pw"));
    openList();
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    for (const bool given : {false, true}) {
        passwordGiven = given;
        passwordAsked = 0;
        click(0, column(code), Part::Button);
        chooseFromMenu(QStringLiteral("Copy"));
        click(0, column(code), Part::Button);
        chooseFromMenu(QStringLiteral("Show"));
        EXPECT_EQ(passwordAsked, 2);
        EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), given ? "s3cret" : "before");
        EXPECT_EQ(db.record(record)->value(code)->shown(), given);
    }
    passwordAsked = 0;
    click(0, column(code), Part::Button);
    chooseFromMenu(QStringLiteral("Hide"));
    EXPECT_EQ(passwordAsked, 0) << "hiding never asks";
    EXPECT_FALSE(db.record(record)->value(code)->shown());
}

TEST_F(RecordListViewTest, TheDateWindowSetsClearsAndCancels)
{
    const RecordId record = addRecord("wine");
    openList();
    const auto dateWindow = [this] {
        click(0, column(bought));
        return list()->dateWindow();
    };
    SetDateWindowController* dates = dateWindow();
    ASSERT_NE(dates, nullptr);
    EXPECT_EQ(dates->windowTitle(), QStringLiteral("Bought"));
    EXPECT_TRUE(dates->dateText()->text().isEmpty());
    EXPECT_FALSE(dates->clearButton()->isVisible());
    QTest::mouseClick(dates->okButton(), Qt::LeftButton);
    EXPECT_EQ(text(record, bought), "") << "no automatic date";

    dates = dateWindow();
    QTest::mouseClick(dates->editButton(), Qt::LeftButton);
    EXPECT_EQ(dates->dateText()->text(), QStringLiteral(" "));
    dates->picker()->setDateTime(QDateTime(QDate(2024, 3, 2), QTime(0, 0)));
    QTest::mouseClick(dates->okButton(), Qt::LeftButton);
    EXPECT_EQ(text(record, bought),
              std::to_string(QDateTime(QDate(2024, 3, 2), QTime(0, 0)).toSecsSinceEpoch()));

    dates = dateWindow();
    QTest::mouseClick(dates->clearButton(), Qt::LeftButton);
    QTest::mouseClick(dates->cancelButton(), Qt::LeftButton);
    EXPECT_NE(text(record, bought), "") << "Cancel changes nothing";
    dates = dateWindow();
    QTest::mouseClick(dates->clearButton(), Qt::LeftButton);
    QTest::mouseClick(dates->okButton(), Qt::LeftButton);
    EXPECT_EQ(text(record, bought), "");
}

TEST_F(RecordListViewTest, APictureCellTakesAPictureAndUndoBringsADeletedOneBack)
{
    const RecordId record = addRecord("wine");
    const std::string file = library.home() + "/label.tiff";
    ASSERT_TRUE(solidPicture(100, 50)->writeTiffJpeg(file));
    openList();
    panels.queueAnswer(file);
    click(0, column(photo));
    ASSERT_EQ(panels.openRequests().size(), 1u) << "an empty picture cell asks for a picture at once";
    const std::int64_t first = db.record(record)->value(photo)->integer();
    ASSERT_GT(first, 0);

    click(0, column(photo));
    chooseFromMenu(QStringLiteral("Delete Image"));
    EXPECT_EQ(db.record(record)->value(photo)->integer(), 0);
    QTest::keySequence(table(), QKeySequence::Undo);
    const std::int64_t back = db.record(record)->value(photo)->integer();
    ASSERT_GT(back, 0);
    const auto picture = Image::readFile(Paths::imageFile(package, back));
    ASSERT_TRUE(picture.has_value());
    EXPECT_EQ(picture->width(), 100);
    EXPECT_EQ(picture->height(), 50);
}

TEST_F(RecordListViewTest, AddressButtonsOpenLinksAsTypedOrAfterHttpAndMailAsAMessage)
{
    const FieldId mail = db.adddbFieldLabel("Mail", FieldType::Email, PropertyList::array());
    struct Case {
        FieldId field;
        const char* address;
        const char* opened; // nullptr: not opened
    };
    const std::vector<Case> cases = {{web, "example.org/wine", "http://example.org/wine"},
                                     {web, "file:///etc/passwd", nullptr},
                                     {mail, "cellar@example.org", "mailto:cellar@example.org"},
                                     {mail, "", nullptr}};
    for (const Case& c : cases) {
        addRecord(std::string("row ") + c.address, {{c.field, FieldValue::text(c.address)}});
    }
    openList();
    UrlCatcher desktop;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        int row = 0;
        while (list()->model()->record(row)->value(1)->text() != std::string("row ") + c.address) {
            ++row;
        }
        desktop.opened.clear();
        const std::size_t asked = alerts.asked().size();
        click(row, column(c.field), Part::Button);
        EXPECT_EQ(desktop.opened, c.opened ? std::vector<std::string>{c.opened} : std::vector<std::string>{});
        // A refused scheme is told; an empty address opens nothing, silently.
        const bool told = c.opened == nullptr && c.field == web;
        ASSERT_EQ(alerts.asked().size(), asked + (told ? 1 : 0));
        if (told) {
            EXPECT_EQ(alerts.asked().back().title, "This link is not opened.");
        }
    }
}

TEST_F(RecordListViewTest, AddingEditsTheNewRowsFirstCellAndDeleteAsks)
{
    addRecord("wine");
    openList();
    QTest::mouseClick(section->addButton(), Qt::LeftButton);
    ASSERT_NE(editor(), nullptr);
    QTest::keyClicks(editor(), QStringLiteral("beer"));
    QTest::keyClick(editor(), Qt::Key_Return);
    EXPECT_EQ(db.dbData().back().value(1)->text(), "beer");

    table()->setFocus();
    alerts.queueAnswer("Cancel");
    QTest::keyClick(table(), Qt::Key_Delete);
    EXPECT_EQ(alerts.asked().back().title, "Are you sure you want to delete this record?");
    EXPECT_EQ(db.dbData().size(), 2u);
}

TEST_F(RecordListViewTest, PrintingPutsTheHeaderOnEveryPageAndEveryRowOnOne)
{
    for (int i = 0; i < 90; ++i) {
        addRecord("Bottle " + std::to_string(1000 + i));
    }
    openList();
    const std::string pdf = library.home() + "/list.pdf";
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf));
    const int pages = list()->print(printer);
    ASSERT_GE(pages, 4) << "the rows and the columns each need more than a page";
    std::string printed;
    ASSERT_EQ(runCommand("pdftotext -layout " + shellQuote(pdf) + " -", printed), 0);
    const auto count = [&printed](const std::string& word) {
        std::size_t found = 0;
        for (std::size_t at = printed.find(word); at != std::string::npos; at = printed.find(word, at + 1)) {
            ++found;
        }
        return found;
    };
    for (int i = 0; i < 90; ++i) {
        EXPECT_EQ(count("Bottle " + std::to_string(1000 + i)), 1u);
    }
    EXPECT_EQ(count("Created") + count("Web"), static_cast<std::size_t>(pages))
        << "each page starts with the header of its columns";
}

} // namespace

#include "RecordListViewTest.moc"
