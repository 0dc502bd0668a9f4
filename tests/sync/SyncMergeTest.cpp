// The merge of a database held on both sides: the record rules by dates as a
// table, the structure comparison, and whole merges of real packages with
// pictures from both sides.
#include "support/CaseNames.h"
#include "support/TestDatabase.h"
#include "sync/SyncTestData.h"

#include "platform/Clock.h"
#include "platform/FileManager.h"
#include "platform/Paths.h"
#include "storage/DBManager.h"
#include "sync/SyncMerge.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
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
    std::vector<std::string> expected; // "M:text" or "P:text", in order
    std::int64_t macSync = 1000;
    std::int64_t phoneSync = 1000;
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
// clang-format off
INSTANTIATE_TEST_SUITE_P(Table, MergeRules, ::testing::Values(
    MergeCase{"UnchangedKeptOnce", {record(1, "a", 100, 0)}, {record(1, "a", 100, 0)}, {"M:a"}},
    MergeCase{"ChangedOnMac", {record(1, "mac", 100, 1500)}, {record(1, "old", 100, 0)}, {"M:mac"}},
    MergeCase{"ChangedOnPhone", {record(1, "old", 100, 500)}, {record(1, "phone", 100, 1500)}, {"P:phone"}},
    MergeCase{"BothChangedPhoneLater", {record(1, "mac", 100, 1500)}, {record(1, "phone", 100, 1600)}, {"P:phone"}},
    MergeCase{"BothChangedMacLater", {record(1, "mac", 100, 1700)}, {record(1, "phone", 100, 1600)}, {"M:mac"}},
    MergeCase{"TieKeepsMac", {record(1, "mac", 100, 1500)}, {record(1, "phone", 100, 1500)}, {"M:mac"}},
    MergeCase{"DeletedOnPhoneGoes", {record(1, "a", 100, 500), record(2, "b", 100, 0)},
              {record(1, "a", 100, 500)}, {"M:a"}},
    MergeCase{"DeletedOnPhoneButChangedOnMacStays", {record(1, "a", 100, 1500)}, {}, {"M:a"}},
    MergeCase{"DeletedOnMacStaysDeleted", {}, {record(1, "a", 100, 0)}, {}},
    MergeCase{"DeletedOnMacChangedOnPhoneStaysDeleted", {}, {record(1, "a", 100, 1500)}, {}},
    MergeCase{"AddedOnBothSidesAllKept", {record(1, "a", 100, 0), record(2, "mac new", 1200, 0)},
              {record(1, "a", 100, 0), record(2, "phone new", 1300, 0)}, {"M:a", "M:mac new", "P:phone new"}},
    MergeCase{"AddedAlikeOnBothSidesOnce", {record(7, "same", 1200, 1250)},
              {record(9, "same", 1200, 1250)}, {"M:same"}},
    MergeCase{"AddedAlikeInAnotherFieldOrderOnce", {record(7, "same", 1200, 0)},
              {reordered(record(9, "same", 1200, 0))}, {"M:same"}},
    MergeCase{"TwoAlikeAddedOnPhoneBothKept", {},
              {record(5, "dup", 1200, 0), record(6, "dup", 1200, 0)}, {"P:dup", "P:dup"}},
    MergeCase{"OldInAnotherFieldOrderKept", {record(1, "a", 100, 0)}, {reordered(record(1, "a", 100, 0))}, {"M:a"}},
    MergeCase{"OldWithASecondFieldChangedOnPhone", {record(1, "a", 100, 500, "x")},
              {reordered(record(1, "a", 100, 1500, "y"))}, {"P:a"}},
    MergeCase{"ZeroModificationIsUnchanged", {record(1, "a", 100, 0)}, {}, {}},
    // Held on both sides, so deleted on neither: the later change stays.
    MergeCase{"OldAndDifferentUnchangedSinceSyncKeepsTheMacsLaterChange", {record(1, "mac", 100, 900)},
              {record(1, "phone", 100, 800)}, {"M:mac"}},
    MergeCase{"OldAndDifferentUnchangedSinceSyncKeepsThePhonesLaterChange", {record(1, "mac", 100, 800)},
              {record(1, "phone", 100, 900)}, {"P:phone"}},
    MergeCase{"OldAndDifferentUnchangedSinceSyncTieKeepsMac", {record(1, "mac", 100, 0)},
              {record(1, "phone", 100, 0)}, {"M:mac"}},
    MergeCase{"ReferenceIsTheEarlierSync", {record(1, "a", 1500, 0)}, {}, {"M:a"}, 1000, 2000},
    MergeCase{"ReferenceIsTheEarlierSyncOnThePhone", {}, {record(1, "a", 1500, 0)}, {"P:a"}, 2000, 1000},
    MergeCase{"NeverSyncedHereCountsAsNow", {record(1, "a", 1500, 0)}, {}, {}, -1, 2000},
    MergeCase{"NeitherSyncedKeepsAllAlikeOnce", {record(1, "a", 100, 0), record(2, "b", 200, 0)},
              {record(1, "a", 100, 0), record(2, "c", 300, 0), record(3, "c", 300, 0)},
              {"M:a", "M:b", "P:c", "P:c"}, -1, -1}),
    test::NameOfCase());
// clang-format on
// clang-format on

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

    // Each record's id by its title, as the sqlite3 shell reads the file.
    std::map<std::string, long long> idsByTitle(const std::string& name)
    {
        std::map<std::string, long long> ids;
        std::istringstream rows(sqliteShell(Paths::databaseFile(name), "select \"1\",id from data_table"));
        for (std::string row; std::getline(rows, row);) {
            const auto bar = row.rfind('|');
            ids[row.substr(0, bar)] = std::stoll(row.substr(bar + 1));
        }
        return ids;
    }

    std::string pictureNumber(const std::string& name, const std::string& title)
    {
        std::string number =
            sqliteShell(Paths::databaseFile(name), "select \"" + std::to_string(fields.photo) +
                                                       "\" from data_table where \"1\"='" + title + "'");
        return number.substr(0, number.find('\n'));
    }

    // The bytes of the picture files each record names, by its title, and
    // of the full-size file beside as "TITLE_hd".
    std::map<std::string, std::string> pictureFiles(const std::string& name, const std::string& folder)
    {
        std::map<std::string, std::string> files;
        for (const auto& title : {"kept", "gone on phone", "added on mac", "added on phone"}) {
            const std::string number = pictureNumber(name, title);
            for (const std::string suffix : {"", "_hd"}) {
                if (const auto bytes = FileManager::readFile(folder + "/" + number + suffix);
                    !number.empty() && bytes) {
                    files[title + suffix] = std::string(bytes->begin(), bytes->end());
                }
            }
        }
        return files;
    }
};

TEST_F(PackageMerge, BuildsTheMergedPackageWithEveryPicture)
{
    const auto before = recordTitles(package);
    const auto macIds = idsByTitle(package);
    // The computer's copy was made long ago and has a look of its own.
    sqliteShell(Paths::databaseFile(package), "update general_info set creation=12345");
    DBManager& db = DBManager::sharedIstance();
    ASSERT_TRUE(db.openDB(package) && db.setLabelColor({0.5, 0.25, 0.125, 1}) && db.setTextShadow(true));
    db.openDB();
    const std::string look = "select label_color,text_shadow,quote(bkg_img) from layout_info";
    const std::string macLook = sqliteShell(Paths::databaseFile(package), look);
    std::stop_source never;
    ASSERT_TRUE(SyncMerge::mergingThread(package, std::nullopt, never.get_token()));

    EXPECT_EQ(recordTitles(staging),
              (std::vector<std::string>{"kept+photo", "added on mac+photo", "added on phone+photo"}));
    // The computer's structure, its main field's label included.
    EXPECT_EQ(fieldLabels(staging), (std::vector<std::string>{"Title", "Note", "Photo", "Kind"}));
    EXPECT_FALSE(FileManager::exists(SyncMerge::phonePicturesFolder(package)));
    EXPECT_EQ(recordTitles(package), before);
    // Records both copies hold keep their ids, the companion's new one takes
    // one above them.
    const auto mergedIds = idsByTitle(staging);
    EXPECT_EQ(mergedIds.at("kept"), macIds.at("kept"));
    EXPECT_EQ(mergedIds.at("added on mac"), macIds.at("added on mac"));
    EXPECT_GT(mergedIds.at("added on phone"), macIds.at("added on mac"));

    ASSERT_TRUE(db.openDB(staging));
    const auto dates = db.getDates();
    ASSERT_TRUE(dates.has_value());
    EXPECT_EQ((*dates)[0], 12345);
    EXPECT_EQ((*dates)[1], kNow);
    EXPECT_EQ((*dates)[2], kNow);
    db.openDB();
    EXPECT_EQ(sqliteShell(Paths::databaseFile(staging), look), macLook);
    // Every picture file of the merged package belongs to a record.
    EXPECT_EQ(FileManager::contentsOfDirectory(Paths::imagesFolder(staging)).size(), 3u);
    // The choice column keeps "no choice" and the notes come along.
    EXPECT_EQ(sqliteShell(Paths::databaseFile(staging), "select \"2\" from data_table order by id"),
              "note of kept\nnote of added on mac\nnote of added on phone\n");
}

struct PictureCase {
    const char* name;
    bool sameNumber; // the companion's new picture has the number of the computer's
};

class PictureCarrying : public PackageMerge, public ::testing::WithParamInterface<PictureCase> {};

TEST_P(PictureCarrying, EachRecordKeepsItsOwnPictureFilesByteForByte)
{
    const std::string phonePictures = SyncMerge::phonePicturesFolder(package);
    if (GetParam().sameNumber) {
        const std::string macNumber = pictureNumber(package, "added on mac");
        const std::string phoneNumber = pictureNumber(staging, "added on phone");
        sqliteShell(Paths::databaseFile(staging), "update data_table set \"" + std::to_string(fields.photo) +
                                                      "\"=" + macNumber + " where \"1\"='added on phone'");
        ASSERT_TRUE(
            FileManager::moveItem(phonePictures + "/" + phoneNumber, phonePictures + "/" + macNumber));
    }
    // The companion keeps a full-size file beside its pictures, in a format
    // of its own.
    const std::string phoneNumber = pictureNumber(staging, "added on phone");
    ASSERT_TRUE(FileManager::writeFileAtomically(phonePictures + "/" + phoneNumber + "_hd",
                                                 std::string("\0\0\0\x18"
                                                             "ftypheic full size of added on phone",
                                                             40)));
    const std::string macNumber = pictureNumber(package, "kept");
    ASSERT_TRUE(FileManager::writeFileAtomically(Paths::imagesFolder(package) + "/" + macNumber + "_hd",
                                                 std::string("\xff\xd8\xff full size of kept")));
    const auto expected = [&] {
        auto files = pictureFiles(package, Paths::imagesFolder(package));
        const auto phone = pictureFiles(staging, phonePictures);
        files.insert(phone.begin(), phone.end());
        files.erase("gone on phone");
        return files;
    }();
    std::stop_source never;
    ASSERT_TRUE(SyncMerge::mergingThread(package, std::nullopt, never.get_token()));

    EXPECT_EQ(pictureFiles(staging, Paths::imagesFolder(staging)), expected);
    EXPECT_EQ(expected.count("added on phone_hd"), 1u);
    EXPECT_EQ(FileManager::contentsOfDirectory(Paths::imagesFolder(staging)).size(), 5u);
}

INSTANTIATE_TEST_SUITE_P(Numbers, PictureCarrying,
                         ::testing::Values(PictureCase{"OwnNumbers", false},
                                           PictureCase{"SameNumberOnBothSides", true}),
                         test::NameOfCase());

TEST_F(PackageMerge, AnUnreadableCompanionCopyFails)
{
    ASSERT_TRUE(FileManager::writeFileAtomically(Paths::databaseFile(staging), std::string(4096, 'g')));
    std::stop_source never;
    EXPECT_FALSE(SyncMerge::mergingThread(package, std::nullopt, never.get_token()));
    EXPECT_EQ(recordTitles(package).size(), 3u);
}

TEST_F(PackageMerge, APictureFileThatIsNotAPictureLeavesTheRecordWithout)
{
    for (const auto& name : FileManager::contentsOfDirectory(SyncMerge::phonePicturesFolder(package))) {
        ASSERT_TRUE(FileManager::writeFileAtomically(SyncMerge::phonePicturesFolder(package) + "/" + name,
                                                     std::string("not a picture")));
    }
    std::stop_source never;
    ASSERT_TRUE(SyncMerge::mergingThread(package, std::nullopt, never.get_token()));
    // "kept" takes the computer's picture; the companion's new one is unreadable.
    EXPECT_EQ(recordTitles(staging),
              (std::vector<std::string>{"kept+photo", "added on mac+photo", "added on phone"}));
}

} // namespace
