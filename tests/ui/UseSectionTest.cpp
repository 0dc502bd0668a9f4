// The Use section driven as a user drives it: real key presses and clicks
// on the record list, the form and the search field.
#include "UseSectionFixture.h"
#include "ui/WidgetClicks.h"

#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "ui/fieldviews/FieldViewController.h"
#include "ui/use/FieldsView.h"
#include "ui/use/FormPrinter.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPrinter>
#include <QScrollArea>
#include <QToolButton>
#include <QtTest>

#include <gtest/gtest.h>

using namespace dossiva;
using namespace dossiva::test;

namespace {

class UseSectionTest : public UseSectionFixture {
protected:
    UseSectionTest() : UseSectionFixture("Shop") {}

    FieldId note = db.adddbFieldLabel("Note", FieldType::SmallText, PropertyList::array());
    FieldId colour =
        db.adddbFieldLabel("Colour", FieldType::Choose,
                           PropertyList(PropertyList::Array{PropertyList("Red"), PropertyList("Blue")}));

    void addRecords(const std::vector<std::pair<std::string, std::int64_t>>& records)
    {
        for (const auto& [title, choice] : records) {
            addRecord(title, {{colour, FieldValue::integer(choice)}});
        }
    }
    std::vector<std::string> titles() const
    {
        std::vector<std::string> shown;
        for (const Record* record : section->shownRecords().records()) {
            shown.emplace_back(record->value(1)->text());
        }
        return shown;
    }
    int selectedRow() const
    {
        const auto rows = section->recordList()->selectionModel()->selectedRows();
        return rows.size() == 1 ? rows.front().row() : -1;
    }
    QLineEdit* noteField() const { return qobject_cast<QLineEdit*>(section->fieldView(note)->textView()); }
};

TEST_F(UseSectionTest, TheCounterCountsTheShownRecords)
{
    struct Case {
        int records;
        const char* counter;
    };
    for (const Case& c : {Case{0, "0 Records"}, Case{1, "1 Record "}, Case{5, "5 Records"}}) {
        db.openDB(package);
        db.deleteAllRecords();
        std::vector<std::pair<std::string, std::int64_t>> records;
        for (int i = 0; i < c.records; ++i) {
            records.emplace_back("r" + std::to_string(i), -1);
        }
        addRecords(records);
        open();
        EXPECT_EQ(section->counter()->text().toStdString(), c.counter);
        EXPECT_EQ(section->removeButton()->isEnabled(), c.records > 0);
    }
}

TEST_F(UseSectionTest, ReturnSearchesTitlesAndChoicesAndAnEmptyFieldShowsEveryRecord)
{
    addRecords({{"apple", 0}, {"blueberry", -1}, {"cherry", 1}, {"date", 0}});
    open();
    struct Case {
        const char* typed;
        std::vector<std::string> shown;
    };
    // The search rule itself is the core's table; here, what Return does with it.
    const std::vector<Case> cases = {
        {"BLUE", {"blueberry", "cherry"}}, // a title, and the chosen item "Blue"
        {"   ", {"apple", "blueberry", "cherry", "date"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        searchFor(c.typed);
        EXPECT_EQ(titles(), c.shown);
    }
    EXPECT_EQ(section->welcomeText().isEmpty(), false);
    search->clear();
    EXPECT_EQ(titles().size(), 4u) << "emptying the field shows every record again";
}

TEST_F(UseSectionTest, DeletingTheOnlySelectedRecordSelectsTheOneBefore)
{
    addRecords({{"a", -1}, {"b", -1}, {"c", -1}, {"d", -1}, {"e", -1}});
    open();
    clickRow(*section->recordList(), 3);
    alerts.queueAnswer("Delete");
    QTest::keyClick(section->recordList(), Qt::Key_Delete);
    EXPECT_EQ(alerts.asked().back().title, "Are you sure you want to delete this record?");
    EXPECT_EQ(titles(), (std::vector<std::string>{"a", "b", "c", "e"}));
    EXPECT_EQ(selectedRow(), 2);

    section->recordList()->selectAll();
    alerts.queueAnswer("Cancel");
    QTest::keyClick(section->recordList(), Qt::Key_Delete);
    EXPECT_EQ(alerts.asked().back().title, "Are you sure you want to delete 4 records?");
    EXPECT_EQ(titles().size(), 4u);
}

TEST_F(UseSectionTest, AddingClearsTheSearchAndSelectsTheNewRecord)
{
    addRecords({{"apple", -1}, {"pear", -1}});
    open();
    searchFor("pear");
    ASSERT_EQ(titles().size(), 1u);
    QTest::mouseClick(section->addButton(), Qt::LeftButton);
    EXPECT_TRUE(search->text().isEmpty());
    EXPECT_EQ(titles().size(), 3u);
    ASSERT_TRUE(section->shownRecord());
    EXPECT_EQ(db.record(*section->shownRecord())->value(1)->text(), "");
    EXPECT_TRUE(section->fieldViews().front()->view()->isAncestorOf(QApplication::focusWidget()))
        << "the new record's first field has the focus";
}

TEST_F(UseSectionTest, TypingIsStoredAndUndoneStepByStep)
{
    addRecords({{"apple", -1}, {"pear", -1}});
    open();
    clickRow(*section->recordList(), 0);
    const RecordId shown = *section->shownRecord();
    for (const char* typed : {"first", "second"}) {
        noteField()->setFocus();
        noteField()->selectAll();
        QTest::keyClicks(noteField(), typed);
        QTest::keyClick(noteField(), Qt::Key_Return);
    }
    EXPECT_EQ(db.record(shown)->value(note)->text(), "second");
    EXPECT_TRUE(delegate.undo);
    // The field has the focus: Undo still reaches the record's history.
    QTest::keyClick(noteField(), Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(noteField(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(db.record(shown)->value(note)->text(), "");
    EXPECT_TRUE(delegate.redo);

    clickRow(*section->recordList(), 1);
    EXPECT_FALSE(delegate.undo) << "another record clears the history";
    EXPECT_FALSE(delegate.redo);
}

TEST_F(UseSectionTest, BrowsingRecordsIsNoEdit)
{
    addRecords({{"apple", 0}, {"pear", 1}, {"plum", -1}});
    open();
    const std::string modified = db.dbData()[0].modified;
    for (int row : {0, 1, 2, 0}) {
        clickRow(*section->recordList(), row);
        QTest::keyClick(section->recordList(), Qt::Key_Down);
    }
    EXPECT_FALSE(delegate.undo);
    EXPECT_EQ(db.dbData()[0].modified, modified);
}

TEST_F(UseSectionTest, TheLabelColumnIsTheWidestNameUpToAThirdOfTheForm)
{
    addRecords({{"apple", -1}});
    open();
    const auto labelWidth = [this](const QString& name) {
        for (QLabel* label : section->fieldView(note)->view()->findChildren<QLabel*>()) {
            if (label->text() == name) {
                return label->width();
            }
        }
        return -1;
    };
    EXPECT_EQ(labelWidth(QStringLiteral("Note")), 134);
    const QString longName(60, QLatin1Char('W'));
    ASSERT_TRUE(db.setdbFieldLabel(longName.toStdString(), note));
    NotificationCenter::defaultCenter().post(kDBChangedNotification, nullptr);
    EXPECT_EQ(labelWidth(longName), static_cast<int>(0.35 * section->form()->width()));
}

TEST_F(UseSectionTest, TheFormStacksItsFieldsBelowItsMarginAndCanBeScrolledWhole)
{
    QScrollArea area;
    area.resize(500, 400);
    FieldsView form(&area);
    FieldViewContext context;
    std::vector<std::unique_ptr<FieldViewController>> views;
    for (int height : {30, 80, 30}) {
        views.push_back(makeFieldView(FieldType::SmallText, context));
        views.back()->view()->setFixedHeight(height);
    }
    form.setArray({views[0].get(), views[1].get(), views[2].get()});
    area.show();
    QTRY_COMPARE(form.height(), area.viewport()->height());
    EXPECT_EQ(views[0]->view()->y(), 12);
    EXPECT_EQ(views[1]->view()->y(), 42);
    EXPECT_EQ(views[2]->view()->y(), 122);

    area.resize(500, 100);
    QTRY_COMPARE(form.height(), 152); // 140 of fields and the 12 of the margin
    views[0]->view()->setFixedHeight(80);
    form.largeTextFieldDidGrow(*views[0], 50);
    EXPECT_EQ(views[1]->view()->y(), 92);
    EXPECT_EQ(form.height(), 202);
}

TEST_F(UseSectionTest, ACancelledBackgroundPutsTheStoredOneBack)
{
    addRecords({{"apple", -1}});
    open();
    const std::string picture = library.home() + "/tile.tiff";
    ASSERT_TRUE(Image(4, 4, std::vector<std::uint8_t>(64, 200)).writeTiffJpeg(picture));
    alerts.queueAnswer("Cancel");
    section->form()->pictureDropped(QString::fromStdString(picture));
    EXPECT_EQ(alerts.asked().back().message, "Do you confirm the new background image?");
    EXPECT_EQ(section->form()->background(), nullptr);
    alerts.queueAnswer("Confirm");
    section->form()->pictureDropped(QString::fromStdString(picture));
    ASSERT_NE(section->form()->background(), nullptr);
    EXPECT_EQ(section->form()->background()->width(), 4);
    EXPECT_FALSE(FieldsView::isBackgroundFile(QStringLiteral("notes.txt")));
    EXPECT_TRUE(FieldsView::isBackgroundFile(QStringLiteral("IMG_0001.JPG")));
}

TEST_F(UseSectionTest, ACardTallerThanAPageGoesOnOverTheNextPage)
{
    const FieldId story = db.adddbFieldLabel("Story", FieldType::LargeText, PropertyList::array());
    std::string text;
    for (int line = 1; line <= 150; ++line) {
        text += "line " + std::to_string(line) + "\n";
    }
    addRecord("Long tale", {{story, FieldValue::text(text)}});
    ASSERT_TRUE(db.setLabelColor({1, 0, 0, 1}));
    open();
    UserDefaults::standard().setBool("SPrintBack", false);

    const std::string pdf = library.home() + "/card.pdf";
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf));
    FormLayout layout = db.readFormLayout(true);
    FormPrinter form(*section->form(), layout);
    ASSERT_GE(form.print(printer), 2);
    // Each page, drawn as the printer would print it, carries the card: the
    // second goes on with the story's lines.
    std::string output;
    ASSERT_EQ(
        runCommand("pdftoppm -png -r 30 " + shellQuote(pdf) + " " + shellQuote(library.home() + "/page"),
                   output),
        0);
    for (const char* page : {"/page-1.png", "/page-2.png"}) {
        const QImage image(QString::fromStdString(library.home() + page));
        ASSERT_FALSE(image.isNull()) << page;
        int inked = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = image.width() / 4; x < image.width(); ++x) {
                inked += qGray(image.pixel(x, y)) < 128 ? 1 : 0;
            }
        }
        EXPECT_GT(inked, 200) << page << " holds the record's text";
    }
    // Afterwards the form looks as before.
    EXPECT_EQ(section->form()->totalHeight(), [this] {
        int total = 0;
        for (const FieldViewController* view : section->form()->views()) {
            total += view->view()->height();
        }
        return total;
    }());
}

} // namespace
