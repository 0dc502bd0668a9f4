#pragma once

#include "platform/Failure.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace dossiva {

class SqliteStatement;

// One connection to a database file, opened for the length of one storage
// operation. Every connection gets the same defensive settings: a busy
// time-out, extended result codes, SQLite's defensive mode and untrusted
// schemas, double-quoted strings never taken for identifiers or the other
// way round, and the rollback journal (never WAL), so a package stays one
// file plus its pictures.
//
// The first failure of the connection or its statements (opening, preparing,
// stepping) is kept, with SQLite's extended code and message, in failure()
// and in the sink given at opening, so the caller can say why.
class SqliteConnection {
public:
    enum class Mode { ReadWrite, ReadOnly };

    // A connection that is not open (no database is current).
    SqliteConnection() = default;
    // Opens (and, in read-write mode, creates) the file and reads its schema,
    // so that a file that is not a database fails here. Check isOpen(). A
    // read-only opening of a file that an interrupted writer left with a
    // journal first rolls the journal back when the file may be written.
    SqliteConnection(const std::string& path, Mode mode, Failure* sink = nullptr);
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    // The most columns a table may have in the SQLite this program runs with.
    static int columnLimit();

    bool isOpen() const { return m_db != nullptr; }
    sqlite3* handle() const { return m_db; }

    // Prepares a statement; check SqliteStatement::isValid().
    SqliteStatement prepare(std::string_view sql);
    // Prepares and steps a statement that returns no rows. False (logged
    // with context) on any result other than SQLITE_DONE or SQLITE_ROW.
    bool exec(std::string_view sql, const char* context = nullptr);

    std::int64_t lastInsertRowId() const;
    // Rows changed by the last statement.
    std::int64_t changes() const;
    std::string errorMessage() const;
    // The first failure of this connection, or none.
    const Failure& failure() const { return m_failure; }
    // Keeps a failure that is not SQLite's (a picture file, a check) as the
    // connection's, when it has none yet.
    void recordFailure(const Failure& failure);

private:
    friend class SqliteStatement;
    bool openFile(const std::string& path, int flags);
    void recordSqliteFailure(int code);

    sqlite3* m_db = nullptr;
    Failure m_failure;
    Failure* m_sink = nullptr;
};

// A prepared statement. Values are bound by 1-based index.
class SqliteStatement {
public:
    enum class Step { Row, Done, Failed };

    SqliteStatement(SqliteStatement&& other) noexcept;
    SqliteStatement& operator=(SqliteStatement&& other) noexcept;
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    bool isValid() const { return m_stmt != nullptr; }

    bool bindText(int index, std::string_view text);
    // Binds the text where it lies, without a copy: it must stay unchanged
    // until the statement is reset.
    bool bindTextInPlace(int index, std::string_view text);
    bool bindInt64(int index, std::int64_t value);
    bool bindBlob(int index, const std::uint8_t* bytes, std::size_t length);
    bool bindNull(int index);

    // Any result other than SQLITE_ROW or SQLITE_DONE is a failure: a busy
    // or read-only file, a full disk, a violated constraint or a corrupt file.
    Step step();
    // Steps a statement that returns no rows: true on SQLITE_DONE or SQLITE_ROW.
    bool run() { return step() != Step::Failed; }
    bool reset();

    int columnCount() const;
    bool isNull(int column) const;
    bool isInteger(int column) const;
    std::int64_t columnInt64(int column) const;
    double columnDouble(int column) const;
    // The column as UTF-8 text ("" for NULL).
    std::string columnText(int column) const;
    std::string_view columnTextView(int column) const;
    std::vector<std::uint8_t> columnBlob(int column) const;

    // SQLite's message for the last failure on this statement's connection.
    std::string errorMessage() const;

private:
    friend class SqliteConnection;
    SqliteStatement(sqlite3_stmt* stmt, SqliteConnection* connection) : m_stmt(stmt), m_connection(connection)
    {
    }
    sqlite3_stmt* m_stmt = nullptr;
    SqliteConnection* m_connection = nullptr;
};

} // namespace dossiva
