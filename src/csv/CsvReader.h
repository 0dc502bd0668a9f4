#pragma once

#include "csv/CsvRows.h"
#include "platform/TextEncoding.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dossiva {

// What reading a CSV file came to; the numbers are those the import window
// shows its messages by.
enum class CsvReadStatus {
    Undecodable = 0, // a character does not decode in the chosen encoding
    NoData = 1,      // the file decodes but holds no value at all
    ReadError = 2,   // the file cannot be opened or read
    Done = 3,
    Refused = 4, // not read, for a reason the user can act on (CsvReader::refusal())
};

// Why a file was not read.
struct CsvRefusal {
    enum class Kind { None, NotAFile, TooLarge, TooManyColumns };
    Kind kind = Kind::None;
    std::string message; // a sentence for the user
};

// Separator matrix tags.
enum class CsvSeparator { Comma = 0, Tab = 1, Semicolon = 2 };

char separatorCharacter(CsvSeparator separator);

// A column of the file as a field of the database to be made.
struct CsvProposedField {
    std::string name; // NM
    int type = 1;     // FT
};

// Reads a CSV file into rows of strings and proposes a field for each
// column: the first column is the main field, the others small text, or large
// text when one of their values is long or spans lines. The separator is
// guessed from the first line once; after that it stays as set.
//
// The whole file is held in memory, so what cannot become a database is
// refused before it costs much more than the file itself: anything but a
// regular file (a pipe or a device never ends), a file above a size limit,
// and a row with more values than a database has room for fields.
class CsvReader {
public:
    // Values this long (in characters) or longer propose large text.
    static constexpr std::size_t kLargeTextLength = 1025;
    // Files larger than this are refused unless the caller allows more.
    static constexpr std::uint64_t kDefaultLargestFile = std::uint64_t{1} << 30;
    // The most fields a database can have, so the most values a row may
    // hold: SQLite's column limit, less the columns of a record's id and
    // its two dates.
    static std::size_t largestColumnCount();

    // Reads the file, replacing what an earlier read found. Without an
    // encoding the file's byte-order mark decides: UTF-16 of its byte order,
    // otherwise UTF-8.
    CsvReadStatus importCSVFile(const std::string& path, std::optional<TextEncoding> encoding,
                                std::uint64_t largestFile = kDefaultLargestFile);
    // Why the last read was refused; Kind::None unless it was.
    const CsvRefusal& refusal() const { return m_refusal; }

    // The encoding the last read used.
    TextEncoding usedEncoding() const { return m_usedEncoding; }

    CsvSeparator separator() const { return m_separator; }
    // A separator chosen by the user; it also ends the guessing.
    void setSeparator(CsvSeparator separator);
    bool separatorFound() const { return m_separatorFound; }

    const std::vector<CsvProposedField>& structure() const { return m_structure; }
    std::vector<CsvProposedField>& structure() { return m_structure; }
    const CsvRows& data() const { return m_data; }
    // True when the file ended inside a quoted value: its last value then
    // holds the rest of the file.
    bool endsInsideQuotes() const { return m_endsInsideQuotes; }

    // Splits text into rows of values: the separator and line breaks outside
    // double quotes divide, a doubled double quote inside quotes stands for
    // one, blanks after a separator are skipped, a final empty value of a
    // line is dropped and so are rows without values.
    static std::vector<std::vector<std::string>> parseCSVString(std::string_view text,
                                                                CsvSeparator separator);

private:
    // Reads the text from `start` on; the rows keep it.
    CsvReadStatus readText(std::string&& text, std::size_t start);
    void detectSeparator(std::string_view firstLine);
    void proposeFields(std::size_t row, bool lineHasQuotes);
    void clear();

    CsvSeparator m_separator = CsvSeparator::Comma;
    bool m_separatorFound = false;
    TextEncoding m_usedEncoding = TextEncoding::UTF8;
    std::vector<CsvProposedField> m_structure;
    CsvRows m_data;
    bool m_endsInsideQuotes = false;
    CsvRefusal m_refusal;
};

} // namespace dossiva
