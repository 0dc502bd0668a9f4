#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dossiva {

// The rows of a CSV file, held compactly: every cell's characters sit once in
// one text buffer, and each row is a run of cell boundaries. A row shorter
// than another reads as padded with empty cells, so rows never need copying
// when a later row adds columns.
class CsvRows {
public:
    // The most characters the rows can hold.
    static constexpr std::size_t kLargestText = UINT32_MAX;

    std::size_t size() const { return m_rowStarts.size(); }
    bool empty() const { return m_rowStarts.empty(); }

    // The cells the row was read with.
    std::size_t cellCount(std::size_t row) const;
    // The cell, or "" past the row's end.
    std::string_view cell(std::size_t row, std::size_t column) const;
    // The row's cells, padded with empty cells to at least `columns`.
    std::vector<std::string> row(std::size_t index, std::size_t columns = 0) const;

    // Building: characters go into the open cell, which endCell() closes;
    // endRow() closes the row. A row without cells is discarded.
    void append(std::string_view characters);
    void append(char character) { append(std::string_view(&character, 1)); }
    // Takes the text the rows will be read from, and returns it from `start`
    // on: the cells are then written over it as it is read, so a large file
    // is held once. That is sound while every character appended lies at or
    // after the place it goes to, as it does while the cells never hold more
    // characters than the text read so far.
    std::string_view readInPlace(std::string&& text, std::size_t start);
    // The characters of the open cell so far.
    std::string_view openCell() const;
    void endCell();
    void endRow();
    // Cells closed since the last endRow().
    std::size_t cellsInOpenRow() const { return m_cellEnds.size() - m_openRowStart; }

    void clear();

private:
    std::size_t cellStart(std::size_t cellIndex) const
    {
        return cellIndex == 0 ? 0 : m_cellEnds[cellIndex - 1];
    }
    std::size_t rowEnd(std::size_t row) const;

    // Offsets are 32-bit to halve what a large file's cells cost; the reader
    // refuses texts too long for them.
    std::string m_text;
    std::size_t m_size = 0;                 // the cells' characters are m_text's first m_size
    std::vector<std::uint32_t> m_cellEnds;  // end offset in m_text of every cell
    std::vector<std::uint32_t> m_rowStarts; // index in m_cellEnds of each row's first cell
    std::uint32_t m_openRowStart = 0;
};

} // namespace dossiva
