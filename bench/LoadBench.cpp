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

void benchLoadDbData()
{
    const std::string package = "Load Bench.dossiva";
    if (!makeMixedDatabase(package, kRecords)) {
        std::fprintf(stderr, "cannot build the benchmark database\n");
        return;
    }
    const std::string file = Paths::databaseFile(package);
    DBManager& db = DBManager::sharedIstance();
    db.openDB(package);
    const Pairing time = timePairs(
        kRuns, [&] { db.loadDbData(); },
        shellCommand("sqlite3 " + shellQuote(file) + " 'select * from data_table' > /dev/null"));

    db.openDB();
    db.openDB(package);
    const std::size_t before = heapInUse();
    db.loadDbData();
    const std::size_t held = heapInUse() - before;
    const std::size_t records = db.dbData().size();
    db.openDB();

    const double size = static_cast<double>(fileSize(file));
    std::printf("loadDbData: %zu records, 12 fields, file %.1f MB\n", records, size / 1e6);
    printSeconds("dossiva", time.ours);
    printSeconds("sqlite3", time.anchor, "(select * from data_table > /dev/null)");
    printRatio("time", time.ratio, 2.0);
    std::printf("  held       %.1f MB of records in memory\n", static_cast<double>(held) / 1e6);
    printRatio("memory", static_cast<double>(held) / size, 3.0);
}

const BenchRegistration registration(10, "Loading records", benchLoadDbData);

} // namespace
} // namespace dossiva::bench
