#pragma once

#include "fields/FieldModel.h"
#include "platform/DateFormat.h"

#include <cstdint>
#include <optional>
#include <string>

namespace dossiva {

// How moments read in the record form, the list and the command line, in
// the user's locale and time zone.
namespace DateDisplay {

// The format of a date type's values: the locale's short date style for a
// date (4), its short time style for a time (5), both for a date and time
// (6). Any other type gets the date and time styles.
DateFormat fieldFormat(int type);

// The moment in the format. A moment beyond any calendar's reach (hundreds
// of thousands of years away) reads as its count of seconds, so a value is
// never shown blank.
std::string text(const DateFormat& format, std::int64_t seconds);

// The moment a stored value of a date type stands for: the seconds of a
// date or a time, the combined day and time of a date and time (an empty
// part standing for now); nullopt for no date.
std::optional<std::int64_t> storedMoment(int type, const FieldValue& value, std::int64_t nowSeconds);

// The pattern of a record's creation and modification dates: three blanks
// part the year from the hour.
inline constexpr const char* kRecordDatePattern = "d MMMM yyyy   HH:mm";

DateFormat recordDateFormat();

// A record's creation date; nullopt when it has none.
std::optional<std::int64_t> createdMoment(const Record& record);
// A record's modification date; nullopt for a record never modified ("0").
std::optional<std::int64_t> modifiedMoment(const Record& record);

// A record's creation or modification date; "" for none.
std::string recordDateText(const DateFormat& format, std::optional<std::int64_t> seconds);

} // namespace DateDisplay
} // namespace dossiva
