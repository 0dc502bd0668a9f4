#include "csv/CsvRows.h"

#include <algorithm>
#include <cstring>

namespace dossiva {

std::size_t CsvRows::rowEnd(std::size_t row) const
{
    return row + 1 < m_rowStarts.size() ? m_rowStarts[row + 1] : m_openRowStart;
}

std::size_t CsvRows::cellCount(std::size_t row) const
{
    return row < m_rowStarts.size() ? rowEnd(row) - m_rowStarts[row] : 0;
}

std::string_view CsvRows::cell(std::size_t row, std::size_t column) const
{
    if (column >= cellCount(row)) {
        return {};
    }
    const std::size_t index = m_rowStarts[row] + column;
    const std::size_t start = cellStart(index);
    return std::string_view(m_text).substr(start, m_cellEnds[index] - start);
}

std::vector<std::string> CsvRows::row(std::size_t index, std::size_t columns) const
{
    const std::size_t count = cellCount(index);
    std::vector<std::string> cells;
    cells.reserve(std::max(count, columns));
    for (std::size_t column = 0; column < count; ++column) {
        cells.emplace_back(cell(index, column));
    }
    cells.resize(std::max(count, columns));
    return cells;
}

void CsvRows::append(std::string_view characters)
{
    if (characters.size() > m_text.size() - m_size) {
        m_text.resize(m_size);
        m_text.append(characters);
    } else {
        // Read in place: the characters lie at or after where they go.
        std::memmove(m_text.data() + m_size, characters.data(), characters.size());
    }
    m_size += characters.size();
}

std::string_view CsvRows::readInPlace(std::string&& text, std::size_t start)
{
    clear();
    m_text = std::move(text);
    return std::string_view(m_text).substr(start);
}

std::string_view CsvRows::openCell() const
{
    const std::size_t start = m_cellEnds.empty() ? 0 : m_cellEnds.back();
    return std::string_view(m_text).substr(start, m_size - start);
}

void CsvRows::endCell()
{
    m_cellEnds.push_back(static_cast<std::uint32_t>(m_size));
}

void CsvRows::endRow()
{
    if (m_cellEnds.size() > m_openRowStart) {
        m_rowStarts.push_back(m_openRowStart);
        m_openRowStart = static_cast<std::uint32_t>(m_cellEnds.size());
    }
}

void CsvRows::clear()
{
    // Swapping with empty containers gives the memory back, not just the size.
    std::string().swap(m_text);
    m_size = 0;
    std::vector<std::uint32_t>().swap(m_cellEnds);
    std::vector<std::uint32_t>().swap(m_rowStarts);
    m_openRowStart = 0;
}

} // namespace dossiva
