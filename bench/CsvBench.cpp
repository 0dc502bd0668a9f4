// CSV import and export of 100,000 rows of 10 mixed columns, against the
// sqlite3 shell importing and selecting the same rows.
#include "BenchSupport.h"
#include "Benchmarks.h"

#include "fields/FieldModel.h"
#include "library/CsvExporter.h"
#include "library/CsvImportModel.h"
#include "library/Startup.h"
#include "platform/Alerts.h"
#include "platform/FileManager.h"
#include "platform/Paths.h"
#include "storage/DBManager.h"

#include <cstdio>
#include <fstream>
#include <malloc.h>
#include <random>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace dossiva::bench {

namespace {

constexpr int kRows = 100000;
constexpr const char* kCliPath = DOSSIVA_CLI_PATH;

const char* kFirstNames[] = {"Ada",     "Alan", "Grace",    "Edsger",  "Barbara", "Donald",
                             "Frances", "Ken",  "Margaret", "Niklaus", "Radia",   "Tim",
                             "Sophie",  "John", "Hedy",     "Linus"};
const char* kCities[] = {"Paris", "Lyon", "Zürich", "København", "Lisboa", "Kraków", "Reykjavík", "Oslo"};
const char* kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                         "July",    "August",   "September", "October", "November", "December"};

// Name, City, Notes (some quoted, with commas, quotes and line breaks),
// Amount, Date (two spellings), Time, Email, Website, Done, Code.
void makeCsvFile(const std::string& path)
{
    std::mt19937 random(7);
    std::string csv = "Name,City,Notes,Amount,Date,Time,Email,Website,Done,Code\n";
    for (int i = 0; i < kRows; ++i) {
        const std::string first = kFirstNames[random() % 16];
        csv += first + " " + words(random, 1) + " " + std::to_string(i) + ",";
        csv += std::string(kCities[random() % 8]) + ",";
        switch (random() % 4) {
        case 0:
            csv += '"';
            csv += words(random, 6);
            csv += ",\n";
            csv += words(random, 5);
            csv += "\",";
            break;
        case 1:
            csv += "\"say \"\"";
            csv += words(random, 1);
            csv += "\"\" twice\",";
            break;
        default:
            csv += words(random, 8) + ",";
            break;
        }
        csv += std::to_string(random() % 100000) + "." + std::to_string(random() % 100) + ",";
        const int day = 1 + static_cast<int>(random() % 28);
        const int month = static_cast<int>(random() % 12);
        const int year = 1990 + static_cast<int>(random() % 30);
        if (i % 2 == 0) {
            csv += std::to_string(day) + " " + kMonths[month] + " " + std::to_string(year) + ",";
        } else {
            char numeric[16];
            std::snprintf(numeric, sizeof numeric, "%02d/%02d/%04d", day, month + 1, year);
            csv += std::string(numeric) + ",";
        }
        char time[8];
        std::snprintf(time, sizeof time, "%02d:%02d", static_cast<int>(random() % 24),
                      static_cast<int>(random() % 60));
        csv += std::string(time) + ",";
        csv += first + std::to_string(i) + "@example.org,";
        csv += "https://example.org/" + words(random, 1) + "/" + std::to_string(i) + ",";
        csv += random() % 2 ? "yes," : "0,";
        csv += "C-" + std::to_string(random()) + "\n";
    }
    std::ofstream(path, std::ios::binary) << csv;
}

// Reads the file and makes the database as import-csv does: the first row
// holds the labels and the columns keep the types proposed for them, or,
// with `typed`, get the types a user would choose (number, date, time,
// e-mail, link, checkbox).
bool importFile(const std::string& file, const std::string& name, bool typed = false)
{
    CsvImportModel model;
    if (model.displayName(file) != CsvReadStatus::Done) {
        return false;
    }
    model.fieldsLabel(true);
    if (typed) {
        model.setType(3, FieldType::Number);
        model.setType(4, FieldType::Date);
        model.setType(5, FieldType::Time);
        model.setType(6, FieldType::Email);
        model.setType(7, FieldType::Link);
        model.setType(8, FieldType::Checkbox);
    }
    ScriptedAlerts alerts;
    return model.import(alerts, name).has_value();
}

std::size_t statusKilobytes(const char* key)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) == 0) {
            return std::stoul(line.substr(std::string(key).size()));
        }
    }
    return 0;
}

// The peak growth of resident memory while importing, measured in a child
// process so nothing else this program holds counts.
double importPeakBytes(const std::string& file)
{
    int channel[2];
    if (::pipe(channel) != 0) {
        return -1;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        // Start from a heap that has given back what it no longer uses, and
        // restart the high-water mark from here.
        ::malloc_trim(0);
        std::ofstream("/proc/self/clear_refs") << "5";
        const std::size_t before = statusKilobytes("VmRSS:");
        const bool imported = importFile(file, "Memory Bench");
        const double grown = imported ? static_cast<double>(statusKilobytes("VmHWM:") - before) * 1024.0 : -1;
        [[maybe_unused]] const auto written = ::write(channel[1], &grown, sizeof grown);
        ::_exit(0);
    }
    ::close(channel[1]);
    double grown = -1;
    if (::read(channel[0], &grown, sizeof grown) != sizeof grown) {
        grown = -1;
    }
    ::close(channel[0]);
    ::waitpid(child, nullptr, 0);
    FileManager::removeItem(Paths::packagePath("Memory Bench.dossiva"));
    return grown;
}

void benchCsv()
{
    prepareApplicationSupport();
    const std::string folder = Paths::homeDirectory() + "/csv-bench";
    FileManager::createDirectories(folder);
    const std::string file = folder + "/data.csv";
    makeCsvFile(file);
    const double size = static_cast<double>(fileSize(file));
    std::printf("CSV file: %d rows, 10 columns, %.1f MB\n", kRows, size / 1e6);

    const double peak = importPeakBytes(file);

    int run = 0;
    bool imported = true;
    const auto nextName = [&] { return "Import Bench " + std::to_string(run++); };
    const std::string shellDatabase = folder + "/shell.db";
    const auto shellImport =
        shellCommand("rm -f " + shellQuote(shellDatabase) + " && sqlite3 " + shellQuote(shellDatabase) +
                     " -cmd '.mode csv' " + shellQuote(".import " + file + " t"));
    const auto removeImported = [&] { FileManager::removeItem(Paths::packagePath("Import Bench.dossiva")); };

    const Pairing inProcess = timePairs(
        kRuns, [&] { imported = importFile(file, "Import Bench") && imported; }, shellImport, removeImported);
    const Figures typed = timeRuns(kRuns, [&] {
        const std::string name = nextName();
        imported = importFile(file, name, true) && imported;
        FileManager::removeItem(Paths::packagePath(name + ".dossiva"));
    });
    const Pairing wholeProcess =
        timePairs(kRuns,
                  shellCommand(shellQuote(kCliPath) + " import-csv --labels --name 'Import Bench' " +
                               shellQuote(file) + " > /dev/null"),
                  shellImport, removeImported);
    std::printf("import-csv%s\n", imported ? "" : " FAILED");
    printSeconds("dossiva", inProcess.ours, "(read, insert with the proposed types)");
    printSeconds("sqlite3", inProcess.anchor, "(.import into a fresh database)");
    printRatio("time", inProcess.ratio, 1.0);
    printSeconds("typed", typed, "(dates, times, numbers, checkboxes converted; for information)");
    printSeconds("process", wholeProcess.ours, "(dossiva-cli import-csv --labels)");
    printRatio("process", wholeProcess.ratio, 1.0);
    std::printf("  peak       %.1f MB of memory while importing (target: 3 x file + 50 MB = %.1f MB)\n",
                peak / 1e6, (3 * size + 50e6) / 1e6);
    printRatio("memory", peak / (3 * size + 50e6), 1.0);

    // Export what was imported, then list it from the command line.
    importFile(file, "Export Bench");
    DBManager& db = DBManager::sharedIstance();
    db.openDB("Export Bench.dossiva");
    db.loadDbData();
    std::string columns;
    for (const auto& field : db.dbStructure()) {
        columns += (columns.empty() ? "\"" : ",\"") + std::to_string(field.id) + "\"";
    }
    const std::string shellFile = shellQuote(Paths::databaseFile(db.dbName()));
    const auto shellSelect =
        shellCommand("sqlite3 -csv " + shellFile + " " +
                     shellQuote("select " + columns + " from data_table") + " > /dev/null");
    std::string like;
    for (const auto& field : db.dbStructure()) {
        like += (like.empty() ? "\"" : " or \"") + std::to_string(field.id) + "\" like '%quokka%'";
    }
    ScriptedAlerts alerts;
    CsvExporter exporter(alerts);
    bool exported = true;
    const Pairing exportTime = timePairs(
        kRuns,
        [&] { exported = exporter.exportCSVFile(folder + "/out.csv", TextEncoding::UTF8, true) && exported; },
        shellSelect, [&] { FileManager::removeItem(folder + "/out.csv"); });
    std::printf("export-csv (UTF-8)%s, %zu records\n", exported ? "" : " FAILED", db.dbData().size());
    printSeconds("dossiva", exportTime.ours);
    printSeconds("sqlite3", exportTime.anchor, "(-csv select of the same columns)");
    printRatio("time", exportTime.ratio, 1.5);
    db.openDB();

    const std::string cli = shellQuote(kCliPath) + " records 'Export Bench' ";
    for (const char* format : {"csv", "json"}) {
        const Pairing listing =
            timePairs(kRuns, shellCommand(cli + "--format " + format + " > /dev/null"), shellSelect);
        std::printf("records --format %s (whole processes)\n", format);
        printSeconds("dossiva", listing.ours);
        printSeconds("sqlite3", listing.anchor, "(-csv select of the same columns)");
        printRatio("time", listing.ratio, 1.5);
    }
    const Pairing searching = timePairs(
        kRuns, shellCommand(cli + "--search quokka --format csv > /dev/null"),
        shellCommand("sqlite3 -csv " + shellFile + " " +
                     shellQuote("select " + columns + " from data_table where " + like) + " > /dev/null"));
    std::printf("records --search (no match; whole processes)\n");
    printSeconds("dossiva", searching.ours);
    printSeconds("sqlite3", searching.anchor, "(LIKE over every column)");
    printRatio("time", searching.ratio, 1.5);
}

const BenchRegistration registration(20, "CSV import and export", benchCsv);

} // namespace
} // namespace dossiva::bench
