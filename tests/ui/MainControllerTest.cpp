// The main window driven as a person would: launch, sections, files handed
// over, and the library commands of the Open section.
#include "support/TestDatabase.h"
#include "ui/WidgetClicks.h"

#include "crypto/ProtectionPassword.h"
#include "library/TemplateCatalog.h"
#include "platform/Alerts.h"
#include "platform/FileManager.h"
#include "platform/FilePanels.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "storage/DBManager.h"
#include "ui/app/MainController.h"
#include "ui/app/PasswordPanel.h"
#include "ui/define/StructureFieldViewController.h"
#include "ui/define/StructureSectionController.h"
#include "ui/open/DatabaseListView.h"
#include "ui/open/NewDBController.h"
#include "ui/sync/SyncSessionController.h"
#include "ui/use/RecordTableModel.h"
#include "ui/use/UseRecordListViewController.h"
#include "ui/use/UseSectionController.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>

using namespace dossiva;
using namespace dossiva::test;

namespace {

// Types into the password panel once it runs modally, then presses OK or
// Cancel, for each answer in turn.
void answerPasswordPanel(PasswordPanel& panel, std::vector<std::optional<QString>> answers)
{
    // A timer on the panel itself waits for it to run modally, then answers
    // one entry at a time.
    auto* timer = new QTimer(&panel);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, &panel,
                     [&panel, timer, answers = std::move(answers)]() mutable {
                         if (answers.empty()) {
                             timer->deleteLater();
                             return;
                         }
                         if (!panel.isVisible()) {
                             return;
                         }
                         const auto answer = answers.front();
                         answers.erase(answers.begin());
                         if (answer) {
                             panel.field()->setText(*answer);
                             QTest::mouseClick(panel.okButton(), Qt::LeftButton);
                         } else {
                             panel.passwdButtonClick(0);
                         }
                     });
    timer->start();
}

class MainControllerTest : public ::testing::Test {
protected:
    TestLibrary home;
    ScriptedAlerts alerts;
    ScriptedFilePanels panels;
    std::unique_ptr<MainController> controller = std::make_unique<MainController>(alerts, panels);

    void launch() { ASSERT_TRUE(controller->applicationDidFinishLaunching()); }

    std::string lastMessage() const { return alerts.asked().empty() ? "" : alerts.asked().back().message; }
};

TEST_F(MainControllerTest, AWrongPasswordAsksAgainAndTheRightOneOpens)
{
    ASSERT_TRUE(ProtectionPassword().storePassword("s3cret"));
    answerPasswordPanel(controller->passwordPanel(), {QStringLiteral("wrong"), QStringLiteral("s3cret")});
    launch();
    ASSERT_EQ(alerts.asked().size(), 1u);
    EXPECT_EQ(alerts.asked()[0].message, "Wrong password");
    EXPECT_TRUE(controller->isLaunchFinished());
}

TEST_F(MainControllerTest, CancellingThePasswordEndsTheLaunch)
{
    ASSERT_TRUE(ProtectionPassword().storePassword("s3cret"));
    answerPasswordPanel(controller->passwordPanel(), {std::nullopt});
    EXPECT_FALSE(controller->applicationDidFinishLaunching());
    EXPECT_FALSE(controller->isLaunchFinished());
}

TEST_F(MainControllerTest, TheSavedSectionIsShownFirst)
{
    struct Case {
        const char* stored;
        MainController::Section shown;
    };
    for (const Case& c :
         {Case{"2", MainController::Section::Define}, Case{"1", MainController::Section::Use},
          Case{"7", MainController::Section::Open}, Case{nullptr, MainController::Section::Open}}) {
        if (c.stored != nullptr) {
            UserDefaults::standard().setString("Section", c.stored);
        } else {
            UserDefaults::standard().remove("Section");
        }
        controller = std::make_unique<MainController>(alerts, panels);
        launch();
        EXPECT_TRUE(controller->mainWindow()->isVisible());
        EXPECT_EQ(controller->shownSection(), c.shown) << (c.stored ? c.stored : "none");
        controller->applicationWillTerminate();
        EXPECT_EQ(UserDefaults::standard().stringForKey("Section"),
                  std::to_string(static_cast<int>(c.shown)));
    }
}

TEST_F(MainControllerTest, AFileHandedOverBeforeLaunchOpensAfterTheGate)
{
    ASSERT_TRUE(ProtectionPassword().storePassword("pw"));
    const std::string package = home.makePackage("Handed");
    DBManager::sharedIstance().openDB();
    const std::string outside = home.home() + "/Handed.dossiva";
    ASSERT_TRUE(FileManager::moveItem(Paths::packagePath(package), outside));

    controller->applicationOpenFile(outside);
    EXPECT_TRUE(alerts.asked().empty()) << "nothing opens before the password";
    alerts.queueAnswer("Import");
    answerPasswordPanel(controller->passwordPanel(), {QStringLiteral("pw")});
    launch();
    ASSERT_GE(alerts.asked().size(), 2u);
    EXPECT_EQ(alerts.asked()[0].message, "Do you want to import the database \"Handed\"?");
    EXPECT_EQ(alerts.asked()[0].buttons, (std::vector<std::string>{"Import", "Cancel"}));
    EXPECT_EQ(lastMessage(), "Database Handed imported successfully");
    EXPECT_EQ(rowTexts(*controller->openSection().listWidget()), std::vector<std::string>{"Handed"});
}

TEST_F(MainControllerTest, CreatingFromABuiltInTemplateOpensItInTheUseSection)
{
    launch();
    controller->menuAction(MenuTag::NewDatabase);
    NewDBController* sheet = controller->openSection().newDatabaseSheet();
    ASSERT_NE(sheet, nullptr);
    ASSERT_TRUE(sheet->isVisible());
    EXPECT_EQ(sheet->nameField()->text(), "untitled");
    EXPECT_EQ(sheet->templateList()->count(), TemplateCatalog::kBuiltInRows);

    sheet->nameField()->setText(QStringLiteral("   "));
    EXPECT_FALSE(sheet->createButton()->isEnabled());
    sheet->nameField()->setText(QStringLiteral("My Books"));
    sheet->templateList()->setCurrentRow(2); // Books
    QTest::mouseClick(sheet->createButton(), Qt::LeftButton);
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(controller->shownSection(), MainController::Section::Use);
    EXPECT_EQ(DBManager::sharedIstance().dbName(), "My Books.dossiva");
    EXPECT_GT(DBManager::sharedIstance().dbStructure().size(), 3u);
    EXPECT_EQ(rowTexts(*controller->openSection().listWidget()), std::vector<std::string>{"My Books"});
    EXPECT_TRUE(controller->validateMenuItem(MenuTag::ExportDatabase));

    // The same name again: warned, the sheet stays.
    controller->menuAction(MenuTag::NewDatabase);
    sheet->nameField()->setText(QStringLiteral("My Books"));
    QTest::mouseClick(sheet->createButton(), Qt::LeftButton);
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(lastMessage(),
              "There is already a database with this name. Enter a name that is different from others.");
    sheet->saveCancel(false);
}

TEST_F(MainControllerTest, CustomTemplatesComeAfterTheBuiltInOnes)
{
    ASSERT_TRUE(FileManager::copyItem(Paths::modelsResourceFolder() + "/Recipes.dossivaTemplate",
                                      Paths::modelsFolder() + "/Family Recipes.dossivaTemplate"));
    launch();
    controller->openSection().addRemovePressed(0);
    NewDBController* sheet = controller->openSection().newDatabaseSheet();
    ASSERT_EQ(sheet->templateList()->count(), TemplateCatalog::kBuiltInRows + 1);
    EXPECT_EQ(sheet->templateList()->item(TemplateCatalog::kBuiltInRows)->text(), "Family Recipes");
    sheet->templateList()->setCurrentRow(TemplateCatalog::kBuiltInRows);
    sheet->nameField()->setText(QStringLiteral("Dinners"));
    sheet->saveCancel(true);
    EXPECT_EQ(DBManager::sharedIstance().dbName(), "Dinners.dossiva");
    EXPECT_EQ(controller->openSection().detailText("records"), "0 Records");
    EXPECT_EQ(controller->openSection().detailText("synced"), "Not synced yet");
}

TEST_F(MainControllerTest, RenamingAndDuplicatingFromTheList)
{
    home.makePackage("Notes");
    home.makePackage("Films");
    DBManager::sharedIstance().openDB();
    launch();
    OpenSectionController& open = controller->openSection();
    open.selectDatabase("Notes.dossiva");
    EXPECT_EQ(open.detailText("name"), "Notes");

    // Renaming to a taken name is refused and the old name stays.
    QListWidgetItem* item = open.listWidget()->currentItem();
    item->setText(QStringLiteral("Films"));
    EXPECT_EQ(lastMessage(), "Database Films already exists");
    EXPECT_EQ(open.selectedDatabase(), "Notes.dossiva");

    controller->menuAction(MenuTag::DuplicateDatabase);
    EXPECT_EQ(open.selectedDatabase(), "Notes Copy.dossiva");
    open.selectDatabase("Notes.dossiva");
    controller->menuAction(MenuTag::DuplicateDatabase);
    EXPECT_EQ(lastMessage(), "Error duplicanting db");
}

TEST_F(MainControllerTest, ExportedPackagesAndTemplatesComeBackThroughImport)
{
    home.makePackage("Garden");
    DBManager::sharedIstance().openDB();
    launch();
    controller->openSection().selectDatabase("Garden.dossiva");
    const std::string package = home.home() + "/Exported Garden.dossiva";
    const std::string templateFile = home.home() + "/Garden.dossivaTemplate";
    panels.queueAnswer(package);
    controller->menuAction(MenuTag::ExportDatabase);
    EXPECT_EQ(panels.saveRequests().back().type, "dossiva");
    EXPECT_EQ(panels.saveRequests().back().proposedName, "Garden");
    EXPECT_EQ(lastMessage(), "Database exported successfully");
    panels.queueAnswer(templateFile);
    controller->menuAction(MenuTag::ExportTemplate);
    EXPECT_EQ(lastMessage(), "Database template exported successfully");

    // Importing under a taken name asks until a free one is given.
    const std::string copy = home.home() + "/Garden.dossiva";
    ASSERT_TRUE(FileManager::copyItem(package, copy));
    panels.queueAnswer(copy);
    alerts.queueAnswer("Import");
    alerts.queueAnswer("OK", "Garden");
    alerts.queueAnswer("OK", "Allotment");
    controller->menuAction(MenuTag::ImportDatabase);
    EXPECT_TRUE(panels.openRequests().back().chooseFolder);
    EXPECT_EQ(lastMessage(), "Database Allotment imported successfully");
    EXPECT_EQ(controller->openSection().selectedDatabase(), "Allotment.dossiva");

    panels.queueAnswer(templateFile);
    alerts.queueAnswer("Import");
    controller->menuAction(MenuTag::ImportTemplate);
    EXPECT_EQ(lastMessage(), "Database template Garden imported successfully");
    EXPECT_EQ(TemplateCatalog::customTemplateNames(), std::vector<std::string>{"Garden"});
}

TEST_F(MainControllerTest, UndoInTheOpenSectionDoesNothingAndSeveralRecordsNameTheCommandsInThePlural)
{
    launch();
    controller->menuAction(MenuTag::Undo);
    EXPECT_FALSE(controller->action(MenuTag::Undo)->isEnabled());
    controller->showUseSection();
    controller->setMultipleRecords(true);
    controller->validateMenuItem(MenuTag::DuplicateRecords);
    EXPECT_EQ(controller->action(MenuTag::DuplicateRecords)->text(), "Duplicate Records");
    EXPECT_EQ(controller->action(MenuTag::DeleteRecords)->text(), "Delete Records");
}

TEST_F(MainControllerTest, ViewColumnsShowsTheListsColumnsAndKeepsAHiddenOneWithTheField)
{
    const std::string package = home.makePackage("Cellar");
    DBManager& db = DBManager::sharedIstance();
    const FieldId note = db.adddbFieldLabel("Note", FieldType::SmallText, PropertyList::array());
    launch();
    controller->openSection().selectDatabase(package);
    controller->showUseSection();
    QAction* columns = controller->action(MenuTag::Columns);
    controller->validateMenuItem(MenuTag::Columns);
    EXPECT_FALSE(columns->isEnabled()) << "the card has no columns";

    controller->menuAction(MenuTag::ListView);
    controller->validateMenuItem(MenuTag::Columns);
    ASSERT_TRUE(columns->isEnabled());
    EXPECT_EQ(entryTexts(*columns->menu()), (QStringList{QStringLiteral("Name"), QStringLiteral("Note")}));
    QAction* noteEntry = entryNamed(*columns->menu(), QStringLiteral("Note"));
    ASSERT_NE(noteEntry, nullptr);
    ASSERT_TRUE(noteEntry->isChecked());
    noteEntry->trigger();
    EXPECT_LT(db.field(note)->listViewColumn, 0);
    EXPECT_FALSE(controller->useSection().listView()->model()->columns().indexOfField(note));

    // The main menu follows the rebuilt list: the entry is there, unticked.
    QAction* after = entryNamed(*columns->menu(), QStringLiteral("Note"));
    ASSERT_NE(after, nullptr);
    EXPECT_FALSE(after->isChecked());
}

TEST_F(MainControllerTest, TheSyncQuestionDependsOnWhetherTheCompanionWasFound)
{
    launch();
    alerts.queueAnswer("Sync");
    controller->menuAction(MenuTag::Sync);
    ASSERT_GE(alerts.asked().size(), 2u);
    EXPECT_EQ(alerts.asked()[alerts.asked().size() - 2].title, "Sync with Dossiva for iPhone");
    EXPECT_EQ(alerts.asked()[alerts.asked().size() - 2].message,
              "Ensure that Dossiva is open on your iPhone and that your Mac and your iPhone are connected to "
              "the same Wi-Fi network supporting Bonjour.");
    EXPECT_EQ(alerts.asked().back().title, "Connection failure");
    EXPECT_TRUE(controller->action(MenuTag::Sync)->isEnabled());

    controller->syncSession().found("127.0.0.1", 2121, "Phone");
    alerts.queueAnswer("Cancel");
    controller->menuAction(MenuTag::Sync);
    EXPECT_EQ(alerts.asked().back().message,
              "Click on Sync button to sync your data with Dossiva for iPhone.");
    controller->syncSession().lost();
    EXPECT_FALSE(controller->syncSession().companion().has_value());
    EXPECT_TRUE(controller->action(MenuTag::Sync)->isEnabled());
}

TEST_F(MainControllerTest, QuittingWhileAFieldsNameIsTypedKeepsIt)
{
    home.makePackage("Alpha");
    const FieldId note =
        DBManager::sharedIstance().adddbFieldLabel("Note", FieldType::SmallText, PropertyList::array());
    launch();
    controller->openSection().selectDatabase("Alpha.dossiva");
    controller->showDefineSection();
    StructureFieldViewController* editor = controller->defineSection().editor(note);
    ASSERT_NE(editor, nullptr);
    QTest::mouseClick(editor->titleText(), Qt::LeftButton);
    QTest::keyClicks(editor->titleText(), QStringLiteral("s"));
    ASSERT_EQ(DBManager::sharedIstance().field(note)->name, "Note");
    controller->applicationWillTerminate();
    EXPECT_EQ(DBManager::sharedIstance().field(note)->name, "Notes");
}

TEST_F(MainControllerTest, TheDefineSectionsKeysReachItInTheMainWindow)
{
    home.makePackage("Alpha");
    DBManager& db = DBManager::sharedIstance();
    db.adddbFieldLabel("A", FieldType::SmallText, PropertyList::array());
    const FieldId b = db.adddbFieldLabel("B", FieldType::SmallText, PropertyList::array());
    launch();
    controller->openSection().selectDatabase("Alpha.dossiva");
    controller->showDefineSection();
    ASSERT_TRUE(QTest::qWaitForWindowActive(controller->mainWindow()));
    const auto names = [&db] {
        std::string text;
        for (const FieldDefinition& field : db.dbStructure()) {
            text += field.name + " ";
        }
        return text;
    };
    // No menu shortcut may take these keys from a field's header.
    QLabel* header = controller->defineSection().editor(b)->titleLabel();
    QTest::mouseClick(header, Qt::LeftButton, {}, header->rect().center());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(names(), "Name B A ");
    alerts.queueAnswer("Delete Field");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Delete);
    EXPECT_EQ(names(), "Name A ");
    QTest::keySequence(controller->mainWindow(), QKeySequence::Undo);
    EXPECT_EQ(names(), "Name B A ");
}

TEST_F(MainControllerTest, TheLastDatabaseIsReopenedAtTheNextLaunch)
{
    home.makePackage("Alpha");
    home.makePackage("Beta");
    DBManager::sharedIstance().openDB();
    launch();
    controller->openSection().selectDatabase("Beta.dossiva");
    controller->applicationWillTerminate();
    EXPECT_EQ(UserDefaults::standard().stringForKey("LastDB"), "Beta.dossiva");
    controller = std::make_unique<MainController>(alerts, panels);
    launch();
    EXPECT_EQ(controller->openSection().selectedDatabase(), "Beta.dossiva");
    EXPECT_EQ(DBManager::sharedIstance().dbName(), "Beta.dossiva");
}

// --help and --version answer at once: no display is needed, no window
// opens and no data folder is made.
TEST(DesktopProgramTest, HelpAndVersionAnswerWithoutAWindowOrADataFolder)
{
    const TestHome home;
    const auto self = std::filesystem::read_symlink("/proc/self/exe");
    const std::string program = (self.parent_path().parent_path() / "src" / "ui" / "dossiva").string();
    for (const auto& [option, says] :
         std::vector<std::pair<std::string, std::string>>{{"--help", "Usage: dossiva [FILE...]"},
                                                          {"-h", "Usage: dossiva [FILE...]"},
                                                          {"--version", "dossiva "}}) {
        std::string output;
        const int status = runCommand("env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb HOME=" +
                                          shellQuote(home.path()) + " " + shellQuote(program) + " " + option,
                                      output);
        EXPECT_EQ(status, 0) << option << ": " << output;
        EXPECT_EQ(output.rfind(says, 0), 0u) << option << ": " << output;
        EXPECT_FALSE(FileManager::exists(home.path() + "/Library")) << option;
    }
}

} // namespace
