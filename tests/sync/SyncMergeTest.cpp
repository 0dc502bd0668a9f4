// The merge of a database held on both sides: the record rules by dates as a
// table, the structure comparison, and whole merges of real packages with
// pictures from both sides.
#include "support/TestDatabase.h"
#include "sync/SyncTestData.h"

#include "fields/StructureCodec.h"
#include "platform/Clock.h"
#include "platform/FileManager.h"
#include "platform/Paths.h"
#include "storage/DBManager.h"
#include "sync/SyncMerge.h"

#include <gtest/gtest.h>

#include <stop_token>

using namespace dossiva;
using namespace dossiva::test;

namespace {

constexpr std::int64_t kNow = 100000;

// A record of one text field (id 1) and, where given, a second one (id 2).
Record record(RecordId id, const std::string& text, std::int64_t created, std::int64_t modified,
              const std::string& second = "x")
{
    Record r;
    r.recordId = id;
    r.created = std::to_string(created);
    r.modified = std::to_string(modified);
    r.values = {{1, FieldValue::text(text)}, {2, FieldValue::text(second)}};
    return r;
}

// The same record with its fields in the other order, as a copy whose form
// lists them differently loads it.
Record reordered(Record r)
{
    std::swap(r.values[0], r.values[1]);
    return r;
}

struct MergeCase {
    const char* name;
    std::vector<Record> mac;
    std::vector<Record> phone;
    std::int64_t macSync;
    std::int64_t phoneSync;
    std::vector<std::string> expected; // "M:text" or "P:text", in order
};

std::vector<std::string> describe(const std::vector<MergedRecord>& merged)
{
    std::vector<std::string> out;
    for (const auto& m : merged) {
        out.push_back(std::string(m.origin == RecordOrigin::Mac ? "M:" : "P:") +
                      std::string(m.record->value(1)->text()));
    }
    return out;
}

class MergeRules : public ::testing::TestWithParam<MergeCase> {};

TEST_P(MergeRules, KeepsTheRecordsTheDatesCallFor)
{
    const MergeCase& c = GetParam();
    std::stop_source never;
    const auto merged =
        SyncMerge::mergeRecords(c.mac, c.phone, c.macSync, c.phoneSync, kNow, never.get_token());
    ASSERT_TRUE(merged.has_value());
    EXPECT_EQ(describe(*merged), c.expected);
}

// Both copies last synced at 1000 unless the case says otherwise.
INSTANTIATE_TEST_SUITE_P(
    Table, MergeRules,
    ::testing::Values(
        MergeCase{
            "UnchangedKeptOnce", {record(1, "a", 100, 0)}, {record(1, "a", 100, 0)}, 1000, 1000, {"M:a"}},
        MergeCase{
            "ChangedOnMac", {record(1, "mac", 100, 1500)}, {record(1, "old", 100, 0)}, 1000, 1000, {"M:mac"}},
        MergeCase{"ChangedOnPhone",
                  {record(1, "old", 100, 500)},
                  {record(1, "phone", 100, 1500)},
                  1000,
                  1000,
                  {"P:phone"}},
        MergeCase{"BothChangedPhoneLater",
                  {record(1, "mac", 100, 1500)},
                  {record(1, "phone", 100, 1600)},
                  1000,
                  1000,
                  {"P:phone"}},
        MergeCase{"BothChangedMacLater",
                  {record(1, "mac", 100, 1700)},
                  {record(1, "phone", 100, 1600)},
                  1000,
                  1000,
                  {"M:mac"}},
        MergeCase{"TieKeepsMac",
                  {record(1, "mac", 100, 1500)},
                  {record(1, "phone", 100, 1500)},
                  1000,
                  1000,
                  {"M:mac"}},
        MergeCase{"DeletedOnPhoneGoes",
                  {record(1, "a", 100, 500), record(2, "b", 100, 0)},
                  {record(1, "a", 100, 500)},
                  1000,
                  1000,
                  {"M:a"}},
        MergeCase{"DeletedOnPhoneButChangedOnMacStays", {record(1, "a", 100, 1500)}, {}, 1000, 1000, {"M:a"}},
        MergeCase{"DeletedOnMacStaysDeleted", {}, {record(1, "a", 100, 0)}, 1000, 1000, {}},
        MergeCase{"DeletedOnMacChangedOnPhoneStaysDeleted", {}, {record(1, "a", 100, 1500)}, 1000, 1000, {}},
        MergeCase{"AddedOnBothSidesAllKept",
                  {record(1, "a", 100, 0), record(2, "mac new", 1200, 0)},
                  {record(1, "a", 100, 0), record(2, "phone new", 1300, 0)},
                  1000,
                  1000,
                  {"M:a", "M:mac new", "P:phone new"}},
        MergeCase{"AddedAlikeOnBothSidesOnce",
                  {record(7, "same", 1200, 1250)},
                  {record(9, "same", 1200, 1250)},
                  1000,
                  1000,
                  {"M:same"}},
        MergeCase{"AddedAlikeInAnotherFieldOrderOnce",
                  {record(7, "same", 1200, 0)},
                  {reordered(record(9, "same", 1200, 0))},
                  1000,
                  1000,
                  {"M:same"}},
        MergeCase{"TwoAlikeAddedOnPhoneBothKept",
                  {},
                  {record(5, "dup", 1200, 0), record(6, "dup", 1200, 0)},
                  1000,
                  1000,
                  {"P:dup", "P:dup"}},
        MergeCase{"OldInAnotherFieldOrderKept",
                  {record(1, "a", 100, 0)},
                  {reordered(record(1, "a", 100, 0))},
                  1000,
                  1000,
                  {"M:a"}},
        MergeCase{"OldWithASecondFieldChangedOnPhone",
                  {record(1, "a", 100, 500, "x")},
                  {reordered(record(1, "a", 100, 1500, "y"))},
                  1000,
                  1000,
                  {"P:a"}},
        MergeCase{"ZeroModificationIsUnchanged", {record(1, "a", 100, 0)}, {}, 1000, 1000, {}},
        MergeCase{"OldAndDifferentButUnchangedSinceSyncGoes",
                  {record(1, "mac", 100, 900)},
                  {record(1, "phone", 100, 800)},
                  1000,
                  1000,
                  {}},
        MergeCase{"ReferenceIsTheEarlierSync", {record(1, "a", 1500, 0)}, {}, 1000, 2000, {"M:a"}},
        MergeCase{"ReferenceIsTheEarlierSyncOnThePhone", {}, {record(1, "a", 1500, 0)}, 2000, 1000, {"P:a"}},
        MergeCase{"NeverSyncedHereCountsAsNow", {record(1, "a", 1500, 0)}, {}, -1, 2000, {}},
        MergeCase{"NeitherSyncedKeepsAllAlikeOnce",
                  {record(1, "a", 100, 0), record(2, "b", 200, 0)},
                  {record(1, "a", 100, 0), record(2, "c", 300, 0), record(3, "c", 300, 0)},
                  -1,
                  -1,
                  {"M:a", "M:b", "P:c", "P:c"}}),
    [](const ::testing::TestParamInfo<MergeCase>& param) { return std::string(param.param.name); });

TEST(MergeRulesStop, AStoppedMergeGivesNothing)
{
    std::stop_source stop;
    stop.request_stop();
    EXPECT_FALSE(SyncMerge::mergeRecords({record(1, "a", 100, 0)}, {}, 1000, 1000, kNow, stop.get_token()));
    EXPECT_FALSE(SyncMerge::mergeRecords({record(1, "a", 100, 0)}, {}, -1, -1, kNow, stop.get_token()));
}

// -- Structures --------------------------------------------------------------

FieldDefinition field(FieldId id, const std::string& name, int type, int order, int column = 0)
{
    return {id, name, type, defaultStructure(type), order, column};
}

struct StructureCase {
    const char* name;
    std::vector<FieldDefinition> phone;
    bool differs;
};

const std::vector<FieldDefinition> kMacStructure{field(1, "Title", 0, 1), field(4, "Note", 1, 2),
                                                 field(6, "When", 4, 3)};

class StructureComparison : public ::testing::TestWithParam<StructureCase> {};

TEST_P(StructureComparison, TellsConflictsFromMergeableCopies)
{
    EXPECT_EQ(SyncMerge::checkStrctureDifferencesLocal(kMacStructure, GetParam().phone), GetParam().differs);
}

INSTANTIATE_TEST_SUITE_P(
    Table, StructureComparison,
    ::testing::Values(
        StructureCase{"Same", kMacStructure, false},
        StructureCase{
            "OtherOrder", {field(6, "When", 4, 1), field(1, "Title", 0, 2), field(4, "Note", 1, 3)}, false},
        StructureCase{"OtherColumnWidth",
                      {field(1, "Title", 0, 1, 120), field(4, "Note", 1, 2), field(6, "When", 4, 3)},
                      false},
        StructureCase{
            "Renamed", {field(1, "Title", 0, 1), field(4, "Notes", 1, 2), field(6, "When", 4, 3)}, true},
        StructureCase{
            "OtherType", {field(1, "Title", 0, 1), field(4, "Note", 2, 2), field(6, "When", 4, 3)}, true},
        StructureCase{
            "OtherId", {field(1, "Title", 0, 1), field(5, "Note", 1, 2), field(6, "When", 4, 3)}, true},
        StructureCase{"FieldMore",
                      {field(1, "Title", 0, 1), field(4, "Note", 1, 2), field(6, "When", 4, 3),
                       field(7, "Extra", 1, 4)},
                      true},
        StructureCase{"FieldLess", {field(1, "Title", 0, 1), field(4, "Note", 1, 2)}, true},
        StructureCase{"OtherOptions",
                      {field(1, "Title", 0, 1),
                       field(4, "Note", 1, 2),
                       {6, "When", 4, PropertyList(PropertyList::Array{PropertyList(false)}), 3, 0}},
                      true}),
    [](const ::testing::TestParamInfo<StructureCase>& param) { return std::string(param.param.name); });

// -- Whole merges ------------------------------------------------------------

// The computer's package "Trips" and the companion's copy in Trips.dossiva_temp,
// laid out as the session leaves them before a merge.
class PackageMerge : public ::testing::Test {
protected:
    TestLibrary library;
    ScopedClockOverride clock{static_cast<double>(kNow)};
    const std::string package = "Trips.dossiva";
    const std::string staging = "Trips.dossiva_temp";
    SampleFields fields;

    void SetUp() override
    {
        fields = makeSamplePackage("Trips");
        addSampleRecord(fields, "kept", 100, 0, solidPicture(200));
        addSampleRecord(fields, "gone on phone", 100, 0);
        setSampleDates(900, 1000);
        DBManager::sharedIstance().openDB();
        // The companion's copy: the same package, then its own changes.
        ASSERT_TRUE(FileManager::copyItem(Paths::packagePath(package), Paths::packagePath(staging)));
        DBManager& db = DBManager::sharedIstance();
        ASSERT_TRUE(db.openDB(staging) && db.loadDbData());
        const RecordId goneId = db.dbData()[1].recordId;
        ASSERT_TRUE(db.deleteRecordWithID(goneId));
        addSampleRecord(fields, "added on phone", 1500, 0, solidPicture(40));
        db.openDB();
        // The session downloads the companion's pictures into images_temp.
        ASSERT_TRUE(
            FileManager::moveItem(Paths::imagesFolder(staging), SyncMerge::phonePicturesFolder(package)));
        ASSERT_TRUE(FileManager::createDirectory(Paths::imagesFolder(staging)));
        ASSERT_TRUE(db.openDB(package));
        addSampleRecord(fields, "added on mac", 1600, 0, solidPicture(120));
        db.openDB();
    }
};

TEST_F(PackageMerge, BuildsTheMergedPackageWithEveryPicture)
{
    const auto before = recordTitles(package);
    std::stop_source never;
    ASSERT_TRUE(SyncMerge::mergingThread(package, never.get_token()));

    EXPECT_EQ(recordTitles(staging),
              (std::vector<std::string>{"kept+photo", "added on mac+photo", "added on phone+photo"}));
    // The computer's structure, its main field's label included.
    EXPECT_EQ(fieldLabels(staging), (std::vector<std::string>{"Title", "Note", "Photo", "Kind"}));
    EXPECT_FALSE(FileManager::exists(SyncMerge::phonePicturesFolder(package)));
    EXPECT_EQ(recordTitles(package), before);

    DBManager& db = DBManager::sharedIstance();
    ASSERT_TRUE(db.openDB(staging));
    const auto dates = db.getDates();
    ASSERT_TRUE(dates.has_value());
    EXPECT_EQ((*dates)[1], kNow);
    EXPECT_EQ((*dates)[2], kNow);
    db.openDB();
    // Every picture file of the merged package belongs to a record.
    EXPECT_EQ(FileManager::contentsOfDirectory(Paths::imagesFolder(staging)).size(), 3u);
    // The choice column keeps "no choice" and the notes come along.
    EXPECT_EQ(sqliteShell(Paths::databaseFile(staging), "select \"2\" from data_table order by id"),
              "note of kept\nnote of added on mac\nnote of added on phone\n");
}

TEST_F(PackageMerge, AStoppedMergeFailsAndLeavesTheComputersCopy)
{
    const auto before = recordTitles(package);
    std::stop_source stop;
    stop.request_stop();
    EXPECT_FALSE(SyncMerge::mergingThread(package, stop.get_token()));
    EXPECT_EQ(recordTitles(package), before);
}

TEST_F(PackageMerge, AnUnreadableCompanionCopyFails)
{
    ASSERT_TRUE(FileManager::writeFileAtomically(Paths::databaseFile(staging), std::string(4096, 'g')));
    std::stop_source never;
    EXPECT_FALSE(SyncMerge::mergingThread(package, never.get_token()));
    EXPECT_EQ(recordTitles(package).size(), 3u);
}

TEST_F(PackageMerge, APictureFileThatIsNotAPictureLeavesTheRecordWithout)
{
    for (const auto& name : FileManager::contentsOfDirectory(SyncMerge::phonePicturesFolder(package))) {
        ASSERT_TRUE(FileManager::writeFileAtomically(SyncMerge::phonePicturesFolder(package) + "/" + name,
                                                     std::string("not a picture")));
    }
    std::stop_source never;
    ASSERT_TRUE(SyncMerge::mergingThread(package, never.get_token()));
    // "kept" takes the computer's picture; the companion's new one is unreadable.
    EXPECT_EQ(recordTitles(staging),
              (std::vector<std::string>{"kept+photo", "added on mac+photo", "added on phone"}));
}

} // namespace
