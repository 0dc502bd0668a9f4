#include "storage/SqliteConnection.h"

#include "platform/Log.h"

#include <sqlite3.h>
#include <unistd.h>

namespace dossiva {

namespace {
constexpr int kBusyTimeoutMs = 3000;

void logFailure(sqlite3* db, const char* context)
{
    devLog(std::string("Error DB: ") + (context ? context : "statement failed") + " with message '" +
           (db ? sqlite3_errmsg(db) : "out of memory") + "'.");
}
} // namespace

SqliteConnection::SqliteConnection(const std::string& path, Mode mode, Failure* sink) : m_sink(sink)
{
    if (mode == Mode::ReadWrite) {
        openFile(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        return;
    }
    if (openFile(path, SQLITE_OPEN_READONLY) || m_failure.code != SQLITE_READONLY_ROLLBACK) {
        return;
    }
    // A writer that was stopped mid-change left a journal that only a
    // writable connection can roll back; reading the file before that would
    // fail. Roll it back when the file may be written, then look again.
    const std::string folder = path.substr(0, path.rfind('/') == std::string::npos ? 0 : path.rfind('/'));
    if (::access(path.c_str(), W_OK) != 0 || ::access(folder.empty() ? "." : folder.c_str(), W_OK) != 0) {
        m_failure.reason =
            "the database holds an unfinished change that can only be undone by writing to it, "
            "and the file or its folder is read-only";
        if (m_sink != nullptr) {
            *m_sink = m_failure;
        }
        return;
    }
    {
        SqliteConnection writer(path, Mode::ReadWrite);
        if (!writer.isOpen()) {
            m_failure = writer.failure();
            if (m_sink != nullptr) {
                *m_sink = m_failure;
            }
            return;
        }
    }
    m_failure = {};
    if (m_sink != nullptr) {
        *m_sink = {};
    }
    openFile(path, SQLITE_OPEN_READONLY);
}

bool SqliteConnection::openFile(const std::string& path, int flags)
{
    sqlite3* db = nullptr;
    // A connection lives in the function that opened it, on one thread, so
    // SQLite need not lock it around every call: reading a large table
    // makes a dozen calls a row.
    if (sqlite3_open_v2(path.c_str(), &db, flags | SQLITE_OPEN_NOFOLLOW | SQLITE_OPEN_NOMUTEX, nullptr) !=
        SQLITE_OK) {
        m_db = db;
        recordSqliteFailure(db ? sqlite3_extended_errcode(db) : SQLITE_NOMEM);
        m_db = nullptr;
        logFailure(db, "failed to open database");
        sqlite3_close(db);
        return false;
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    // A column name that does not exist must be an error, never the text of
    // its name: a missing field column reads as damage, not as "12".
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    m_db = db;
    // SQLite opens lazily; reading the schema now makes a file that is not a
    // database (garbage, a truncated header) fail to open.
    if (!exec("pragma schema_version", "failed to read the database")) {
        sqlite3_close(m_db);
        m_db = nullptr;
        return false;
    }
    return true;
}

void SqliteConnection::recordSqliteFailure(int code)
{
    if (m_failure) {
        return;
    }
    m_failure = Failure::sqlite(code, m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(code));
    if (m_sink != nullptr && !*m_sink) {
        *m_sink = m_failure;
    }
}

void SqliteConnection::recordFailure(const Failure& failure)
{
    if (m_failure) {
        return;
    }
    m_failure = failure;
    if (m_sink != nullptr && !*m_sink) {
        *m_sink = m_failure;
    }
}

int SqliteConnection::columnLimit()
{
    const SqliteConnection memory(":memory:", Mode::ReadWrite);
    // SQLite's default when it cannot be asked.
    return memory.isOpen() ? sqlite3_limit(memory.m_db, SQLITE_LIMIT_COLUMN, -1) : 2000;
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
    if (m_db == nullptr) {
        return SqliteStatement(nullptr, this);
    }
    if (const int result = sqlite3_prepare_v2(m_db, sql.data(), static_cast<int>(sql.size()), &stmt, nullptr);
        result != SQLITE_OK) {
        recordSqliteFailure(sqlite3_extended_errcode(m_db));
        sqlite3_finalize(stmt);
        return SqliteStatement(nullptr, this);
    }
    return SqliteStatement(stmt, this);
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

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept
    : m_stmt(other.m_stmt), m_connection(other.m_connection)
{
    other.m_stmt = nullptr;
}

SqliteStatement& SqliteStatement::operator=(SqliteStatement&& other) noexcept
{
    if (this != &other) {
        sqlite3_finalize(m_stmt);
        m_stmt = other.m_stmt;
        m_connection = other.m_connection;
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

bool SqliteStatement::bindTextInPlace(int index, std::string_view text)
{
    return sqlite3_bind_text64(m_stmt, index, text.data(), text.size(), SQLITE_STATIC, SQLITE_UTF8) ==
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
    if (m_stmt == nullptr) {
        return Step::Failed;
    }
    const int result = sqlite3_step(m_stmt);
    if (result == SQLITE_ROW) {
        return Step::Row;
    }
    if (result == SQLITE_DONE) {
        return Step::Done;
    }
    if (m_connection != nullptr) {
        m_connection->recordSqliteFailure(sqlite3_extended_errcode(sqlite3_db_handle(m_stmt)));
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

bool SqliteStatement::isInteger(int column) const
{
    return sqlite3_column_type(m_stmt, column) == SQLITE_INTEGER;
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
