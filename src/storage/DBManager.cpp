#include "storage/DBManager.h"

#include "fields/StructureCodec.h"
#include "fields/TextNumbers.h"
#include "platform/Log.h"
#include "platform/MainThread.h"
#include "platform/Paths.h"
#include "storage/DatabaseFileCheck.h"
#include "storage/StoredRow.h"

#include <atomic>
#include <cassert>
#include <charconv>

namespace dossiva {

namespace {

constexpr const char* kSelectFields = "select * from fields_table order by order_index asc";

// The value a column holds in memory, by the field's type.
FieldValue loadValue(const SqliteStatement& row, int column, int type)
{
    switch (type) {
    case FieldType::DateTime: {
        if (row.isNull(column)) {
            return FieldValue::dateTime({}, {});
        }
        const std::string_view text = row.columnTextView(column);
        const auto comma = text.find(',');
        if (comma == std::string_view::npos) {
            return FieldValue::dateTime(text, {});
        }
        return FieldValue::dateTime(text.substr(0, comma), text.substr(comma + 1));
    }
    case FieldType::Image:
        return FieldValue::integer(row.columnInt64(column));
    case FieldType::Choose:
        return FieldValue::integer(storedChoice(row, column));
    case FieldType::Password:
        return FieldValue::password(row.columnTextView(column));
    default:
        return FieldValue::text(row.columnTextView(column));
    }
}

// A record's date as the decimal text SQLite would give. Dates are stored
// as integers, and SQLite makes the text of each on the heap; reading a
// large table spent a good part of its time there.
void loadDate(const SqliteStatement& row, int column, std::string& date)
{
    if (!row.isInteger(column)) {
        date = row.columnTextView(column);
        return;
    }
    char digits[24];
    const auto written = std::to_chars(digits, digits + sizeof digits, row.columnInt64(column));
    date.assign(digits, written.ptr);
}

bool hasLoadedValue(int type)
{
    switch (type) {
    case FieldType::TwoReals:
    case FieldType::CreationDate:
    case FieldType::ModificationDate:
        return false;
    default:
        return true;
    }
}

// Reads fields_table in form order. hasColumnInfo tells whether the table
// has the list-view column (files of older releases have six columns).
bool readFieldDefinitions(SqliteConnection& db, std::vector<FieldDefinition>& structure, bool& hasColumnInfo)
{
    SqliteStatement rows = db.prepare(kSelectFields);
    if (!rows.isValid()) {
        devLog("Error DB: failed to prepare select fields with message '" + db.errorMessage() + "'.");
        return false;
    }
    hasColumnInfo = rows.columnCount() >= 7;
    SqliteStatement::Step step;
    while ((step = rows.step()) == SqliteStatement::Step::Row) {
        FieldDefinition definition;
        definition.id = rows.columnInt64(0);
        definition.name = rows.columnText(1);
        const std::vector<std::uint8_t> blob = rows.columnBlob(3);
        const std::int64_t length = rows.columnInt64(4);
        // The structure is exactly `length` bytes of the blob; a length that
        // runs past the blob leaves the structure undecoded.
        std::optional<PropertyList> decoded;
        if (length > 0 && static_cast<std::uint64_t>(length) <= blob.size()) {
            decoded = decodeStructure(blob.data(), static_cast<std::size_t>(length));
        }
        LoadedType loaded = normaliseLoadedType(rows.columnInt64(2), std::move(decoded));
        definition.type = loaded.type;
        definition.structure = std::move(loaded.structure);
        definition.orderIndex = static_cast<int>(rows.columnInt64(5));
        definition.listViewColumn = hasColumnInfo ? static_cast<int>(rows.columnInt64(6)) : 0;
        structure.push_back(std::move(definition));
    }
    if (step == SqliteStatement::Step::Failed) {
        devLog("Error DB: failed to read fields with message '" + rows.errorMessage() + "'.");
        return false;
    }
    return true;
}

} // namespace

DBManager& DBManager::sharedIstance()
{
    // The open database belongs to the screens and commands on the main
    // thread; work elsewhere (the merge, scratch reads) uses a store of its
    // own.
    assert(MainThread::isCurrent() && "the shared database is used on the main thread only");
    static DBManager manager(Shared{});
    return manager;
}

SqliteConnection DBManager::connect() const
{
    m_lastFailure = {};
    if (m_dbName.empty()) {
        m_lastFailure = Failure::content("no database is open");
        return SqliteConnection();
    }
    return SqliteConnection(Paths::databaseFile(m_dbName),
                            m_readOnly ? SqliteConnection::Mode::ReadOnly : SqliteConnection::Mode::ReadWrite,
                            &m_lastFailure);
}

bool DBManager::fail(const Failure& failure) const
{
    if (!m_lastFailure) {
        m_lastFailure = failure;
    }
    devLog("Error DB: " + m_lastFailure.reason);
    return false;
}

void DBManager::clearModel()
{
    m_dbStructure.clear();
    m_dbName.clear();
    m_dbData.clear();
    recordsChanged();
}

void DBManager::recordsChanged()
{
    static std::atomic<std::uint64_t> revisions{0};
    m_dataRevision = ++revisions;
}

const FieldDefinition* DBManager::field(FieldId id) const
{
    for (const auto& definition : m_dbStructure) {
        if (definition.id == id) {
            return &definition;
        }
    }
    return nullptr;
}

const Record* DBManager::record(RecordId id) const
{
    for (const auto& entry : m_dbData) {
        if (entry.recordId == id) {
            return &entry;
        }
    }
    return nullptr;
}

bool DBManager::openDB(const std::string& packageName)
{
    clearModel();
    if (packageName.empty()) {
        return true;
    }
    m_dbName = packageName;
    SqliteConnection db = connect();
    m_dbName.clear();
    if (!db.isOpen()) {
        return false;
    }
    // A file made elsewhere may carry SQL of its own (a trigger, a view) or
    // lack a field's column; neither is opened.
    if (const auto problem = schemaProblem(db)) {
        return fail(Failure::content(*problem));
    }
    std::vector<FieldDefinition> structure;
    bool hasColumnInfo = false;
    if (!readFieldDefinitions(db, structure, hasColumnInfo)) {
        return false;
    }
    if (!hasColumnInfo) {
        // Files of older releases have no list-view column state yet; the
        // fields load all the same when the upgrade cannot be written.
        if (db.exec("alter table fields_table add column 'listViewColInfo' default 0",
                    "failed to prepare add listViewColInfo field")) {
            db.exec("update fields_table set listViewColInfo=0",
                    "failed to prepare populate listViewColInfo field");
        }
    }
    m_dbStructure = std::move(structure);
    m_dbName = packageName;
    if (!m_readOnly) {
        sweepUnusedPictures(db);
    }
    return true;
}

bool DBManager::openDBLazy(const std::string& packageName)
{
    clearModel();
    m_dbName = packageName;
    const bool opened = connect().isOpen();
    if (!opened) {
        m_dbName.clear();
    }
    return opened;
}

bool DBManager::loadDbData()
{
    return loadDbData([](const StoredRow&) { return true; });
}

bool DBManager::loadDbData(const std::function<bool(const StoredRow&)>& keep)
{
    m_dbData.clear();
    recordsChanged();
    if (m_dbName.empty()) {
        return false;
    }
    SqliteConnection db = connect();
    if (!db.isOpen()) {
        return false;
    }
    std::string sql = "select id,create_date,edit_date";
    for (const auto& definition : m_dbStructure) {
        sql += ",\"" + std::to_string(definition.id) + "\"";
    }
    sql += " from data_table";
    SqliteStatement rows = db.prepare(sql);
    if (!rows.isValid()) {
        devLog("Error DB: failed to prepare load data with message '" + db.errorMessage() + "'.");
        return false;
    }
    std::vector<Record> records;
    SqliteStatement::Step step;
    while ((step = rows.step()) == SqliteStatement::Step::Row) {
        if (!keep(StoredRow(rows))) {
            continue;
        }
        Record& record = records.emplace_back();
        record.recordId = rows.columnInt64(0);
        loadDate(rows, 1, record.created);
        loadDate(rows, 2, record.modified);
        record.values.reserve(m_dbStructure.size());
        for (std::size_t i = 0; i < m_dbStructure.size(); ++i) {
            const FieldDefinition& definition = m_dbStructure[i];
            if (hasLoadedValue(definition.type)) {
                record.values.emplace_back(
                    definition.id,
                    loadValue(rows, StoredRow::kFirstValueColumn + static_cast<int>(i), definition.type));
            }
        }
    }
    if (step == SqliteStatement::Step::Failed) {
        devLog("Error DB: failed to load data with message '" + rows.errorMessage() + "'.");
        return false;
    }
    m_dbData = std::move(records);
    recordsChanged();
    return true;
}

std::string DBManager::calcExpression(const PropertyList& formula,
                                      const CalculationEngine::Values& values) const
{
    return CalculationEngine::evaluate(formula, values);
}

bool createEmptyDatabaseFile(const std::string& path)
{
    SqliteConnection db(path, SqliteConnection::Mode::ReadWrite);
    return db.isOpen() && db.exec("BEGIN TRANSACTION") &&
           db.exec("create table fields_table('id' INTEGER PRIMARY KEY,'field_name','field_type',"
                   "'field_structure','length','order_index','listViewColInfo' default 0)") &&
           db.exec("create table data_table('id' INTEGER PRIMARY KEY,'create_date','edit_date')") &&
           db.exec("create table general_info('creation','edit','sync')") && db.exec("COMMIT");
}

} // namespace dossiva
