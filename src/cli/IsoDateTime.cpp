#include "cli/IsoDateTime.h"

#include "cli/WholeNumber.h"

#include "platform/Clock.h"
#include "platform/DateFormat.h"

namespace dossiva::cli::IsoDateTime {

namespace {

// 0001-01-01 and 9999-12-31 in UTC, a day inside either end so that no
// time zone takes a moment past them.
constexpr std::int64_t kFirstMoment = -62135596800 + 86400;
constexpr std::int64_t kLastMoment = 253402300799 - 86400;

// Formats with digits and separators that never depend on the user's
// locale.
DateFormat isoFormat(const char* pattern)
{
    DateFormat format = DateFormat::withPattern(pattern);
    format.setLocale("en_US_POSIX");
    return format;
}

std::optional<std::int64_t> parseDateTime(const std::string& text)
{
    if (auto moment = parseIso8601(text, IsoForm::DateAndTime)) {
        return moment;
    }
    return parseIso8601(text, IsoForm::Date);
}

} // namespace

std::string format(std::int64_t seconds)
{
    if (seconds < kFirstMoment || seconds > kLastMoment) {
        return std::to_string(seconds);
    }
    return formatIso8601(seconds);
}

std::string readable(std::int64_t seconds, Part part)
{
    if (seconds < kFirstMoment || seconds > kLastMoment) {
        return std::to_string(seconds);
    }
    static const DateFormat dateAndTime = isoFormat("yyyy-MM-dd HH:mm");
    static const DateFormat date = isoFormat("yyyy-MM-dd");
    static const DateFormat time = isoFormat("HH:mm");
    return (part == Part::Date ? date : part == Part::Time ? time : dateAndTime).format(seconds);
}

std::optional<std::int64_t> parse(const std::string& text, bool timeOfDay)
{
    if (const auto seconds = parseWholeNumber(text)) {
        return *seconds;
    }
    if (auto moment = parseDateTime(text)) {
        return moment;
    }
    if (timeOfDay) {
        static const DateFormat today = isoFormat("yyyy-MM-dd");
        return parseDateTime(today.format(Clock::nowSeconds()) + "T" + text);
    }
    return std::nullopt;
}

} // namespace dossiva::cli::IsoDateTime
