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
#include <fcntl.h>
#include <malloc.h>
#include <random>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace dossiva::bench {

namespace {

constexpr int kRecords = 100000;
constexpr const char* kCliPath = DOSSIVA_CLI_PATH;

// The peak resident memory of a whole `dossiva-cli records NAME --format
// csv` process, all it maps and allocates, as the kernel counted it when it
// ended; -1 when it failed. The kernel also counts the peak of the memory a
// process replaced by exec, so the child is forked (a spawned one would
// share this process's memory until its exec) after this process has given
// back what it no longer uses: what it still holds is the floor of the
// figure.
double listingPeakBytes(const std::string& name)
{
    ::malloc_trim(0);
    std::string arguments[] = {kCliPath, "records", name, "--format", "csv"};
    char* argv[] = {arguments[0].data(), arguments[1].data(), arguments[2].data(),
                    arguments[3].data(), arguments[4].data(), nullptr};
    const pid_t child = ::fork();
    if (child == 0) {
        const int devNull = ::open("/dev/null", O_WRONLY);
        if (devNull >= 0 && ::dup2(devNull, 1) >= 0) {
            ::execv(kCliPath, argv);
        }
        ::_exit(127);
    }
    if (child < 0) {
        return -1;
    }
    int status = 0;
    rusage usage{};
    if (::wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return -1;
    }
    return static_cast<double>(usage.ru_maxrss) * 1024.0; // kilobytes on Linux
}

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
    std::vector<double> peaks;
    for (int run = 0; run < kRuns; ++run) {
        peaks.push_back(listingPeakBytes("Load Bench"));
    }
    const Figures peak = figuresOf(peaks);

    const double size = static_cast<double>(fileSize(file));
    std::printf("loadDbData: %zu records, 12 fields, file %.1f MB\n", records, size / 1e6);
    printSeconds("dossiva", time.ours);
    printSeconds("sqlite3", time.anchor, "(select * from data_table > /dev/null)");
    printRatio("time", time.ratio, 2.0);
    std::printf("  held       %.1f MB of records in memory\n", static_cast<double>(held) / 1e6);
    printRatio("memory", static_cast<double>(held) / size, 3.0);
    std::printf("  peak       %.1f MB (min %.1f, max %.1f) of a whole dossiva-cli records process%s\n",
                peak.median / 1e6, peak.min / 1e6, peak.max / 1e6, peak.min < 0 ? " FAILED" : "");
    printRatio("process", {peak.median / size, peak.min / size, peak.max / size}, 3.0);
}

const BenchRegistration registration(10, "Loading records", benchLoadDbData);

} // namespace
} // namespace dossiva::bench
