#pragma once

#include "fields/FieldModel.h"

#include <string>

namespace dossiva::cli {

// A value as a person reads it in a table: dates and times in the
// computer's short styles, a choice by its item, a checkbox as a tick,
// pictures by number, passwords hidden.
std::string displayValue(const FieldDefinition& field, const FieldValue* value);

// A moment (seconds since 1970; 0 or less for none) in the long date
// and short time styles.
std::string displayDate(std::int64_t seconds);

// A structure in a compact JSON-like form.
std::string describeStructure(const PropertyList& structure);

} // namespace dossiva::cli
