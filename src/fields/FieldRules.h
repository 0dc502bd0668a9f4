#pragma once

#include "fields/FieldModel.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dossiva {

// A label for a new field that no existing field has: the base title, or the
// title followed by a blank and the first free number from 1.
std::string uniqueFieldName(const std::string& baseTitle, const std::vector<std::string>& existingNames);

// The moment a date-and-time value shows: the day of the date part plus the
// time of day of the time part, both counted in UTC seconds; an empty part
// stands for now. nullopt when both parts are empty.
std::optional<std::int64_t> combineDateTime(std::string_view datePart, std::string_view timePart,
                                            std::int64_t nowSeconds);

// The choice index a record holds after a choose field's items changed: the
// value follows its item's text; an item renamed in place (a list of the
// same length whose text at that place is new to it) keeps its records;
// otherwise the value becomes -1, its item being gone.
std::int64_t remapChoices(const std::vector<std::string>& oldItems, const std::vector<std::string>& newItems,
                          std::int64_t value);

// The text of an item added to a choose field: "Item N" for the new number
// of items, or the next number free when another item has that text.
std::string newChoiceItem(const std::vector<std::string>& items);
// Whether two items of a choose field have the same text: a record could
// not tell which of them it chose.
bool hasRepeatedItem(const std::vector<std::string>& items);

// Whether a checkbox text reads as ticked: after blanks, a sign and leading
// zeros, a "Y", "y", "T", "t" or a digit 1 to 9.
bool isCheckboxTrue(std::string_view text);

// The items of a choose field's structure (its strings, in order).
std::vector<std::string> choiceItems(const PropertyList& structure);

} // namespace dossiva
