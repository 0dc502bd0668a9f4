#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace dossiva::cli {

// Rows of text printed in aligned columns, widths counted in characters
// (UTF-8 aware), long cells cut with an ellipsis. Cells are shown on one line
// (line breaks as arrows) and never print a control character.
class TextTable {
public:
    explicit TextTable(std::vector<std::string> header, std::size_t maxCellWidth = 40);
    void addRow(std::vector<std::string> row);
    void print(std::ostream& out) const;

private:
    std::vector<std::string> m_header;
    std::vector<std::vector<std::string>> m_rows;
    std::size_t m_maxCellWidth;
};

// The number of characters (code points) of UTF-8 text.
std::size_t displayWidth(const std::string& text);

} // namespace dossiva::cli
