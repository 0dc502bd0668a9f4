#pragma once

#include "fields/FieldValue.h"
#include "platform/Image.h"
#include "platform/PropertyList.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace dossiva {

using FieldId = std::int64_t;
using RecordId = std::int64_t;

// Field type codes, as stored in fields_table.field_type.
namespace FieldType {
inline constexpr int Main = 0;
inline constexpr int SmallText = 1;
inline constexpr int LargeText = 2;
inline constexpr int Number = 3;
inline constexpr int Date = 4;
inline constexpr int Time = 5;
inline constexpr int DateTime = 6;
inline constexpr int Image = 7;
inline constexpr int Choose = 8;
inline constexpr int Separator = 9;
inline constexpr int TwoReals = 10; // reserved; never offered
inline constexpr int Calculation = 11;
inline constexpr int CreationDate = 12;     // tags the creation date of a record change
inline constexpr int ModificationDate = 13; // tags the modification date of a record change
inline constexpr int Email = 14;
inline constexpr int Link = 15;
inline constexpr int Checkbox = 16;
inline constexpr int Password = 17;
inline constexpr int Unsupported = 30;
} // namespace FieldType

// One field of a database's form.
struct FieldDefinition {
    FieldId id = 0;         // ID: fields_table.id, also the data_table column
    std::string name;       // NM: the label
    int type = 0;           // FT: the type code after load normalisation
    PropertyList structure; // FS: the type's options
    int orderIndex = 0;     // INDX: position in the form
    int listViewColumn = 0; // LVCOL: list-view column state
};

// Names a field in a record change: its id and type are all the store needs.
struct FieldKey {
    FieldId id = 0; // ID
    int type = 0;   // FT
};

// One record of the open database.
struct Record {
    RecordId recordId = 0; // RECID
    std::string created;   // "-1": creation time, seconds since 1970 in decimal
    std::string modified;  // "-2": modification time, likewise
    // The field values, by field id, in form order at load time.
    std::vector<std::pair<FieldId, FieldValue>> values;

    // The value of a field, or nullptr when the record has none.
    const FieldValue* value(FieldId field) const;
    FieldValue* value(FieldId field);
    // Replaces or appends the value of a field.
    void setValue(FieldId field, FieldValue value);
};

// One entry of a record insert or change: {RS: the field, RV: its value}.
// For a picture field the value is the picture itself (null for none); for
// the creation and modification entries (types 12 and 13) it is the time as
// an Integer value.
struct FieldChange {
    FieldKey field;   // RS
    FieldValue value; // RV
    ImagePtr image;   // RV of a picture field

    static FieldChange created(std::int64_t seconds)
    {
        return {{0, FieldType::CreationDate}, FieldValue::integer(seconds), {}};
    }
    static FieldChange modified(std::int64_t seconds)
    {
        return {{0, FieldType::ModificationDate}, FieldValue::integer(seconds), {}};
    }
};

// A number field as a calculation operand: {NM, ID}.
struct NumberFieldRef {
    std::string name; // NM
    FieldId id = 0;   // ID
};

} // namespace dossiva
