#pragma once

#include <cstddef>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace dossiva::cli {

// Rows of text printed in aligned columns for people. Widths are counted in
// terminal columns, so Chinese, Japanese or Korean text and emoji line up.
// Cells are shown on one line (line breaks as arrows) and never print a
// control character. Given a width (the terminal's), the columns that may
// be cut are narrowed, the widest first, until each line fits; a cut cell
// ends with an ellipsis. Columns that are never cut hold what people copy
// into the next command (names, ids).
class TextTable {
public:
    enum class Fit { MayCut, Whole };
    struct Column {
        std::string title;
        Fit fit = Fit::MayCut;
    };

    explicit TextTable(std::vector<Column> columns);
    void addRow(std::vector<std::string> row);
    void print(std::ostream& out, std::optional<std::size_t> width) const;

private:
    std::vector<std::size_t> columnWidths(const std::vector<std::vector<std::string>>& cells,
                                          std::optional<std::size_t> width) const;

    std::vector<Column> m_columns;
    std::vector<std::vector<std::string>> m_rows;
};

// The width tables are fitted to: the terminal's when standard output is
// one, else $COLUMNS when set, else none (a file or a pipe gets every
// character).
std::optional<std::size_t> outputWidth();

} // namespace dossiva::cli
