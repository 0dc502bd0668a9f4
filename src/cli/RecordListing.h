#pragma once

#include "fields/FieldModel.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace dossiva::cli {

// Records printed for people (an aligned table fitted to the terminal) or
// for programs:
// - JSON: an array of objects {"RECID": 12, "created": "2024-05-01T14:03:00+02:00",
//   "modified": null, "fields": {LABEL: VALUE, ...}}, the values under "fields"
//   so that no label can collide with the record's own keys. A value is
//   null when empty; numbers whose text is a number are JSON numbers,
//   checkboxes true or false, pictures the path of their file, dates and
//   times ISO 8601 in the computer's zone, a choice its item.
// - CSV: a first row of labels, then one row per record, in forms that
//   import-csv --labels reads back into the same fields and values (dates
//   as ISO 8601, checkboxes 1 or 0).
// Separators hold no value and are left out.
class RecordListing {
public:
    RecordListing(std::string packageName, const std::vector<FieldDefinition>& structure,
                  const std::vector<const Record*>& records);

    void printTable(std::ostream& out, std::optional<std::size_t> width) const;
    void printCsv(std::ostream& out) const;
    void printJson(std::ostream& out) const;

private:
    std::string m_packageName;
    std::vector<const FieldDefinition*> m_columns;
    const std::vector<const Record*>& m_records;
};

// A database's fields as a table: id, position, label, type in words and
// options in words.
void printFieldTable(const std::vector<FieldDefinition>& structure, std::ostream& out,
                     std::optional<std::size_t> width);

} // namespace dossiva::cli
