// Backups of this computer and of the companion, taken alone or before a
// sync, and restores of either side or both, against the companion peer.
#include "sync/SessionHarness.h"
#include "sync/SyncTestData.h"

#include "platform/Clock.h"
#include "platform/FileManager.h"
#include "platform/Paths.h"
#include "storage/DBManager.h"
#include "support/CaseNames.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace dossiva;
using namespace dossiva::test;

namespace {

constexpr double kStampTime = 1700000000;
const std::string kStamp = "1700000000";

Texts packagesIn(const std::string& folder)
{
    return FileManager::contentsOfDirectory(folder);
}

class Backup : public ::testing::Test {
protected:
    SessionFixture f;
    ScopedClockOverride clock{kStampTime};

    void SetUp() override
    {
        ASSERT_TRUE(f.startPeer()) << "the companion peer (/usr/bin/python3 with pyftpdlib) does not start";
        SampleFields fields = makeSamplePackage("Here");
        addSampleRecord(fields, "here", 100, 0, solidPicture(1));
        makeSamplePackage("Shared");
        addSampleRecord(fields, "shared", 100, 0);
        f.copyToPhone("Shared", false);
        makeSamplePackage("There");
        addSampleRecord(fields, "there", 100, 0, solidPicture(2));
        addSampleRecord(fields, "there too", 100, 0, solidPicture(3));
        f.copyToPhone("There", true);
        DBManager::sharedIstance().openDB();
    }

    std::string macBackup() const { return Paths::macBackupsFolder() + "/" + kStamp; }
    std::string phoneBackup() const { return Paths::phoneBackupsFolder() + "/" + kStamp; }
};

TEST_F(Backup, WithTheCompanionCoversBothSides)
{
    f.manager->startBackupWithServerIP("127.0.0.1", f.delegate.port, f.localNames());
    ASSERT_TRUE(f.runUntilEnded());

    EXPECT_EQ(f.alertTexts(), Texts{});
    EXPECT_EQ(packagesIn(macBackup()), (Texts{"Here.dossiva", "Shared.dossiva"}));
    EXPECT_EQ(packagesIn(phoneBackup()), (Texts{"Shared.dossiva", "There.dossiva"}));
    EXPECT_EQ(titlesInFile(phoneBackup() + "/There.dossiva/database.db"), (Texts{"there", "there too"}));
    EXPECT_EQ(packagesIn(phoneBackup() + "/There.dossiva/images").size(), 2u);
    EXPECT_EQ(titlesInFile(macBackup() + "/Here.dossiva/database.db"), Texts{"here"});
    EXPECT_EQ(packagesIn(macBackup() + "/Here.dossiva/images").size(), 1u);
    EXPECT_EQ(packagesIn(Paths::macBackupsFolder()), Texts{kStamp});
    EXPECT_EQ(packagesIn(Paths::phoneBackupsFolder()), Texts{kStamp});
    // A backup syncs nothing.
    EXPECT_FALSE(FileManager::exists(f.phonePackage("Here")));
}

TEST_F(Backup, WithoutTheCompanionCoversThisComputer)
{
    f.manager->startBackupWithServerIP({}, 0, f.localNames());
    ASSERT_TRUE(f.runUntilEnded());

    EXPECT_EQ(f.alertTexts(), Texts{});
    EXPECT_EQ(packagesIn(macBackup()), (Texts{"Here.dossiva", "Shared.dossiva"}));
    EXPECT_EQ(packagesIn(Paths::phoneBackupsFolder()), Texts{});
    EXPECT_EQ(f.presenter.titles.front(), "Backing up");
}

TEST_F(Backup, TwoWithinOneSecondBothSucceed)
{
    for (int i = 0; i < 2; ++i) {
        f.manager->startBackupWithServerIP({}, 0, f.localNames());
        ASSERT_TRUE(f.runUntilEnded());
    }
    EXPECT_EQ(f.alertTexts(), Texts{});
    EXPECT_EQ(packagesIn(Paths::macBackupsFolder()), (Texts{kStamp, "1700000001"}));
}

TEST_F(Backup, BeforeASyncCoversUntickedDatabasesThenSyncs)
{
    f.setSettings(true, false, {});
    f.recreateManager();
    f.presenter.tick = {"Here.dossiva"};
    ASSERT_TRUE(f.sync());

    EXPECT_EQ(f.alertTexts(), Texts{});
    EXPECT_EQ(packagesIn(phoneBackup()), (Texts{"Shared.dossiva", "There.dossiva"}));
    EXPECT_TRUE(FileManager::exists(f.phonePackage("Here") + "/database.db"));
    EXPECT_FALSE(FileManager::exists(Paths::packagePath("There.dossiva")));
}

TEST_F(Backup, OfTheCompanionStopsAtTheLimitAndSaysWhy)
{
    f.manager->setDownloadLimits(DownloadLimits{}.withMaxDownload(4096));
    f.manager->startBackupWithServerIP("127.0.0.1", f.delegate.port, f.localNames());
    ASSERT_TRUE(f.runUntilEnded());

    EXPECT_EQ(f.alertTexts(), Texts{"Error: Error during backup\n\nThe companion's \"Shared\" "
                                    "was not backed up: the companion sent more than 4 KiB."});
    EXPECT_EQ(packagesIn(Paths::macBackupsFolder()), Texts{});
    EXPECT_EQ(packagesIn(Paths::phoneBackupsFolder()), Texts{});
}

TEST_F(Backup, StoppedLeavesNoPartialBackup)
{
    f.onLog("-> backing up", [&] { f.manager->abort(); });
    f.manager->startBackupWithServerIP("127.0.0.1", f.delegate.port, f.localNames());
    ASSERT_TRUE(f.runUntilEnded());

    EXPECT_EQ(packagesIn(Paths::macBackupsFolder()), Texts{});
    EXPECT_EQ(packagesIn(Paths::phoneBackupsFolder()), Texts{});
    EXPECT_EQ(f.alertTexts(), Texts{});
}

// -- Restore --------------------------------------------------------------------------

struct RestoreCase {
    const char* name;
    bool mac;
    bool phone;
};

class Restore : public Backup, public ::testing::WithParamInterface<RestoreCase> {
protected:
    // Takes a backup of both sides, then changes both: "Here" deleted and
    // "Later" made here; "There" removed and "Newer" put on the companion.
    void backUpThenChange()
    {
        f.manager->startBackupWithServerIP("127.0.0.1", f.delegate.port, f.localNames());
        ASSERT_TRUE(f.runUntilEnded());
        ASSERT_TRUE(FileManager::removeItem(Paths::packagePath("Here.dossiva")));
        makeSamplePackage("Later");
        makeSamplePackage("Newer");
        f.copyToPhone("Newer", true);
        ASSERT_TRUE(FileManager::removeItem(f.phonePackage("There")));
        DBManager::sharedIstance().openDB();
    }

    // Answers the restore view with the backup just taken and these boxes.
    bool restoreSides(bool mac, bool phone)
    {
        f.presenter.restoreAnswer = ScriptedPresenter::RestoreAnswer{kStamp, mac, phone};
        f.manager->showRestoreView();
        return f.runUntilEnded();
    }

    Texts phonePackages() const
    {
        Texts names;
        for (const auto& name : packagesIn(f.phoneRoot())) {
            if (name != "Templates") {
                names.push_back(name);
            }
        }
        return names;
    }
};

TEST_P(Restore, ReplacesTheChosenSidesWithTheBackup)
{
    backUpThenChange();
    ASSERT_TRUE(restoreSides(GetParam().mac, GetParam().phone));

    EXPECT_EQ(f.alertTexts(), Texts{});
    ASSERT_EQ(f.presenter.restoreViews.size(), 1u);
    EXPECT_EQ(f.presenter.restoreViews[0].size(), 1u);
    EXPECT_EQ(f.presenter.restoreViews[0][0].side, BackupSide::Both);
    const Texts restoredHere{"Here.dossiva", "Shared.dossiva"};
    const Texts changedHere{"Later.dossiva", "Shared.dossiva"};
    EXPECT_EQ(packagesIn(Paths::databasesFolder()), GetParam().mac ? restoredHere : changedHere);
    const Texts restoredThere{"Shared.dossiva", "There.dossiva"};
    const Texts changedThere{"Newer.dossiva", "Shared.dossiva"};
    EXPECT_EQ(phonePackages(), GetParam().phone ? restoredThere : changedThere);
    if (GetParam().mac) {
        EXPECT_EQ(recordTitles("Here.dossiva"), Texts{"here+photo"});
    }
    if (GetParam().phone) {
        EXPECT_EQ(titlesInFile(f.phonePackage("There") + "/database.db"), (Texts{"there", "there too"}));
        EXPECT_EQ(packagesIn(f.phonePackage("There") + "/images").size(), 2u);
    }
}

INSTANTIATE_TEST_SUITE_P(Sides, Restore,
                         ::testing::Values(RestoreCase{"ThisComputer", true, false},
                                           RestoreCase{"TheCompanion", false, true}),
                         test::NameOfCase());

// Stop pressed while the companion's databases are being swapped: the swap
// runs to its end, so the companion holds the backup's databases and no
// copy moved aside or half placed.
TEST_F(Restore, StoppedWhileFinishingLeavesTheCompanionWhole)
{
    backUpThenChange();
    f.onLog("ftp rename", [&] { f.manager->abort(); });
    ASSERT_TRUE(restoreSides(true, true));

    EXPECT_TRUE(std::find(f.presenter.titles.begin(), f.presenter.titles.end(), "Stopping") !=
                f.presenter.titles.end());
    EXPECT_EQ(phonePackages(), (Texts{"Shared.dossiva", "There.dossiva"}));
    EXPECT_EQ(packagesIn(Paths::databasesFolder()), (Texts{"Here.dossiva", "Shared.dossiva"}));
    EXPECT_EQ(f.alertTexts(), Texts{});
}

// An interrupted session left a staging copy beside a database the backup
// holds: it is cleared, not taken for a database or left in the way.
TEST_F(Restore, ALeftoverCopyBesideADatabaseIsClearedFirst)
{
    backUpThenChange();
    ASSERT_TRUE(FileManager::copyItem(Paths::packagePath("Shared.dossiva"),
                                      Paths::packagePath("Shared.dossiva_temp")));
    ASSERT_TRUE(restoreSides(true, false));

    EXPECT_EQ(f.alertTexts(), Texts{});
    EXPECT_EQ(packagesIn(Paths::databasesFolder()), (Texts{"Here.dossiva", "Shared.dossiva"}));
    EXPECT_EQ(recordTitles("Shared.dossiva"), Texts{"shared"});
}

TEST_F(Restore, ASideTheBackupDoesNotHoldIsNeverEmptied)
{
    f.manager->startBackupWithServerIP({}, 0, f.localNames());
    ASSERT_TRUE(f.runUntilEnded());
    f.manager->showRestoreView();
    ASSERT_EQ(f.manager->backupsArray().size(), 1u);
    EXPECT_EQ(f.manager->backupsArray()[0].side, BackupSide::Mac);
    EXPECT_FALSE(f.manager->restore(0, false, true));
    EXPECT_FALSE(f.manager->restore(0, false, false));
    EXPECT_EQ(phonePackages(), (Texts{"Shared.dossiva", "There.dossiva"}));
}

// A backup on this computer may have been tampered with: restoring it sends
// the companion only the plain files inside each package.
TEST_F(Restore, SendsTheCompanionOnlyThePlainFilesOfTheBackup)
{
    backUpThenChange();
    const OutsideFiles outside = makeOutsideFiles(f.library.home());
    plantHostileItem(phoneBackup() + "/Shared.dossiva", Hostile::FolderLink, outside);
    plantHostileItem(phoneBackup() + "/There.dossiva", Hostile::FileLink, outside);
    plantHostileItem(phoneBackup() + "/There.dossiva", Hostile::Fifo, outside);
    ASSERT_TRUE(restoreSides(false, true));

    EXPECT_EQ(outsideItemsIn(f.phoneRoot(), outside), Texts{});
    EXPECT_EQ(f.alertTexts(), Texts{"Info: These items were not sent because they are not "
                                    "plain files:\n\"Shared\": images is a symbolic "
                                    "link\n\"There\": images/6 is a symbolic link\n\"There\": "
                                    "images/7 is a FIFO"});
    EXPECT_EQ(phonePackages(), (Texts{"Shared.dossiva", "There.dossiva"}));
    EXPECT_EQ(packagesIn(f.phonePackage("There") + "/images").size(), 2u);
}

TEST_F(Restore, ACompanionThatRefusesRenamesKeepsItsDatabases)
{
    backUpThenChange();
    f.peer.stop();
    CompanionPeer::Options options;
    options.refusedCommands = {"RNTO"};
    ASSERT_TRUE(f.startPeer(options));
    ASSERT_TRUE(restoreSides(false, true));

    EXPECT_EQ(f.alertTexts(), Texts{"Error: Error during restore"});
    const auto packages = phonePackages();
    EXPECT_NE(std::find(packages.begin(), packages.end(), "Newer.dossiva"), packages.end());
    EXPECT_NE(std::find(packages.begin(), packages.end(), "Shared.dossiva"), packages.end());
    EXPECT_EQ(packagesIn(Paths::databasesFolder()), (Texts{"Later.dossiva", "Shared.dossiva"}));
}

// -- Packages that are not plain ------------------------------------------------------

struct HostileBackupCase {
    const char* name;
    Hostile kind;
    const char* reason;
};

class HostileBackup : public Backup, public ::testing::WithParamInterface<HostileBackupCase> {};

// A package holding a link, device or FIFO is not copied: the backup fails
// and says which database and why, and holds nothing from outside.
TEST_P(HostileBackup, FailsNamingTheDatabaseAndCopiesNothingFromOutside)
{
    const OutsideFiles outside = makeOutsideFiles(f.library.home());
    plantHostileItem(Paths::packagePath("Here.dossiva"), GetParam().kind, outside);

    f.manager->startBackupWithServerIP({}, 0, f.localNames());
    ASSERT_TRUE(f.runUntilEnded());

    EXPECT_EQ(f.alertTexts(),
              Texts{"Error: Error during backup\n\n\"Here\" was not backed "
                    "up: " +
                    std::string(GetParam().reason) + "; a backup holds only plain files and folders."});
    EXPECT_EQ(outsideItemsIn(Paths::macBackupsFolder(), outside), Texts{});
    EXPECT_EQ(packagesIn(Paths::macBackupsFolder()), Texts{});
}

INSTANTIATE_TEST_SUITE_P(
    Table, HostileBackup,
    ::testing::Values(HostileBackupCase{"FolderLink", Hostile::FolderLink, "images is a symbolic link"},
                      HostileBackupCase{"FileLink", Hostile::FileLink, "images/6 is a symbolic link"},
                      HostileBackupCase{"Fifo", Hostile::Fifo, "images/7 is a FIFO"},
                      HostileBackupCase{"PackageLink", Hostile::PackageLink,
                                        "the package is a symbolic link"}),
    test::NameOfCase());

} // namespace
