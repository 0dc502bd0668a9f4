#pragma once

#include "platform/Failure.h"
#include "platform/TextEncoding.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dossiva {

// A CSV file being written in one of the five encodings. Cells are quoted as
// CSV needs and gathered as UTF-8; whole chunks of rows are converted and
// written at once. When a chunk does not convert, it is written again piece
// by piece up to the first cell that does not, so the file ends exactly where
// a cell-by-cell writer would have stopped.
class CsvOutputFile {
public:
    enum class Result { Ok, Unwritable, Unencodable };

    explicit CsvOutputFile(TextEncoding encoding) : m_encoding(encoding) {}
    ~CsvOutputFile();
    CsvOutputFile(const CsvOutputFile&) = delete;
    CsvOutputFile& operator=(const CsvOutputFile&) = delete;

    // Starts the file; a UTF-16 file starts with FF FE. It is written
    // beside `path` and replaces what is there only when close() succeeds;
    // a file that is never closed leaves `path` as it was.
    bool open(const std::string& path);

    // A cell: enclosed in double quotes when it holds a double quote (each
    // then doubled), a line break, a comma, a semicolon or a tab, or starts
    // or ends with a blank; otherwise as it is.
    void appendCell(std::string_view text);
    // The cell as appendCell writes it, added to `out`: for other writers
    // of CSV that this program's import must read back the same.
    static void appendQuoted(std::string& out, std::string_view text);
    void appendComma() { m_chunk.push_back(','); }
    // Ends a row with a line feed; writes the chunk once it is large.
    Result endRow();
    // Writes what is left, closes the file and puts it in place.
    Result close();
    // Why the file could not be written ("cannot write PATH: No space left
    // on device"), after a result of Unwritable or a failed open.
    const Failure& failure() const { return m_failure; }

private:
    Result flush();
    bool writeBytes(std::string_view bytes);
    // Keeps errno's reason, naming the file.
    void noteFailure(int error);

    TextEncoding m_encoding;
    std::string m_path;
    std::string m_partial; // where the file is written until it is complete
    std::FILE* m_file = nullptr;
    std::string m_chunk;                                      // UTF-8 text not yet written
    std::vector<std::pair<std::size_t, std::size_t>> m_cells; // each cell's span in m_chunk
    Failure m_failure;
};

} // namespace dossiva
