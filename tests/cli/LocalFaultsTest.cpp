// dossiva-cli's local work on a disk that lets it down: every operation is
// run again and again with the fault shim failing one of its calls that
// change files (a full disk once, an I/O error from then on) or killing it
// there with SIGKILL, at calls spread over all it writes. After each run the
// program starts again, which puts interrupted work in order. A failure is
// reported, never passed off as success; every database is sound and equals
// its state before the operation or after it, never something between; no
// picture a record names is missing and no database is missing. Databases
// are judged one by one: a restore replaces several, one after the other.
//
// The run inside `make test` tries a sample of the calls of each operation;
// DOSSIVA_LONG_CAMPAIGN=1 tries every call with every fault.
#include "cli/CliRunner.h"

#include "support/CaseNames.h"
#include "support/DatabaseState.h"
#include "support/FaultInjection.h"
#include "support/Files.h"
#include "support/Pictures.h"
#include "support/TestDatabase.h"

#include "platform/FileManager.h"
#include "platform/Paths.h"
#include "storage/DBManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <set>

using namespace dossiva;
using namespace dossiva::test;

namespace fs = std::filesystem;

namespace {

using test::PrintTo;
using State = std::map<std::string, std::string>;

// The calls tried per operation in the short run, each with one fault in turn.
constexpr int kSampledCalls = 5;
constexpr const char* kOldBackup = "1700000000";

struct Operation {
    const char* name;
    // "{home}" stands for the test's home folder, "{lamp}" for a record's id.
    std::vector<std::string> args;
};

const Operation kOperations[] = {
    {"save a record with a picture",
     {"add-record", "Shop", "Name=Vase", "Photo={home}/new.tiff", "Note=blue"}},
    {"change a record's picture", {"set", "Shop", "{lamp}", "Photo={home}/new.tiff", "Note=moved"}},
    {"add a field", {"add-field", "Shop", "Price", "number"}},
    {"delete a field with pictures", {"delete-field", "Shop", "Photo", "--yes"}},
    {"import a CSV file", {"import-csv", "{home}/in.csv", "--labels", "--name", "Imported"}},
    {"delete every record", {"delete-all", "Shop", "--yes"}},
    {"duplicate a record", {"duplicate-record", "Shop", "{lamp}"}},
    {"duplicate a database", {"duplicate", "Shop"}},
    {"export a CSV file", {"export-csv", "Shop", "{home}/out.csv"}},
    {"export a package", {"export-package", "Shop", "{home}/Exported.dossiva"}},
    {"back up", {"backup"}},
    {"restore a backup", {"restore", kOldBackup, "--mac", "--yes"}},
};

class LocalFaults : public ::testing::TestWithParam<Operation> {
protected:
    TestLibrary library;
    std::string home = library.home();
    std::string pristine = makeTempFolder("faults-pristine");
    FieldId photo = 0;
    FieldId note = 0;
    std::string lamp;

    ~LocalFaults() override { FileManager::removeItem(pristine); }

    // Two databases with pictures, a backup of them, and work done since
    // that a restore undoes; made here rather than by the program, which
    // would take longer than the faults.
    void SetUp() override
    {
        DBManager& db = DBManager::sharedIstance();
        library.makePackage("Notes");
        addRecord("call Ann");
        library.makePackage("Shop");
        photo = db.adddbFieldLabel("Photo", FieldType::Image, PropertyList::array());
        note = db.adddbFieldLabel("Note", FieldType::SmallText, PropertyList::array());
        lamp = addRecord("Lamp", noisePicture(24, 16, 1));
        addRecord("Desk", nullptr, "oak");
        addRecord("Chair", noisePicture(24, 16, 2), "red");
        const std::string backup = Paths::macBackupsFolder() + "/" + kOldBackup;
        ASSERT_TRUE(FileManager::createDirectories(backup));
        for (const char* name : {"Notes.dossiva", "Shop.dossiva"}) {
            ASSERT_TRUE(FileManager::copyItem(Paths::packagePath(name), backup + "/" + name));
        }
        addRecord("Later", noisePicture(24, 16, 3));
        library.makePackage("Extra");
        db.openDB();
        ASSERT_TRUE(noisePicture(24, 16, 4)->writeTiffJpeg(home + "/new.tiff"));
        writeFile(home + "/in.csv", "Title,Count\nfirst,1\nsecond,2\nthird,3\n");
        fs::copy(home, pristine, fs::copy_options::recursive);
    }

    // Adds a record to the open database; its id.
    std::string addRecord(const std::string& name, ImagePtr picture = nullptr, const std::string& text = {})
    {
        DBManager& db = DBManager::sharedIstance();
        auto entries = emptyRecordEntries();
        entryFor(entries, 1).value = FieldValue::text(name);
        if (picture || !text.empty()) {
            entryFor(entries, photo).image = std::move(picture);
            entryFor(entries, note).value = FieldValue::text(text);
        }
        EXPECT_TRUE(db.addRecordToDb(entries));
        return std::to_string(db.dbData().back().recordId);
    }

    void reset()
    {
        for (const auto& entry : fs::directory_iterator(home)) {
            fs::remove_all(entry.path());
        }
        fs::copy(pristine, home, fs::copy_options::recursive);
    }

    std::vector<std::string> args() const
    {
        return withMarks(GetParam().args, {{"{home}", home}, {"{lamp}", lamp}});
    }

    // Every database of the library and every backup (by its order, as
    // stamps differ from run to run), with what the exports wrote.
    State state() const
    {
        State states;
        const std::string databases = Paths::databasesFolder();
        for (const auto& name : folderEntries(databases)) {
            if (name.front() != '.' && FileManager::pathExtension(name) == "dossiva") {
                states["database " + name] = databaseState(databases + "/" + name, RecordDates::Ignored);
            }
        }
        int backup = 0;
        for (const auto& stamp : folderEntries(Paths::macBackupsFolder())) {
            if (stamp.find("_temp") != std::string::npos) {
                continue;
            }
            std::string& packages = states["backup " + std::to_string(++backup)];
            for (const auto& name : folderEntries(Paths::macBackupsFolder() + "/" + stamp)) {
                packages += name + ": " +
                            databaseState(Paths::macBackupsFolder() + "/" + stamp + "/" + name,
                                          RecordDates::Ignored) +
                            "\n";
            }
        }
        states["exported CSV"] = fileDigest(home + "/out.csv");
        states["exported package"] = databaseState(home + "/Exported.dossiva", RecordDates::Ignored);
        return states;
    }
};

// Each database, backup or export that is neither as in `first` nor as in
// `second`, with what it is; "" when there is none.
std::string between(const State& now, const State& first, const State& second)
{
    const auto of = [](const State& state, const std::string& item) {
        const auto found = state.find(item);
        return found == state.end() ? std::string("absent") : found->second;
    };
    std::set<std::string> items;
    for (const State* state : {&now, &first, &second}) {
        for (const auto& entry : *state) {
            items.insert(entry.first);
        }
    }
    std::string text;
    for (const auto& item : items) {
        if (of(now, item) != of(first, item) && of(now, item) != of(second, item)) {
            text += item + " is\n" + of(now, item) + "\nnot\n" + of(first, item) + "\nnor\n" +
                    of(second, item) + "\n";
        }
    }
    return text;
}

// Whether standard error holds more than progress ("Importing Shop...").
bool saysWhatFailed(const std::string& err)
{
    const auto lines = textLines(err);
    return std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
        return !line.empty() && !(line.size() >= 3 && line.compare(line.size() - 3, 3, "...") == 0);
    });
}

TEST_P(LocalFaults, AFailedOrKilledOperationLeavesEveryDatabaseAsBeforeOrAfter)
{
    const State before = state();
    const std::string logFolder = makeTempFolder("faults-log");
    const std::string log = logFolder + "/calls";
    const CliResult reference = runCli(args(), {}, faultEnvironment(std::nullopt, log));
    ASSERT_EQ(reference.status, 0) << reference.err;
    const auto calls = loggedCalls(log);
    FileManager::removeItem(logFolder);
    const State after = state();
    ASSERT_NE(before, after);
    ASSERT_FALSE(calls.empty());

    const bool everyFault = longCampaign();
    const auto positions = faultCalls(calls, kSampledCalls);
    int tried = 0;
    for (std::size_t i = 0; i < positions.size(); ++i) {
        const int call = positions[i];
        const FaultPoint points[] = {{call, FaultPoint::Kind::NoSpace, false},
                                     {call, FaultPoint::Kind::IoError, true},
                                     {call, FaultPoint::Kind::Kill, false}};
        for (std::size_t k = 0; k < 3; ++k) {
            // The short run gives each call one of the faults, in turn.
            if (!everyFault && k != i % 3) {
                continue;
            }
            const FaultPoint& point = points[k];
            reset();
            const std::string where = point.name() + " (" + calls[static_cast<std::size_t>(call - 1)] + ")";
            const CliResult run = runCli(args(), {}, faultEnvironment(point));
            ++tried;
            // As the next start of the program does first.
            const CliResult restart = runCli({"list"});
            EXPECT_EQ(restart.status, 0) << where << ": the next start failed: " << restart.err;
            const State now = state();
            if (run.status == 0) {
                EXPECT_EQ(between(now, after, after), "") << where << ": reported success, yet";
                continue;
            }
            if (point.kind != FaultPoint::Kind::Kill) {
                EXPECT_TRUE(saysWhatFailed(run.err)) << where << ": no message: " << run.err;
            }
            EXPECT_EQ(between(now, before, after), "") << where << ": " << run.err;
        }
    }
    std::cout << GetParam().name << ": " << calls.size() << " calls that change files, " << tried
              << " runs with a fault\n";
}

INSTANTIATE_TEST_SUITE_P(Operations, LocalFaults, testing::ValuesIn(kOperations), test::NameOfCase());

} // namespace
