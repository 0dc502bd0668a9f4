// The small parts of the session: which names from the companion are
// accepted, which files of a package are read, the download limits, the
// one-slot signal, the conflict resolver's texts and choices,
// the restore view's boxes, and package swaps that never lose the old copy.
#include "support/CaseNames.h"
#include "support/TestDatabase.h"
#include "sync/SessionHarness.h"

#include "platform/DateFormat.h"
#include "platform/FileManager.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "storage/DBManager.h"
#include "storage/PackageRecovery.h"
#include "storage/PackageSwap.h"
#include "sync/ConflictResolver.h"
#include "sync/DownloadLimits.h"
#include "sync/OneSlotSignal.h"
#include "sync/PackageFiles.h"
#include "sync/RemoteNames.h"
#include "sync/RestoreCatalog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <thread>

using namespace dossiva;
using namespace dossiva::test;

namespace {

// -- Names from the companion ---------------------------------------------------------

struct NameCase {
    std::string name;
    bool plain;
};

class RemoteNameRule : public ::testing::TestWithParam<NameCase> {};

TEST_P(RemoteNameRule, AcceptsOnlyPlainNames)
{
    EXPECT_EQ(isPlainRemoteName(GetParam().name), GetParam().plain) << printableRemoteName(GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(Table, RemoteNameRule,
                         ::testing::Values(NameCase{"Address Book.dossiva", true}, NameCase{"12345", true},
                                           NameCase{"Caf\xc3\xa9.dossiva", true}, NameCase{"a . b", true},
                                           NameCase{std::string(239, 'a'), true}, NameCase{".hidden", false},
                                           NameCase{"...", false}, NameCase{"   ", false},
                                           NameCase{"", false}, NameCase{".", false}, NameCase{"..", false},
                                           NameCase{"../Notes.dossiva", false}, NameCase{"a/b", false},
                                           NameCase{"/etc", false},
                                           NameCase{std::string("nul\0here", 8), false},
                                           NameCase{"line\nfeed", false}, NameCase{"carriage\rreturn", false},
                                           NameCase{"tab\there", false}, NameCase{"del\x7f", false},
                                           NameCase{"esc\x1b[2J", false},
                                           NameCase{std::string(240, 'a'), false}));

// Databases and templates: the name before the extension passes the rule.
class RemoteItemNameRule : public ::testing::TestWithParam<NameCase> {};

TEST_P(RemoteItemNameRule, JudgesTheNameWithoutItsExtension)
{
    EXPECT_EQ(isAcceptableRemoteItemName(GetParam().name), GetParam().plain)
        << printableRemoteName(GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(
    Table, RemoteItemNameRule,
    ::testing::Values(NameCase{"Notes.dossiva", true}, NameCase{" Notes .dossivaTemplate", true},
                      NameCase{std::string(239, 'a') + ".dossivaTemplate", true},
                      NameCase{".hidden.dossiva", false}, NameCase{"   .dossiva", false},
                      NameCase{".dossiva", false}, NameCase{"Bad\x01Name.dossiva", false},
                      NameCase{"a/b.dossiva", false}, NameCase{std::string(240, 'a') + ".dossiva", false}));

TEST(RemoteNames, PrintableNamesCannotDriveATerminal)
{
    EXPECT_EQ(printableRemoteName("a\x1b[2Jb\nc"), "a?[2Jb?c");
    EXPECT_EQ(remoteChild("/", "Notes.dossiva"), "/Notes.dossiva");
    EXPECT_EQ(remoteChild("/Documents", "Notes.dossiva"), "/Documents/Notes.dossiva");
}

// -- What is read of a package -------------------------------------------------------

struct PackageReadCase {
    const char* name;
    Hostile kind;
    Texts read;    // files read, with what they held
    Texts skipped; // as the user reads them
};

class PackageFilesRead : public ::testing::TestWithParam<PackageReadCase> {};

// Only plain files inside the package are read; everything else is noted,
// and a scan of the whole tree finds the same.
TEST_P(PackageFilesRead, OnlyPlainFilesInsideThePackage)
{
    TestLibrary library;
    const OutsideFiles outside = makeOutsideFiles(library.home());
    const std::string package = Paths::packagePath("P.dossiva");
    ASSERT_TRUE(FileManager::createDirectories(package + "/images"));
    ASSERT_TRUE(FileManager::writeFileAtomically(package + "/database.db", std::string("db")));
    ASSERT_TRUE(FileManager::writeFileAtomically(package + "/images/1", std::string("picture")));
    plantHostileItem(package, GetParam().kind, outside);

    Texts read;
    Texts skipped;
    const auto take = [&](const FileHandle& file, const std::string& path) {
        if (const auto bytes = file.isOpen() ? file.readWhole(1024) : std::nullopt) {
            read.push_back(path + ": " + std::string(bytes->begin(), bytes->end()));
        }
    };
    std::string why;
    if (auto files = PackageFiles::open(package, &why)) {
        take(files->openFile("", "database.db"), "database.db");
        for (const auto& name : files->filesIn("images")) {
            take(files->openFile("images", name), "images/" + name);
        }
        for (const auto& item : files->skipped()) {
            skipped.push_back(describeSkipped(item));
        }
    } else {
        skipped.push_back(describeSkipped({"", why}));
    }
    Texts scanned;
    for (const auto& item : PackageFiles::irregularItems(package)) {
        scanned.push_back(describeSkipped(item));
    }

    EXPECT_EQ(read, GetParam().read);
    EXPECT_EQ(skipped, GetParam().skipped);
    EXPECT_EQ(scanned, GetParam().skipped);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Table, PackageFilesRead, ::testing::Values(
    PackageReadCase{"ImagesLinkedOutside", Hostile::FolderLink, {"database.db: db"}, {"images is a symbolic link"}},
    PackageReadCase{"PictureLinkedOutside", Hostile::FileLink, {"database.db: db", "images/1: picture"},
        {"images/6 is a symbolic link"}},
    PackageReadCase{"Fifo", Hostile::Fifo, {"database.db: db", "images/1: picture"}, {"images/7 is a FIFO"}},
    PackageReadCase{"DatabaseLinkedOutside", Hostile::DatabaseLink, {"images/1: picture"},
        {"database.db is a symbolic link"}},
    PackageReadCase{"PackageLinkedOutside", Hostile::PackageLink, {}, {"the package is a symbolic link"}}),
    test::NameOfCase());
// clang-format on

// -- Download limits ------------------------------------------------------------------

struct LimitsCase {
    const char* name;
    std::optional<std::int64_t> preference;
    std::uint64_t fileBytes;
    std::uint64_t pictureBytes;
};

class DownloadLimitsFromPreferences : public ::testing::TestWithParam<LimitsCase> {};

TEST_P(DownloadLimitsFromPreferences, RaiseOrLowerTheLargestFile)
{
    TestHome home;
    if (GetParam().preference) {
        UserDefaults::standard().setInteger(kMaxDownloadKey, *GetParam().preference);
    }
    const DownloadLimits limits = DownloadLimits::fromPreferences();
    EXPECT_EQ(limits.fileBytes, GetParam().fileBytes);
    EXPECT_EQ(limits.pictureBytes, GetParam().pictureBytes);
}

constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;
constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;

INSTANTIATE_TEST_SUITE_P(Table, DownloadLimitsFromPreferences,
                         ::testing::Values(LimitsCase{"Unset", std::nullopt, 4 * kGiB, 256 * kMiB},
                                           LimitsCase{"Raised", 8 * kGiB, 8 * kGiB, 256 * kMiB},
                                           LimitsCase{"Lowered", 1000, 1000, 1000},
                                           LimitsCase{"Zero", 0, 4 * kGiB, 256 * kMiB},
                                           LimitsCase{"Negative", -5, 4 * kGiB, 256 * kMiB}),
                         test::NameOfCase());

// -- The one-slot signal -----------------------------------------------------------

TEST(OneSlotSignal, ARaiseBeforeTheWaitIsKeptOnceAndTwoRaisesCountOnce)
{
    OneSlotSignal signal;
    signal.raise();
    signal.raise();
    signal.wait(); // returns: the slot was full
    std::atomic<bool> woke{false};
    std::thread waiter([&] {
        signal.wait();
        woke = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(woke); // the second raise did not stay in the slot
    signal.raise();
    waiter.join();
    EXPECT_TRUE(woke);
}

// -- The conflict resolver ------------------------------------------------------------

SyncListEntry conflict(const std::string& name, std::optional<std::int64_t> macDate,
                       std::optional<std::int64_t> phoneDate)
{
    SyncListEntry entry{name, SyncSide::Conflict, true, std::nullopt};
    entry.conflict = std::array<ConflictCopy, 2>{ConflictCopy{12, 4, macDate}, ConflictCopy{7, 5, phoneDate}};
    return entry;
}

struct PreselectCase {
    const char* name;
    std::optional<std::int64_t> mac;
    std::optional<std::int64_t> phone;
    int selected;
};

class ConflictPreselection : public ::testing::TestWithParam<PreselectCase> {};

TEST_P(ConflictPreselection, SelectsTheCopyEditedLater)
{
    const auto& c = GetParam();
    EXPECT_EQ(ConflictResolver::preselected(conflict("A.dossiva", c.mac, c.phone)), c.selected);
}

INSTANTIATE_TEST_SUITE_P(Table, ConflictPreselection,
                         ::testing::Values(PreselectCase{"PhoneLater", 100, 200, SyncSide::Phone},
                                           PreselectCase{"MacLater", 300, 200, SyncSide::Mac},
                                           PreselectCase{"SameTime", 200, 200, SyncSide::Mac},
                                           PreselectCase{"OnlyPhone", std::nullopt, 200, SyncSide::Phone},
                                           PreselectCase{"OnlyMac", 200, std::nullopt, SyncSide::Mac},
                                           PreselectCase{"Neither", std::nullopt, std::nullopt,
                                                         SyncSide::Mac}),
                         test::NameOfCase());

TEST(ConflictResolver, WalksTheConflictsAndRecordsEachChoice)
{
    std::vector<SyncListEntry> entries{conflict("Books.dossiva", 100, 200),
                                       conflict("Cars.dossiva", 300, 200),
                                       conflict("Dogs.dossiva", std::nullopt, std::nullopt)};
    ConflictResolver resolver(entries);

    ConflictPage page = resolver.page();
    EXPECT_EQ(page.title, "There are 3 conflicts involving database synchronization.");
    EXPECT_EQ(page.counter, "1 of 3");
    EXPECT_EQ(page.name, "Books");
    EXPECT_FALSE(page.previousEnabled);
    EXPECT_EQ(page.nextTitle, "Next");
    EXPECT_EQ(page.mac.records, "12");
    EXPECT_EQ(page.phone.fields, "5");
    EXPECT_EQ(page.mac.edited, "Edited: " + DateFormat::withPattern("d MMMM yyyy   HH:mm").format(100));
    EXPECT_EQ(page.selected, SyncSide::Phone);

    resolver.selectMac();
    EXPECT_EQ(resolver.page().selected, SyncSide::Mac);
    EXPECT_FALSE(resolver.next());
    EXPECT_EQ(resolver.page().counter, "2 of 3");
    EXPECT_TRUE(resolver.page().previousEnabled);
    resolver.selectPhone();
    // Back without recording, then forward again: each page shows the box
    // chosen when it was left, not the preselection.
    resolver.previous();
    EXPECT_EQ(resolver.page().counter, "1 of 3");
    EXPECT_EQ(resolver.page().selected, SyncSide::Mac);
    EXPECT_FALSE(resolver.next());
    EXPECT_EQ(resolver.page().selected, SyncSide::Phone);
    EXPECT_FALSE(resolver.next());
    page = resolver.page();
    EXPECT_EQ(page.nextTitle, "Sync");
    EXPECT_EQ(page.mac.edited, "Edited: ");
    resolver.selectPhone();
    EXPECT_TRUE(resolver.next());

    EXPECT_EQ(entries[0].side, SyncSide::Mac);
    EXPECT_EQ(entries[1].side, SyncSide::Phone);
    EXPECT_EQ(entries[2].side, SyncSide::Phone);
    // The conflict information stays: the other side's copy must go.
    EXPECT_TRUE(entries[2].conflict.has_value());
}

// -- The restore view ---------------------------------------------------------------

struct RestoreSideCase {
    const char* name;
    int backup;
    bool mac;
    bool phone;
    bool localOnly;
    std::optional<int> side;
};

class RestoreSides : public ::testing::TestWithParam<RestoreSideCase> {};

TEST_P(RestoreSides, RestoresOnlyTickedSidesTheBackupHolds)
{
    const auto& c = GetParam();
    EXPECT_EQ(RestoreCatalog::restoreSide({"1700000000", c.backup}, c.mac, c.phone, c.localOnly), c.side);
}

INSTANTIATE_TEST_SUITE_P(
    Table, RestoreSides,
    ::testing::Values(
        RestoreSideCase{"BothTicked", BackupSide::Both, true, true, false, BackupSide::Both},
        RestoreSideCase{"MacOnlyTicked", BackupSide::Both, true, false, false, BackupSide::Mac},
        RestoreSideCase{"PhoneOnlyTicked", BackupSide::Both, false, true, false, BackupSide::Phone},
        RestoreSideCase{"NothingTicked", BackupSide::Both, false, false, false, std::nullopt},
        RestoreSideCase{"MacBackupUnticked", BackupSide::Mac, false, false, false, std::nullopt},
        RestoreSideCase{"PhoneOfAMacBackup", BackupSide::Mac, false, true, false, std::nullopt},
        RestoreSideCase{"MacOfAPhoneBackup", BackupSide::Phone, true, true, false, std::nullopt},
        RestoreSideCase{"LocalOnlyView", BackupSide::Mac, false, false, true, BackupSide::Mac},
        RestoreSideCase{"LocalOnlyPhoneBackup", BackupSide::Phone, false, false, true, std::nullopt}),
    test::NameOfCase());

TEST(RestoreCatalog, ListsBackupsOfBothSidesAndDropsLeftoversNoBackupIsWriting)
{
    TestLibrary library;
    for (const char* folder : {"/1700000300", "/1700000100", "/1700000200_temp"}) {
        ASSERT_TRUE(FileManager::createDirectory(Paths::macBackupsFolder() + folder));
    }
    for (const char* folder : {"/1700000100", "/1700000050", "/1600000000_temp"}) {
        ASSERT_TRUE(FileManager::createDirectory(Paths::phoneBackupsFolder() + folder));
    }
    const auto listed = [](bool withCompanion) {
        Texts backups;
        for (const auto& entry : RestoreCatalog::listBackups(withCompanion)) {
            backups.push_back(entry.stamp + ":" + std::to_string(entry.side));
        }
        return backups;
    };
    EXPECT_EQ(listed(false), (Texts{"1700000100:0", "1700000300:0"}));
    EXPECT_EQ(listed(true), (Texts{"1700000050:1", "1700000100:2", "1700000300:0"}));
    // Listing deletes nothing; neither does the clean-up while a backup writes.
    EXPECT_TRUE(FileManager::exists(Paths::macBackupsFolder() + "/1700000200_temp"));
    {
        const FileLock writing = RestoreCatalog::holdBackupLock();
        ASSERT_TRUE(writing.held());
        EXPECT_FALSE(RestoreCatalog::removeLeftovers());
        EXPECT_TRUE(FileManager::exists(Paths::macBackupsFolder() + "/1700000200_temp"));
    }
    EXPECT_TRUE(RestoreCatalog::removeLeftovers());
    EXPECT_FALSE(FileManager::exists(Paths::macBackupsFolder() + "/1700000200_temp"));
    EXPECT_FALSE(FileManager::exists(Paths::phoneBackupsFolder() + "/1600000000_temp"));
    EXPECT_TRUE(FileManager::exists(Paths::phoneBackupsFolder() + "/1700000050"));
    EXPECT_EQ(RestoreCatalog::label("1700000100"),
              DateFormat::withPattern("d MMMM yyyy HH:mm").format(1700000100));
    EXPECT_EQ(RestoreCatalog::label("not a stamp"), "not a stamp");
    const RestoreBoxes phone = RestoreCatalog::boxesFor(BackupSide::Phone);
    EXPECT_TRUE(!phone.macEnabled && !phone.macTicked && phone.phoneEnabled && phone.phoneTicked);
}

// -- Leftovers of interrupted work ---------------------------------------------------

struct LeftoverPlanCase {
    const char* name;
    Texts entries;
    Texts sound;    // entries that hold a sound package
    Texts received; // unfinished copies whose source is elsewhere
    Texts steps;
};

std::string stepText(const LeftoverStep& step)
{
    static const std::map<LeftoverStep::Action, std::string> names = {
        {LeftoverStep::Action::PutBack, "put back"},
        {LeftoverStep::Action::RemoveAside, "remove"},
        {LeftoverStep::Action::PutBackOverBroken, "put back over the broken one"},
        {LeftoverStep::Action::KeepAsideAsRecovered, "keep"},
        {LeftoverStep::Action::RemoveIncoming, "remove"},
        {LeftoverStep::Action::KeepIncomingAsRecovered, "keep"}};
    return names.at(step.action) + " " + step.entry;
}

class LeftoverPlan : public ::testing::TestWithParam<LeftoverPlanCase> {};

TEST_P(LeftoverPlan, DealsWithAsideCopiesFirstAndRemovesOnlyWhatIsSafe)
{
    const auto& c = GetParam();
    const auto in = [](const Texts& list) {
        return [list](const std::string& entry) {
            return std::find(list.begin(), list.end(), entry) != list.end();
        };
    };
    Texts steps;
    for (const auto& step : PackageRecovery::plan(c.entries, in(c.sound), in(c.received))) {
        steps.push_back(stepText(step));
    }
    EXPECT_EQ(steps, c.steps);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Table, LeftoverPlan, ::testing::Values(
    LeftoverPlanCase{"AsideFirstWhateverTheListingOrder", {"X.dossiva_temp", "X.dossiva_old"}, {"X.dossiva_old"}, {},
        {"put back X.dossiva_old", "remove X.dossiva_temp"}},
    LeftoverPlanCase{"ReceivedCopyWithoutItsPackageGoes", {"X.dossiva_temp"}, {"X.dossiva_temp"}, {"X.dossiva_temp"},
        {"remove X.dossiva_temp"}},
    LeftoverPlanCase{"OtherCopyWithoutItsPackageIsKept", {"X.dossiva_temp"}, {"X.dossiva_temp"}, {},
        {"keep X.dossiva_temp"}},
    LeftoverPlanCase{"AsideBesideASoundPackageGoes", {"X.dossiva", "X.dossiva_old"}, {"X.dossiva", "X.dossiva_old"},
        {}, {"remove X.dossiva_old"}},
    LeftoverPlanCase{"SoundAsideBesideABrokenPackage", {"X.dossiva", "X.dossiva_old"}, {"X.dossiva_old"}, {},
        {"put back over the broken one X.dossiva_old"}},
    LeftoverPlanCase{"BrokenAsideBackThenTheUnfinishedCopyIsKept", {"X.dossiva_old", "X.dossiva_temp"}, {}, {},
        {"put back X.dossiva_old", "keep X.dossiva_temp"}},
    LeftoverPlanCase{"BothBrokenAreKept", {"X.dossiva", "X.dossiva_old"}, {}, {}, {"keep X.dossiva_old"}},
    LeftoverPlanCase{"OtherEntriesAreNoLeftovers", {"Y.dossiva", "Y.dossiva_older", "Notes", ".dossiva_temp_x"},
        {"Y.dossiva"}, {}, {}}),
    test::NameOfCase());
// clang-format on

// A take stopped half-way leaves a copy the companion still has: it goes,
// where a copy of unknown origin would be kept.
TEST(PackageRecovery, ACopyReceivedFromTheCompanionIsRemovedAndAStrayMarkGoes)
{
    TestLibrary library;
    library.makePackage("Kept");
    DBManager::sharedIstance().openDB();
    const std::string received = Paths::databasesFolder() + "/Taken.dossiva_temp";
    ASSERT_TRUE(FileManager::createDirectories(received + "/images"));
    ASSERT_TRUE(FileManager::writeFileAtomically(received + "/database.db", std::string("half a file")));
    ASSERT_TRUE(PackageRecovery::markReceived(received));
    // A take stopped after moving its copy in, before removing the mark.
    ASSERT_TRUE(PackageRecovery::markReceived(Paths::packagePath("Kept.dossiva")));

    EXPECT_EQ(PackageRecovery::recover(), Texts{"an unfinished copy of Taken was removed"});
    EXPECT_EQ(FileManager::contentsOfDirectory(Paths::databasesFolder()), Texts{"Kept.dossiva"});
    EXPECT_FALSE(
        FileManager::exists(Paths::packagePath("Kept.dossiva") + "/" + PackageRecovery::kReceivedMarker));
}

// -- Package swaps -------------------------------------------------------------------

class PackageSwapTest : public ::testing::Test {
protected:
    std::string folder = makeTempFolder("dossiva-swap");
    std::string target = folder + "/Notes.dossiva";
    std::string staged = folder + "/Notes.dossiva_temp";

    void TearDown() override { FileManager::removeItem(folder); }

    void makePackage(const std::string& path, const std::string& content)
    {
        ASSERT_TRUE(FileManager::createDirectories(path + "/images"));
        ASSERT_TRUE(FileManager::writeFileAtomically(path + "/database.db", content));
    }
    std::string content(const std::string& path) const
    {
        const auto bytes = FileManager::readFile(path + "/database.db");
        return bytes ? std::string(bytes->begin(), bytes->end()) : "<none>";
    }
};

TEST_F(PackageSwapTest, AnAsideCopyGoesOnlyWhenThePackageInPlaceIsSound)
{
    // Beside a sound package the aside copy is what an interrupted swap left
    // once the new copy was in: stale.
    ASSERT_TRUE(FileManager::createDirectories(target + "/images"));
    ASSERT_TRUE(createEmptyDatabaseFile(target + "/database.db"));
    makePackage(PackageSwap::asideName(target), "stale");
    makePackage(staged, "new");
    ASSERT_TRUE(PackageSwap::replace(staged, target));
    EXPECT_EQ(content(target), "new");
    EXPECT_FALSE(FileManager::exists(PackageSwap::asideName(target)));

    // Beside a broken one it may be the last good copy: nothing is swapped.
    makePackage(PackageSwap::asideName(target), "last good copy");
    makePackage(staged, "newer");
    EXPECT_FALSE(PackageSwap::replace(staged, target));
    EXPECT_EQ(content(PackageSwap::asideName(target)), "last good copy");
    EXPECT_EQ(content(target), "new");
    EXPECT_EQ(content(staged), "newer");
}

TEST_F(PackageSwapTest, AJournalBesideEitherDatabaseStopsTheSwap)
{
    for (const bool besideNew : {true, false}) {
        FileManager::removeItem(target);
        FileManager::removeItem(staged);
        makePackage(target, "old");
        makePackage(staged, "new");
        ASSERT_TRUE(FileManager::writeFileAtomically((besideNew ? staged : target) + "/database.db-journal",
                                                     std::string("hot")));
        EXPECT_FALSE(PackageSwap::replace(staged, target));
        EXPECT_EQ(content(target), "old");
        EXPECT_EQ(content(staged), "new");
    }
}

TEST_F(PackageSwapTest, ANewCopyThatCannotMoveInPutsTheOldBack)
{
    makePackage(target, "old");
    // A folder cannot move into itself: the move in fails after the old
    // copy went aside.
    EXPECT_FALSE(PackageSwap::replace(folder, target));
    EXPECT_EQ(content(target), "old");
    EXPECT_FALSE(FileManager::exists(PackageSwap::asideName(target)));
    // A staged copy that is gone changes nothing either.
    EXPECT_FALSE(PackageSwap::replace(staged, target));
    EXPECT_EQ(content(target), "old");
}

} // namespace
