#include "storage/CsvValueConverter.h"

#include "fields/FieldModel.h"
#include "fields/TextNumbers.h"

#include <array>
#include <charconv>

namespace dossiva {

namespace {

// Enough for every distinct date of a large file's columns; past it, texts
// are parsed each time rather than held without bound.
constexpr std::size_t kCacheLimit = 1 << 16;

constexpr const char* kLongDatePattern = "d MMMM yyyy";
constexpr const char* kTimePattern = "HH:mm";
constexpr const char* kLongDateTimePattern = "d MMMM yyyy HH:mm";

} // namespace

CsvValueConverter::CsvValueConverter()
    : m_longDate(DateFormat::withPattern(kLongDatePattern)),
      m_numericDate(DateFormat::withPattern("dd/MM/yyyy")), m_time(DateFormat::withPattern(kTimePattern)),
      m_longDateTime(DateFormat::withPattern(kLongDateTimePattern)),
      m_numericDateTime(DateFormat::withPattern("dd/MM/yyyy HH:mm"))
{
}

std::optional<std::int64_t> CsvValueConverter::parseCached(Cache& cache, std::string_view text,
                                                           const DateFormat& first, const DateFormat* second)
{
    if (text.empty()) {
        return std::nullopt;
    }
    if (const auto found = cache.find(text); found != cache.end()) {
        return found->second;
    }
    const std::string owned(text);
    std::optional<std::int64_t> seconds = first.parse(owned);
    if (!seconds && second != nullptr) {
        seconds = second->parse(owned);
    }
    if (cache.size() < kCacheLimit) {
        cache.emplace(owned, seconds);
    }
    return seconds;
}

std::optional<std::int64_t> CsvValueConverter::parseDate(std::string_view text)
{
    return parseCached(m_dates, text, m_longDate, &m_numericDate);
}

std::optional<std::int64_t> CsvValueConverter::parseTime(std::string_view text)
{
    return parseCached(m_times, text, m_time, nullptr);
}

std::optional<std::int64_t> CsvValueConverter::parseDateTime(std::string_view text)
{
    return parseCached(m_dateTimes, text, m_longDateTime, &m_numericDateTime);
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

FieldValue CsvValueConverter::importValue(int type, std::string_view text)
{
    switch (type) {
    case FieldType::Date:
        if (const auto seconds = parseDate(text)) {
            return FieldValue::text(std::to_string(*seconds));
        }
        return FieldValue::text("");
    case FieldType::Time:
        if (const auto seconds = parseTime(text)) {
            return FieldValue::text(std::to_string(*seconds));
        }
        return FieldValue::text("");
    case FieldType::DateTime:
        if (const auto seconds = parseDateTime(text)) {
            const std::string moment = std::to_string(*seconds);
            return FieldValue::dateTime(moment, moment);
        }
        return FieldValue::dateTime("", "");
    case FieldType::Checkbox:
        return FieldValue::text(checkboxValue(text));
    case FieldType::Password:
        return FieldValue::password(text);
    default:
        return FieldValue::text(text);
    }
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
