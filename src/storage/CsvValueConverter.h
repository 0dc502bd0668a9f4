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
// read in the computer's time zone: "d MMMM yyyy" or "dd/MM/yyyy" for a date,
// "HH:mm" for a time, both joined by a blank for a date and time.
class CsvValueConverter {
public:
    CsvValueConverter();

    std::optional<std::int64_t> parseDate(std::string_view text);
    std::optional<std::int64_t> parseTime(std::string_view text);
    std::optional<std::int64_t> parseDateTime(std::string_view text);

    // The value a record of the new database holds for the cell.
    FieldValue importValue(int type, std::string_view text);
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

    // Parses with the first format, then the second when there is one. The
    // same texts come back in column after column, so results are kept.
    std::optional<std::int64_t> parseCached(Cache& cache, std::string_view text, const DateFormat& first,
                                            const DateFormat* second);

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
