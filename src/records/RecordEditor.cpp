#include "records/RecordEditor.h"

#include "platform/Clock.h"
#include "storage/DBManager.h"

#include <cmath>

namespace dossiva {

namespace {

// Creation times keep whole seconds, the fraction dropped.
std::int64_t wholeSecondsNow()
{
    return static_cast<std::int64_t>(std::trunc(Clock::now()));
}

} // namespace

RecordEditor::RecordEditor(DBManager& db) : m_db(db)
{
}

void RecordEditor::markEdited()
{
    m_db.setEditDate(Clock::now());
}

std::optional<FieldId> RecordEditor::changedOperand(const std::vector<FieldId>& fields) const
{
    for (const FieldId id : fields) {
        const FieldDefinition* field = m_db.field(id);
        if (field != nullptr && field->type == FieldType::Number &&
            m_db.shouldRebuildCalculationFields(field->id)) {
            return field->id;
        }
    }
    return std::nullopt;
}

std::optional<RecordId> RecordEditor::addRecord(const std::vector<FieldEdit>& values)
{
    const auto& structure = m_db.dbStructure();
    std::vector<FieldChange> entries = RecordEntries::newRecord(structure, wholeSecondsNow());
    auto entryOf = [&entries](FieldId id) -> FieldChange* {
        for (std::size_t i = 0; i + 2 < entries.size(); ++i) {
            if (entries[i].field.id == id) {
                return &entries[i];
            }
        }
        return nullptr;
    };
    for (const auto& edit : values) {
        if (FieldChange* entry = entryOf(edit.field)) {
            *entry = RecordEntries::edited(*m_db.field(edit.field), edit);
        }
    }
    std::vector<FieldId> given;
    for (const auto& edit : values) {
        given.push_back(edit.field);
    }
    if (changedOperand(given)) {
        const SaveEntries results = RecordEntries::recalculation(structure, [&entryOf](FieldId id) {
            const FieldChange* entry = entryOf(id);
            return entry ? std::string(entry->value.text()) : std::string();
        });
        for (const auto& result : results.entries) {
            *entryOf(result.field.id) = result;
        }
    }
    if (!m_db.addRecordToDb(entries)) {
        return std::nullopt;
    }
    markEdited();
    // The store appends the new record to its list.
    return m_db.dbData().back().recordId;
}

RecordEditor::Duplicates RecordEditor::duplicateRecords(const std::vector<RecordId>& sources)
{
    Duplicates result;
    for (RecordId id : sources) {
        const Record* source = m_db.record(id);
        if (source == nullptr ||
            !m_db.addRecordToDb(RecordEntries::duplicate(m_db.dbStructure(), *source, m_db.dbName()))) {
            break;
        }
        result.copies.push_back(m_db.dbData().back().recordId);
    }
    result.complete = result.copies.size() == sources.size();
    // Copies made before a failure are in the file: the database changed.
    if (!result.copies.empty()) {
        markEdited();
    }
    return result;
}

bool RecordEditor::save(RecordId recordId, const std::vector<FieldEdit>& edits)
{
    return write(recordId, RecordEntries::save(m_db.dbStructure(), edits));
}

bool RecordEditor::write(RecordId recordId, const SaveEntries& entries)
{
    if (entries.fieldIds.empty() || m_db.record(recordId) == nullptr) {
        return false;
    }
    // A change that is not stored leaves the database as it was: no edit
    // date, no recalculation, and lastFailure() saying why.
    if (!m_db.modifyRecordFields(entries.fieldIds, entries.entries, recordId)) {
        return false;
    }
    markEdited();
    // Every calculation of the record is recomputed once, whichever
    // operands changed, from the values just stored.
    if (const auto operand = changedOperand(entries.fieldIds)) {
        return numberFieldChanged(recordId, *operand);
    }
    return true;
}

bool RecordEditor::numberFieldChanged(RecordId recordId, FieldId numberField)
{
    if (!m_db.shouldRebuildCalculationFields(numberField)) {
        return true;
    }
    const Record* record = m_db.record(recordId);
    if (record == nullptr) {
        return false;
    }
    const SaveEntries results = RecordEntries::recalculation(m_db.dbStructure(), *record);
    if (!m_db.modifyRecordFields(results.fieldIds, results.entries, recordId)) {
        return false;
    }
    markEdited();
    return true;
}

bool RecordEditor::deleteRecord(RecordId recordId)
{
    if (!m_db.deleteRecordWithID(recordId)) {
        return false;
    }
    markEdited();
    return true;
}

bool RecordEditor::deleteAllRecords()
{
    if (!m_db.deleteAllRecords()) {
        return false;
    }
    markEdited();
    return true;
}

} // namespace dossiva
