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

double bestOf(int runs, const std::function<void()>& work)
{
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        best =
            std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

double bestOfCommand(int runs, const std::string& command)
{
    return bestOf(runs, [&] {
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "benchmark command failed: %s\n", command.c_str());
        }
    });
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
        text += (i ? " " : "") + std::string(vocabulary[random() % 16]);
    }
    return text;
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
