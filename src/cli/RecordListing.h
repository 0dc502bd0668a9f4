#pragma once

#include "fields/FieldModel.h"

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace dossiva::cli {

// A value in the form other programs take it: text (texts, numbers,
// calculations, passwords, dates and times as ISO 8601 in the local zone),
// a whole number (picture numbers), true or false (checkboxes), or null (no
// date, no choice).
struct NaturalValue {
    enum class Kind { Null, Text, Integer, Boolean };
    Kind kind = Kind::Null;
    std::string text;
    std::int64_t number = 0;
    bool flag = false;

    // The value as one CSV cell: null is empty, booleans are true/false.
    std::string cellText() const;
};

NaturalValue naturalValue(const FieldDefinition& field, const FieldValue* value);

// Records printed as an aligned table for people, or as CSV or JSON for
// programs: one column, or key, per field (separators have no value and are
// left out), after the record id and before the creation and modification
// times. JSON is an array of objects keyed by field label plus "RECID",
// "created" and "modified".
class RecordListing {
public:
    RecordListing(const std::vector<FieldDefinition>& structure, const std::vector<const Record*>& records);

    void printTable(std::ostream& out) const;
    void printCsv(std::ostream& out) const;
    void printJson(std::ostream& out) const;

private:
    std::vector<const FieldDefinition*> m_columns;
    const std::vector<const Record*>& m_records;
};

} // namespace dossiva::cli
