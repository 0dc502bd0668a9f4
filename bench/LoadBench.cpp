// loadDbData on a database of 100,000 records with 12 fields of mixed types,
// against the sqlite3 shell reading the same table.
#include "BenchSupport.h"
#include "Benchmarks.h"

#include "fields/StructureCodec.h"
#include "platform/FileManager.h"
#include "platform/Paths.h"
#include "storage/DBManager.h"
#include "storage/SqliteConnection.h"

#include <cstdio>
#include <random>

namespace dossiva::bench {

namespace {

constexpr int kRecords = 100000;

// Fields through the store, then the records in one transaction written the
// way the store writes each column.
bool makeMixedDatabase(const std::string& package)
{
    FileManager::createDirectories(Paths::imagesFolder(package));
    if (!createEmptyDatabaseFile(Paths::databaseFile(package))) {
        return false;
    }
    DBManager& db = DBManager::sharedIstance();
    db.openDB(package);
    const int types[] = {FieldType::Main,   FieldType::SmallText, FieldType::LargeText, FieldType::Number,
                         FieldType::Date,   FieldType::Time,      FieldType::DateTime,  FieldType::Image,
                         FieldType::Choose, FieldType::Email,     FieldType::Checkbox,  FieldType::Password};
    for (int type : types) {
        if (db.adddbFieldLabel("Field " + std::to_string(type), type, defaultStructure(type)) < 0) {
            return false;
        }
    }
    SqliteConnection connection(Paths::databaseFile(package), SqliteConnection::Mode::ReadWrite);
    connection.exec("begin transaction");
    std::string sql = "insert into data_table('create_date','edit_date'";
    for (const auto& field : db.dbStructure()) {
        sql += ",'" + std::to_string(field.id) + "'";
    }
    sql += ") values(?,?,?,?,?,?,?,?,?,?,?,?,?,?)";
    SqliteStatement insert = connection.prepare(sql);
    std::mt19937 random(42);
    for (int i = 0; i < kRecords; ++i) {
        const std::int64_t when = 1500000000 + static_cast<std::int64_t>(random() % 200000000);
        insert.bindInt64(1, when);
        insert.bindInt64(2, when + 3600);
        insert.bindText(3, "Record " + std::to_string(i) + " " + words(random, 2));
        insert.bindText(4, words(random, 2));
        insert.bindText(5, words(random, 10 + static_cast<int>(random() % 20)));
        insert.bindText(6, std::to_string(random() % 100000) + "." + std::to_string(random() % 100));
        insert.bindText(7, std::to_string(when));
        insert.bindText(8, std::to_string(when + 60));
        insert.bindText(9, std::to_string(when) + "," + std::to_string(when + 120));
        insert.bindText(10, i % 10 == 0 ? std::to_string(1 + random() % 2000000000) : "0");
        insert.bindInt64(11, static_cast<std::int64_t>(random() % 3));
        insert.bindText(12, words(random, 1) + std::to_string(i) + "@example.org");
        insert.bindText(13, random() % 2 ? "1" : "0");
        insert.bindText(14, "pw-" + std::to_string(random()));
        if (!insert.run() || !insert.reset()) {
            return false;
        }
    }
    return connection.exec("commit");
}

void benchLoadDbData()
{
    const std::string package = "Load Bench.dossiva";
    if (!makeMixedDatabase(package)) {
        std::fprintf(stderr, "cannot build the benchmark database\n");
        return;
    }
    const std::string file = Paths::databaseFile(package);
    DBManager& db = DBManager::sharedIstance();
    db.openDB(package);
    const double ours = bestOf(5, [&] { db.loadDbData(); });

    db.openDB();
    db.openDB(package);
    const std::size_t before = heapInUse();
    db.loadDbData();
    const std::size_t held = heapInUse() - before;
    const std::size_t records = db.dbData().size();
    db.openDB();

    const double shell =
        bestOfCommand(5, "sqlite3 " + shellQuote(file) + " 'select * from data_table' > /dev/null");
    const double size = static_cast<double>(fileSize(file));
    std::printf("loadDbData: %zu records, 12 fields, file %.1f MB\n", records, size / 1e6);
    std::printf("  dossiva    %.3f s\n  sqlite3    %.3f s (select * from data_table > /dev/null)\n", ours,
                shell);
    printRatio("time", ours / shell, 2.0);
    std::printf("  held       %.1f MB of records in memory\n", static_cast<double>(held) / 1e6);
    printRatio("memory", static_cast<double>(held) / size, 3.0);
}

const BenchRegistration registration(10, "Loading records", benchLoadDbData);

} // namespace
} // namespace dossiva::bench
