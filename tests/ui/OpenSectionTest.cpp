// The Open section driven by the keys and the mouse, as a person uses it:
// the list's rows are clicked and double-clicked, Delete is pressed, names
// are typed, and the window shows what is open.
#include "support/TestDatabase.h"
#include "ui/WidgetClicks.h"

#include "platform/Alerts.h"
#include "platform/FileManager.h"
#include "platform/FilePanels.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "storage/DBManager.h"
#include "ui/app/MainController.h"
#include "ui/open/DatabaseListView.h"
#include "ui/open/NewDBController.h"
#include "ui/widgets/ElidedLabel.h"
#include "ui/widgets/WelcomeView.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QTest>
#include <QToolTip>

#include <gtest/gtest.h>

using namespace dossiva;
using namespace dossiva::test;

namespace {

class OpenSectionTest : public ::testing::Test {
public:
    TestLibrary home;
    ScriptedAlerts alerts;
    ScriptedFilePanels panels;
    std::unique_ptr<MainController> controller;

    // Launches with these databases; `beforeLaunch` runs once the
    // controller is made.
    void launch(const std::vector<std::string>& databases, const std::function<void()>& beforeLaunch = {})
    {
        for (const auto& name : databases) {
            home.makePackage(name);
        }
        DBManager::sharedIstance().openDB();
        controller = std::make_unique<MainController>(alerts, panels);
        if (beforeLaunch) {
            beforeLaunch();
        }
        ASSERT_TRUE(controller->applicationDidFinishLaunching());
        // Keys and focus reach a window only once it is active.
        controller->mainWindow()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(controller->mainWindow()));
    }

    DatabaseListView& list() { return *controller->openSection().listWidget(); }
    OpenSectionController& open() { return controller->openSection(); }

    int rowOf(const std::string& name)
    {
        const auto found =
            list().findItems(QString::fromStdString(name), Qt::MatchExactly | Qt::MatchCaseSensitive);
        EXPECT_EQ(found.size(), 1) << name << " is not listed once";
        return found.isEmpty() ? -1 : list().row(found.front());
    }

    void click(const std::string& name)
    {
        QTest::mouseClick(list().viewport(), Qt::LeftButton, {}, list().nameRect(rowOf(name)).center());
    }

    void doubleClick(QRect where)
    {
        QTest::mouseDClick(list().viewport(), Qt::LeftButton, {}, where.center());
    }

    // Types into the editor that a rename opened, then presses Enter.
    void typeName(const QString& name)
    {
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        ASSERT_NE(editor, nullptr) << "no name editor has the focus";
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(editor, name);
        QTest::keyClick(editor, Qt::Key_Return);
        // The item view takes the name from the event loop.
        QApplication::processEvents();
    }

    QWidget* shownDetails() { return open().view()->findChild<QStackedWidget*>()->currentWidget(); }
};

TEST_F(OpenSectionTest, TheDeleteKeyAsksWithCancelAsDefaultThenMovesTheDatabaseToTheTrash)
{
    launch({"Alpha", "Beta", "Gamma"});
    click("Beta");
    ASSERT_EQ(DBManager::sharedIstance().dbName(), "Beta.dossiva");

    QTest::keyClick(&list(), Qt::Key_Delete);
    ASSERT_FALSE(alerts.asked().empty());
    const AlertRequest& question = alerts.asked().back();
    EXPECT_EQ(question.message, "Are you sure you want to delete the database \"Beta\"?");
    EXPECT_EQ(question.defaultAnswer(), "Cancel") << "Enter keeps the database";
    EXPECT_EQ(question.effectiveStyle(), AlertStyle::Warning);
    EXPECT_TRUE(FileManager::exists(Paths::packagePath("Beta.dossiva")));

    alerts.queueAnswer("Delete");
    QTest::keyClick(&list(), Qt::Key_Delete);
    EXPECT_EQ(rowTexts(list()), (std::vector<std::string>{"Alpha", "Gamma"}));
    EXPECT_TRUE(
        FileManager::isRegularFile(home.home() + "/.local/share/Trash/files/Beta.dossiva/database.db"));
    EXPECT_EQ(open().selectedDatabase(), "Gamma.dossiva") << "the next row takes its place";
    EXPECT_EQ(DBManager::sharedIstance().dbName(), "Gamma.dossiva");
}

TEST_F(OpenSectionTest, ADoubleClickOnANameRenamesItOnceAndOnAPictureOpensTheUseSection)
{
    launch({"Notes"});
    click("Notes");
    int announcements = 0;
    const ObserverToken watch = NotificationCenter::defaultCenter().observe<NoPayload>(
        kDBChangedNotification, nullptr, [&](const NoPayload&, const void*) { ++announcements; });

    doubleClick(list().nameRect(rowOf("Notes")));
    EXPECT_EQ(controller->shownSection(), MainController::Section::Open);
    typeName(QStringLiteral("Journal"));
    EXPECT_EQ(rowTexts(list()), std::vector<std::string>{"Journal"});
    EXPECT_TRUE(FileManager::exists(Paths::packagePath("Journal.dossiva")));
    EXPECT_EQ(announcements, 1) << "a rename is announced once";
    EXPECT_EQ(open().selectedDatabase(), "Journal.dossiva");
    EXPECT_EQ(open().detailText("name"), "Journal");
    EXPECT_EQ(controller->mainWindow()->windowTitle(), QStringLiteral("Journal \u2014 Dossiva"));

    doubleClick(list().pictureRect(rowOf("Journal")));
    EXPECT_EQ(controller->shownSection(), MainController::Section::Use);
}

TEST_F(OpenSectionTest, OnlyAClickedRowOpensADatabase)
{
    struct Case {
        const char* name;
        std::function<void(OpenSectionTest&)> launch;
    };
    const std::vector<Case> cases = {
        {"LaunchedWithoutALastDatabase",
         [](OpenSectionTest& t) {
             t.launch({"Alpha", "Beta"});
         }},
        {"LaunchedToOpenAFile",
         [](OpenSectionTest& t) {
             UserDefaults::standard().setString("LastDB", "Beta.dossiva");
             const std::string handed = t.home.home() + "/Handed.dossivaTemplate";
             ASSERT_TRUE(
                 FileManager::copyItem(Paths::modelsResourceFolder() + "/Notes.dossivaTemplate", handed));
             t.alerts.queueAnswer("Cancel");
             t.launch({"Alpha", "Beta"}, [&] { t.controller->applicationOpenFile(handed); });
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.launch(*this);
        list().setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        EXPECT_TRUE(DBManager::sharedIstance().dbName().empty()) << "focus alone opened a database";
        EXPECT_EQ(controller->mainWindow()->windowTitle(), QStringLiteral("Dossiva"));
        click("Alpha");
        EXPECT_EQ(DBManager::sharedIstance().dbName(), "Alpha.dossiva");
        EXPECT_EQ(controller->mainWindow()->windowTitle(), QStringLiteral("Alpha \u2014 Dossiva"));
        controller.reset();
        DBManager::sharedIstance().openDB();
        FileManager::removeItem(Paths::databasesFolder());
        FileManager::createDirectory(Paths::databasesFolder());
        UserDefaults::standard().remove("LastDB");
    }
}

TEST_F(OpenSectionTest, LongNamesAreCutAtTheirEndAndShownWholeInATooltip)
{
    const std::string longName =
        "The collected recipes of my grandmother and of her sisters from the farm near the river";
    launch({longName, "Tea"});
    click(longName);
    auto* name = open().nameLabel();
    EXPECT_TRUE(name->isElided());
    EXPECT_TRUE(name->text().endsWith(QChar(0x2026))) << name->text().toStdString();
    EXPECT_TRUE(QString::fromStdString(longName).startsWith(name->text().chopped(1)))
        << "cut at its end only: " << name->text().toStdString();
    EXPECT_EQ(name->toolTip().toStdString(), longName);
    const QRect inPane(name->mapTo(shownDetails(), QPoint(0, 0)), name->size());
    EXPECT_TRUE(shownDetails()->rect().contains(inPane)) << "the name stays inside the details";

    const int row = rowOf(longName);
    ASSERT_TRUE(list().isNameElided(row));
    EXPECT_FALSE(list().isNameElided(rowOf("Tea")));
    const QPoint at = list().nameRect(row).center();
    QHelpEvent help(QEvent::ToolTip, at, list().viewport()->mapToGlobal(at));
    QApplication::sendEvent(list().viewport(), &help);
    EXPECT_EQ(QToolTip::text().toStdString(), longName);
    QToolTip::hideText();
}

TEST_F(OpenSectionTest, WithNothingChosenTheDetailsShowAMessageNotEmptyLabels)
{
    launch({"Alpha"});
    auto* welcome = qobject_cast<WelcomeView*>(shownDetails());
    ASSERT_NE(welcome, nullptr) << "bare labels are shown with nothing selected";
    click("Alpha");
    EXPECT_EQ(qobject_cast<WelcomeView*>(shownDetails()), nullptr);
    EXPECT_EQ(open().detailText("records"), "0 Records");
}

TEST_F(OpenSectionTest, EachDatabaseShowsTheIconOfItsTemplate)
{
    launch({});
    for (const auto& [row, name] :
         std::vector<std::pair<int, QString>>{{2, "Reading"}, {19, "Cooking"}, {0, "Plain"}}) {
        controller->menuAction(MenuTag::NewDatabase);
        NewDBController* sheet = open().newDatabaseSheet();
        sheet->templateList()->setCurrentRow(row);
        sheet->nameField()->setText(name);
        QTest::mouseClick(sheet->createButton(), Qt::LeftButton);
    }
    controller->showOpenSection();
    // The list is read again from the disk, as at the next launch.
    open().loadDbArray();
    const auto picture = [this](const std::string& name) {
        return list().item(rowOf(name))->icon().pixmap(list().iconSize()).toImage();
    };
    // Which template gives which icon is the library's table; here, each is drawn.
    EXPECT_NE(picture("Reading"), picture("Cooking"));
    EXPECT_NE(picture("Reading"), picture("Plain"));
    EXPECT_NE(picture("Cooking"), picture("Plain"));
}

TEST_F(OpenSectionTest, TheEmptyStateTextsShowWholeLines)
{
    launch({});
    for (const QSize size : {QSize(760, 480), QSize(1100, 760)}) {
        controller->mainWindow()->resize(size);
        for (auto section : {&MainController::showUseSection, &MainController::showDefineSection,
                             &MainController::showOpenSection}) {
            (controller.get()->*section)();
            QApplication::processEvents();
            for (QLabel* label : controller->mainWindow()->findChildren<QLabel*>()) {
                if (!label->isVisible() || !label->wordWrap() || label->text().isEmpty()) {
                    continue;
                }
                EXPECT_GE(label->height(), label->heightForWidth(label->width()))
                    << "clipped at " << size.width() << "x" << size.height() << ": "
                    << label->text().toStdString();
            }
        }
    }
}

TEST_F(OpenSectionTest, ASavedFrameOffTheScreenIsBroughtBackWhole)
{
    QMainWindow elsewhere;
    elsewhere.setGeometry(5200, 3900, 900, 2000);
    const QByteArray frame = elsewhere.saveGeometry();
    UserDefaults::standard().set("MainWindow", PropertyList(PropertyList::Data(frame.begin(), frame.end())));
    launch({});
    const QRect screen = controller->mainWindow()->screen()->availableGeometry();
    EXPECT_TRUE(screen.contains(controller->mainWindow()->frameGeometry()))
        << "frame " << controller->mainWindow()->frameGeometry().x() << ","
        << controller->mainWindow()->frameGeometry().y() << " "
        << controller->mainWindow()->frameGeometry().width() << "x"
        << controller->mainWindow()->frameGeometry().height();
}

TEST_F(OpenSectionTest, ASecondLaunchBringsTheWindowToTheFront)
{
    launch({});
    controller->mainWindow()->showMinimized();
    QApplication::processEvents();
    controller->bringToFront();
    EXPECT_FALSE(controller->mainWindow()->isMinimized());
    QTRY_VERIFY(controller->mainWindow()->isActiveWindow());
}

TEST_F(OpenSectionTest, CsvFilesAreChosenAsFiles)
{
    launch({});
    controller->menuAction(MenuTag::Import);
    ASSERT_EQ(panels.openRequests().size(), 1u);
    EXPECT_FALSE(panels.openRequests()[0].chooseFolder);
    EXPECT_EQ(panels.openRequests()[0].types, std::vector<std::string>{"csv"});
}

TEST_F(OpenSectionTest, CheckingForUpdatesSaysTheyComeFromTheDistribution)
{
    launch({});
    controller->menuAction(MenuTag::CheckForUpdates);
    ASSERT_FALSE(alerts.asked().empty());
    EXPECT_NE(alerts.asked().back().message.find("comes from your distribution"), std::string::npos);
    EXPECT_FALSE(UserDefaults::standard().has("SULastCheckTime")) << "no check ran, so none is recorded";
}

} // namespace
