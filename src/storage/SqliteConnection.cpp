#include "storage/SqliteConnection.h"

#include "platform/Log.h"

#include <sqlite3.h>

namespace dossiva {

namespace {
constexpr int kBusyTimeoutMs = 3000;

void logFailure(sqlite3* db, const char* context)
{
    devLog(std::string("Error DB: ") + (context ? context : "statement failed") + " with message '" +
           (db ? sqlite3_errmsg(db) : "out of memory") + "'.");
}
} // namespace

SqliteConnection::SqliteConnection(const std::string& path, Mode mode)
{
    const int flags =
        mode == Mode::ReadOnly ? SQLITE_OPEN_READONLY : (SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, flags | SQLITE_OPEN_NOFOLLOW, nullptr) != SQLITE_OK) {
        logFailure(db, "failed to open database");
        sqlite3_close(db);
        return;
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    m_db = db;
    // SQLite opens lazily; reading the schema now makes a file that is not a
    // database (garbage, a truncated header) fail to open.
    if (!exec("pragma schema_version", "failed to read the database")) {
        sqlite3_close(m_db);
        m_db = nullptr;
    }
}

SqliteConnection::~SqliteConnection()
{
    if (m_db != nullptr) {
        // Closing with an open transaction discards it.
        sqlite3_close_v2(m_db);
    }
}

SqliteStatement SqliteConnection::prepare(std::string_view sql)
{
    sqlite3_stmt* stmt = nullptr;
    if (m_db == nullptr ||
        sqlite3_prepare_v2(m_db, sql.data(), static_cast<int>(sql.size()), &stmt, nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt);
        return SqliteStatement(nullptr);
    }
    return SqliteStatement(stmt);
}

bool SqliteConnection::exec(std::string_view sql, const char* context)
{
    SqliteStatement statement = prepare(sql);
    if (!statement.isValid() || !statement.run()) {
        logFailure(m_db, context ? context : std::string(sql).c_str());
        return false;
    }
    return true;
}

std::int64_t SqliteConnection::lastInsertRowId() const
{
    return sqlite3_last_insert_rowid(m_db);
}

std::int64_t SqliteConnection::changes() const
{
    return sqlite3_changes64(m_db);
}

std::string SqliteConnection::errorMessage() const
{
    return m_db ? sqlite3_errmsg(m_db) : "no connection";
}

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept : m_stmt(other.m_stmt)
{
    other.m_stmt = nullptr;
}

SqliteStatement& SqliteStatement::operator=(SqliteStatement&& other) noexcept
{
    if (this != &other) {
        sqlite3_finalize(m_stmt);
        m_stmt = other.m_stmt;
        other.m_stmt = nullptr;
    }
    return *this;
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_stmt);
}

bool SqliteStatement::bindText(int index, std::string_view text)
{
    return sqlite3_bind_text64(m_stmt, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8) ==
           SQLITE_OK;
}

bool SqliteStatement::bindInt64(int index, std::int64_t value)
{
    return sqlite3_bind_int64(m_stmt, index, value) == SQLITE_OK;
}

bool SqliteStatement::bindBlob(int index, const std::uint8_t* bytes, std::size_t length)
{
    // An empty blob is still a blob, never NULL.
    static const std::uint8_t empty = 0;
    return sqlite3_bind_blob64(m_stmt, index, length ? bytes : &empty, length, SQLITE_TRANSIENT) == SQLITE_OK;
}

bool SqliteStatement::bindNull(int index)
{
    return sqlite3_bind_null(m_stmt, index) == SQLITE_OK;
}

SqliteStatement::Step SqliteStatement::step()
{
    const int result = sqlite3_step(m_stmt);
    if (result == SQLITE_ROW) {
        return Step::Row;
    }
    if (result == SQLITE_DONE) {
        return Step::Done;
    }
    return Step::Failed;
}

bool SqliteStatement::reset()
{
    sqlite3_clear_bindings(m_stmt);
    return sqlite3_reset(m_stmt) == SQLITE_OK;
}

int SqliteStatement::columnCount() const
{
    return sqlite3_column_count(m_stmt);
}

bool SqliteStatement::isNull(int column) const
{
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

std::int64_t SqliteStatement::columnInt64(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

double SqliteStatement::columnDouble(int column) const
{
    return sqlite3_column_double(m_stmt, column);
}

std::string SqliteStatement::columnText(int column) const
{
    return std::string(columnTextView(column));
}

std::string_view SqliteStatement::columnTextView(int column) const
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
    if (text == nullptr) {
        return {};
    }
    return {text, static_cast<std::size_t>(sqlite3_column_bytes(m_stmt, column))};
}

std::vector<std::uint8_t> SqliteStatement::columnBlob(int column) const
{
    const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_column_blob(m_stmt, column));
    const int length = sqlite3_column_bytes(m_stmt, column);
    if (bytes == nullptr || length <= 0) {
        return {};
    }
    return {bytes, bytes + length};
}

std::string SqliteStatement::errorMessage() const
{
    return m_stmt ? sqlite3_errmsg(sqlite3_db_handle(m_stmt)) : "statement not prepared";
}

} // namespace dossiva
