#pragma once

#include "fields/FieldModel.h"

#include <string>
#include <vector>

namespace dossiva::cli {

// A value as a person reads it in a table: dates and times in ISO 8601 in
// the computer's zone ("2024-05-01", "14:03", "2024-05-01 14:03"), a choice
// by its item, a checkbox as a tick, pictures by number, passwords hidden.
std::string displayValue(const FieldDefinition& field, const FieldValue* value);

// A moment (seconds since 1970; 0 or less for none) as a table shows it,
// "2024-05-01 14:03"; "" for none.
std::string displayDate(std::int64_t seconds);

// A field's options in words ("items: Red, Green", "now button"); "" when
// its type has none.
std::string describeOptions(const FieldDefinition& field, const std::vector<FieldDefinition>& structure);

} // namespace dossiva::cli
