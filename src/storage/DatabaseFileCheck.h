#pragma once

#include <optional>
#include <string>

namespace dossiva {

class SqliteConnection;

// Files from elsewhere (an imported package or template, a download from
// the companion, a package put into the library by hand) are untrusted: they
// are used only when they hold exactly the schema this program writes.

// What is wrong with an open database's schema, or nullopt: only the tables
// fields_table and data_table (both needed), general_info and layout_info,
// SQLite's own objects, and the indexes SQLite makes for them; no trigger,
// no view, no other table or index; fields_table with its columns, and
// data_table with its id, dates and one column per field.
std::optional<std::string> schemaProblem(SqliteConnection& db);

// What is wrong with a database file, or nullopt when this program can use
// it: a regular file (not a link) that opens read-only, passes SQLite's quick
// check, and whose schema passes schemaProblem.
std::optional<std::string> databaseFileProblem(const std::string& path);
inline bool isUsableDatabaseFile(const std::string& path)
{
    return !databaseFileProblem(path);
}

// What is wrong with a package folder from elsewhere, or nullopt: a folder
// of regular files and folders only (no link, device, FIFO or socket
// anywhere), whose database.db is usable and whose pictures are no larger
// than a picture may be.
std::optional<std::string> packageProblem(const std::string& folder);

} // namespace dossiva
