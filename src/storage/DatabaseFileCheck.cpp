#include "storage/DatabaseFileCheck.h"

#include "platform/FileManager.h"
#include "platform/ImageLimits.h"
#include "storage/SqliteConnection.h"

#include <set>
#include <sys/stat.h>

namespace dossiva {

namespace {

const std::set<std::string> kTables = {"fields_table", "data_table", "general_info", "layout_info"};
const std::set<std::string> kFieldColumns = {"id",     "field_name",  "field_type",     "field_structure",
                                             "length", "order_index", "listViewColInfo"};
const std::set<std::string> kRequiredFieldColumns = {"id",     "field_name", "field_type", "field_structure",
                                                     "length", "order_index"};

bool isSqliteOwn(const std::string& name)
{
    return name.rfind("sqlite_", 0) == 0;
}

// The schema's objects one by one; the first that this program would not
// have made, described.
std::optional<std::string> unexpectedObject(SqliteConnection& db)
{
    SqliteStatement objects = db.prepare("select type,name,tbl_name,sql from sqlite_master");
    if (!objects.isValid()) {
        return "its schema cannot be read (" + db.errorMessage() + ")";
    }
    std::set<std::string> tables;
    SqliteStatement::Step step;
    while ((step = objects.step()) == SqliteStatement::Step::Row) {
        const std::string type = objects.columnText(0);
        const std::string name = objects.columnText(1);
        if (type == "table" && (kTables.count(name) != 0 || isSqliteOwn(name))) {
            tables.insert(name);
            continue;
        }
        // Indexes SQLite makes itself (for a primary key or a unique column)
        // have no SQL of their own.
        if (type == "index" && objects.isNull(3) && kTables.count(objects.columnText(2)) != 0) {
            continue;
        }
        return "it holds " + std::string(type == "index" ? "an " : "a ") + type + " \"" + name +
               "\" that Dossiva does not make";
    }
    if (step == SqliteStatement::Step::Failed) {
        return "its schema cannot be read (" + db.errorMessage() + ")";
    }
    for (const char* needed : {"fields_table", "data_table"}) {
        if (tables.count(needed) == 0) {
            return std::string("it has no table ") + needed;
        }
    }
    return std::nullopt;
}

std::set<std::string> columnsOf(SqliteConnection& db, const char* table)
{
    std::set<std::string> columns;
    SqliteStatement info = db.prepare(std::string("pragma table_info(") + table + ")");
    while (info.isValid() && info.step() == SqliteStatement::Step::Row) {
        columns.insert(info.columnText(1));
    }
    return columns;
}

std::optional<std::string> missingColumn(SqliteConnection& db)
{
    const std::set<std::string> fieldColumns = columnsOf(db, "fields_table");
    for (const auto& column : kRequiredFieldColumns) {
        if (fieldColumns.count(column) == 0) {
            return "its table of fields has no column " + column;
        }
    }
    const std::set<std::string> dataColumns = columnsOf(db, "data_table");
    for (const char* column : {"id", "create_date", "edit_date"}) {
        if (dataColumns.count(column) == 0) {
            return std::string("its table of records has no column ") + column;
        }
    }
    SqliteStatement fields = db.prepare("select id,field_name from fields_table");
    if (!fields.isValid()) {
        return "its fields cannot be read (" + db.errorMessage() + ")";
    }
    while (fields.step() == SqliteStatement::Step::Row) {
        if (dataColumns.count(fields.columnText(0)) == 0) {
            return "it is damaged: the field \"" + fields.columnText(1) + "\" has no column of values";
        }
    }
    return std::nullopt;
}

std::string sizeText(std::uint64_t bytes)
{
    return std::to_string(bytes / (1024 * 1024)) + " MB";
}

} // namespace

std::optional<std::string> schemaProblem(SqliteConnection& db)
{
    if (auto problem = unexpectedObject(db)) {
        return problem;
    }
    return missingColumn(db);
}

std::optional<std::string> databaseFileProblem(const std::string& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        return "there is no database file";
    }
    if (!S_ISREG(info.st_mode)) {
        return "the database file is not a regular file";
    }
    SqliteConnection db(path, SqliteConnection::Mode::ReadOnly);
    if (!db.isOpen()) {
        return "it cannot be read as a database (" + db.failure().reason + ")";
    }
    SqliteStatement check = db.prepare("pragma quick_check");
    if (!check.isValid() || check.step() != SqliteStatement::Step::Row || check.columnText(0) != "ok") {
        return "it is damaged (SQLite's check fails)";
    }
    return schemaProblem(db);
}

std::optional<std::string> packageProblem(const std::string& folder)
{
    if (!FileManager::isRealDirectory(folder)) {
        return "it is not a folder";
    }
    if (const auto special = FileManager::firstSpecialEntry(folder)) {
        return "it holds " + *special +
               ", which is not a regular file or folder (a link, a device, a FIFO or "
               "a socket); such entries are never copied";
    }
    if (auto problem = databaseFileProblem(folder + "/database.db")) {
        return problem;
    }
    const std::string images = folder + "/images";
    for (const auto& name : FileManager::contentsOfDirectory(images)) {
        struct stat info {};
        if (::lstat((images + "/" + name).c_str(), &info) == 0 &&
            static_cast<std::uint64_t>(info.st_size) > kMaxPictureFileBytes) {
            return "its picture images/" + name + " is larger than the " + sizeText(kMaxPictureFileBytes) +
                   " a picture may have";
        }
    }
    return std::nullopt;
}

} // namespace dossiva
