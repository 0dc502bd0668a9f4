#include "fields/DateDisplay.h"

#include "fields/FieldRules.h"
#include "fields/TextNumbers.h"

namespace dossiva::DateDisplay {

DateFormat fieldFormat(int type)
{
    using Style = DateFormat::Style;
    switch (type) {
    case FieldType::Date:
        return DateFormat::withStyles(Style::Short, Style::None);
    case FieldType::Time:
        return DateFormat::withStyles(Style::None, Style::Short);
    default:
        return DateFormat::withStyles(Style::Short, Style::Short);
    }
}

std::string text(const DateFormat& format, std::int64_t seconds)
{
    std::string shown = format.format(seconds);
    return shown.empty() ? std::to_string(seconds) : shown;
}

std::optional<std::int64_t> storedMoment(int type, const FieldValue& value, std::int64_t nowSeconds)
{
    if (type == FieldType::DateTime) {
        return combineDateTime(value.datePart(), value.timePart(), nowSeconds);
    }
    if (value.text().empty()) {
        return std::nullopt;
    }
    return leadingInteger(value.text());
}

DateFormat recordDateFormat()
{
    return DateFormat::withPattern(kRecordDatePattern);
}

std::optional<std::int64_t> createdMoment(const Record& record)
{
    if (record.created.empty()) {
        return std::nullopt;
    }
    return leadingInteger(record.created);
}

std::optional<std::int64_t> modifiedMoment(const Record& record)
{
    const std::int64_t seconds = leadingInteger(record.modified);
    if (record.modified.empty() || seconds == 0) {
        return std::nullopt;
    }
    return seconds;
}

std::string recordDateText(const DateFormat& format, std::optional<std::int64_t> seconds)
{
    return seconds ? text(format, *seconds) : std::string();
}

} // namespace dossiva::DateDisplay
