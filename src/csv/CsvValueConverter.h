#pragma once

#include "fields/FieldValue.h"
#include "platform/DateFormat.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace dossiva {

// Reads CSV cells as the values of the field types they are imported into,
// and shows them as the import window's preview does. Dates and times are
// read in the computer's time zone: "d MMMM yyyy" or "d/M/yyyy" (one or two
// digits for the day and the month) for a date, "HH:mm" for a time, both
// joined by a blank for a date and time; and in ISO 8601, as spreadsheets and
// scripts write them ("2024-03-01", "2024-03-01T14:30:00+01:00", "14:30:00").
// A date or a time column also reads a whole ISO moment, as the command line
// lists every date field. Blanks around a cell are ignored.
class CsvValueConverter {
public:
    CsvValueConverter();

    std::optional<std::int64_t> parseDate(std::string_view text);
    std::optional<std::int64_t> parseTime(std::string_view text);
    std::optional<std::int64_t> parseDateTime(std::string_view text);

    // The value a record of the new database holds for the cell, or nullopt
    // when the cell holds text that a field of the type cannot read (a word
    // in a date column).
    std::optional<FieldValue> importValue(int type, std::string_view text);
    // What a date, time or date and time field holds for an empty or
    // unreadable cell.
    static FieldValue emptyValue(int type);
    // The cell as the preview shows it.
    std::string previewText(int type, std::string_view text);

    // "0" for an empty cell; a cell starting with a digit is "1" or "0" by
    // its value as a number; anything else is ticked.
    static std::string_view checkboxValue(std::string_view text);
    // Blanks removed, a comma read as the decimal point, shown as a real.
    static std::string previewNumber(std::string_view text);

private:
    struct TransparentHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
    };
    using Cache =
        std::unordered_map<std::string, std::optional<std::int64_t>, TransparentHash, std::equal_to<>>;
    using Reader = std::optional<std::int64_t> (CsvValueConverter::*)(const std::string&) const;

    // The same texts come back in column after column, so results are kept.
    std::optional<std::int64_t> parseCached(Cache& cache, std::string_view text, Reader read);
    std::optional<std::int64_t> readDate(const std::string& text) const;
    std::optional<std::int64_t> readTime(const std::string& text) const;
    std::optional<std::int64_t> readDateTime(const std::string& text) const;

    DateFormat m_longDate;
    DateFormat m_numericDate;
    DateFormat m_time;
    DateFormat m_longDateTime;
    DateFormat m_numericDateTime;
    Cache m_dates;
    Cache m_times;
    Cache m_dateTimes;
};

} // namespace dossiva
