#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace dossiva {

// The values an import could not read as their field's type (a word in a
// date column), which the new records hold empty: per column, how many and
// the first rows of the file that hold them, numbered from 1 as the rows
// were read (the label row included).
class CsvImportReport {
public:
    // Rows named per column, and columns named; the report says how many
    // more there are.
    static constexpr std::size_t kRowsNamed = 5;
    static constexpr std::size_t kColumnsNamed = 10;

    // Column is the field's place in the form.
    void addUnreadable(std::size_t column, std::string_view name, int type, std::size_t row);

    bool empty() const { return m_columns.empty(); }
    // One sentence per column with unreadable values, in form order, one
    // per line: 3 values of "Born" could not be read as dates (rows 4, 9, 12)
    std::string text() const;

private:
    struct Column {
        std::string name;
        int type = 0;
        std::size_t count = 0;
        std::vector<std::size_t> rows; // the first kRowsNamed
    };
    static std::string sentence(const Column& column);

    std::map<std::size_t, Column> m_columns;
};

} // namespace dossiva
