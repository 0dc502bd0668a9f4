// Whole sync sessions against the companion peer on loopback: databases
// sent, taken and merged with their pictures, conflicts decided for either
// side, templates exchanged, and sessions that are stopped, lose their
// connection or meet hostile or broken data.
#include "sync/SessionHarness.h"
#include "sync/SyncTestData.h"

#include "platform/FileManager.h"
#include "platform/Paths.h"
#include "storage/DBManager.h"
#include "support/CaseNames.h"
#include "support/Files.h"
#include "support/TreeSnapshot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <sys/time.h>

using namespace dossiva;
using namespace dossiva::test;
using namespace std::string_literals;

namespace {

bool contains(const Texts& list, const std::string& item)
{
    return std::find(list.begin(), list.end(), item) != list.end();
}

std::size_t fileCount(const std::string& folder)
{
    return FileManager::contentsOfDirectory(folder).size();
}

// A message's lines in byte order, for lists whose order the companion's
// listing decides.
Texts sortedLines(const std::string& text)
{
    Texts lines = textLines(text);
    std::sort(lines.begin(), lines.end());
    return lines;
}

class SyncSession : public ::testing::Test {
protected:
    SessionFixture f;

    void SetUp() override
    {
        ASSERT_TRUE(f.startPeer()) << "the companion peer (/usr/bin/python3 with pyftpdlib) does not start";
    }

    // A database on both sides, last synced at 1000: "old one" (with a
    // picture) and "old two" on both, then "added here" on this computer and
    // "added there" (with a picture) on the companion.
    void makeSharedDatabase(const std::string& name)
    {
        SampleFields fields = makeSamplePackage(name);
        addSampleRecord(fields, "old one", 100, 0, solidPicture(10));
        addSampleRecord(fields, "old two", 100, 0);
        setSampleDates(900, 1000);
        DBManager::sharedIstance().openDB();
        // The companion's copy is edited here under another name, then moved.
        ASSERT_TRUE(FileManager::copyItem(Paths::packagePath(name + ".dossiva"),
                                          Paths::packagePath(name + " phone.dossiva")));
        ASSERT_TRUE(DBManager::sharedIstance().openDB(name + " phone.dossiva"));
        addSampleRecord(fields, "added there", 2000, 0, solidPicture(90));
        f.copyToPhone(name + " phone", true);
        ASSERT_TRUE(FileManager::moveItem(f.phonePackage(name + " phone"), f.phonePackage(name)));
        ASSERT_TRUE(DBManager::sharedIstance().openDB(name + ".dossiva"));
        addSampleRecord(fields, "added here", 3000, 0);
        DBManager::sharedIstance().openDB();
    }
};

TEST_F(SyncSession, SendsTakesAndMergesDatabasesWithTheirPictures)
{
    SampleFields fields = makeSamplePackage("Mac Only");
    addSampleRecord(fields, "mac record", 100, 0, solidPicture(200));
    makeSamplePackage("Phone Only");
    addSampleRecord(fields, "phone record", 100, 0, solidPicture(50));
    addSampleRecord(fields, "second phone record", 100, 0);
    f.copyToPhone("Phone Only", true);
    makeSharedDatabase("Shared");
    f.presenter.tick = {"Mac Only.dossiva", "Phone Only.dossiva", "Shared.dossiva"};

    ASSERT_TRUE(f.sync());

    EXPECT_EQ(f.alertTexts(), Texts{});
    // Sent: the companion has the package with its picture.
    EXPECT_EQ(titlesInFile(f.phonePackage("Mac Only") + "/database.db"), Texts{"mac record"});
    EXPECT_EQ(fileCount(f.phonePackage("Mac Only") + "/images"), 1u);
    // Taken: this computer has the package, its pictures readable.
    EXPECT_EQ(recordTitles("Phone Only.dossiva"), (Texts{"phone record+photo", "second phone record"}));
    // Merged: both sides hold the same records, with every picture.
    const Texts merged{"old one+photo", "old two", "added here", "added there+photo"};
    EXPECT_EQ(recordTitles("Shared.dossiva"), merged);
    EXPECT_EQ(titlesInFile(f.phonePackage("Shared") + "/database.db"),
              (Texts{"old one", "old two", "added here", "added there"}));
    EXPECT_EQ(fileCount(f.phonePackage("Shared") + "/images"), 2u);
    EXPECT_EQ(leftoversIn(f.phoneRoot()), Texts{});
    EXPECT_EQ(leftoversIn(Paths::databasesFolder()), Texts{});

    // The computer's copies of sent and taken databases carry the sync.
    DBManager& db = DBManager::sharedIstance();
    for (const char* name : {"Mac Only.dossiva", "Phone Only.dossiva", "Shared.dossiva"}) {
        ASSERT_TRUE(db.openDB(name));
        EXPECT_GT((*db.getDates())[2], 1000) << name;
    }
    db.openDB();
    EXPECT_TRUE(contains(f.presenter.titles, "Connecting"));
    EXPECT_TRUE(contains(f.presenter.titles, "Connected. Get db list"));
    EXPECT_TRUE(contains(f.presenter.titles, "Syncing Shared"));
    EXPECT_EQ(f.delegate.reloads, 1);
}

TEST_F(SyncSession, TheTableMarksWhereEachDatabaseIsAndTicksTheLastSynced)
{
    makeSamplePackage("Here");
    makeSamplePackage("There");
    f.copyToPhone("There", true);
    makeSamplePackage("notes");
    f.copyToPhone("notes", true);
    makeSamplePackage("Notes");
    // A plain file named like a package is no database.
    ASSERT_TRUE(FileManager::writeFileAtomically(f.phoneRoot() + "/File.dossiva", std::string("x")));
    f.setSettings(false, false, {"Here"});
    f.presenter.tick = Texts{};

    ASSERT_TRUE(f.sync());

    ASSERT_EQ(f.presenter.tables.size(), 1u);
    Texts shown;
    for (const auto& entry : f.presenter.tables[0]) {
        shown.push_back(entry.name + " t" + std::to_string(entry.side) + (entry.ticked ? " c" : ""));
    }
    std::sort(shown.begin(), shown.end());
    EXPECT_EQ(shown,
              (Texts{"Here.dossiva t0 c", "Notes.dossiva t0", "There.dossiva t1", "notes.dossiva t1"}));
    // Cancelled from the table: nothing moved, nothing listed.
    EXPECT_FALSE(FileManager::exists(f.phonePackage("Here")));
    EXPECT_EQ(f.alertTexts(), Texts{});
}

TEST_F(SyncSession, ACompanionWithAnEmptyRootTakesTheDatabases)
{
    ASSERT_TRUE(FileManager::removeItem(f.phoneRoot() + "/Templates"));
    makeSamplePackage("Fresh");
    f.presenter.tick = {"Fresh.dossiva"};
    ASSERT_TRUE(f.sync());
    EXPECT_EQ(f.alertTexts(), Texts{});
    EXPECT_TRUE(FileManager::isRegularFile(f.phonePackage("Fresh") + "/database.db"));
}

struct RefusedStartCase {
    const char* name;
    const char* refused;  // a command the companion refuses
    const char* password; // the companion's password
    const char* alert;    // with what the companion answered
};

class RefusedStart : public ::testing::TestWithParam<RefusedStartCase> {};

TEST_P(RefusedStart, EndsTheSessionWithItsAlertAndListsNothing)
{
    SessionFixture f;
    CompanionPeer::Options options;
    if (*GetParam().refused != '\0') {
        options.refusedCommands = {GetParam().refused};
    }
    options.password = GetParam().password;
    ASSERT_TRUE(f.startPeer(options)) << "the companion peer does not start";
    makeSamplePackage("Kept");
    f.setSettings(false, false, {"Kept"});
    ASSERT_TRUE(f.sync());
    EXPECT_EQ(f.alertTexts(), Texts{GetParam().alert});
    EXPECT_TRUE(f.presenter.tables.empty());
    EXPECT_EQ(f.delegate.ends, 1);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Table, RefusedStart, ::testing::Values(
    RefusedStartCase{"Login", "", "another",
        "Error: Error during connection\n\nthe companion refused PASS: 530 " "Authentication failed."},
    RefusedStartCase{"WorkingDirectory", "PWD", "7Catalo9g",
        "Error: Error during connection\n\nthe companion refused PWD: 550 " "Refused by the test."},
    RefusedStartCase{"RootListing", "LIST", "7Catalo9g",
        "Error: Error getting db list\n\nthe companion refused LIST: 550 Refused " "by the test."}),
    test::NameOfCase());
// clang-format on

struct ConflictCase {
    const char* name;
    int choice;
};

class SyncConflict : public SyncSession, public ::testing::WithParamInterface<ConflictCase> {};

TEST_P(SyncConflict, TheChosenCopyReplacesTheOther)
{
    SampleFields fields = makeSamplePackage("Plan");
    addSampleRecord(fields, "mac one", 100, 0, solidPicture(30));
    addSampleRecord(fields, "mac two", 100, 0);
    setSampleDates(5000, 1000);
    DBManager::sharedIstance().openDB();
    ASSERT_TRUE(
        FileManager::copyItem(Paths::packagePath("Plan.dossiva"), Paths::packagePath("Plan phone.dossiva")));
    DBManager& db = DBManager::sharedIstance();
    ASSERT_TRUE(db.openDB("Plan phone.dossiva") && db.loadDbData());
    db.setdbFieldLabel("Remark", fields.note);
    addSampleRecord(fields, "phone three", 100, 0, solidPicture(80));
    setSampleDates(4000, 1000);
    f.copyToPhone("Plan phone", true);
    ASSERT_TRUE(FileManager::moveItem(f.phonePackage("Plan phone"), f.phonePackage("Plan")));
    f.presenter.tick = {"Plan.dossiva"};
    f.presenter.conflictChoice = GetParam().choice;

    ASSERT_TRUE(f.sync());

    ASSERT_FALSE(f.presenter.conflicts.empty());
    const ConflictPage& page = f.presenter.conflicts.front();
    EXPECT_EQ(page.title, "There are 1 conflicts involving database synchronization.");
    EXPECT_EQ(page.counter, "1 of 1");
    EXPECT_EQ(page.nextTitle, "Sync");
    EXPECT_FALSE(page.previousEnabled);
    EXPECT_EQ(page.name, "Plan");
    EXPECT_EQ(page.mac.records, "2");
    EXPECT_EQ(page.phone.records, "3");
    EXPECT_EQ(page.mac.fields, "4");
    EXPECT_EQ(page.selected, SyncSide::Mac); // edited later here
    EXPECT_EQ(f.alertTexts(), Texts{});

    const Texts macLabels{"Title", "Note", "Photo", "Kind"};
    const Texts phoneLabels{"Title", "Remark", "Photo", "Kind"};
    const auto& labels = GetParam().choice == SyncSide::Mac ? macLabels : phoneLabels;
    EXPECT_EQ(labelsInFile(Paths::databaseFile("Plan.dossiva")), labels);
    EXPECT_EQ(labelsInFile(f.phonePackage("Plan") + "/database.db"), labels);
    const std::size_t records = GetParam().choice == SyncSide::Mac ? 2 : 3;
    EXPECT_EQ(recordTitles("Plan.dossiva").size(), records);
    EXPECT_EQ(titlesInFile(f.phonePackage("Plan") + "/database.db").size(), records);
    EXPECT_EQ(fileCount(f.phonePackage("Plan") + "/images"), fileCount(Paths::imagesFolder("Plan.dossiva")));
    EXPECT_EQ(leftoversIn(f.phoneRoot()), Texts{});
    EXPECT_EQ(leftoversIn(Paths::databasesFolder()), Texts{});
}

INSTANTIATE_TEST_SUITE_P(EitherSide, SyncConflict,
                         ::testing::Values(ConflictCase{"ForTheComputer", SyncSide::Mac},
                                           ConflictCase{"ForTheCompanion", SyncSide::Phone}),
                         test::NameOfCase());

// -- What the copies remember of their last exchange ----------------------------------

struct ExchangeCase {
    const char* name;
    bool taken; // the companion had the database and this computer took it; else it was sent
};

class DeletedAfterAnExchange : public SyncSession, public ::testing::WithParamInterface<ExchangeCase> {};

// The copy exchanged was last synced long before its records were made: only
// the moment of the exchange tells that both sides had them.
TEST_P(DeletedAfterAnExchange, StaysDeletedOnBothSides)
{
    SampleFields fields = makeSamplePackage("Diary");
    addSampleRecord(fields, "stays", 2000, 0);
    addSampleRecord(fields, "deleted", 2000, 0);
    setSampleDates(2000, 1000);
    DBManager::sharedIstance().openDB();
    if (GetParam().taken) {
        f.copyToPhone("Diary", true);
    }
    f.presenter.tick = {"Diary.dossiva"};
    ASSERT_TRUE(f.sync());
    const std::string phoneFile = f.phonePackage("Diary") + "/database.db";
    if (GetParam().taken) {
        DBManager& db = DBManager::sharedIstance();
        ASSERT_TRUE(db.openDB("Diary.dossiva") && db.loadDbData());
        ASSERT_TRUE(db.deleteRecordWithID(db.dbData()[1].recordId));
        db.openDB();
    } else {
        sqliteShell(phoneFile, "delete from data_table where \"1\"='deleted'");
    }

    ASSERT_TRUE(f.sync());

    EXPECT_EQ(f.alertTexts(), Texts{});
    EXPECT_EQ(titlesInFile(Paths::databaseFile("Diary.dossiva")), Texts{"stays"});
    EXPECT_EQ(titlesInFile(phoneFile), Texts{"stays"});
}

INSTANTIATE_TEST_SUITE_P(EitherWay, DeletedAfterAnExchange,
                         ::testing::Values(ExchangeCase{"HereAfterATake", true},
                                           ExchangeCase{"OnTheCompanionAfterASend", false}),
                         test::NameOfCase());

// Another writer stores the same options as other kinds of numbers.
TEST_F(SyncSession, StructuresEqualInValueMergeWithoutAConflict)
{
    makeSharedDatabase("Shared");
    // The structure as a Python literal: an integer against a boolean, a real against an integer.
    const std::string script =
        "import ast, sqlite3, plistlib, sys\n"
        "db = sqlite3.connect(sys.argv[1])\n"
        "blob = plistlib.dumps(ast.literal_eval(sys.argv[2]), fmt=plistlib.FMT_BINARY)\n"
        "db.execute('update fields_table set field_structure=?, length=? where id=1',\n"
        "           (blob, len(blob)))\n"
        "db.commit()\n";
    std::string output;
    ASSERT_EQ(runPython(script, {f.phonePackage("Shared") + "/database.db", "[1, 180.0]"}, output), 0)
        << output;
    ASSERT_EQ(runPython(script, {Paths::databaseFile("Shared.dossiva"), "[True, 180]"}, output), 0) << output;
    f.presenter.tick = {"Shared.dossiva"};

    ASSERT_TRUE(f.sync());

    EXPECT_TRUE(f.presenter.conflicts.empty());
    EXPECT_EQ(f.alertTexts(), Texts{});
    EXPECT_EQ(titlesInFile(f.phonePackage("Shared") + "/database.db"),
              (Texts{"old one", "old two", "added here", "added there"}));
}

// -- Leftovers of an interrupted session on the companion ------------------------------

struct LeftoverCase {
    const char* name;
    Texts leftovers;   // made from its copy: "_old" a copy, "_temp" an empty one
    bool keepsItsCopy; // R/Notes.dossiva stays where it is
    std::string recovered;
};

class CompanionLeftovers : public SyncSession, public ::testing::WithParamInterface<LeftoverCase> {};

TEST_P(CompanionLeftovers, ArePutInOrderAndTheDatabaseSyncs)
{
    SampleFields fields = makeSamplePackage("Notes");
    addSampleRecord(fields, "note", 100, 0, solidPicture(9));
    setSampleDates(900, 1000);
    DBManager::sharedIstance().openDB();
    const std::string copy = f.phonePackage("Notes");
    f.copyToPhone("Notes", false);
    for (const auto& suffix : GetParam().leftovers) {
        if (suffix == "_old") {
            ASSERT_TRUE(FileManager::copyItem(copy, copy + suffix));
        } else {
            ASSERT_TRUE(FileManager::createDirectories(copy + suffix + "/images"));
        }
    }
    if (!GetParam().keepsItsCopy) {
        ASSERT_TRUE(FileManager::removeItem(copy));
    }
    f.presenter.tick = {"Notes.dossiva"};

    ASSERT_TRUE(f.sync());

    EXPECT_EQ(f.alertTexts(),
              Texts{"Info: " + std::string(SyncManager::kCompanionRecoveredHeading) + GetParam().recovered});
    EXPECT_EQ(leftoversIn(f.phoneRoot()), Texts{});
    EXPECT_EQ(titlesInFile(copy + "/database.db"), Texts{"note"});
    EXPECT_EQ(fileCount(copy + "/images"), 1u);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Table, CompanionLeftovers, ::testing::Values(
    LeftoverCase{"StoppedBetweenTheTwoRenamesOfASend", {"_old", "_temp"}, false,
        "\nNotes was put back from the copy an interrupted swap moved aside"
        "\nan unfinished copy of Notes was removed"},
    LeftoverCase{"StoppedBeforeTheEarlierCopyWasRemoved", {"_old"}, true,
        "\nthe earlier copy of Notes left by an interrupted swap was removed"},
    LeftoverCase{"ConnectionLostAfterTheFolderOfASendWasMade", {"_temp"}, false,
        "\nan unfinished copy of Notes was removed"}),
    test::NameOfCase());
// clang-format on

// -- Templates ---------------------------------------------------------------------

void makeTemplate(const std::string& path, const std::string& label, std::time_t modified)
{
    FileManager::removeItem(path);
    ASSERT_TRUE(createEmptyDatabaseFile(path));
    sqliteShell(path, "insert into fields_table(id,field_name,field_type,order_index) values(1,'" + label +
                          "',1,1); alter table data_table add column '1'");
    const struct timeval times[2] = {{modified, 0}, {modified, 0}};
    ASSERT_EQ(::utimes(path.c_str(), times), 0);
}

std::string templateLabel(const std::string& path)
{
    return sqliteShell(path, "select field_name from fields_table");
}

// A day ahead: later than any file the test makes. (Listings show dates
// ahead without a year, so it cannot be further.)
const std::time_t kAhead = std::time(nullptr) + 86400;

class TemplateExchange : public ::testing::Test {
protected:
    SessionFixture f;
    const std::string local = Paths::modelsFolder();
    std::string phone;

    void SetUp() override
    {
        phone = f.phoneRoot() + "/Templates";
        // A local template counts from the later of its creation and its
        // modification, so the companion's newer file is dated ahead.
        makeTemplate(local + "/Older Here.dossivaTemplate", "older here", 1546300800); // 2019
        makeTemplate(phone + "/Older Here.dossivaTemplate", "newer there", kAhead);
        makeTemplate(local + "/Newer Here.dossivaTemplate", "newer here", 1640995200);  // 2022
        makeTemplate(phone + "/Newer Here.dossivaTemplate", "older there", 1514764800); // 2018
        makeTemplate(phone + "/Only There.dossivaTemplate", "only there", 1577836800);  // 2020
        makeTemplate(local + "/Only Here.dossivaTemplate", "only here", 1577836800);
        makeSamplePackage("Carrier");
        f.setSettings(false, true, {"Carrier"});
    }
};

TEST_F(TemplateExchange, NewerTemplatesGoBothWays)
{
    ASSERT_TRUE(f.startPeer());
    ASSERT_TRUE(f.sync());

    EXPECT_EQ(f.alertTexts(), Texts{});
    EXPECT_EQ(templateLabel(local + "/Older Here.dossivaTemplate"), "newer there\n");
    EXPECT_EQ(templateLabel(local + "/Only There.dossivaTemplate"), "only there\n");
    EXPECT_EQ(templateLabel(phone + "/Newer Here.dossivaTemplate"), "newer here\n");
    EXPECT_EQ(templateLabel(phone + "/Only Here.dossivaTemplate"), "only here\n");
    EXPECT_EQ(leftoversIn(local), Texts{});
}

TEST_F(TemplateExchange, ACompanionBeforeVersionFourExchangesNone)
{
    CompanionPeer::Options options;
    options.version = "3.5";
    ASSERT_TRUE(f.startPeer(options));
    ASSERT_TRUE(f.sync());

    EXPECT_EQ(templateLabel(local + "/Older Here.dossivaTemplate"), "older here\n");
    EXPECT_FALSE(FileManager::exists(local + "/Only There.dossivaTemplate"));
    EXPECT_FALSE(FileManager::exists(phone + "/Only Here.dossivaTemplate"));
    // The database itself was still sent.
    EXPECT_TRUE(FileManager::exists(f.phonePackage("Carrier") + "/database.db"));
}

TEST_F(TemplateExchange, ABrokenTemplateFromTheCompanionKeepsTheComputersFile)
{
    ASSERT_TRUE(
        FileManager::writeFileAtomically(phone + "/Older Here.dossivaTemplate", std::string(2048, 'z')));
    const struct timeval times[2] = {{kAhead, 0}, {kAhead, 0}};
    ASSERT_EQ(::utimes((phone + "/Older Here.dossivaTemplate").c_str(), times), 0);
    ASSERT_TRUE(f.startPeer());
    ASSERT_TRUE(f.sync());

    EXPECT_EQ(templateLabel(local + "/Older Here.dossivaTemplate"), "older here\n");
    EXPECT_EQ(leftoversIn(local), Texts{});
    ASSERT_FALSE(f.alerts.asked().empty());
    EXPECT_EQ(f.alerts.asked().back().title, "Info");
    EXPECT_NE(f.alerts.asked().back().message.find("These templates have not been synced:"),
              std::string::npos);
}

// -- Stops, lost connections, hostile and broken data -------------------------------

TEST_F(SyncSession, StoppingDuringAMergeLeavesTheComputersDatabase)
{
    makeSharedDatabase("Shared");
    const Texts before = recordTitles("Shared.dossiva");
    const auto fileBefore = FileManager::readFile(Paths::databaseFile("Shared.dossiva"));
    f.presenter.tick = {"Shared.dossiva"};
    f.onLog("-> merging / merge", [&] { f.manager->abort(); });

    ASSERT_TRUE(f.sync());

    EXPECT_EQ(recordTitles("Shared.dossiva"), before);
    EXPECT_EQ(FileManager::readFile(Paths::databaseFile("Shared.dossiva")), fileBefore);
    EXPECT_EQ(titlesInFile(f.phonePackage("Shared") + "/database.db"),
              (Texts{"old one", "old two", "added there"}));
    EXPECT_EQ(f.alertTexts(),
              Texts{"Info: These databases have not been synced:\nShared (the merge was stopped)"});
    EXPECT_TRUE(contains(f.presenter.titles, "Stopping"));
    EXPECT_EQ(leftoversIn(Paths::databasesFolder()), Texts{});
}

TEST_F(SyncSession, ALostCompanionEndsTheSessionWithItsAlert)
{
    makeSamplePackage("First");
    f.copyToPhone("First", true);
    SampleFields fields = makeSamplePackage("Second");
    addSampleRecord(fields, "kept", 100, 0);
    f.copyToPhone("Second", false);
    const auto secondBefore = FileManager::readFile(Paths::databaseFile("Second.dossiva"));
    f.presenter.tick = {"First.dossiva", "Second.dossiva"};
    f.onLog("-> taking / receive the database file", [&] {
        f.peer.stop();
        f.manager->serverDisappeared();
    });

    ASSERT_TRUE(f.sync());

    EXPECT_TRUE(contains(f.alertTexts(), "Error: Connection closed by the iphone"));
    EXPECT_FALSE(FileManager::exists(Paths::packagePath("First.dossiva")));
    EXPECT_EQ(FileManager::readFile(Paths::databaseFile("Second.dossiva")), secondBefore);
    EXPECT_EQ(leftoversIn(Paths::databasesFolder()), Texts{});
    EXPECT_EQ(f.delegate.ends, 1);
}

TEST_F(SyncSession, ACompanionThatGoesSilentlyFailsEachDatabaseAndTheSessionEnds)
{
    makeSamplePackage("First");
    f.copyToPhone("First", true);
    makeSamplePackage("Second");
    f.copyToPhone("Second", true);
    f.presenter.tick = {"First.dossiva", "Second.dossiva"};
    f.onLog("-> taking / receive the database file", [&] { f.peer.stop(); });

    ASSERT_TRUE(f.sync());

    // Once the connection is gone nothing more is tried; each says why.
    EXPECT_EQ(f.alertTexts(), Texts{"Info: These databases have not been synced:"
                                    "\nFirst (the connection to the companion was lost)"
                                    "\nSecond (the connection to the companion was lost)"});
    EXPECT_EQ(leftoversIn(Paths::databasesFolder()), Texts{});
}

// Names this computer refuses to a user are refused to the companion too.
TEST_F(SyncSession, HostileNamesAndBrokenDatabasesFailAloneAndTouchNothingOutside)
{
    SampleFields fields = makeSamplePackage("Good");
    addSampleRecord(fields, "good record", 100, 0, solidPicture(60));
    f.copyToPhone("Good", true);
    const Texts refused = {"Bad\x01Name", ".hidden", "   "};
    for (const auto& name : refused) {
        makeSamplePackage(name);
        f.copyToPhone(name, true);
    }
    ASSERT_TRUE(FileManager::copyItem(Paths::emptyBaseDatabase(),
                                      f.phoneRoot() + "/Templates/.hidden.dossivaTemplate"));
    f.setSettings(false, true, {});
    makeSamplePackage("Garbage");
    f.copyToPhone("Garbage", true);
    ASSERT_TRUE(
        FileManager::writeFileAtomically(f.phonePackage("Garbage") + "/database.db", std::string(8192, 'q')));
    makeSharedDatabase("Shared");
    ASSERT_TRUE(
        FileManager::writeFileAtomically(f.phonePackage("Shared") + "/database.db", std::string("junk")));
    const auto sharedBefore = FileManager::readFile(Paths::databaseFile("Shared.dossiva"));
    // Databases that carry SQL of their own, or lack a field's column.
    const std::vector<std::pair<std::string, std::string>> hostileSql = {
        {"Trigger", "create trigger t after insert on data_table begin delete from data_table; end"},
        {"View", "create view v as select * from data_table"},
        {"Lost", "insert into fields_table(id,field_name,field_type,order_index) values(99,'Lost',1,9)"},
    };
    for (const auto& [name, sql] : hostileSql) {
        makeSamplePackage(name);
        f.copyToPhone(name, true);
        sqliteShell(f.phonePackage(name) + "/database.db", sql);
    }
    // A picture whose name would reach outside the images folder if used.
    ASSERT_TRUE(
        FileManager::writeFileAtomically(f.phonePackage("Good") + "/images/evil\x02name", std::string("x")));
    f.presenter.tick = {"Good.dossiva",    "Garbage.dossiva", "Shared.dossiva",
                        "Trigger.dossiva", "View.dossiva",    "Lost.dossiva"};

    ASSERT_TRUE(f.sync());

    EXPECT_EQ(recordTitles("Good.dossiva"), Texts{"good record+photo"});
    EXPECT_EQ(fileCount(Paths::imagesFolder("Good.dossiva")), 1u);
    EXPECT_FALSE(FileManager::exists(Paths::packagePath("Garbage.dossiva")));
    for (const auto& name : refused) {
        EXPECT_FALSE(FileManager::exists(Paths::packagePath(name + ".dossiva"))) << name;
    }
    for (const auto& [name, sql] : hostileSql) {
        EXPECT_FALSE(FileManager::exists(Paths::packagePath(name + ".dossiva"))) << name;
    }
    EXPECT_FALSE(FileManager::exists(Paths::modelsFolder() + "/.hidden.dossivaTemplate"));
    EXPECT_EQ(FileManager::readFile(Paths::databaseFile("Shared.dossiva")), sharedBefore);
    // Each refused name says why; the companion's listing decides their order.
    const std::string why = " (its name is not allowed on this computer)";
    ASSERT_EQ(f.alertTexts().size(), 2u);
    const std::string unusable = " (the companion's copy cannot be used: ";
    const std::string notADatabase = unusable + "it cannot be read as a database (file is not a database))";
    EXPECT_EQ(sortedLines(f.alertTexts()[0]),
              sortedLines("Info: These databases have not been synced:\n\"Bad?Name\"" + why +
                          "\n\".hidden\"" + why + "\n\"   \"" + why + "\nGarbage" + notADatabase +
                          "\nShared" + notADatabase + "\nTrigger" + unusable +
                          "it holds a trigger \"t\" that Dossiva does not make)\nView" + unusable +
                          "it holds a view \"v\" that Dossiva does not make)\nLost" + unusable +
                          "it is damaged: the field \"Lost\" has no column of values)"));
    EXPECT_EQ(f.alertTexts()[1], "Info: These templates have not been synced:\n\".hidden\"" + why);
    EXPECT_EQ(leftoversIn(Paths::databasesFolder()), Texts{});
}

// A package's links lead outside the data tree: nothing they point at may
// reach the companion, and a FIFO must not hold the session up.
TEST_F(SyncSession, SendsOnlyThePlainFilesInsideEachPackage)
{
    const OutsideFiles outside = makeOutsideFiles(f.library.home());
    const std::vector<std::pair<std::string, Hostile>> packages = {
        {"Fifo", Hostile::Fifo}, {"File Link", Hostile::FileLink}, {"Folder Link", Hostile::FolderLink}};
    Texts ticked;
    for (const auto& [name, kind] : packages) {
        SampleFields fields = makeSamplePackage(name);
        addSampleRecord(fields, "kept", 100, 0, solidPicture(70));
        DBManager::sharedIstance().openDB();
        plantHostileItem(Paths::packagePath(name + ".dossiva"), kind, outside);
        ticked.push_back(name + ".dossiva");
    }
    f.presenter.tick = ticked;

    ASSERT_TRUE(f.sync());

    EXPECT_EQ(outsideItemsIn(f.phoneRoot(), outside), Texts{});
    EXPECT_EQ(f.alertTexts(), Texts{"Info: These items were not sent because they are not "
                                    "plain files:\n\"Fifo\": images/7 is a FIFO\n\"File "
                                    "Link\": images/6 is a symbolic link\n\"Folder Link\": "
                                    "images is a symbolic link"});
    for (const auto& [name, kind] : packages) {
        EXPECT_EQ(titlesInFile(f.phonePackage(name) + "/database.db"), Texts{"kept"}) << name;
        // Each plain picture went along.
        EXPECT_EQ(fileCount(f.phonePackage(name) + "/images"), kind == Hostile::FolderLink ? 0u : 1u) << name;
    }
}

TEST_F(SyncSession, AFileLargerThanTheLimitIsNotTakenAndTheUserLearnsWhy)
{
    makeSamplePackage("Big");
    f.copyToPhone("Big", true);
    f.manager->setDownloadLimits(DownloadLimits{}.withMaxDownload(4096));
    f.presenter.tick = {"Big.dossiva"};

    ASSERT_TRUE(f.sync());

    EXPECT_EQ(f.alertTexts(), Texts{"Info: These databases have not been synced:\nBig (the "
                                    "companion sent more than 4 KiB)"});
    EXPECT_FALSE(FileManager::exists(Paths::packagePath("Big.dossiva")));
    EXPECT_EQ(leftoversIn(Paths::databasesFolder()), Texts{});
}

// -- Refused commands -----------------------------------------------------------------

struct RefusalCase {
    const char* name;
    const char* command;
    Texts notSynced; // in the order they failed
};

class RefusedCommand : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(RefusedCommand, OnlyTheDatabasesThatNeedItFailAndBothSidesKeepTheirCopies)
{
    SessionFixture f;
    CompanionPeer::Options options;
    options.refusedCommands = {GetParam().command};
    ASSERT_TRUE(f.startPeer(options)) << "the companion peer does not start";
    SampleFields fields = makeSamplePackage("Send Me");
    addSampleRecord(fields, "outgoing", 100, 0, solidPicture(5));
    makeSamplePackage("Take Me");
    addSampleRecord(fields, "incoming", 100, 0);
    f.copyToPhone("Take Me", true);
    makeSamplePackage("Both");
    addSampleRecord(fields, "shared", 100, 0);
    setSampleDates(900, 1000);
    f.copyToPhone("Both", false);
    const auto macBoth = FileManager::readFile(Paths::databaseFile("Both.dossiva"));
    const auto phoneBoth = FileManager::readFile(f.phonePackage("Both") + "/database.db");
    f.presenter.tick = {"Send Me.dossiva", "Take Me.dossiva", "Both.dossiva"};

    ASSERT_TRUE(f.sync());

    // Each says what the companion answered.
    std::string expected = "Info: These databases have not been synced:";
    for (const auto& name : GetParam().notSynced) {
        expected +=
            "\n" + name + " (the companion refused " + GetParam().command + ": 550 Refused by the test.)";
    }
    EXPECT_EQ(f.alertTexts(), Texts{expected});
    if (contains(GetParam().notSynced, "Both")) {
        EXPECT_EQ(FileManager::readFile(Paths::databaseFile("Both.dossiva")), macBoth);
        EXPECT_EQ(FileManager::readFile(f.phonePackage("Both") + "/database.db"), phoneBoth);
    }
    EXPECT_EQ(FileManager::exists(f.phonePackage("Send Me")), !contains(GetParam().notSynced, "Send Me"));
    EXPECT_EQ(FileManager::exists(Paths::packagePath("Take Me.dossiva")),
              !contains(GetParam().notSynced, "Take Me"));
    EXPECT_EQ(leftoversIn(f.phoneRoot()), Texts{});
    EXPECT_EQ(leftoversIn(Paths::databasesFolder()), Texts{});
}

INSTANTIATE_TEST_SUITE_P(Table, RefusedCommand,
                         ::testing::Values(RefusalCase{"Rename", "RNTO", {"Send Me", "Both"}},
                                           RefusalCase{"Store", "STOR", {"Send Me", "Both"}},
                                           RefusalCase{"Retrieve", "RETR", {"Take Me", "Both"}},
                                           RefusalCase{"MakeDirectory", "MKD", {"Send Me", "Both"}}),
                         test::NameOfCase());

// -- A companion whose root listing names what is not there -------------------------------

struct ListedCase {
    const char* name;
    std::string entry; // the folder the root listing names, byte for byte
    const char* why;   // what the message says of it; nullptr when it is no database to mention
    bool syncs = true; // false: the whole listing is refused, and nothing is synced
};

class HostileListing : public ::testing::TestWithParam<ListedCase> {};

// Whatever the listing names, the one real database syncs, the named one is
// never made here, and nothing in the home folder outside the data tree
// changes.
TEST_P(HostileListing, TheNamedFolderFailsAloneAndNothingOutsideTheDataTreeChanges)
{
    SessionFixture f;
    CompanionPeer::Options options;
    options.extraRootEntries = {GetParam().entry};
    ASSERT_TRUE(f.startPeer(options)) << "the companion peer does not start";
    const std::string home = f.library.home();
    makeOutsideFiles(home);
    const std::string cafe = "Caf\xc3\xa9";
    SampleFields fields = makeSamplePackage(cafe);
    addSampleRecord(fields, "kept", 100, 0, solidPicture(40));
    DBManager::sharedIstance().openDB();
    const auto inHome = [&](const std::string& path) { return path.substr(home.size() + 1); };
    const Texts ours = {inHome(Paths::appFolder()), inHome(Paths::preferencesFolder())};
    const TreeSnapshot before = snapshotTree(home, ours);
    f.presenter.tick = {cafe + ".dossiva", GetParam().entry};

    ASSERT_TRUE(f.sync());

    EXPECT_EQ(snapshotTree(home, ours), before);
    EXPECT_EQ(f.localNames(), Texts{cafe + ".dossiva"});
    ASSERT_EQ(FileManager::exists(f.phonePackage(cafe)), GetParam().syncs);
    if (GetParam().syncs) {
        EXPECT_EQ(titlesInFile(f.phonePackage(cafe) + "/database.db"), Texts{"kept"});
        EXPECT_EQ(fileCount(f.phonePackage(cafe) + "/images"), 1u);
    }
    const std::string alerts = f.alertTexts().empty() ? "" : f.alertTexts().back();
    if (GetParam().why != nullptr) {
        EXPECT_NE(alerts.find(GetParam().why), std::string::npos) << alerts;
    } else {
        EXPECT_EQ(f.alertTexts(), Texts{});
    }
}

const char* const kNotAllowed = "its name is not allowed on this computer";

INSTANTIATE_TEST_SUITE_P(
    Table, HostileListing,
    ::testing::Values(ListedCase{"DotDot", "..", nullptr}, ListedCase{"Slash", "/", nullptr},
                      ListedCase{"ParentPath", "../../outside.dossiva", kNotAllowed},
                      ListedCase{"AbsolutePath", "/tmp/Escape.dossiva", kNotAllowed},
                      ListedCase{"Nul", "Nul\0Name.dossiva"s, "listing holds a line that cannot be read",
                                 false},
                      ListedCase{"CarriageReturn", "Cr\rName.dossiva", kNotAllowed},
                      ListedCase{"LineFeedSmugglingALine",
                                 "Lf\ndrwxr-xr-x 1 o g 0 Mar 03 10:12 ../Lf.dossiva", kNotAllowed},
                      ListedCase{"TerminalEscape", "\x1b[2J.dossiva", kNotAllowed},
                      ListedCase{"OverLong", std::string(300, 'n') + ".dossiva", kNotAllowed},
                      ListedCase{"OurStagingFolder", "Caf\xc3\xa9.dossiva_temp", nullptr},
                      ListedCase{"OurSetAsideFolder", "Caf\xc3\xa9.dossiva_old", nullptr},
                      ListedCase{"DiffersOnlyInCase", "CAF\xc3\x89.dossiva", "CAF\xc3\x89"},
                      ListedCase{"DiffersOnlyInNormalisation", "Cafe\xcc\x81.dossiva", "Cafe\xcc\x81"}),
    test::NameOfCase());

// -- A companion that goes away -----------------------------------------------------------

const std::string kDropped =
    "the companion closed the connection: 421 Service not available, closing control connection.";

struct DropCase {
    const char* name;
    const char* dropAfter; // the command after which the companion closes the connection
    std::string alert;
    std::string logLine;
};

class DroppedConnection : public ::testing::TestWithParam<DropCase> {};

TEST_P(DroppedConnection, IsNamedAsTheReasonAndItsLeftoversGoNextTime)
{
    SessionFixture f;
    CompanionPeer::Options options;
    options.dropAfter = GetParam().dropAfter;
    ASSERT_TRUE(f.startPeer(options)) << "the companion peer does not start";
    SampleFields fields = makeSamplePackage("Notes");
    addSampleRecord(fields, "note", 100, 0);
    f.setSettings(false, true, {"Notes"});

    ASSERT_TRUE(f.sync());

    // Nothing more is tried once the connection is gone.
    EXPECT_EQ(f.alertTexts(), Texts{GetParam().alert});
    EXPECT_TRUE(contains(f.manager->sessionLog(), GetParam().logLine));

    // The next session, with the companion back, puts its side in order.
    f.alerts = ScriptedAlerts();
    ASSERT_TRUE(f.startPeer());
    ASSERT_TRUE(f.sync());
    EXPECT_EQ(leftoversIn(f.phoneRoot()), Texts{});
    EXPECT_EQ(titlesInFile(f.phonePackage("Notes") + "/database.db"), Texts{"note"});
}

INSTANTIATE_TEST_SUITE_P(Table, DroppedConnection,
                         ::testing::Values(DropCase{"AfterTheFolderOfASendIsMade", "MKD",
                                                    "Info: These databases have not been synced:\nNotes (" +
                                                        kDropped + ")",
                                                    "Not synced: Notes (" + kDropped + ")"},
                                           DropCase{"BeforeTheTemplatesAreListed", "RNTO",
                                                    "Error: Error getting templates list\n\n" + kDropped,
                                                    "The templates could not be listed (" + kDropped + ")"}),
                         test::NameOfCase());

} // namespace
