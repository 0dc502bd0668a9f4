#pragma once

#include "fields/FieldModel.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace dossiva {

// A value the user gave a field, as its record view hands it over: the
// view's text (a choice index in decimal, "0"/"1" for a checkbox, seconds
// for the date types, the password text), or for a picture field the
// picture itself (null to remove it).
struct FieldEdit {
    FieldId field = 0;
    std::string text;
    ImagePtr image;
};

// The field-change entries of a save: the ids of the fields written and
// their entries.
struct SaveEntries {
    std::vector<FieldId> fieldIds;
    std::vector<FieldChange> entries;
};

// Builds the field-change entries through which records are added,
// duplicated, saved and recalculated.
namespace RecordEntries {

// The value of a field of the type that holds nothing: the empty text, no
// picture (0), no choice (-1), a date and time of two empty parts.
FieldValue emptyValue(int type);
// The loaded value of a record, or the empty value of its type when the
// record has none (a field added after the record was loaded).
FieldValue valueOrEmpty(const Record& record, const FieldDefinition& field);

// A new record: every field at its empty value (no picture, no choice),
// created at the given time and never modified.
std::vector<FieldChange> newRecord(const std::vector<FieldDefinition>& structure,
                                   std::int64_t createdSeconds);

// A copy of a record of the package: the same values, the pictures read
// again from the source's picture files (so the copy gets files of its own),
// the password texts only, and the source's creation and modification times.
std::vector<FieldChange> duplicate(const std::vector<FieldDefinition>& structure, const Record& source,
                                   const std::string& packageName);

// The entry of an edited field, in the form its type is stored in: a
// date-and-time takes the seconds for both parts, a choice its index.
FieldChange edited(const FieldDefinition& field, const FieldEdit& edit);

// The entries of a save of the edited fields; edits of fields the structure
// does not have are left out.
SaveEntries save(const std::vector<FieldDefinition>& structure, const std::vector<FieldEdit>& edits);

// The text of a field in one record, "" when it has none.
using ValueLookup = std::function<std::string(FieldId)>;

// Every calculation field's result over the values the lookup gives, as
// the entries of a save. Operands that name no field of the structure
// count as empty.
SaveEntries recalculation(const std::vector<FieldDefinition>& structure, const ValueLookup& valueOf);
// The same over a loaded record's values.
SaveEntries recalculation(const std::vector<FieldDefinition>& structure, const Record& record);

} // namespace RecordEntries
} // namespace dossiva
