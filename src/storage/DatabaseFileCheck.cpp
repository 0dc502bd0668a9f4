#include "storage/DatabaseFileCheck.h"

#include "platform/FileManager.h"
#include "storage/SqliteConnection.h"

namespace dossiva {

namespace {

bool hasTable(SqliteConnection& db, const char* name)
{
    SqliteStatement query = db.prepare("select count(*) from sqlite_master where type='table' and name=?");
    return query.isValid() && query.bindText(1, name) && query.step() == SqliteStatement::Step::Row &&
           query.columnInt64(0) == 1;
}

} // namespace

bool isUsableDatabaseFile(const std::string& path)
{
    if (!FileManager::isRegularFile(path)) {
        return false;
    }
    SqliteConnection db(path, SqliteConnection::Mode::ReadOnly);
    if (!db.isOpen()) {
        return false;
    }
    SqliteStatement check = db.prepare("pragma quick_check");
    if (!check.isValid() || check.step() != SqliteStatement::Step::Row || check.columnText(0) != "ok") {
        return false;
    }
    return hasTable(db, "fields_table") && hasTable(db, "data_table");
}

} // namespace dossiva
