// The CSV import window and the CSV export sheet, driven through their
// controls with scripted alerts and file panels.
#include "support/Files.h"
#include "support/TestDatabase.h"
#include "ui/WidgetClicks.h"

#include "csv/CsvExportSettings.h"
#include "platform/Alerts.h"
#include "platform/FileManager.h"
#include "platform/FilePanels.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "storage/DBManager.h"
#include "ui/csv/ExportCSVWindowController.h"
#include "ui/csv/ImportCSVWindowController.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>

using namespace dossiva;
using namespace dossiva::test;

namespace {

constexpr const char* kNotReadable =
    "There is not readable data for the specified format. Please try to specify "
    "a different format or encoding.";

// ASCII text in UTF-16, little-endian.
std::string utf16(const std::string& ascii)
{
    std::string bytes;
    for (char c : ascii) {
        bytes += std::string{c, '\0'};
    }
    return bytes;
}

// Chooses the item with the data as a person does: the pop-up reports it
// activated.
void choose(QComboBox* popUp, int data)
{
    const int index = popUp->findData(data);
    ASSERT_GE(index, 0);
    popUp->setCurrentIndex(index);
    emit popUp->activated(index);
}

class CsvImportWindowTest : public ::testing::Test {
protected:
    TestLibrary library;
    ScriptedAlerts alerts;
    std::vector<std::string> imported;
    std::unique_ptr<ImportCSVWindowController> window = std::make_unique<ImportCSVWindowController>(
        alerts, [this](const std::string& package) { imported.push_back(package); });

    // Opens the file in the window and waits until the window can be clicked.
    void open(const std::string& name, const std::string& bytes)
    {
        window->displayName(writeFile(library.home() + "/" + name, bytes));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    QTableWidget* table() const { return window->table(); }
    QString cellText(int row, int column) const
    {
        QTableWidgetItem* item = table()->item(row, column);
        return item != nullptr ? item->text() : QString();
    }
    bool showsTable() const { return table()->isVisibleTo(window.get()); }
    QComboBox* typePopUp(int row) const { return qobject_cast<QComboBox*>(table()->cellWidget(row, 2)); }
    std::vector<int> markedRows() const
    {
        std::vector<int> rows;
        for (int row = 0; row < table()->rowCount(); ++row) {
            if (table()->item(row, 0)->checkState() == Qt::Checked) {
                rows.push_back(row);
            }
        }
        return rows;
    }
};

TEST_F(CsvImportWindowTest, FirstReadFollowsTheByteOrderMarkAndTheFirstSeparator)
{
    struct Case {
        const char* what;
        std::string bytes;
        int encodingTag;
        int separatorTag;
        int fields;
        QString firstValue;
    };
    const std::vector<Case> cases = {
        {"UTF-16 little-endian", "\xFF\xFE" + utf16("Ann,30\nBob,41\n"), 0, 0, 2, "Ann"},
        {"UTF-8 with semicolons", "Caf\xC3\xA9;Rue 1;x\n", 1, 2, 3, QString::fromUtf8("Caf\xC3\xA9")},
        {"UTF-8 with tabs", "one\ttwo\n", 1, 1, 2, "one"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        window = std::make_unique<ImportCSVWindowController>(alerts, nullptr);
        open("file.csv", c.bytes);
        EXPECT_TRUE(showsTable());
        EXPECT_EQ(window->encodingPopUp()->currentData().toInt(), c.encodingTag);
        EXPECT_EQ(window->formatPopUp()->currentData().toInt(), c.separatorTag);
        ASSERT_EQ(table()->rowCount(), c.fields);
        EXPECT_EQ(cellText(0, 3), c.firstValue);
        EXPECT_EQ(cellText(0, 1), QStringLiteral("Field 0"));
        EXPECT_EQ(window->dbNameField()->text(), QStringLiteral("file"));
    }
}

TEST_F(CsvImportWindowTest, ChangingTheEncodingReadsTheFileAgain)
{
    open("latin.csv", "caf\xE9,cr\xE8me\n");
    EXPECT_FALSE(showsTable()) << "Latin-1 bytes are not UTF-8";
    EXPECT_EQ(window->errorText()->text(), QString::fromLatin1(kNotReadable));
    EXPECT_FALSE(window->importButton()->isEnabled());

    choose(window->encodingPopUp(), 3); // ISO Latin 1
    ASSERT_TRUE(showsTable());
    EXPECT_EQ(cellText(0, 3), QString::fromUtf8("caf\xC3\xA9"));
    EXPECT_EQ(cellText(1, 3), QString::fromUtf8("cr\xC3\xA8me"));
    EXPECT_TRUE(window->importButton()->isEnabled());

    choose(window->encodingPopUp(), 1); // back to UTF-8
    EXPECT_FALSE(showsTable());
    EXPECT_EQ(window->errorText()->text(), QString::fromLatin1(kNotReadable));
}

TEST_F(CsvImportWindowTest, AFileThatCannotBeReadSaysWhy)
{
    const std::vector<std::pair<std::string, QString>> cases = {
        {library.home() + "/gone.csv", QStringLiteral("Unexpected error.")},
        {library.home(), QStringLiteral("This is a folder, not a file: only a file can be imported.")},
        {"/dev/zero", QStringLiteral("This is a device, not a file: only a file can be imported.")},
    };
    for (const auto& [path, message] : cases) {
        SCOPED_TRACE(path);
        window->displayName(path);
        EXPECT_FALSE(showsTable());
        EXPECT_EQ(window->errorText()->text(), message);
        EXPECT_FALSE(window->importButton()->isEnabled());
    }
}

TEST_F(CsvImportWindowTest, ChoosingASeparatorSplitsTheRowsAgain)
{
    open("mixed.csv", "a;b,c\nd;e,f\n");
    EXPECT_EQ(window->formatPopUp()->currentData().toInt(), 2);
    EXPECT_EQ(table()->rowCount(), 2);
    EXPECT_EQ(cellText(1, 3), QStringLiteral("b,c"));

    choose(window->formatPopUp(), 0);
    EXPECT_EQ(table()->rowCount(), 2);
    EXPECT_EQ(cellText(0, 3), QStringLiteral("a;b"));
    EXPECT_EQ(cellText(1, 3), QStringLiteral("c"));

    choose(window->formatPopUp(), 1);
    EXPECT_EQ(table()->rowCount(), 1) << "no tab: one column";
    EXPECT_EQ(cellText(0, 3), QStringLiteral("a;b,c"));
}

TEST_F(CsvImportWindowTest, StoredLabelsTickTheBoxAndOneLineLeavesNothingToImport)
{
    UserDefaults::standard().set("csv import", PropertyList(PropertyList::Dictionary{{"labels", 1}}));
    open("header.csv", "Name,Age\n");
    EXPECT_TRUE(window->fieldsLabelBox()->isChecked());
    EXPECT_EQ(window->currentRecordText()->text(), QStringLiteral("Empty"));
    EXPECT_EQ(table()->rowCount(), 0);
    EXPECT_FALSE(window->importButton()->isEnabled());
}

TEST_F(CsvImportWindowTest, LabelsNameTheFieldsAndCannotBeEdited)
{
    open("people.csv", "Name,Age\nAnn,30\nBob,41\n");
    EXPECT_EQ(window->currentRecordText()->text(), QStringLiteral("Preview of record 1 of 3"));
    EXPECT_TRUE(table()->item(0, 1)->flags().testFlag(Qt::ItemIsEditable));

    clickNearStart(window->fieldsLabelBox());
    EXPECT_EQ(window->currentRecordText()->text(), QStringLiteral("Preview of record 1 of 2"));
    EXPECT_EQ(cellText(0, 1), QStringLiteral("Name"));
    EXPECT_EQ(cellText(1, 1), QStringLiteral("Age"));
    EXPECT_FALSE(table()->item(0, 1)->flags().testFlag(Qt::ItemIsEditable));
    EXPECT_EQ(cellText(0, 3), QStringLiteral("Ann"));
}

TEST_F(CsvImportWindowTest, PreviousAndNextWalkTheRecords)
{
    open("three.csv", "a,1\nb,2\nc,3\n");
    struct Step {
        QToolButton* (ImportCSVWindowController::*button)() const;
        QString caption;
        QString value;
        bool previous;
        bool next;
    };
    const std::vector<Step> steps = {
        {&ImportCSVWindowController::nextButton, "Preview of record 2 of 3", "b", true, true},
        {&ImportCSVWindowController::nextButton, "Preview of record 3 of 3", "c", true, false},
        {&ImportCSVWindowController::previousButton, "Preview of record 2 of 3", "b", true, true},
        {&ImportCSVWindowController::previousButton, "Preview of record 1 of 3", "a", false, true},
    };
    EXPECT_FALSE(window->previousButton()->isEnabled());
    for (const Step& step : steps) {
        SCOPED_TRACE(step.caption.toStdString());
        QTest::mouseClick((window.get()->*step.button)(), Qt::LeftButton);
        EXPECT_EQ(window->currentRecordText()->text(), step.caption);
        EXPECT_EQ(cellText(0, 3), step.value);
        EXPECT_EQ(window->previousButton()->isEnabled(), step.previous);
        EXPECT_EQ(window->nextButton()->isEnabled(), step.next);
    }
}

TEST_F(CsvImportWindowTest, TheMarkerMovesTheMainFieldAndThereIsAlwaysOne)
{
    open("three.csv", "a,b,c\n");
    EXPECT_EQ(markedRows(), std::vector<int>{0});
    EXPECT_EQ(typePopUp(0), nullptr) << "the main field's type cannot be changed";
    EXPECT_EQ(cellText(0, 2), QStringLiteral("Main field"));
    ASSERT_NE(typePopUp(2), nullptr);

    table()->item(2, 0)->setCheckState(Qt::Checked);
    EXPECT_EQ(markedRows(), std::vector<int>{2});
    EXPECT_EQ(window->model().type(2), 0);
    EXPECT_EQ(window->model().type(0), 1) << "the former main field becomes small text";
    EXPECT_EQ(typePopUp(2), nullptr);
    ASSERT_NE(typePopUp(0), nullptr);
    EXPECT_EQ(typePopUp(0)->currentText(), QStringLiteral("Small text"));

    // Unmarking the main field alone leaves it the main field.
    table()->item(2, 0)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(markedRows(), std::vector<int>{2});
    EXPECT_EQ(window->model().type(2), 0);
}

TEST_F(CsvImportWindowTest, TypeAndNameChangesReachTheProposedFields)
{
    open("numbers.csv", "x,1 234,5\n");
    EXPECT_EQ(cellText(1, 3), QStringLiteral("1 234"));
    ASSERT_NE(typePopUp(1), nullptr);
    QComboBox* types = typePopUp(1);
    types->setCurrentIndex(2); // Number
    emit types->activated(2);
    EXPECT_EQ(window->model().type(1), 3);
    EXPECT_EQ(cellText(1, 3), QStringLiteral("1234"));

    table()->item(1, 1)->setText(QStringLiteral("  Amount "));
    EXPECT_EQ(cellText(1, 1), QStringLiteral("Amount"));
    table()->item(1, 1)->setText(QStringLiteral("   "));
    EXPECT_EQ(cellText(1, 1), QStringLiteral("Amount")) << "a field keeps a name";
    EXPECT_EQ(window->model().importColumns()[1].name, "Amount");
}

TEST_F(CsvImportWindowTest, ImportMakesTheDatabaseClosesAndNamesTheValuesThatCouldNotBeRead)
{
    open("Dates.csv", "Name,Born\nAnn,5/12/2009\nBob,someday\nCid,2009-12-05\n");
    clickNearStart(window->fieldsLabelBox());
    QComboBox* types = typePopUp(1);
    ASSERT_NE(types, nullptr);
    QTest::keyClick(types, Qt::Key_D); // the first type starting with D: Date
    ASSERT_EQ(window->model().type(1), 4);
    QTest::mouseClick(window->importButton(), Qt::LeftButton);
    EXPECT_EQ(imported, std::vector<std::string>{"Dates.dossiva"});
    EXPECT_TRUE(FileManager::exists(Paths::databaseFile("Dates.dossiva")));
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(alerts.lastMessage(), "Success / Database Dates imported successfully\n\n"
                                    "1 value of \"Born\" could not be read as a date (row 3)");
    const auto settings = UserDefaults::standard().object("csv import");
    ASSERT_TRUE(settings.has_value());
    EXPECT_EQ(settings->find("labels")->toInteger(), 1);
}

TEST_F(CsvImportWindowTest, ANameClashKeepsTheWindowOpen)
{
    library.makePackage("Friends");
    DBManager::sharedIstance().openDB();
    open("Friends.csv", "Ann,555\n");
    QTest::mouseClick(window->importButton(), Qt::LeftButton);
    EXPECT_TRUE(imported.empty());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(alerts.asked().back().title, "A database \"Friends\" already exist");

    window->dbNameField()->setText(QStringLiteral("Friends 2"));
    QTest::mouseClick(window->importButton(), Qt::LeftButton);
    EXPECT_EQ(imported, std::vector<std::string>{"Friends 2.dossiva"});
}

TEST_F(CsvImportWindowTest, CancelKeepsTheCheckBoxAndCloses)
{
    struct Case {
        const char* how;
        std::function<void(ImportCSVWindowController&)> close;
    };
    const std::vector<Case> cases = {
        {"Cancel button",
         [](ImportCSVWindowController& w) {
             QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("cancel")), Qt::LeftButton);
         }},
        {"Escape", [](ImportCSVWindowController& w) { QTest::keyClick(&w, Qt::Key_Escape); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        UserDefaults::standard().remove("csv import");
        window = std::make_unique<ImportCSVWindowController>(alerts, nullptr);
        open("a.csv", "x,y\n1,2\n");
        clickNearStart(window->fieldsLabelBox());
        c.close(*window);
        EXPECT_FALSE(window->isVisible());
        const auto settings = UserDefaults::standard().object("csv import");
        ASSERT_TRUE(settings.has_value());
        EXPECT_EQ(settings->find("labels")->toInteger(), 1);
        EXPECT_FALSE(FileManager::exists(Paths::packagePath("a.dossiva")));
    }
}

class CsvExportSheetTest : public ::testing::Test {
protected:
    TestLibrary library;
    ScriptedAlerts alerts;
    ScriptedFilePanels panels;
    ExportCSVWindowController sheet{alerts, panels};
    std::vector<RecordId> records;

    void SetUp() override
    {
        library.makePackage("Friends");
        DBManager& db = DBManager::sharedIstance();
        const FieldId main = db.dbStructure().front().id;
        for (const char* name : {"Ann", "Bob", "Cid"}) {
            auto entries = emptyRecordEntries();
            entryFor(entries, main).value = FieldValue::text(name);
            ASSERT_TRUE(db.addRecordToDb(entries));
        }
        ASSERT_TRUE(db.loadDbData());
        for (const Record& record : db.dbData()) {
            records.push_back(record.recordId);
        }
    }

    std::string outputPath() const { return library.home() + "/out.csv"; }
    CsvExportChoices stored() const { return CsvExportSettings::load(); }
};

TEST_F(CsvExportSheetTest, WithTheSheetOffTheSavePanelComesStraightAway)
{
    UserDefaults::standard().setBool("Export CSV", false);
    CsvExportSettings::store({false, 1, 1});
    panels.queueAnswer(outputPath());
    sheet.displayAttachedTo(nullptr, {});
    EXPECT_FALSE(sheet.isVisible());
    ASSERT_EQ(panels.saveRequests().size(), 1u);
    EXPECT_EQ(panels.saveRequests()[0].type, "csv");
    EXPECT_EQ(panels.saveRequests()[0].proposedName, "Friends");
    EXPECT_EQ(fileContents(outputPath()), "Ann\nBob\nCid\n");
}

TEST_F(CsvExportSheetTest, TheSheetShowsTheStoredChoices)
{
    struct Case {
        const char* what;
        CsvExportChoices stored;
        std::vector<RecordId> selection;
        bool selectedChecked;
        bool selectedEnabled;
    };
    const std::vector<Case> cases = {
        {"selected records with a selection", {false, 3, 0}, {records[1]}, true, true},
        {"selected records without one", {true, 4, 0}, {}, false, false},
        {"whole database", {true, 0, 1}, {records[1]}, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CsvExportSettings::store(c.stored);
        sheet.displayAttachedTo(nullptr, c.selection);
        EXPECT_TRUE(sheet.isVisible());
        EXPECT_TRUE(panels.saveRequests().empty());
        EXPECT_EQ(sheet.encodingPopUp()->currentData().toInt(), c.stored.encoding);
        EXPECT_EQ(sheet.fieldsLabelBox()->isChecked(), c.stored.labels);
        EXPECT_EQ(sheet.selectedRecordsButton()->isChecked(), c.selectedChecked);
        EXPECT_EQ(sheet.wholeDatabaseButton()->isChecked(), !c.selectedChecked);
        EXPECT_EQ(sheet.selectedRecordsButton()->isEnabled(), c.selectedEnabled);
        sheet.cancel();
        EXPECT_FALSE(sheet.isVisible());
    }
}

TEST_F(CsvExportSheetTest, ContinueStoresTheChoicesEvenWithoutAFile)
{
    CsvExportSettings::store({true, 1, 1});
    sheet.displayAttachedTo(nullptr, {records[0]});
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
    choose(sheet.encodingPopUp(), 4);
    clickNearStart(sheet.fieldsLabelBox());
    clickNearStart(sheet.selectedRecordsButton());
    panels.queueAnswer(std::nullopt);
    QTest::mouseClick(sheet.findChild<QPushButton*>(QStringLiteral("next")), Qt::LeftButton);
    EXPECT_FALSE(sheet.isVisible());
    ASSERT_EQ(panels.saveRequests().size(), 1u);
    EXPECT_FALSE(FileManager::exists(outputPath()));
    const CsvExportChoices choices = stored();
    EXPECT_EQ(choices.encoding, 4);
    EXPECT_FALSE(choices.labels);
    EXPECT_EQ(choices.records, 0);
}

TEST_F(CsvExportSheetTest, NothingSelectedKeepsTheStoredRecordsChoice)
{
    CsvExportSettings::store({true, 1, 0});
    sheet.displayAttachedTo(nullptr, {});
    panels.queueAnswer(std::nullopt);
    sheet.next();
    EXPECT_EQ(stored().records, 0) << "the choice was not the user's to lose";
}

TEST_F(CsvExportSheetTest, CancelAsksForNoFileAndStoresNothing)
{
    CsvExportSettings::store({true, 1, 1});
    sheet.displayAttachedTo(nullptr, {});
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
    choose(sheet.encodingPopUp(), 2);
    QTest::mouseClick(sheet.findChild<QPushButton*>(QStringLiteral("cancel")), Qt::LeftButton);
    EXPECT_TRUE(panels.saveRequests().empty());
    EXPECT_EQ(stored().encoding, 1);
}

TEST_F(CsvExportSheetTest, TheWriterGetsTheChosenEncodingHeaderAndRecords)
{
    CsvExportSettings::store({true, 1, 1});
    sheet.displayAttachedTo(nullptr, {records[2], records[0]});
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
    choose(sheet.encodingPopUp(), 0);
    clickNearStart(sheet.fieldsLabelBox());
    clickNearStart(sheet.selectedRecordsButton());
    panels.queueAnswer(outputPath());
    sheet.next();
    EXPECT_EQ(fileContents(outputPath()), "\xFF\xFE" + utf16("Cid\nAnn\n"));
    EXPECT_EQ(alerts.asked().back().title, "Success");
}

} // namespace
