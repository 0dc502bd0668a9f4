#include "cli/TextTable.h"

#include "platform/PrintableText.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>

#include <sys/ioctl.h>
#include <unistd.h>

namespace dossiva::cli {

namespace {

constexpr std::size_t kGap = 2;
// A cut column keeps at least this much, so it still says something.
constexpr std::size_t kNarrowest = 6;

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

// The printable line cut to `width` columns, with an ellipsis when cut.
std::string cut(const std::string& line, std::size_t width)
{
    if (displayColumns(line) <= width) {
        return line;
    }
    std::string kept;
    std::size_t columns = 0;
    for (std::size_t i = 0; i < line.size();) {
        const CharacterColumns character = characterColumns(line, i);
        if (columns + character.columns > width - 1) {
            break;
        }
        kept.append(line, i, character.length);
        columns += character.columns;
        i += character.length;
    }
    return kept + "\u2026";
}

} // namespace

std::optional<std::size_t> outputWidth()
{
    winsize size{};
    if (::isatty(STDOUT_FILENO) != 0 && ::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        return size.ws_col;
    }
    const char* columns = std::getenv("COLUMNS");
    std::size_t value = 0;
    if (columns != nullptr &&
        std::from_chars(columns, columns + std::strlen(columns), value).ptr ==
            columns + std::strlen(columns) &&
        value > 0) {
        return value;
    }
    return std::nullopt;
}

TextTable::TextTable(std::vector<Column> columns) : m_columns(std::move(columns))
{
}

void TextTable::addRow(std::vector<std::string> row)
{
    row.resize(m_columns.size());
    m_rows.push_back(std::move(row));
}

std::vector<std::size_t> TextTable::columnWidths(const std::vector<std::vector<std::string>>& cells,
                                                 std::optional<std::size_t> width) const
{
    std::vector<std::size_t> widths(m_columns.size(), 0);
    for (const auto& row : cells) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            widths[i] = std::max(widths[i], displayColumns(row[i]));
        }
    }
    if (!width) {
        return widths;
    }
    const auto total = [&] {
        std::size_t sum = kGap * (widths.size() - 1);
        for (const std::size_t w : widths) {
            sum += w;
        }
        return sum;
    };
    for (std::size_t over = total(); over > *width;) {
        // The widest column that may still give.
        std::size_t widest = widths.size();
        for (std::size_t i = 0; i < widths.size(); ++i) {
            if (m_columns[i].fit == Fit::MayCut && widths[i] > kNarrowest &&
                (widest == widths.size() || widths[i] > widths[widest])) {
                widest = i;
            }
        }
        if (widest == widths.size()) {
            break; // as narrow as it goes: the lines wrap
        }
        const std::size_t give = std::min(over - *width, widths[widest] - kNarrowest);
        const std::size_t step = std::max<std::size_t>(1, give / 2);
        widths[widest] -= step;
        over -= step;
    }
    return widths;
}

void TextTable::print(std::ostream& out, std::optional<std::size_t> width) const
{
    std::vector<std::vector<std::string>> cells;
    cells.reserve(m_rows.size() + 1);
    cells.emplace_back();
    for (const auto& column : m_columns) {
        cells.back().push_back(printableText(oneLine(column.title)));
    }
    for (const auto& row : m_rows) {
        cells.emplace_back();
        for (const auto& cell : row) {
            cells.back().push_back(printableText(oneLine(cell)));
        }
    }
    const std::vector<std::size_t> widths = columnWidths(cells, width);
    const auto printRow = [&](const std::vector<std::string>& row) {
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i) {
            const std::string shown = cut(row[i], widths[i]);
            line += shown;
            if (i + 1 < row.size()) {
                line += std::string(widths[i] - displayColumns(shown) + kGap, ' ');
            }
        }
        out << line << '\n';
    };
    printRow(cells.front());
    std::string rule;
    for (std::size_t i = 0; i < widths.size(); ++i) {
        rule += std::string(widths[i], '-') + (i + 1 < widths.size() ? std::string(kGap, ' ') : "");
    }
    out << rule << '\n';
    for (std::size_t i = 1; i < cells.size(); ++i) {
        printRow(cells[i]);
    }
}

} // namespace dossiva::cli
