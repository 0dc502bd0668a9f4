#include "BenchSupport.h"

#include "fields/StructureCodec.h"
#include "platform/FileManager.h"
#include "platform/Paths.h"
#include "storage/DBManager.h"
#include "storage/SqliteConnection.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <malloc.h>

namespace dossiva::bench {

Figures figuresOf(std::vector<double> samples)
{
    if (samples.empty()) {
        return {};
    }
    std::sort(samples.begin(), samples.end());
    const std::size_t middle = samples.size() / 2;
    const double median = samples.size() % 2 ? samples[middle] : (samples[middle - 1] + samples[middle]) / 2;
    return {median, samples.front(), samples.back()};
}

namespace {
double timeOnce(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void prepareFor(const std::function<void()>& prepare)
{
    if (prepare) {
        prepare();
    }
}
} // namespace

Figures timeRuns(int runs, const std::function<void()>& work, const std::function<void()>& prepare)
{
    prepareFor(prepare);
    work();
    std::vector<double> samples;
    for (int i = 0; i < runs; ++i) {
        prepareFor(prepare);
        samples.push_back(timeOnce(work));
    }
    return figuresOf(std::move(samples));
}

Pairing timePairs(int runs, const std::function<void()>& ours, const std::function<void()>& anchor,
                  const std::function<void()>& prepare)
{
    prepareFor(prepare);
    ours();
    prepareFor(prepare);
    anchor();
    std::vector<double> oursSamples;
    std::vector<double> anchorSamples;
    std::vector<double> ratios;
    for (int i = 0; i < runs; ++i) {
        prepareFor(prepare);
        oursSamples.push_back(timeOnce(ours));
        prepareFor(prepare);
        anchorSamples.push_back(timeOnce(anchor));
        ratios.push_back(oursSamples.back() / anchorSamples.back());
    }
    return {figuresOf(std::move(oursSamples)), figuresOf(std::move(anchorSamples)),
            figuresOf(std::move(ratios))};
}

std::function<void()> shellCommand(const std::string& command)
{
    return [command] {
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "benchmark command failed: %s\n", command.c_str());
        }
    };
}

std::size_t heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

std::size_t fileSize(const std::string& path)
{
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? 0 : static_cast<std::size_t>(size);
}

std::string makeBenchHome()
{
    std::string home = (std::filesystem::temp_directory_path() / "dossiva-bench-XXXXXX").string();
    if (::mkdtemp(home.data()) == nullptr) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    ::setenv("HOME", home.c_str(), 1);
    static std::string removeAtExit;
    removeAtExit = home;
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(removeAtExit, ignored);
    });
    return home;
}

std::string shellQuote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

std::string words(std::mt19937& random, int count)
{
    static const char* const vocabulary[] = {"amber",  "birch",  "cedar",   "delta",   "ember",   "fjord",
                                             "grove",  "harbor", "iris",    "juniper", "kestrel", "linden",
                                             "meadow", "nectar", "orchard", "prairie"};
    std::string text;
    for (int i = 0; i < count; ++i) {
        if (i > 0) {
            text += ' ';
        }
        text += vocabulary[random() % 16];
    }
    return text;
}

void printSeconds(const std::string& label, const Figures& seconds, const std::string& note)
{
    std::printf("  %-10s %.3f s (min %.3f, max %.3f)%s%s\n", label.c_str(), seconds.median, seconds.min,
                seconds.max, note.empty() ? "" : " ", note.c_str());
}

void printMilliseconds(const std::string& label, const Figures& seconds, double targetSeconds)
{
    std::printf("  %-40s %7.1f ms (min %.1f, max %.1f; target %.0f ms) %s\n", label.c_str(),
                seconds.median * 1000, seconds.min * 1000, seconds.max * 1000, targetSeconds * 1000,
                seconds.median <= targetSeconds ? "ok" : "OVER");
}

void printRatio(const std::string& what, const Figures& ratio, double target)
{
    std::printf("  %-10s %.2f (min %.2f, max %.2f; target <= %.2f) %s\n", what.c_str(), ratio.median,
                ratio.min, ratio.max, target, ratio.median <= target ? "ok" : "OVER");
}

void printRatio(const std::string& what, double value, double target)
{
    std::printf("  %-10s %.2f (target <= %.2f) %s\n", what.c_str(), value, target,
                value <= target ? "ok" : "OVER");
}

// Fields through the store, then the records in one transaction written the
// way the store writes each column.
bool makeMixedDatabase(const std::string& package, int records)
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
    for (int i = 0; i < records; ++i) {
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

} // namespace dossiva::bench
