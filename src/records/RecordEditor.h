#pragma once

#include "records/RecordEntries.h"

#include <optional>
#include <vector>

namespace dossiva {

class DBManager;

// The record operations of the Use section, on the open database: each
// writes through the store and then marks the database edited. The screens
// and the command line both go through here.
class RecordEditor {
public:
    explicit RecordEditor(DBManager& db);

    // Adds a record with every field empty, or with the given values, which
    // then also fill the calculation fields. The new record's id, or nullopt
    // when the store refused it.
    std::optional<RecordId> addRecord(const std::vector<FieldEdit>& values = {});

    // Copies records in order, each with its pictures and dates. A copy that
    // fails stops the run; the copies made before it stay.
    struct Duplicates {
        std::vector<RecordId> copies; // the new ids, in order
        bool complete = false;        // every record was copied
    };
    Duplicates duplicateRecords(const std::vector<RecordId>& sources);

    // Writes the edited fields of a record; when a number that a formula
    // uses changed, the record's calculation fields follow. False when there
    // was nothing to write or a field could not be written.
    bool save(RecordId recordId, const std::vector<FieldEdit>& edits);
    // The same with entries already in their stored form: a value put back
    // as it was, a date and time with two different parts included.
    bool write(RecordId recordId, const SaveEntries& entries);

    // Recomputes and writes a record's calculation fields after a number
    // field changed, when some formula uses that field.
    bool numberFieldChanged(RecordId recordId, FieldId numberField);

    bool deleteRecord(RecordId recordId);
    bool deleteAllRecords();

private:
    // The first written number field that a formula uses.
    std::optional<FieldId> changedOperand(const std::vector<FieldId>& fields) const;
    void markEdited();

    DBManager& m_db;
};

} // namespace dossiva
