// The field store: adding, renaming, restructuring, deleting and moving the
// fields of the open database, and their list-view column state.
#include "storage/DBManager.h"

#include "fields/FieldRules.h"
#include "fields/StructureCodec.h"
#include "platform/FileManager.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "storage/ImageCache.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace dossiva {

namespace {

std::string columnList(const std::vector<FieldId>& ids, const char* quote)
{
    std::string list;
    for (FieldId id : ids) {
        list += std::string(",") + quote + std::to_string(id) + quote;
    }
    return list;
}

} // namespace

FieldId DBManager::adddbFieldLabel(const std::string& label, int type, const PropertyList& structure)
{
    SqliteConnection db = connect();
    if (!db.isOpen() || !db.exec("BEGIN TRANSACTION")) {
        return -1;
    }
    const int orderIndex = m_dbStructure.empty() ? 1 : m_dbStructure.back().orderIndex + 1;
    const std::vector<std::uint8_t> bytes = encodeStructure(structure);
    SqliteStatement insert =
        db.prepare("insert into fields_table(field_name,field_type,field_structure,length,order_index) "
                   "values(?,?,?,?,?)");
    if (!insert.isValid() || !insert.bindText(1, label) || !insert.bindInt64(2, type) ||
        !insert.bindBlob(3, bytes.data(), bytes.size()) ||
        !insert.bindInt64(4, static_cast<std::int64_t>(bytes.size())) || !insert.bindInt64(5, orderIndex) ||
        !insert.run()) {
        devLog("Error DB: failed to insert field with message '" + db.errorMessage() + "'.");
        return -1;
    }
    const FieldId id = db.lastInsertRowId();
    // A new choose column starts with no choice in every existing record.
    const std::string alter =
        type == FieldType::Choose
            ? "alter table data_table add column '" + std::to_string(id) + "' default -1;"
            : "alter table data_table add column '" + std::to_string(id) + "';";
    if (!db.exec(alter, "failed to add field column") || !db.exec("COMMIT", "failed to commit new field")) {
        return -1;
    }
    m_dbStructure.push_back(FieldDefinition{id, label, type, structure, orderIndex, 0});
    return id;
}

bool DBManager::setdbFieldLabel(const std::string& label, FieldId id)
{
    SqliteConnection db = connect();
    if (!db.isOpen()) {
        return false;
    }
    SqliteStatement update = db.prepare("update fields_table set field_name=? where id=?");
    if (!update.isValid() || !update.bindText(1, label) || !update.bindInt64(2, id) || !update.run()) {
        devLog("Error DB: failed to rename field with message '" + db.errorMessage() + "'.");
        return false;
    }
    for (auto& definition : m_dbStructure) {
        if (definition.id == id) {
            definition.name = label;
        }
    }
    return true;
}

bool DBManager::setdbFieldLabel(const std::string& label, FieldId id, const PropertyList& structure)
{
    const FieldDefinition* existing = field(id);
    SqliteConnection db = connect();
    // Label, structure and the remapped choices change together or not at all.
    if (!db.isOpen() || !db.exec("begin transaction")) {
        return false;
    }
    const std::vector<std::uint8_t> bytes = encodeStructure(structure);
    SqliteStatement update =
        db.prepare("update fields_table set field_name=?,field_structure=?,length=? where id=?");
    if (!update.isValid() || !update.bindText(1, label) || !update.bindBlob(2, bytes.data(), bytes.size()) ||
        !update.bindInt64(3, static_cast<std::int64_t>(bytes.size())) || !update.bindInt64(4, id) ||
        !update.run()) {
        devLog("Error DB: failed to update field with message '" + db.errorMessage() + "'.");
        return false;
    }
    std::map<RecordId, std::int64_t> remapped;
    if (existing != nullptr && existing->type == FieldType::Choose &&
        !remapChoiceRecords(db, *existing, structure, remapped)) {
        return false;
    }
    if (!db.exec("commit", "failed to commit field change")) {
        return false;
    }
    for (auto& record : m_dbData) {
        if (auto found = remapped.find(record.recordId); found != remapped.end()) {
            record.setValue(id, FieldValue::integer(found->second));
        }
    }
    recordsChanged();
    for (auto& definition : m_dbStructure) {
        if (definition.id == id) {
            definition.name = label;
            definition.structure = structure;
        }
    }
    return true;
}

// A record stores the position of its choice, so when the items change each
// record follows its item's text. Every record of the file is remapped, not
// only the loaded ones.
bool DBManager::remapChoiceRecords(SqliteConnection& db, const FieldDefinition& field,
                                   const PropertyList& newStructure,
                                   std::map<RecordId, std::int64_t>& remapped)
{
    const std::vector<std::string> oldItems = choiceItems(field.structure);
    const std::vector<std::string> newItems = choiceItems(newStructure);
    const std::string column = '"' + std::to_string(field.id) + '"';
    {
        // A cell left NULL by a rebuild of the table loads as the first item,
        // so it follows that item like any other choice of it.
        SqliteStatement rows = db.prepare("select id," + column + " from data_table where " + column +
                                          ">=0 or " + column + " is null");
        if (!rows.isValid()) {
            return false;
        }
        SqliteStatement::Step step;
        while ((step = rows.step()) == SqliteStatement::Step::Row) {
            const std::int64_t value = rows.isNull(1) ? 0 : std::llround(rows.columnDouble(1));
            const std::int64_t newValue = remapChoices(oldItems, newItems, value);
            if (newValue != value || rows.isNull(1)) {
                remapped.emplace(rows.columnInt64(0), newValue);
            }
        }
        if (step == SqliteStatement::Step::Failed) {
            return false;
        }
    }
    SqliteStatement update = db.prepare("update data_table set " + column + "=? where id=?");
    if (!update.isValid()) {
        return false;
    }
    for (const auto& [recordId, value] : remapped) {
        if (!update.bindInt64(1, value) || !update.bindInt64(2, recordId) || !update.run() ||
            !update.reset()) {
            devLog("Error DB: failed to remap choice with message '" + db.errorMessage() + "'.");
            return false;
        }
    }
    return true;
}

bool DBManager::deletedbFieldAtIndex(FieldId id)
{
    const auto position =
        std::find_if(m_dbStructure.begin(), m_dbStructure.end(),
                     [id](const FieldDefinition& definition) { return definition.id == id; });
    if (position == m_dbStructure.end()) {
        return false;
    }
    const int orderIndex = position->orderIndex;
    std::vector<FieldId> remaining;
    for (const auto& definition : m_dbStructure) {
        if (definition.id != id) {
            remaining.push_back(definition.id);
        }
    }
    SqliteConnection db = connect();
    if (!db.isOpen() || !db.exec("BEGIN TRANSACTION")) {
        return false;
    }
    // The picture files go only once the field is gone from the file.
    std::vector<std::int64_t> pictures;
    if (position->type == FieldType::Image && !readImageNumbers(db, id, std::nullopt, pictures)) {
        return false;
    }
    SqliteStatement shift =
        db.prepare("update fields_table set order_index=order_index-1 where order_index>?");
    SqliteStatement remove = db.prepare("delete from fields_table where id=?");
    if (!shift.isValid() || !shift.bindInt64(1, orderIndex) || !shift.run() || !remove.isValid() ||
        !remove.bindInt64(1, id) || !remove.run() || !rebuildDataTable(db, remaining) ||
        !db.exec("COMMIT", "failed to commit field deletion")) {
        devLog("Error DB: failed to delete field with message '" + db.errorMessage() + "'.");
        return false;
    }
    for (auto& definition : m_dbStructure) {
        if (definition.orderIndex > orderIndex) {
            --definition.orderIndex;
        }
    }
    m_dbStructure.erase(
        std::find_if(m_dbStructure.begin(), m_dbStructure.end(),
                     [id](const FieldDefinition& definition) { return definition.id == id; }));
    for (std::int64_t picture : pictures) {
        removeImageFiles(picture);
    }
    return true;
}

// SQLite cannot drop a column here, so data_table is copied without it.
bool DBManager::rebuildDataTable(SqliteConnection& db, const std::vector<FieldId>& remaining)
{
    const std::string declared = columnList(remaining, "'");
    const std::string selected = columnList(remaining, "\"");
    return db.exec("create temporary table data_backup('id' INTEGER PRIMARY KEY,'create_date','edit_date'" +
                   declared + ")") &&
           db.exec("insert into data_backup select id,\"create_date\",\"edit_date\"" + selected +
                   " from data_table") &&
           db.exec("drop table data_table") &&
           db.exec("create table data_table('id' INTEGER PRIMARY KEY,'create_date','edit_date'" + declared +
                   ")") &&
           db.exec("insert into data_table select id,\"create_date\",\"edit_date\"" + selected +
                   " from data_backup") &&
           db.exec("drop table data_backup");
}

bool DBManager::moveFieldIndex(int source, int target)
{
    const int count = static_cast<int>(m_dbStructure.size());
    if (source < 0 || target < 0 || source >= count || target >= count) {
        return false;
    }
    const std::int64_t s = m_dbStructure[static_cast<std::size_t>(source)].orderIndex;
    const std::int64_t t = m_dbStructure[static_cast<std::size_t>(target)].orderIndex;
    SqliteConnection db = connect();
    // The three updates park the field at -1 on the way: run them as one, so
    // a failure cannot leave it parked.
    if (!db.isOpen() || !db.exec("BEGIN TRANSACTION")) {
        return false;
    }
    SqliteStatement park = db.prepare("update fields_table set order_index=? where order_index=?");
    SqliteStatement shift = db.prepare(
        t <= s ? "update fields_table set order_index=order_index+1 where order_index>=? and order_index<=?"
               : "update fields_table set order_index=order_index-1 where order_index>=? and order_index<=?");
    SqliteStatement place = db.prepare("update fields_table set order_index=? where order_index=?");
    const bool written = park.isValid() && shift.isValid() && place.isValid() && park.bindInt64(1, -1) &&
                         park.bindInt64(2, s) && park.run() && shift.bindInt64(1, std::min(s, t)) &&
                         shift.bindInt64(2, std::max(s, t)) && shift.run() && place.bindInt64(1, t) &&
                         place.bindInt64(2, -1) && place.run() &&
                         db.exec("COMMIT", "failed to commit field move");
    if (!written) {
        devLog("Error DB: failed to move field with message '" + db.errorMessage() + "'.");
        return false;
    }
    FieldDefinition moving = std::move(m_dbStructure[static_cast<std::size_t>(source)]);
    m_dbStructure.erase(m_dbStructure.begin() + source);
    for (auto& definition : m_dbStructure) {
        if (t <= s && definition.orderIndex >= t && definition.orderIndex <= s) {
            ++definition.orderIndex;
        } else if (t > s && definition.orderIndex >= s && definition.orderIndex <= t) {
            --definition.orderIndex;
        }
    }
    moving.orderIndex = static_cast<int>(t);
    m_dbStructure.insert(m_dbStructure.begin() + target, std::move(moving));
    return true;
}

bool DBManager::writeListViewColumn(int value, FieldId id)
{
    SqliteConnection db = connect();
    SqliteStatement update = db.prepare("update fields_table set listViewColInfo=? where id=?");
    if (!update.isValid() || !update.bindInt64(1, value) || !update.bindInt64(2, id) || !update.run()) {
        return false;
    }
    for (auto& definition : m_dbStructure) {
        if (definition.id == id) {
            definition.listViewColumn = value;
        }
    }
    return true;
}

bool DBManager::setdbFieldListViewColSize(int value, FieldId id)
{
    return writeListViewColumn(value, id);
}

bool DBManager::setdbFieldListViewHidden(bool hidden, FieldId id)
{
    const FieldDefinition* definition = field(id);
    const int current = definition ? definition->listViewColumn : 0;
    // A hidden column keeps its width as a negative number, -1 standing for
    // the default width, so showing it again restores what it had.
    int value = current == -1 ? 0 : std::abs(current);
    if (hidden) {
        value = current == 0 ? -1 : -std::abs(current);
    }
    return writeListViewColumn(value, id);
}

} // namespace dossiva
