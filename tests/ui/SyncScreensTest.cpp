// The sync, backup and restore screens driven as a person would, against the
// companion peer on loopback: the question, the table of databases, the
// conflict resolver, the progress view with its Stop, the restore view, and
// what the window does around a session.
#include "support/CaseNames.h"
#include "support/CompanionPeer.h"
#include "support/TestDatabase.h"
#include "sync/SyncTestData.h"

#include "fields/FieldTypes.h"
#include "fields/StructureCodec.h"
#include "platform/Alerts.h"
#include "platform/FileManager.h"
#include "platform/FilePanels.h"
#include "platform/Log.h"
#include "platform/MainThread.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "storage/DBManager.h"
#include "ui/app/MainController.h"
#include "ui/open/OpenSectionController.h"
#include "ui/sync/ConflictCopyBox.h"
#include "ui/sync/ConflictResolverView.h"
#include "ui/sync/RestoreView.h"
#include "ui/sync/SyncDatabaseTable.h"
#include "ui/sync/SyncProgressView.h"
#include "ui/sync/SyncSessionController.h"
#include "ui/sync/SyncSheet.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <memory>

using namespace dossiva;
using namespace dossiva::test;

namespace {

constexpr int kWaitMs = 30000;

// Scripted alerts that also note, at each question, what the window showed
// at that moment.
class WitnessAlerts final : public Alerts {
public:
    ScriptedAlerts script;
    std::function<std::string()> witness;
    std::vector<std::string> seen; // as "title: message", then what the window showed

    AlertAnswer ask(const AlertRequest& request) override
    {
        seen.push_back(request.title + ": " + request.message + (witness ? " | " + witness() : ""));
        return script.ask(request);
    }
    void beginProgress(const std::string& title, const std::string& message) override
    {
        script.beginProgress(title, message);
    }
    void endProgress() override { script.endProgress(); }
    void finishProgress(const std::string& title, const std::string& message) override
    {
        script.finishProgress(title, message);
    }
    bool wasAsked(const std::string& text) const
    {
        return std::find(seen.begin(), seen.end(), text) != seen.end();
    }
};

bool startsWith(const std::string& text, const std::string& start)
{
    return text.rfind(start, 0) == 0;
}

class SyncScreensTest : public ::testing::Test {
protected:
    TestLibrary home;
    WitnessAlerts alerts;
    ScriptedFilePanels panels;
    CompanionPeer peer;
    std::string phoneRoot = makeTempFolder("dossiva-phone");
    std::unique_ptr<MainController> controller;

    SyncScreensTest()
    {
        FileManager::createDirectory(phoneRoot + "/Templates");
        UserDefaults& defaults = UserDefaults::standard();
        defaults.setInteger("Backup", 0);
        defaults.setInteger("STemplates", 0);
        // The library, and so the conflicts, in name order.
        defaults.setInteger("Sorting", 0);
        defaults.setInteger("DBSortOrder", 1);
    }

    ~SyncScreensTest() override
    {
        setDevLogSink([](const std::string&) {});
        controller.reset();
        peer.stop();
        FileManager::removeItem(phoneRoot);
    }

    void launch()
    {
        DBManager::sharedIstance().openDB();
        controller = std::make_unique<MainController>(alerts, panels);
        ASSERT_TRUE(controller->applicationDidFinishLaunching());
        session().syncManager().setFtpTimeout(std::chrono::seconds(5));
    }

    // The companion, serving phoneRoot, as found on the network.
    void companionAppears()
    {
        const int port = peer.start(phoneRoot);
        ASSERT_NE(port, 0) << "the companion peer (/usr/bin/python3 with pyftpdlib) does not start";
        session().found("127.0.0.1", port, "Test iPhone");
    }

    void launchWithCompanion()
    {
        launch();
        companionAppears();
    }

    SyncSessionController& session() { return controller->syncSession(); }
    SyncSheet& sheet() { return session().sheet(); }
    SyncDatabaseTable& table() { return *sheet().databaseTable(); }
    ConflictResolverView& resolver() { return *sheet().conflictResolver(); }
    RestoreView& restoreView() { return *sheet().restoreView(); }
    std::string progressTitle() { return sheet().progressView()->title().toStdString(); }

    bool waitForView(QWidget* view)
    {
        return QTest::qWaitFor([&] { return sheet().currentView() == view; }, kWaitMs);
    }
    bool waitForEnd()
    {
        return QTest::qWaitFor([&] { return !session().isBusy(); }, kWaitMs);
    }

    // Presses the toolbar's Sync button and answers the question with Sync.
    void pressSync()
    {
        alerts.script.queueAnswer("Sync");
        for (QToolButton* button : controller->mainWindow()->findChildren<QToolButton*>()) {
            if (button->text() == QStringLiteral("Sync")) {
                QTest::mouseClick(button, Qt::LeftButton);
                return;
            }
        }
        FAIL() << "no Sync button in the toolbar";
    }

    // Moves a package made here to a path elsewhere, its database closed.
    void moveAway(const std::string& name, const std::string& to)
    {
        DBManager::sharedIstance().openDB();
        ASSERT_TRUE(FileManager::moveItem(Paths::packagePath(name + ".dossiva"), to));
    }

    // A package made here and moved to the companion.
    void makePhonePackage(const std::string& name)
    {
        home.makePackage(name);
        moveAway(name, phoneRoot + "/" + name + ".dossiva");
    }

    // The databases the last sync took, as the preferences keep them.
    static void lastSynced(std::initializer_list<const char*> packages)
    {
        PropertyList::Array names(packages.begin(), packages.end());
        UserDefaults::standard().set("LastSyncedDbs", PropertyList(std::move(names)));
    }

    // NAME on both sides with structures that differ: the companion's copy
    // has a field "Extra". The edit dates decide the box preselected.
    void makeConflict(const std::string& name, std::int64_t macEdit, std::int64_t phoneEdit)
    {
        makeSamplePackage(name + " phone");
        ASSERT_GT(DBManager::sharedIstance().adddbFieldLabel("Extra", FieldType::SmallText,
                                                             defaultStructure(FieldType::SmallText)),
                  0);
        setSampleDates(phoneEdit, 1000);
        moveAway(name + " phone", phoneRoot + "/" + name + ".dossiva");
        makeSamplePackage(name);
        setSampleDates(macEdit, 1000);
        DBManager::sharedIstance().openDB();
    }

    // The rows of the table: name and whether it is ticked.
    std::map<std::string, bool> rows()
    {
        std::map<std::string, bool> shown;
        QTableWidget* widget = table().table();
        for (int row = 0; row < widget->rowCount(); ++row) {
            shown[widget->item(row, SyncDatabaseTable::NameColumn)->text().toStdString()] =
                widget->item(row, SyncDatabaseTable::TickColumn)->checkState() == Qt::Checked;
        }
        return shown;
    }

    // Toggles a row's box with the space bar, as a person does.
    void toggleRow(const std::string& name)
    {
        QTableWidget* widget = table().table();
        const auto found =
            widget->findItems(QString::fromStdString(name), Qt::MatchExactly | Qt::MatchCaseSensitive);
        ASSERT_EQ(found.size(), 1) << "no row " << name;
        widget->setCurrentCell(found.front()->row(), SyncDatabaseTable::TickColumn);
        QTest::keyClick(widget, Qt::Key_Space);
    }

    // Runs a click on the main thread once the session's log says `marker`.
    void onLog(const std::string& marker, std::function<void()> task)
    {
        auto fired = std::make_shared<std::atomic<bool>>(false);
        setDevLogSink([marker, task, fired](const std::string& line) {
            if (line.find(marker) != std::string::npos && !fired->exchange(true)) {
                MainThread::post(task);
            }
        });
    }

    std::vector<std::string> libraryNames()
    {
        std::vector<std::string> names;
        for (const auto& entry : controller->openSection().library().dbList()) {
            names.push_back(entry.name);
        }
        return names;
    }

    bool navigationFree() { return controller->action(MenuTag::NewDatabase)->isEnabled(); }
};

std::vector<std::string> itemsIn(const std::string& folder)
{
    auto items = FileManager::contentsOfDirectory(folder);
    std::sort(items.begin(), items.end());
    return items;
}

// Folders left by unfinished work.
std::vector<std::string> leftovers(const std::string& folder)
{
    std::vector<std::string> found;
    for (const auto& name : itemsIn(folder)) {
        if (name.find("_temp") != std::string::npos || name.find("_old") != std::string::npos) {
            found.push_back(name);
        }
    }
    return found;
}

// -- A whole sync -----------------------------------------------------------------

TEST_F(SyncScreensTest, AWholeSyncFromTheTableEndsWithTheLibraryReloadedThenWhatWasNotSynced)
{
    home.makePackage("Notes");
    home.makePackage("Films");
    makePhonePackage("Books");
    makePhonePackage("notes");
    // A companion database without its images folder cannot be taken.
    makePhonePackage("Broken");
    ASSERT_TRUE(FileManager::removeItem(phoneRoot + "/Broken.dossiva/images"));
    lastSynced({"Notes.dossiva"});
    launchWithCompanion();
    controller->openSection().selectDatabase("Notes.dossiva");
    controller->showUseSection();
    alerts.witness = [this] {
        const auto names = libraryNames();
        return std::string(sheet().isVisible() ? "sheet up" : "sheet closed") +
               ", open: " + DBManager::sharedIstance().dbName() + ", Books " +
               (std::find(names.begin(), names.end(), "Books.dossiva") != names.end() ? "listed"
                                                                                      : "not listed");
    };

    pressSync();
    ASSERT_TRUE(waitForView(&table()));
    EXPECT_EQ(alerts.script.asked().front().message,
              "Click on Sync button to sync your data with Dossiva for iPhone.");
    EXPECT_EQ(progressTitle(), "Connected. Get db list");
    EXPECT_EQ(controller->shownSection(), MainController::Section::Open);
    EXPECT_EQ(DBManager::sharedIstance().dbName(), "") << "the database is closed during a session";
    // The last sync's ticks; the companion's own databases start unticked;
    // names differing only in case are two rows.
    EXPECT_EQ(rows(),
              (std::map<std::string, bool>{
                  {"Books", false}, {"Broken", false}, {"Films", false}, {"Notes", true}, {"notes", false}}));
    EXPECT_TRUE(table().syncButton()->isEnabled());
    EXPECT_FALSE(navigationFree());
    EXPECT_TRUE(controller->action(MenuTag::Preferences)->isEnabled());
    EXPECT_FALSE(controller->action(MenuTag::Backup)->isEnabled());

    toggleRow("Notes");
    EXPECT_FALSE(table().syncButton()->isEnabled()) << "nothing ticked, nothing to sync";
    toggleRow("Books");
    toggleRow("Broken");
    EXPECT_TRUE(table().syncButton()->isEnabled());
    QTest::keyClick(table().table(), Qt::Key_Return);
    ASSERT_TRUE(waitForEnd());

    EXPECT_TRUE(FileManager::exists(Paths::databaseFile("Books.dossiva")));
    EXPECT_FALSE(FileManager::exists(Paths::packagePath("Broken.dossiva")));
    EXPECT_FALSE(FileManager::exists(Paths::packagePath("notes.dossiva"))) << "it was not ticked";
    EXPECT_EQ(UserDefaults::standard().object("LastSyncedDbs")->asArray()->size(), 2u);
    ASSERT_EQ(alerts.seen.size(), 2u);
    EXPECT_TRUE(startsWith(alerts.seen[1], "Info: These databases have not been synced:\nBroken"))
        << alerts.seen[1];
    EXPECT_NE(alerts.seen[1].find("| sheet closed, open: Notes.dossiva, Books listed"), std::string::npos)
        << "the sheet closes, the library is read again and the database reopened before the list: "
        << alerts.seen[1];
    EXPECT_TRUE(navigationFree());
    EXPECT_EQ(controller->openSection().selectedDatabase(), "Notes.dossiva");
    EXPECT_EQ(leftovers(Paths::databasesFolder()), std::vector<std::string>{});
}

TEST_F(SyncScreensTest, CancelInTheTableDisconnectsAndFreesTheWindow)
{
    home.makePackage("Notes");
    launchWithCompanion();
    pressSync();
    ASSERT_TRUE(waitForView(&table()));
    QTest::keyClick(&sheet(), Qt::Key_Escape);
    EXPECT_EQ(progressTitle(), "Disconnecting");
    ASSERT_TRUE(waitForEnd());
    EXPECT_FALSE(sheet().isVisible());
    EXPECT_TRUE(navigationFree());
    EXPECT_EQ(alerts.seen.size(), 1u) << "nothing was to sync, nothing is listed";
}

// -- Conflicts -------------------------------------------------------------------

struct ConflictCase {
    const char* name;
    // Presses in order: "mac" and "phone" click a box, "next" and "prev" the
    // buttons; "=mac" and "=phone" check the box selected on the page shown.
    std::vector<std::string> presses;
    bool alphaKeepsPhone;
    bool betaKeepsPhone;
};

class SyncConflictTest : public SyncScreensTest, public ::testing::WithParamInterface<ConflictCase> {};

TEST_P(SyncConflictTest, EachConflictKeepsTheCopyChosen)
{
    // Alpha was edited last on the iPhone, Beta on this computer.
    makeConflict("Alpha", 1700000000, 1710000000);
    makeConflict("Beta", 1720000000, 1710000000);
    lastSynced({"Alpha.dossiva", "Beta.dossiva"});
    launchWithCompanion();
    pressSync();
    ASSERT_TRUE(waitForView(&table()));
    QTest::mouseClick(table().syncButton(), Qt::LeftButton);
    ASSERT_TRUE(waitForView(&resolver()));

    EXPECT_EQ(resolver().titleLabel()->text(), "There are 2 conflicts involving database synchronization.");
    EXPECT_EQ(resolver().counterLabel()->text(), "1 of 2");
    EXPECT_EQ(resolver().macBox()->nameText(), "Alpha");
    EXPECT_FALSE(resolver().previousButton()->isEnabled());
    EXPECT_EQ(resolver().nextButton()->text(), "Next");
    EXPECT_EQ(resolver().macBox()->fieldsText(), "4");
    EXPECT_EQ(resolver().phoneBox()->fieldsText(), "5");
    EXPECT_EQ(resolver().macBox()->recordsText(), "0");
    EXPECT_EQ(resolver().macBox()->editedText(), "Edited: 14 November 2023   17:13");
    EXPECT_TRUE(resolver().phoneBox()->isSelected()) << "the copy edited last is preselected";

    for (const std::string& press : GetParam().presses) {
        if (press == "mac") {
            QTest::mouseClick(resolver().macBox(), Qt::LeftButton);
        } else if (press == "phone") {
            QTest::mouseClick(resolver().phoneBox(), Qt::LeftButton);
        } else if (press == "next") {
            QTest::mouseClick(resolver().nextButton(), Qt::LeftButton);
        } else if (press == "prev") {
            QTest::mouseClick(resolver().previousButton(), Qt::LeftButton);
        } else {
            const bool phone = press == "=phone";
            EXPECT_EQ(resolver().phoneBox()->isSelected(), phone)
                << resolver().counterLabel()->text().toStdString() << " shows " << press;
            EXPECT_EQ(resolver().macBox()->isSelected(), !phone);
        }
        if (press == "next" && sheet().currentView() == &resolver()) {
            EXPECT_EQ(resolver().counterLabel()->text(), "2 of 2");
            EXPECT_EQ(resolver().nextButton()->text(), "Sync");
            EXPECT_TRUE(resolver().previousButton()->isEnabled());
        }
    }
    ASSERT_TRUE(waitForEnd());

    const auto keptPhone = [](const std::string& name) {
        const auto labels = fieldLabels(name + ".dossiva");
        return std::find(labels.begin(), labels.end(), "Extra") != labels.end();
    };
    EXPECT_EQ(keptPhone("Alpha"), GetParam().alphaKeepsPhone);
    EXPECT_EQ(keptPhone("Beta"), GetParam().betaKeepsPhone);
    EXPECT_EQ(alerts.seen.size(), 1u) << "every database was synced";
}

INSTANTIATE_TEST_SUITE_P(
    Decisions, SyncConflictTest,
    ::testing::Values(
        ConflictCase{"NextThenSyncKeepThePreselectedCopies", {"next", "=mac", "next"}, true, false},
        ConflictCase{"ClickedBoxesDecide", {"mac", "=mac", "next", "phone", "next"}, false, true},
        ConflictCase{"PreviousKeepsEachChoiceAsMade",
                     {"mac", "next", "phone", "prev", "=mac", "next", "=phone", "next"},
                     false,
                     true}),
    NameOfCase());

// -- Stopping ---------------------------------------------------------------------

struct StopCase {
    const char* name;
    bool escapeKey; // else the Stop button
};

class SyncStopTest : public SyncScreensTest, public ::testing::WithParamInterface<StopCase> {};

TEST_P(SyncStopTest, StopDuringATransferLeavesTheDatabaseNotSynced)
{
    home.makePackage("Solo");
    DBManager::sharedIstance().openDB();
    // Many pictures make a transfer that lasts.
    for (int i = 1; i <= 40; ++i) {
        ASSERT_TRUE(
            FileManager::writeFileAtomically(Paths::imageFile("Solo.dossiva", i), std::string(4096, 'x')));
    }
    lastSynced({"Solo.dossiva"});
    launchWithCompanion();
    pressSync();
    ASSERT_TRUE(waitForView(&table()));
    onLog("-> sending / send the database file", [this] {
        if (GetParam().escapeKey) {
            QTest::keyClick(&sheet(), Qt::Key_Escape);
        } else {
            QTest::mouseClick(sheet().progressView()->stopButton(), Qt::LeftButton);
        }
    });
    QTest::mouseClick(table().syncButton(), Qt::LeftButton);
    ASSERT_TRUE(waitForEnd());

    EXPECT_EQ(progressTitle(), "Stopping");
    EXPECT_FALSE(FileManager::exists(phoneRoot + "/Solo.dossiva"));
    EXPECT_TRUE(startsWith(alerts.seen.back(), "Info: These databases have not been synced:\nSolo"))
        << alerts.seen.back();
    EXPECT_EQ(leftovers(Paths::databasesFolder()), std::vector<std::string>{});
    EXPECT_TRUE(navigationFree());
}

INSTANTIATE_TEST_SUITE_P(Presses, SyncStopTest,
                         ::testing::Values(StopCase{"StopButton", false}, StopCase{"EscapeKey", true}),
                         NameOfCase());

// -- The companion going away -------------------------------------------------------

struct DisappearCase {
    const char* name;
    const char* waitingIn; // "table", "resolver" or "restore view"
    bool alert;
};

class CompanionGoneTest : public SyncScreensTest, public ::testing::WithParamInterface<DisappearCase> {};

TEST_P(CompanionGoneTest, TheUserHearsOfItOnlyWhileConnected)
{
    makeConflict("Alpha", 1700000000, 1710000000);
    lastSynced({"Alpha.dossiva"});
    launchWithCompanion();
    const std::string waitingIn = GetParam().waitingIn;
    if (waitingIn == "restore view") {
        controller->action(MenuTag::Restore)->trigger();
        ASSERT_TRUE(waitForView(&restoreView()));
    } else {
        pressSync();
        ASSERT_TRUE(waitForView(&table()));
        if (waitingIn == "resolver") {
            QTest::mouseClick(table().syncButton(), Qt::LeftButton);
            ASSERT_TRUE(waitForView(&resolver()));
        }
    }
    peer.stop();
    session().lost();
    if (GetParam().alert) {
        ASSERT_TRUE(waitForEnd());
        EXPECT_TRUE(alerts.wasAsked("Error: Connection closed by the iphone"));
        EXPECT_FALSE(sheet().isVisible());
        EXPECT_TRUE(navigationFree());
    } else {
        EXPECT_EQ(sheet().currentView(), &restoreView());
        EXPECT_FALSE(alerts.wasAsked("Error: Connection closed by the iphone"));
        QTest::mouseClick(restoreView().cancelButton(), Qt::LeftButton);
        EXPECT_TRUE(navigationFree());
    }
    EXPECT_FALSE(session().companion().has_value());
}

INSTANTIATE_TEST_SUITE_P(Moments, CompanionGoneTest,
                         ::testing::Values(DisappearCase{"WhileTheTableWaits", "table", true},
                                           DisappearCase{"WhileTheResolverWaits", "resolver", true},
                                           DisappearCase{"WhileOnlyTheRestoreViewIsUp", "restore view",
                                                         false}),
                         NameOfCase());

// -- Backup ---------------------------------------------------------------------------

struct BackupCase {
    const char* name;
    bool companion;
    const char* title;
};

class BackupScreensTest : public SyncScreensTest, public ::testing::WithParamInterface<BackupCase> {};

TEST_P(BackupScreensTest, BackUpNowCopiesEveryDatabaseOfTheSidesReachable)
{
    home.makePackage("Notes");
    makePhonePackage("Books");
    GetParam().companion ? launchWithCompanion() : launch();
    controller->openSection().selectDatabase("Notes.dossiva");
    controller->action(MenuTag::Backup)->trigger();
    EXPECT_FALSE(navigationFree());
    ASSERT_TRUE(waitForEnd());

    EXPECT_EQ(progressTitle(), GetParam().title);
    const auto macStamps = itemsIn(Paths::macBackupsFolder());
    ASSERT_EQ(macStamps.size(), 1u);
    EXPECT_EQ(itemsIn(Paths::macBackupsFolder() + "/" + macStamps[0]),
              std::vector<std::string>{"Notes.dossiva"});
    if (GetParam().companion) {
        EXPECT_EQ(itemsIn(Paths::phoneBackupsFolder() + "/" + macStamps[0]),
                  std::vector<std::string>{"Books.dossiva"});
    } else {
        EXPECT_EQ(itemsIn(Paths::phoneBackupsFolder()), std::vector<std::string>{});
    }
    EXPECT_EQ(alerts.seen, std::vector<std::string>{});
    EXPECT_TRUE(navigationFree());
    EXPECT_EQ(DBManager::sharedIstance().dbName(), "Notes.dossiva") << "the database is open again";
}

INSTANTIATE_TEST_SUITE_P(Sides, BackupScreensTest,
                         ::testing::Values(BackupCase{"WithoutTheCompanion", false, "Backing up"},
                                           BackupCase{"WithTheCompanion", true, "Backing up iPhone"}),
                         NameOfCase());

TEST_F(SyncScreensTest, ABackupThatCannotStartSaysSoAndEnds)
{
    home.makePackage("Notes");
    launch();
    // Its folder cannot be made where a file stands.
    ASSERT_TRUE(FileManager::removeItem(Paths::macBackupsFolder()));
    ASSERT_TRUE(FileManager::writeFileAtomically(Paths::macBackupsFolder(), "not a folder"));
    controller->action(MenuTag::Backup)->trigger();
    ASSERT_TRUE(waitForEnd());
    ASSERT_EQ(alerts.seen.size(), 1u);
    EXPECT_TRUE(
        startsWith(alerts.seen[0], "Error: Error during backup\n\nThe backup folder could not be made: "))
        << alerts.seen[0];
    EXPECT_FALSE(sheet().isVisible());
    EXPECT_TRUE(navigationFree());
}

// -- Restore ---------------------------------------------------------------------------

class RestoreScreensTest : public SyncScreensTest {
protected:
    // Backups: 1500000000 of this computer only, 1600000000 of both sides,
    // and what an interrupted backup left.
    void makeBackups()
    {
        const std::string mac = Paths::macBackupsFolder();
        for (const auto& [folder, name] : std::vector<std::pair<std::string, std::string>>{
                 {mac + "/1500000000", "Oldest"},
                 {mac + "/1600000000", "Old"},
                 {Paths::phoneBackupsFolder() + "/1600000000", "OldPhone"}}) {
            home.makePackage(name);
            FileManager::createDirectory(folder);
            moveAway(name, folder + "/" + name + ".dossiva");
        }
        FileManager::createDirectory(mac + "/1700000000_temp");
        home.makePackage("Current");
        DBManager::sharedIstance().openDB();
        makePhonePackage("PhoneNow");
    }

    void selectBackup(int row)
    {
        QTableWidget* widget = restoreView().table();
        // The sheet lays its table out once shown.
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return widget->viewport()->rect().contains(widget->visualItemRect(widget->item(row, 0))); },
            kWaitMs));
        QTest::mouseClick(widget->viewport(), Qt::LeftButton, {},
                          widget->visualItemRect(widget->item(row, 0)).center());
    }

    std::vector<std::string> labels()
    {
        std::vector<std::string> shown;
        for (int row = 0; row < restoreView().table()->rowCount(); ++row) {
            shown.push_back(restoreView().table()->item(row, 0)->text().toStdString());
        }
        return shown;
    }
};

TEST_F(RestoreScreensTest, TheViewListsOldestFirstAndItsBoxesFollowTheBackupChosen)
{
    makeBackups();
    launchWithCompanion();
    controller->action(MenuTag::Restore)->trigger();
    ASSERT_TRUE(waitForView(&restoreView()));
    EXPECT_FALSE(FileManager::exists(Paths::macBackupsFolder() + "/1700000000_temp"))
        << "a leftover is deleted";
    EXPECT_EQ(labels(), (std::vector<std::string>{"13 July 2017 22:40", "13 September 2020 08:26"}));
    EXPECT_FALSE(restoreView().restoreButton()->isEnabled()) << "no backup chosen";

    // This computer's box, then the companion's.
    const auto boxes = [this] {
        std::string shown;
        for (const QCheckBox* box : {restoreView().macBox(), restoreView().phoneBox()}) {
            shown += std::string(box->isEnabled() ? "enabled " : "disabled ") +
                     (box->isChecked() ? "ticked; " : "unticked; ");
        }
        return shown;
    };
    selectBackup(0);
    EXPECT_EQ(boxes(), "enabled ticked; disabled unticked; ");
    selectBackup(1);
    EXPECT_EQ(boxes(), "enabled ticked; enabled ticked; ");
    QTest::keyClick(restoreView().macBox(), Qt::Key_Space);
    QTest::keyClick(restoreView().phoneBox(), Qt::Key_Space);
    EXPECT_FALSE(restoreView().restoreButton()->isEnabled()) << "no side ticked";
    QTest::keyClick(restoreView().phoneBox(), Qt::Key_Space);
    ASSERT_TRUE(restoreView().restoreButton()->isEnabled());

    // Cancel at the warning ends the restore and frees the window.
    alerts.script.queueAnswer("Cancel");
    QTest::mouseClick(restoreView().restoreButton(), Qt::LeftButton);
    ASSERT_EQ(alerts.script.asked().size(), 1u);
    EXPECT_EQ(alerts.script.asked()[0].title, "Warning");
    EXPECT_EQ(alerts.script.asked()[0].message, "All databases will be replaced whit the backuped ones");
    EXPECT_EQ(alerts.script.asked()[0].buttons, (std::vector<std::string>{"Restore", "Cancel"}));
    EXPECT_FALSE(sheet().isVisible());
    EXPECT_TRUE(navigationFree());
    EXPECT_EQ(itemsIn(phoneRoot), (std::vector<std::string>{"PhoneNow.dossiva", "Templates"}));

    // Shown again, the boxes tell the backup's real sides.
    controller->action(MenuTag::Restore)->trigger();
    ASSERT_TRUE(waitForView(&restoreView()));
    selectBackup(1);
    EXPECT_EQ(boxes(), "enabled ticked; enabled ticked; ");
    // Cancel in the view frees the window too.
    QTest::keyClick(&sheet(), Qt::Key_Escape);
    EXPECT_FALSE(sheet().isVisible());
    EXPECT_TRUE(navigationFree());
}

struct RestoreCase {
    const char* name;
    friend void PrintTo(const RestoreCase& c, std::ostream* os) { *os << c.name; }
    bool companion;
    bool untickMac;
    std::vector<std::string> localAfter;
    std::vector<std::string> phoneAfter;
};

class RestoreSideTest : public RestoreScreensTest, public ::testing::WithParamInterface<RestoreCase> {};

TEST_P(RestoreSideTest, RestoreReplacesTheSidesTickedAfterTheWarning)
{
    makeBackups();
    GetParam().companion ? launchWithCompanion() : launch();
    controller->action(MenuTag::Restore)->trigger();
    ASSERT_TRUE(waitForView(&restoreView()));
    EXPECT_EQ(restoreView().macBox()->isVisible(), GetParam().companion);
    EXPECT_EQ(restoreView().phoneBox()->isVisible(), GetParam().companion);
    selectBackup(1);
    if (GetParam().untickMac) {
        QTest::keyClick(restoreView().macBox(), Qt::Key_Space);
    }
    alerts.script.queueAnswer("Restore");
    QTest::keyClick(restoreView().table(), Qt::Key_Return);
    ASSERT_TRUE(waitForEnd());

    EXPECT_EQ(alerts.seen,
              std::vector<std::string>{"Warning: All databases will be replaced whit the backuped ones"});
    EXPECT_EQ(progressTitle(), "Finishing");
    EXPECT_EQ(itemsIn(Paths::databasesFolder()), GetParam().localAfter);
    EXPECT_EQ(itemsIn(phoneRoot), GetParam().phoneAfter);
    EXPECT_EQ(libraryNames().size(), GetParam().localAfter.size()) << "the library is read again";
    EXPECT_TRUE(navigationFree());
}

INSTANTIATE_TEST_SUITE_P(
    Sides, RestoreSideTest,
    ::testing::Values(
        RestoreCase{"ThisComputerWithoutTheCompanion",
                    false,
                    false,
                    {"Old.dossiva"},
                    {"PhoneNow.dossiva", "Templates"}},
        RestoreCase{"TheIphoneAlone", true, true, {"Current.dossiva"}, {"OldPhone.dossiva", "Templates"}},
        RestoreCase{"BothSides", true, false, {"Old.dossiva"}, {"OldPhone.dossiva", "Templates"}}),
    NameOfCase());

// -- The window around a session --------------------------------------------------------

TEST_F(SyncScreensTest, QuittingDuringASessionStopsItThenQuits)
{
    home.makePackage("Notes");
    launchWithCompanion();
    QApplication::setQuitOnLastWindowClosed(false);
    pressSync();
    ASSERT_TRUE(waitForView(&table()));
    EXPECT_FALSE(controller->mainWindow()->close()) << "a session runs: it is stopped first";
    EXPECT_TRUE(controller->mainWindow()->isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !controller->mainWindow()->isVisible(); }, kWaitMs));
    QApplication::setQuitOnLastWindowClosed(true);
    EXPECT_TRUE(session().syncManager().isIdle());
    EXPECT_EQ(progressTitle(), "Stopping");
    EXPECT_EQ(leftovers(Paths::databasesFolder()), std::vector<std::string>{});
}

TEST_F(SyncScreensTest, TheBackupSettingIsTheOneOfTheMomentASyncStarts)
{
    makePhonePackage("Books");
    launchWithCompanion();
    // Turned on in the preferences while the application runs.
    UserDefaults::standard().setInteger("Backup", 1);
    pressSync();
    ASSERT_TRUE(waitForView(&table()));
    toggleRow("Books");
    QTest::mouseClick(table().syncButton(), Qt::LeftButton);
    ASSERT_TRUE(waitForEnd());
    const auto stamps = itemsIn(Paths::phoneBackupsFolder());
    ASSERT_EQ(stamps.size(), 1u);
    EXPECT_EQ(itemsIn(Paths::phoneBackupsFolder() + "/" + stamps[0]),
              std::vector<std::string>{"Books.dossiva"});
    EXPECT_TRUE(FileManager::exists(Paths::packagePath("Books.dossiva")));
}

} // namespace
