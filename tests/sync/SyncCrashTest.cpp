// Crash consistency of a sync: dossiva-cli sync is killed (SIGKILL) at points
// spread over every phase of a session (backup, send, take, merge, template
// exchange), then started again. Whatever the point, every database and
// template on both sides is sound and equals its state before the session or
// after it, never something between; no picture a record names is missing;
// and the next sync completes with the state of an uninterrupted one.
//
// The run inside `make test` tries a few dozen points; SYNC_KILLS=N tries N.
#include "cli/CliRunner.h"
#include "support/CompanionPeer.h"
#include "support/DatabaseState.h"
#include "support/FaultInjection.h"
#include "support/Files.h"
#include "support/TestDatabase.h"
#include "sync/CrashDriver.h"
#include "sync/SessionHarness.h"
#include "sync/SyncTestData.h"

#include "library/Startup.h"
#include "platform/FileManager.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "storage/DBManager.h"
#include "storage/PackageRecovery.h"
#include "storage/PackageSwap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <sys/time.h>

using namespace dossiva;
using namespace dossiva::test;

namespace fs = std::filesystem;

namespace {

constexpr int kDefaultKills = 24;
const std::vector<std::string> kDatabases{"Sent", "Taken", "Shared"};
const std::vector<std::string> kTemplates{"Here Only", "There Only", "Newer Here"};

// A template: absent, corrupt, or the digest of its file.
std::string templateState(const std::string& path)
{
    if (!FileManager::exists(path)) {
        return "absent";
    }
    return sqliteShell(path, "pragma integrity_check") == "ok\n" ? fileDigest(path) : "corrupt";
}

void copyTree(const std::string& from, const std::string& to)
{
    for (const auto& entry : fs::directory_iterator(to)) {
        fs::remove_all(entry.path());
    }
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
}

class SyncCrash : public ::testing::Test {
protected:
    TestLibrary library;
    std::string phone = makeTempFolder("crash-phone");
    std::string pristine = makeTempFolder("crash-pristine");
    CompanionPeer peer;
    int port = 0;

    void SetUp() override
    {
        makeScenario();
        fs::create_directories(pristine + "/home");
        fs::create_directories(pristine + "/phone");
        copyTree(library.home(), pristine + "/home");
        copyTree(phone, pristine + "/phone");
        port = peer.start(phone);
        ASSERT_NE(port, 0) << "the companion peer (/usr/bin/python3 with pyftpdlib) does not start";
    }

    void TearDown() override
    {
        peer.stop();
        FileManager::removeItem(phone);
        FileManager::removeItem(pristine);
    }

    // Every phase has work: a database only here (sent), one only on the
    // companion (taken, with a full-size picture), one on both changed on
    // both sides (merged), a template on each side, and a backup first.
    void makeScenario()
    {
        SampleFields fields = makeSamplePackage("Sent");
        addSampleRecord(fields, "sent", 100, 0, solidPicture(11));
        makeSamplePackage("Taken");
        addSampleRecord(fields, "taken", 100, 0, solidPicture(22));
        addSampleRecord(fields, "taken too", 100, 0);
        makeSamplePackage("Shared");
        addSampleRecord(fields, "old one", 100, 0, solidPicture(33));
        addSampleRecord(fields, "old two", 100, 0);
        addSampleRecord(fields, "old three", 100, 0);
        setSampleDates(900, 1000);
        DBManager& db = DBManager::sharedIstance();
        db.openDB();
        FileManager::createDirectories(phone + "/Templates");
        for (const char* name : {"Taken", "Shared"}) {
            FileManager::copyItem(Paths::packagePath(std::string(name) + ".dossiva"),
                                  phone + "/" + name + ".dossiva");
        }
        FileManager::removeItem(Paths::packagePath("Taken.dossiva"));
        for (const auto& picture : FileManager::contentsOfDirectory(phone + "/Taken.dossiva/images")) {
            FileManager::writeFileAtomically(phone + "/Taken.dossiva/images/" + picture + "_hd",
                                             std::string("\xff\xd8\xff full size"));
        }
        // Here: one record added with a picture, one deleted, one changed.
        db.openDB("Shared.dossiva");
        db.loadDbData();
        addSampleRecord(fields, "added here", 3000, 0, solidPicture(44));
        db.deleteRecordWithID(db.dbData()[1].recordId);
        db.openDB();
        sqliteShell(Paths::databaseFile("Shared.dossiva"),
                    "update data_table set \"2\"='changed here', edit_date=2500 where \"1\"='old three'");
        // There, by another writer: one added, one deleted.
        const std::string phoneShared = phone + "/Shared.dossiva/database.db";
        sqliteShell(phoneShared, "insert into data_table(create_date,edit_date,\"1\",\"2\",\"3\",\"4\") "
                                 "values(2000,0,'added there','note there','0',-1)");
        sqliteShell(phoneShared, "delete from data_table where \"1\"='old one'");
        for (const auto& [folder, name] :
             {std::pair{Paths::modelsFolder(), kTemplates[0]}, std::pair{phone + "/Templates", kTemplates[1]},
              std::pair{Paths::modelsFolder(), kTemplates[2]},
              std::pair{phone + "/Templates", kTemplates[2]}}) {
            createEmptyDatabaseFile(folder + "/" + name + ".dossivaTemplate");
        }
        // The companion's copy is older and other: this computer's replaces it.
        const std::string older = phone + "/Templates/" + kTemplates[2] + ".dossivaTemplate";
        sqliteShell(older,
                    "insert into fields_table(id,field_name,field_type,order_index) values(1,'old',1,1)");
        const struct timeval longAgo[2] = {{1500000000, 0}, {1500000000, 0}};
        ::utimes(older.c_str(), longAgo);
        UserDefaults& defaults = UserDefaults::standard();
        defaults.setInteger(kBackupKey, 1);
        defaults.setInteger(kSTemplatesKey, 1);
        defaults.synchronize();
    }

    void reset()
    {
        copyTree(pristine + "/home", library.home());
        copyTree(pristine + "/phone", phone);
    }

    // Each database and template of both sides, by "side name". The
    // companion's side is read as its next session will find it once put in
    // order: a package moved aside counts where it is missing.
    std::map<std::string, std::string> state()
    {
        std::map<std::string, std::string> states;
        for (const auto& name : kDatabases) {
            states["here " + name] = databaseState(Paths::packagePath(name + ".dossiva"));
            const std::string there = phone + "/" + name + ".dossiva";
            states["there " + name] =
                databaseState(FileManager::exists(there) ? there : PackageSwap::asideName(there));
        }
        for (const auto& name : kTemplates) {
            states["here template " + name] =
                templateState(Paths::modelsFolder() + "/" + name + ".dossivaTemplate");
            states["there template " + name] =
                templateState(phone + "/Templates/" + name + ".dossivaTemplate");
        }
        return states;
    }

    std::vector<std::string> syncArgs(bool backup) const
    {
        std::vector<std::string> args{cliPath(), "sync", "127.0.0.1:" + std::to_string(port), "--all"};
        if (!backup) {
            args.push_back("--no-backup");
        }
        return args;
    }
};

bool isMarker(const std::string& line)
{
    return line.rfind("ftp ", 0) == 0 || line.rfind("Sync: ", 0) == 0;
}

// The phase a session's state change enters: "Sync: sending / - -> ...".
std::string phaseOf(const std::string& line)
{
    const auto arrow = line.find(" -> ");
    if (line.rfind("Sync: ", 0) != 0 || arrow == std::string::npos) {
        return {};
    }
    const std::string to = line.substr(arrow + 4);
    for (const char* phase : {"backing up", "sending", "taking", "merging", "exchanging templates"}) {
        if (to.rfind(phase, 0) == 0) {
            return phase;
        }
    }
    return {};
}

TEST_F(SyncCrash, AKilledSessionLeavesEachDatabaseAsBeforeOrAfterAndTheNextOneCompletes)
{
    const char* requested = std::getenv("SYNC_KILLS");
    const int kills = requested ? std::max(1, std::atoi(requested)) : kDefaultKills;
    const auto before = state();
    // The program's trace is in its developer log.
    const std::map<std::string, std::string> traced{{"DOSSIVA_DEBUG", "1"}};
    CrashDriver driver(syncArgs(true), traced, isMarker, phaseOf);
    const CrashDriver::Run reference = driver.runToEnd();
    ASSERT_EQ(reference.status, 0) << "the uninterrupted sync failed:\n" << reference.lines.back();
    const auto after = state();
    ASSERT_NE(before, after);
    const auto phases = driver.phasesOf(reference);
    ASSERT_EQ(phases.size(), 5u) << "a phase of the session is missing from its trace";

    std::map<std::string, int> killedIn;
    int killed = 0;
    CrashDriver restart(syncArgs(false), traced, isMarker, phaseOf);
    for (const auto& point : CrashDriver::spread(phases, kills)) {
        reset();
        const CrashDriver::Run run = driver.runUntil(point);
        killed += run.status ? 0 : 1;
        ++killedIn[point.phase];
        // As the next start of the program does first.
        PackageRecovery::recover();
        const std::string where =
            "after a kill in " + point.phase + " at marker " + std::to_string(point.marker);
        for (const auto& [item, now] : state()) {
            EXPECT_TRUE(now == before.at(item) || now == after.at(item))
                << where << ": " << item << " is\n"
                << now << "\nnot as before:\n"
                << before.at(item) << "\nnor as after:\n"
                << after.at(item);
        }
        EXPECT_EQ(restart.runToEnd().status, 0) << "the sync " << where;
        EXPECT_EQ(state(), after) << where;
        EXPECT_EQ(leftoversIn(Paths::databasesFolder()), std::vector<std::string>{}) << where;
        EXPECT_EQ(leftoversIn(phone), std::vector<std::string>{}) << where;
        EXPECT_EQ(leftoversIn(phone + "/Templates"), std::vector<std::string>{}) << where;
    }
    std::cout << "crash driver: " << kills << " kill points (";
    for (const auto& phase : phases) {
        std::cout << phase.name << " " << killedIn[phase.name] << " over " << phase.markers << " markers; ";
    }
    std::cout << "), " << killed << " killed mid-session\n";
}

// The same session on a disk that fails one of this computer's file changes
// (a full disk once, an I/O error from then on): the sync reports it, or
// completes; every database and template is as before or after.
TEST_F(SyncCrash, ASessionOnAFailingDiskLeavesEachDatabaseAsBeforeOrAfter)
{
    const auto before = state();
    const std::string logFolder = makeTempFolder("sync-calls");
    CrashDriver counted(syncArgs(true), faultEnvironment(std::nullopt, logFolder + "/calls"), isMarker,
                        phaseOf);
    ASSERT_EQ(counted.runToEnd().status, 0);
    const auto calls = loggedCalls(logFolder + "/calls");
    FileManager::removeItem(logFolder);
    const auto after = state();
    std::vector<FaultPoint> points;
    for (const int call : faultCalls(calls, 3)) {
        const bool odd = points.size() % 2 == 1;
        points.push_back({call, odd ? FaultPoint::Kind::IoError : FaultPoint::Kind::NoSpace, odd});
    }
    // And the first picture the merge writes, which a full disk once lost
    // without a word.
    const auto merged = std::find_if(calls.begin(), calls.end(), [](const std::string& call) {
        return call.find(" write ") != std::string::npos &&
               call.find("Shared.dossiva_temp/images/") != std::string::npos;
    });
    ASSERT_NE(merged, calls.end()) << "the merge wrote no picture";
    points.push_back({static_cast<int>(merged - calls.begin()) + 1, FaultPoint::Kind::NoSpace, false});
    for (const FaultPoint& point : points) {
        reset();
        const auto run = CrashDriver(syncArgs(true), faultEnvironment(point), isMarker, phaseOf).runToEnd();
        PackageRecovery::recover();
        const std::string where = point.name() + " (" + calls[static_cast<std::size_t>(point.call - 1)] + ")";
        for (const auto& [item, now] : state()) {
            EXPECT_TRUE(now == after.at(item) || (run.status != 0 && now == before.at(item)))
                << where << ", the sync ending with " << run.status.value_or(-1) << ": " << item << " is\n"
                << now << "\nnot as before:\n"
                << before.at(item) << "\nnor as after:\n"
                << after.at(item);
        }
    }
    std::cout << "sync on a failing disk: " << calls.size() << " calls that change files, " << points.size()
              << " runs with a fault\n";
}

} // namespace
