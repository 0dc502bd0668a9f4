// The merge of a database held on both sides: two copies of 50,000 and of
// 100,000 records (12 fields), a quarter of the records changed on each side
// since the last sync. The time covers the worker's whole job: reading both
// copies, merging and writing the merged database. The larger merge is
// measured against the smaller one: the merge must stay linear.
#include "BenchSupport.h"
#include "Benchmarks.h"

#include "fields/StructureCodec.h"
#include "platform/FileManager.h"
#include "platform/Paths.h"
#include "storage/DBManager.h"
#include "storage/SqliteConnection.h"
#include "sync/SyncMerge.h"

#include <algorithm>
#include <cstdio>
#include <random>
#include <stop_token>

namespace dossiva::bench {

namespace {

constexpr std::int64_t kLastSync = 1600000000;

const int kTypes[] = {FieldType::SmallText, FieldType::LargeText, FieldType::Number, FieldType::Date,
                      FieldType::Time,      FieldType::DateTime,  FieldType::Choose, FieldType::Email,
                      FieldType::Checkbox,  FieldType::Password,  FieldType::Link};

std::string text(std::mt19937& random, const char* prefix)
{
    return prefix + std::to_string(random() % 1000000);
}

// The computer's package with `count` records, all created and last changed
// before the last sync.
bool makeComputerCopy(const std::string& package, int count)
{
    if (!FileManager::createDirectories(Paths::imagesFolder(package)) ||
        !FileManager::copyItem(Paths::emptyBaseDatabase(), Paths::databaseFile(package))) {
        return false;
    }
    DBManager& db = DBManager::sharedIstance();
    if (!db.openDB(package) || !db.createGeneralInfoTable() || !db.setSyncDate(kLastSync)) {
        return false;
    }
    for (int type : kTypes) {
        if (db.adddbFieldLabel("Field " + std::to_string(type), type, defaultStructure(type)) < 0) {
            return false;
        }
    }
    std::string sql = "insert into data_table('create_date','edit_date'";
    std::string values = ") values(?,?";
    for (const auto& field : db.dbStructure()) {
        sql += ",'" + std::to_string(field.id) + "'";
        values += ",?";
    }
    db.openDB();
    SqliteConnection connection(Paths::databaseFile(package), SqliteConnection::Mode::ReadWrite);
    SqliteStatement insert = connection.prepare(sql + values + ")");
    if (!connection.exec("begin transaction") || !insert.isValid()) {
        return false;
    }
    std::mt19937 random(7);
    for (int i = 0; i < count; ++i) {
        const std::int64_t created = kLastSync - 1000000 + i;
        insert.bindInt64(1, created);
        insert.bindInt64(2, created + 60);
        insert.bindText(3, "Record " + std::to_string(i));
        insert.bindText(4, text(random, "small "));
        insert.bindText(5,
                        text(random, "a longer text that goes on for a while ") + text(random, " and more "));
        insert.bindText(6, std::to_string(random() % 100000));
        insert.bindText(7, std::to_string(created));
        insert.bindText(8, std::to_string(created + 30));
        insert.bindText(9, std::to_string(created) + "," + std::to_string(created + 90));
        insert.bindInt64(10, static_cast<std::int64_t>(random() % 4));
        insert.bindText(11, text(random, "mail") + "@example.org");
        insert.bindText(12, random() % 2 ? "1" : "0");
        insert.bindText(13, text(random, "pw"));
        insert.bindText(14, text(random, "https://example.org/"));
        if (!insert.run() || !insert.reset()) {
            return false;
        }
    }
    return connection.exec("commit");
}

// Changes every fourth record from `first` after the last sync.
bool changeQuarter(const std::string& databaseFile, int first, const char* side)
{
    SqliteConnection connection(databaseFile, SqliteConnection::Mode::ReadWrite);
    return connection.exec("update data_table set \"2\"='changed on " + std::string(side) +
                           "', edit_date=" + std::to_string(kLastSync + 500) +
                           " where (id - 1) % 4 = " + std::to_string(first));
}

// The seconds one merge of `count` records takes, best of five.
Figures timeMerge(int count)
{
    const std::string package = "Merge " + std::to_string(count) + ".dossiva";
    const std::string staging = SyncMerge::stagingName(package);
    const std::string phoneFile = Paths::backupsFolder() + "/phone-" + std::to_string(count) + ".db";
    if (!makeComputerCopy(package, count) ||
        !FileManager::copyItem(Paths::databaseFile(package), phoneFile) ||
        !changeQuarter(Paths::databaseFile(package), 0, "the computer") ||
        !changeQuarter(phoneFile, 1, "the phone")) {
        std::fprintf(stderr, "cannot build the benchmark databases\n");
        return {};
    }
    bool merged = true;
    std::stop_source never;
    // The session leaves the companion's copy in the staging folder; each run starts from it afresh.
    const Figures seconds = timeRuns(
        kRuns, [&] { merged = SyncMerge::mergingThread(package, std::nullopt, never.get_token()) && merged; },
        [&] {
            FileManager::removeItem(Paths::packagePath(staging));
            FileManager::createDirectories(Paths::imagesFolder(staging));
            FileManager::copyItem(phoneFile, Paths::databaseFile(staging));
        });
    if (!merged) {
        std::fprintf(stderr, "the merge of %d records failed\n", count);
    }
    DBManager& db = DBManager::sharedIstance();
    db.openDB(staging);
    printSeconds(std::to_string(count), seconds,
                 "records each, merged database of " + std::to_string(db.recordNum()) + " records");
    db.openDB();
    return seconds;
}

void benchMerge()
{
    FileManager::createDirectories(Paths::databasesFolder());
    FileManager::createDirectories(Paths::backupsFolder());
    const Figures small = timeMerge(50000);
    const Figures large = timeMerge(100000);
    if (small.median <= 0 || large.median <= 0) {
        return;
    }
    printRatio("50,000 s", small, 2.0);
    printRatio("100k/50k", large.median / small.median, 2.2);
}

const BenchRegistration registration(55, "Sync merge", benchMerge);

} // namespace
} // namespace dossiva::bench
