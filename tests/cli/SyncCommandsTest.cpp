// dossiva-cli's sync, backup, restore and discovery commands against the
// companion peer on loopback.
#include "cli/CliRunner.h"

#include "support/CaseNames.h"
#include "support/CompanionPeer.h"
#include "support/TestDatabase.h"

#include "platform/FileManager.h"
#include "platform/Paths.h"

#include <gtest/gtest.h>

using namespace dossiva;
using namespace dossiva::test;

namespace {

using dossiva::test::PrintTo;

class SyncCommandsTest : public ::testing::Test {
protected:
    TestLibrary library;
    std::string phone = makeTempFolder("cli-phone");
    CompanionPeer peer;
    std::string companion;

    void SetUp() override
    {
        FileManager::createDirectory(phone + "/Templates");
        library.makePackage("Notes");
        const int port = peer.start(phone);
        if (port == 0) {
            FAIL() << "the companion peer (/usr/bin/python3 with pyftpdlib) does not start";
        }
        companion = "127.0.0.1:" + std::to_string(port);
    }
    void TearDown() override
    {
        peer.stop();
        FileManager::removeItem(phone);
    }
};

TEST_F(SyncCommandsTest, SyncPrintsItsProgressAndTicksTheLastSyncedDatabasesNextTime)
{
    CliResult result = runCli({"sync", companion, "--all"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(has(result.out, "Connecting\nConnected. Get db list\n")) << result.out;
    EXPECT_TRUE(has(result.out, "Syncing Notes\n")) << result.out;
    EXPECT_TRUE(FileManager::isRegularFile(phone + "/Notes.dossiva/database.db"));

    // Now on both sides and ticked by the last sync: merged without flags.
    result = runCli({"sync", companion});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(has(result.out, "Notes     both")) << result.out;
}

TEST_F(SyncCommandsTest, WithNothingTickedNothingIsSynced)
{
    const CliResult result = runCli({"sync", companion});
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(has(result.err, "no database is ticked")) << result.err;
    EXPECT_FALSE(FileManager::exists(phone + "/Notes.dossiva"));
}

TEST_F(SyncCommandsTest, ANameThatIsNotPlainStopsTheSyncBeforeAnythingMoves)
{
    const CliResult result = runCli({"sync", companion, "--only", "Notes", "../Notes"});
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(has(result.err, "\"../Notes\" cannot be used as a name")) << result.err;
    EXPECT_FALSE(FileManager::exists(phone + "/Notes.dossiva"));
}

TEST_F(SyncCommandsTest, AConflictNeedsItsFlagThenTakesTheChosenCopy)
{
    ASSERT_EQ(runCli({"sync", companion, "--all"}).status, 0);
    sqliteShell(phone + "/Notes.dossiva/database.db",
                "update fields_table set field_name='Heading' where id=1");

    CliResult result = runCli({"sync", companion, "--only", "Notes"});
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(has(result.err, "--conflicts mac|phone|newest")) << result.err;
    EXPECT_EQ(sqliteShell(phone + "/Notes.dossiva/database.db", "select field_name from fields_table"),
              "Heading\n");

    result = runCli({"sync", companion, "--only", "Notes", "--conflicts", "mac"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(sqliteShell(phone + "/Notes.dossiva/database.db", "select field_name from fields_table"),
              "Name\n");
}

TEST_F(SyncCommandsTest, BackupsAreListedAndRestoredOnlyWhenConfirmed)
{
    CliResult result = runCli({"backup", "--companion", companion});
    ASSERT_EQ(result.status, 0) << result.err;
    const auto stamps = FileManager::contentsOfDirectory(Paths::macBackupsFolder());
    ASSERT_EQ(stamps.size(), 1u);
    const std::string stamp = stamps[0];
    EXPECT_TRUE(has(result.out, "Backed up as " + stamp)) << result.out;
    EXPECT_TRUE(has(runCli({"backups"}).out, stamp + "  ")) << runCli({"backups"}).out;

    // Another process may be writing a backup: listing never deletes one.
    ASSERT_TRUE(FileManager::createDirectory(Paths::macBackupsFolder() + "/1800000000_temp"));
    ASSERT_EQ(runCli({"backups"}).status, 0);
    ASSERT_EQ(runCli({"backup"}).status, 0);
    EXPECT_TRUE(FileManager::exists(Paths::macBackupsFolder() + "/1800000000_temp"));

    ASSERT_TRUE(FileManager::removeItem(Paths::packagePath("Notes.dossiva")));
    result = runCli({"restore", stamp});
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(has(result.err, "--yes")) << result.err;
    EXPECT_FALSE(FileManager::exists(Paths::packagePath("Notes.dossiva")));

    result = runCli({"restore", stamp, "--yes"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(FileManager::isRegularFile(Paths::databaseFile("Notes.dossiva")));
}

// The companion holds a database whose picture is larger than the sync may
// take, so backing the companion up before the sync fails.
struct BackupErrorCase {
    const char* name;
    std::vector<std::string> flags;
    int status;
    std::string said; // on standard error; "" when the backup is not even tried
    bool synced;
};

class SyncAfterABackupError : public SyncCommandsTest,
                              public ::testing::WithParamInterface<BackupErrorCase> {};

TEST_P(SyncAfterABackupError, FollowsTheFlagAndSaysWhatHappened)
{
    ASSERT_TRUE(FileManager::createDirectories(phone + "/Big.dossiva/images"));
    ASSERT_TRUE(
        FileManager::copyItem(Paths::databaseFile("Notes.dossiva"), phone + "/Big.dossiva/database.db"));
    ASSERT_TRUE(FileManager::writeFileAtomically(phone + "/Big.dossiva/images/7", std::string(200000, 'p')));
    std::vector<std::string> args{"sync", companion, "--only", "Notes", "--max-download", "102400"};
    args.insert(args.end(), GetParam().flags.begin(), GetParam().flags.end());

    const CliResult result = runCli(args);

    EXPECT_EQ(result.status, GetParam().status) << result.err;
    if (GetParam().said.empty()) {
        EXPECT_FALSE(has(result.err, "backup")) << result.err;
    } else {
        EXPECT_TRUE(has(result.err, GetParam().said)) << result.err;
    }
    EXPECT_EQ(FileManager::exists(phone + "/Notes.dossiva/database.db"), GetParam().synced);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Table, SyncAfterABackupError, ::testing::Values(
    BackupErrorCase{"StopsAndSaysHowToGoOn", {}, 1,
        "Error: Error during backup\n\nThe companion's \"Big\" was not backed "
        "up: the companion sent more than 100 KiB.\nThe sync was stopped. To "
        "sync without the backup, run it again with --on-backup-error continue", false},
    BackupErrorCase{"GoesOnWhenAsked", {"--on-backup-error", "continue"}, 0,
        "Going on with the sync without a backup", true},
    BackupErrorCase{"TakesNoBackupWhenToldNot", {"--no-backup"}, 0, "", true}),
    test::NameOfCase());
// clang-format on

struct BadArguments {
    const char* name;
    std::vector<std::string> args;
    int status; // 2 for a wrong call, 1 for one that cannot be carried out
    std::string message;
};

class SyncCommandArguments : public ::testing::TestWithParam<BadArguments> {};

TEST_P(SyncCommandArguments, AreRefusedWithAReason)
{
    TestLibrary library;
    const CliResult result = runCli(GetParam().args);
    EXPECT_EQ(result.status, GetParam().status);
    EXPECT_TRUE(has(result.err, GetParam().message)) << result.err;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Table, SyncCommandArguments, ::testing::Values(
    BadArguments{"NoCompanion", {"sync"}, 2, "HOST:PORT is required"},
    BadArguments{"NoPort", {"sync", "localhost"}, 2, "the companion is given as HOST:PORT"},
    BadArguments{"PortZero", {"sync", "localhost:0"}, 2, "the companion is given as HOST:PORT"},
    BadArguments{"PortTooLarge", {"sync", "localhost:99999"}, 2, "the companion is given as HOST:PORT"},
    BadArguments{"UnknownConflictRule", {"sync", "localhost:21", "--conflicts", "maybe"}, 2, "--conflicts: maybe not in"},
    BadArguments{"OnlyWithoutAName", {"sync", "localhost:21", "--only"}, 2, "--only: 1 required"},
    BadArguments{"AllAndOnly", {"sync", "localhost:21", "--all", "--only", "Notes"}, 2, "excludes"},
    BadArguments{"UnknownOption", {"sync", "localhost:21", "--fast"}, 2, "not expected: --fast"},
    BadArguments{"NoDownloadAllowed", {"sync", "--max-download=0", "localhost:21"}, 2, "at least 1, not '0'"},
    BadArguments{"UnknownBackupErrorRule", {"sync", "localhost:21", "--on-backup-error", "maybe"}, 2, "--on-backup-error: maybe not in"},
    BadArguments{"BackupCompanionWithoutAddress", {"backup", "--companion"}, 2, "--companion: 1 required"},
    BadArguments{"BackupsWithAnArgument", {"backups", "extra"}, 2, "not expected: extra"},
    BadArguments{"RestoreWithoutStamp", {"restore"}, 2, "STAMP is required"},
    BadArguments{"PhoneWithoutCompanion", {"restore", "1700000000", "--phone", "--yes"}, 2, "needs --companion"},
    BadArguments{"NoSuchBackup", {"restore", "1700000000", "--yes"}, 1, "no backup 1700000000"},
    BadArguments{"DiscoverForNoTime", {"discover", "--timeout", "0"}, 2, "--timeout"}),
    test::NameOfCase());
// clang-format on

} // namespace
