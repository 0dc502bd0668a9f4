#include "csv/CsvValueConverter.h"

#include "fields/FieldModel.h"
#include "fields/TextNumbers.h"

#include <array>
#include <charconv>

namespace dossiva {

namespace {

// Enough for every distinct date of a large file's columns; past it, texts
// are parsed each time rather than held without bound.
constexpr std::size_t kCacheLimit = 1 << 16;

std::string_view withoutBlanks(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

CsvValueConverter::CsvValueConverter()
    : m_longDate(DateFormat::withPattern("d MMMM yyyy")), m_numericDate(DateFormat::withPattern("d/M/yyyy")),
      m_time(DateFormat::withPattern("HH:mm")), m_longDateTime(DateFormat::withPattern("d MMMM yyyy HH:mm")),
      m_numericDateTime(DateFormat::withPattern("d/M/yyyy HH:mm"))
{
}

std::optional<std::int64_t> CsvValueConverter::parseCached(Cache& cache, std::string_view text, Reader read)
{
    text = withoutBlanks(text);
    if (text.empty()) {
        return std::nullopt;
    }
    if (const auto found = cache.find(text); found != cache.end()) {
        return found->second;
    }
    const std::string owned(text);
    const std::optional<std::int64_t> seconds = (this->*read)(owned);
    if (cache.size() < kCacheLimit) {
        cache.emplace(owned, seconds);
    }
    return seconds;
}

std::optional<std::int64_t> CsvValueConverter::readDate(const std::string& text) const
{
    if (auto seconds = m_longDate.parse(text)) {
        return seconds;
    }
    if (auto seconds = m_numericDate.parse(text)) {
        return seconds;
    }
    if (auto seconds = parseIso8601(text, IsoForm::Date)) {
        return seconds;
    }
    return parseIso8601(text, IsoForm::DateAndTime);
}

std::optional<std::int64_t> CsvValueConverter::readTime(const std::string& text) const
{
    if (auto seconds = m_time.parse(text)) {
        return seconds;
    }
    if (auto seconds = parseIso8601(text, IsoForm::TimeOfDay)) {
        return seconds;
    }
    return parseIso8601(text, IsoForm::DateAndTime);
}

std::optional<std::int64_t> CsvValueConverter::readDateTime(const std::string& text) const
{
    if (auto seconds = m_longDateTime.parse(text)) {
        return seconds;
    }
    if (auto seconds = m_numericDateTime.parse(text)) {
        return seconds;
    }
    return parseIso8601(text, IsoForm::DateAndTime);
}

std::optional<std::int64_t> CsvValueConverter::parseDate(std::string_view text)
{
    return parseCached(m_dates, text, &CsvValueConverter::readDate);
}

std::optional<std::int64_t> CsvValueConverter::parseTime(std::string_view text)
{
    return parseCached(m_times, text, &CsvValueConverter::readTime);
}

std::optional<std::int64_t> CsvValueConverter::parseDateTime(std::string_view text)
{
    return parseCached(m_dateTimes, text, &CsvValueConverter::readDateTime);
}

std::string_view CsvValueConverter::checkboxValue(std::string_view text)
{
    if (text.empty()) {
        return "0";
    }
    if (text[0] >= '0' && text[0] <= '9') {
        return leadingReal(text) != 0 ? "1" : "0";
    }
    return "1";
}

std::string CsvValueConverter::previewNumber(std::string_view text)
{
    std::string cleaned;
    cleaned.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ' ') {
            continue;
        }
        // No-break and narrow no-break spaces group thousands in many locales.
        if (text.substr(i).starts_with("\xC2\xA0")) {
            ++i;
            continue;
        }
        if (text.substr(i).starts_with("\xE2\x80\xAF")) {
            i += 2;
            continue;
        }
        cleaned += c == ',' ? '.' : c;
    }
    std::array<char, 32> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), leadingReal(cleaned));
    return std::string(buffer.data(), result.ptr);
}

std::optional<FieldValue> CsvValueConverter::importValue(int type, std::string_view text)
{
    std::optional<std::int64_t> seconds;
    switch (type) {
    case FieldType::Date:
        seconds = parseDate(text);
        break;
    case FieldType::Time:
        seconds = parseTime(text);
        break;
    case FieldType::DateTime:
        seconds = parseDateTime(text);
        if (seconds) {
            const std::string moment = std::to_string(*seconds);
            return FieldValue::dateTime(moment, moment);
        }
        break;
    case FieldType::Checkbox:
        return FieldValue::text(checkboxValue(text));
    case FieldType::Password:
        return FieldValue::password(text);
    default:
        return FieldValue::text(text);
    }
    if (seconds) {
        return FieldValue::text(std::to_string(*seconds));
    }
    if (withoutBlanks(text).empty()) {
        return emptyValue(type);
    }
    return std::nullopt;
}

FieldValue CsvValueConverter::emptyValue(int type)
{
    return type == FieldType::DateTime ? FieldValue::dateTime("", "") : FieldValue::text("");
}

std::string CsvValueConverter::previewText(int type, std::string_view text)
{
    std::optional<std::int64_t> seconds;
    switch (type) {
    case FieldType::Number:
        return previewNumber(text);
    case FieldType::Date:
        seconds = parseDate(text);
        return seconds ? m_longDate.format(*seconds) : std::string();
    case FieldType::Time:
        seconds = parseTime(text);
        return seconds ? m_time.format(*seconds) : std::string();
    case FieldType::DateTime:
        seconds = parseDateTime(text);
        return seconds ? m_longDateTime.format(*seconds) : std::string();
    default:
        return std::string(text);
    }
}

} // namespace dossiva
