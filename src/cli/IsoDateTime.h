#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace dossiva::cli {

// Moments as scripts exchange them: ISO 8601 in the computer's time zone,
// or whole seconds since 1970-01-01 00:00 UTC.
namespace IsoDateTime {

// "2024-05-01T14:03:00+02:00" ("Z" for UTC). A moment outside the years 1
// to 9999, which ISO 8601 text cannot carry without extensions, is given as
// its seconds in decimal.
std::string format(std::int64_t seconds);

// The same moment for a table that people read, to the minute:
// "2024-05-01 14:03" (the blank for the "T", as RFC 3339 allows), the date
// alone ("2024-05-01") or the time alone ("14:03").
enum class Part { DateAndTime, Date, Time };
std::string readable(std::int64_t seconds, Part part = Part::DateAndTime);

// Reads a date ("2024-05-01", local midnight), a date and time with or
// without seconds and offset ("2024-05-01T14:03", "2024-05-01 14:03:00",
// "2024-05-01T14:03:00Z"), whole seconds ("1714564980", "-86400"), and,
// when timeOfDay is set, a time alone ("14:03"), taken on today's date.
std::optional<std::int64_t> parse(const std::string& text, bool timeOfDay);

} // namespace IsoDateTime
} // namespace dossiva::cli
