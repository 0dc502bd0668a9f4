#include "cli/TextTable.h"

#include "platform/PrintableText.h"

#include <algorithm>

namespace dossiva::cli {

std::size_t displayWidth(const std::string& text)
{
    return static_cast<std::size_t>(std::count_if(
        text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

namespace {

// The cell on one line: each line break ("\r\n", "\n" or "\r") shows as
// an arrow and a tab as a blank, so a value of several lines stays readable.
std::string oneLine(const std::string& cell)
{
    std::string line;
    for (std::size_t i = 0; i < cell.size(); ++i) {
        if (cell[i] == '\r' || cell[i] == '\n') {
            line += "\u21b5";
            i += cell.compare(i, 2, "\r\n") == 0 ? 1 : 0;
        } else {
            line += cell[i] == '\t' ? ' ' : cell[i];
        }
    }
    return line;
}

// The cell as printed: one line without control characters, at most `width`
// characters.
std::string fitted(const std::string& cell, std::size_t width)
{
    const std::string line = printableText(oneLine(cell));
    if (displayWidth(line) <= width) {
        return line;
    }
    std::string cut;
    std::size_t characters = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const bool starts = (static_cast<unsigned char>(line[i]) & 0xC0) != 0x80;
        if (starts && ++characters > width - 1) {
            break;
        }
        cut += line[i];
    }
    return cut + "\u2026";
}

} // namespace

TextTable::TextTable(std::vector<std::string> header, std::size_t maxCellWidth)
    : m_header(std::move(header)), m_maxCellWidth(std::max<std::size_t>(maxCellWidth, 2))
{
}

void TextTable::addRow(std::vector<std::string> row)
{
    row.resize(m_header.size());
    m_rows.push_back(std::move(row));
}

void TextTable::print(std::ostream& out) const
{
    std::vector<std::vector<std::string>> cells;
    cells.reserve(m_rows.size() + 1);
    cells.push_back({});
    for (const auto& title : m_header) {
        cells.back().push_back(fitted(title, m_maxCellWidth));
    }
    for (const auto& row : m_rows) {
        cells.push_back({});
        for (const auto& cell : row) {
            cells.back().push_back(fitted(cell, m_maxCellWidth));
        }
    }
    std::vector<std::size_t> widths(m_header.size(), 0);
    for (const auto& row : cells) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            widths[i] = std::max(widths[i], displayWidth(row[i]));
        }
    }
    const auto printRow = [&](const std::vector<std::string>& row) {
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i) {
            line += row[i];
            if (i + 1 < row.size()) {
                line += std::string(widths[i] - displayWidth(row[i]) + 2, ' ');
            }
        }
        out << line << '\n';
    };
    printRow(cells.front());
    std::string rule;
    for (std::size_t i = 0; i < widths.size(); ++i) {
        rule += std::string(widths[i], '-') + (i + 1 < widths.size() ? "  " : "");
    }
    out << rule << '\n';
    for (std::size_t i = 1; i < cells.size(); ++i) {
        printRow(cells[i]);
    }
}

} // namespace dossiva::cli
