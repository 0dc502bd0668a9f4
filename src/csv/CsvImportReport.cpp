#include "csv/CsvImportReport.h"

#include "fields/FieldModel.h"

namespace dossiva {

namespace {

// What a value of the type is called, one and many.
std::pair<const char*, const char*> valueNames(int type)
{
    switch (type) {
    case FieldType::Date:
        return {"a date", "dates"};
    case FieldType::Time:
        return {"a time", "times"};
    case FieldType::DateTime:
        return {"a date and time", "dates and times"};
    default:
        return {"a value of its type", "values of its type"};
    }
}

} // namespace

void CsvImportReport::addUnreadable(std::size_t column, std::string_view name, int type, std::size_t row)
{
    Column& entry = m_columns[column];
    if (entry.count == 0) {
        entry.name = name;
        entry.type = type;
    }
    ++entry.count;
    if (entry.rows.size() < kRowsNamed) {
        entry.rows.push_back(row);
    }
}

std::string CsvImportReport::sentence(const Column& column)
{
    const bool one = column.count == 1;
    const auto [single, plural] = valueNames(column.type);
    std::string text = std::to_string(column.count) + (one ? " value of \"" : " values of \"") + column.name +
                       "\" could not be read as " + (one ? single : plural) + (one ? " (row " : " (rows ");
    for (std::size_t i = 0; i < column.rows.size(); ++i) {
        text += (i == 0 ? "" : ", ") + std::to_string(column.rows[i]);
    }
    if (column.count > column.rows.size()) {
        text += " and " + std::to_string(column.count - column.rows.size()) + " more";
    }
    return text + ")";
}

std::string CsvImportReport::text() const
{
    std::string text;
    std::size_t named = 0;
    for (const auto& [index, column] : m_columns) {
        if (named == kColumnsNamed) {
            const std::size_t more = m_columns.size() - named;
            return text + "\n" + std::to_string(more) +
                   (more == 1 ? " more column holds" : " more columns hold") +
                   " values that could not be read.";
        }
        if (!text.empty()) {
            text += '\n';
        }
        text += sentence(column);
        ++named;
    }
    return text;
}

} // namespace dossiva
