#include "csv/CsvReader.h"

#include "csv/CsvText.h"
#include "platform/Log.h"
#include "storage/SqliteConnection.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace dossiva {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

bool isLineBreak(char c)
{
    return c == '\n' || c == '\r';
}

// Blanks after a separator are skipped, but never the separator itself: with
// tabs between values, a second tab is an empty value, not a blank.
bool isSkippedBlank(char c, char separator)
{
    return (c == ' ' || c == '\t') && c != separator;
}

// "1 GiB" for whole units, else the bytes.
std::string byteCount(std::uint64_t bytes)
{
    constexpr std::array<const char*, 4> kUnits = {"TiB", "GiB", "MiB", "KiB"};
    for (std::size_t i = 0; i < kUnits.size(); ++i) {
        const std::uint64_t unit = std::uint64_t{1} << (10 * (kUnits.size() - i));
        if (bytes >= unit && bytes % unit == 0) {
            return std::to_string(bytes / unit) + " " + kUnits[i];
        }
    }
    return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
}

CsvRefusal tooLarge(std::uint64_t largest)
{
    return {CsvRefusal::Kind::TooLarge,
            "The file is too large to import: the limit is " + byteCount(largest) + "."};
}

CsvRefusal tooManyColumns(std::size_t row, std::size_t largest)
{
    const std::string count = std::to_string(largest);
    return {CsvRefusal::Kind::TooManyColumns, "Row " + std::to_string(row) + " has more than " + count +
                                                  " values, but a database can have at most " + count +
                                                  " fields."};
}

CsvRefusal notAFile(mode_t mode)
{
    const char* kind = S_ISDIR(mode)                    ? "a folder"
                       : S_ISFIFO(mode)                 ? "a pipe"
                       : S_ISCHR(mode) || S_ISBLK(mode) ? "a device"
                       : S_ISSOCK(mode)                 ? "a socket"
                                                        : "not a regular file";
    return {CsvRefusal::Kind::NotAFile,
            std::string("This is ") + kind + ", not a file: only a file can be imported."};
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// The whole file, or nullopt when it cannot be opened or read, or is
// refused (then `refusal` says why). A pipe or a device is refused without
// waiting for it: opening does not block, and nothing is read from it.
std::optional<std::string> readWholeFile(const std::string& path, std::uint64_t largest, CsvRefusal& refusal)
{
    const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.get() < 0) {
        devLog("CSV: cannot open '" + path + "': " + std::strerror(errno));
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) {
        devLog("CSV: cannot read '" + path + "': " + std::strerror(errno));
        return std::nullopt;
    }
    if (!S_ISREG(info.st_mode)) {
        refusal = notAFile(info.st_mode);
        return std::nullopt;
    }
    if (static_cast<std::uint64_t>(info.st_size) > largest) {
        refusal = tooLarge(largest);
        return std::nullopt;
    }
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[1 << 16];
    for (;;) {
        const ssize_t count = ::read(fd.get(), buffer, sizeof buffer);
        if (count == 0) {
            break;
        }
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            devLog("CSV: cannot read '" + path + "': " + std::strerror(errno));
            return std::nullopt;
        }
        // The file may grow while it is read.
        if (bytes.size() + static_cast<std::size_t>(count) > largest) {
            refusal = tooLarge(largest);
            return std::nullopt;
        }
        bytes.append(buffer, static_cast<std::size_t>(count));
    }
    return bytes;
}

// Turns the file's bytes into UTF-8 text in place. UTF-8 files are only
// checked and their byte-order mark skipped (start tells where the text
// begins); the other encodings are converted. False when a character does
// not decode.
bool decodeInPlace(std::string& bytes, std::optional<TextEncoding> chosen, TextEncoding& used,
                   std::size_t& start)
{
    start = 0;
    if (!chosen) {
        const bool utf16Mark = bytes.starts_with("\xFE\xFF") || bytes.starts_with("\xFF\xFE");
        chosen = utf16Mark ? TextEncoding::UTF16 : TextEncoding::UTF8;
    }
    used = *chosen;
    if (used == TextEncoding::UTF8) {
        start = std::string_view(bytes).starts_with(kUtf8Mark) ? kUtf8Mark.size() : 0;
        if (!CsvText::isValidUtf8(std::string_view(bytes).substr(start))) {
            return false;
        }
    } else {
        // A UTF-16 byte-order mark, when there is one, says the byte order;
        // without one the text is little-endian. An odd byte count does not
        // decode.
        auto text = decodeText(bytes, used);
        if (!text) {
            return false;
        }
        bytes = std::move(*text);
    }
    // Text files hold no NUL characters: one means the encoding is wrong
    // (UTF-16 without a byte-order mark read as UTF-8, for instance).
    return std::string_view(bytes).substr(start).find('\0') == std::string_view::npos;
}

// Parses lines of CSV text into rows. A line ends at a line break outside
// double quotes, and the line break right after it (CR LF) goes with it.
class LineParser {
public:
    struct Line {
        std::size_t next;   // where the next line starts
        bool hadQuotes;     // the line holds a double quote
        bool endedInQuotes; // the text ended inside a quoted value
        bool tooManyValues; // parsing stopped at the value past the largest count
    };

    LineParser(char separator, std::size_t largestCount)
        : m_separator(separator), m_largestCount(largestCount)
    {
        for (const char c : {separator, '"', '\r', '\n'}) {
            m_stops[static_cast<unsigned char>(c)] = true;
        }
    }

    // Appends the line starting at `start` to rows as one row, dropped when
    // it has no value. A line with more values than the largest count stops
    // at the first value too many: a line of a million separators costs no
    // more than one the reader accepts.
    Line parse(std::string_view text, std::size_t start, CsvRows& rows) const
    {
        const std::size_t n = text.size();
        bool inQuotes = false;
        bool hadQuotes = false;
        std::size_t i = start;
        while (i < n) {
            const char c = text[i];
            if (c == '"') {
                hadQuotes = true;
                if (inQuotes && i + 1 < n && text[i + 1] == '"') {
                    rows.append('"');
                    i += 2;
                } else {
                    inQuotes = !inQuotes;
                    ++i;
                }
            } else if (inQuotes) {
                // Everything up to the next double quote is the value's.
                const void* quote = std::memchr(text.data() + i, '"', n - i);
                const std::size_t end = quote ? static_cast<const char*>(quote) - text.data() : n;
                rows.append(text.substr(i, end - i));
                i = end;
            } else if (c == m_separator) {
                rows.endCell();
                if (rows.cellsInOpenRow() > m_largestCount) {
                    return {i, hadQuotes, inQuotes, true};
                }
                for (++i; i < n && isSkippedBlank(text[i], m_separator); ++i) {
                }
            } else if (isLineBreak(c)) {
                ++i;
                if (i < n && isLineBreak(text[i])) {
                    ++i;
                }
                break;
            } else {
                std::size_t end = i + 1;
                while (end < n && !m_stops[static_cast<unsigned char>(text[end])]) {
                    ++end;
                }
                rows.append(text.substr(i, end - i));
                i = end;
            }
        }
        // A final empty value is not a value.
        if (!rows.openCell().empty()) {
            rows.endCell();
        }
        if (rows.cellsInOpenRow() > m_largestCount) {
            return {i, hadQuotes, inQuotes, true};
        }
        rows.endRow();
        return {i, hadQuotes, inQuotes, false};
    }

private:
    char m_separator;
    std::size_t m_largestCount;
    std::array<bool, 256> m_stops{};
};

// The first line with any character in it, as the line parser would end it.
std::string_view firstLine(std::string_view text)
{
    std::size_t start = 0;
    while (start < text.size() && isLineBreak(text[start])) {
        ++start;
    }
    bool inQuotes = false;
    std::size_t end = start;
    for (; end < text.size() && (inQuotes || !isLineBreak(text[end])); ++end) {
        inQuotes = text[end] == '"' ? !inQuotes : inQuotes;
    }
    return text.substr(start, end - start);
}

// Only a quoted value can hold a line break.
bool proposesLargeText(std::string_view value, bool lineHasQuotes)
{
    return (lineHasQuotes && std::any_of(value.begin(), value.end(), isLineBreak)) ||
           (value.size() >= CsvReader::kLargeTextLength &&
            CsvText::characterCount(value) >= CsvReader::kLargeTextLength);
}

} // namespace

char separatorCharacter(CsvSeparator separator)
{
    switch (separator) {
    case CsvSeparator::Tab:
        return '\t';
    case CsvSeparator::Semicolon:
        return ';';
    case CsvSeparator::Comma:
        break;
    }
    return ',';
}

void CsvReader::setSeparator(CsvSeparator separator)
{
    m_separator = separator;
    m_separatorFound = true;
}

std::size_t CsvReader::largestColumnCount()
{
    constexpr int kRecordColumns = 3; // id, create_date, edit_date
    static const std::size_t largest =
        static_cast<std::size_t>(SqliteConnection::columnLimit() - kRecordColumns);
    return largest;
}

void CsvReader::clear()
{
    m_structure.clear();
    m_data.clear();
    m_endsInsideQuotes = false;
    m_refusal = {};
}

CsvReadStatus CsvReader::importCSVFile(const std::string& path, std::optional<TextEncoding> encoding,
                                       std::uint64_t largestFile)
{
    clear();
    try {
        std::optional<std::string> bytes = readWholeFile(path, largestFile, m_refusal);
        if (!bytes) {
            return m_refusal.kind == CsvRefusal::Kind::None ? CsvReadStatus::ReadError
                                                            : CsvReadStatus::Refused;
        }
        std::size_t start = 0;
        if (!decodeInPlace(*bytes, encoding, m_usedEncoding, start)) {
            return CsvReadStatus::Undecodable;
        }
        return readText(std::move(*bytes), start);
    } catch (const std::bad_alloc&) {
        clear();
        devLog("CSV: not enough memory to read '" + path + "'");
        return CsvReadStatus::ReadError;
    } catch (const std::length_error&) {
        clear();
        devLog("CSV: '" + path + "' is too large to read");
        return CsvReadStatus::ReadError;
    }
}

CsvReadStatus CsvReader::readText(std::string&& bytes, std::size_t start)
{
    if (bytes.size() - start > CsvRows::kLargestText) {
        m_refusal = tooLarge(CsvRows::kLargestText);
        return CsvReadStatus::Refused;
    }
    // The values are written over the text as it is read: a line's values
    // never hold more characters than the line, so the file is held once.
    const std::string_view text = m_data.readInPlace(std::move(bytes), start);
    if (!m_separatorFound) {
        detectSeparator(firstLine(text));
    }
    const LineParser parser(separatorCharacter(m_separator), largestColumnCount());
    for (std::size_t position = 0; position < text.size();) {
        const std::size_t rowsBefore = m_data.size();
        const LineParser::Line line = parser.parse(text, position, m_data);
        if (line.tooManyValues) {
            const std::size_t row = m_data.size() + 1;
            clear();
            m_refusal = tooManyColumns(row, largestColumnCount());
            return CsvReadStatus::Refused;
        }
        position = line.next;
        m_endsInsideQuotes = line.endedInQuotes;
        if (m_data.size() > rowsBefore) {
            proposeFields(m_data.size() - 1, line.hadQuotes);
        }
    }
    return m_data.empty() ? CsvReadStatus::NoData : CsvReadStatus::Done;
}

void CsvReader::detectSeparator(std::string_view firstLine)
{
    bool inQuotes = false;
    for (const char c : firstLine) {
        if (c == '"') {
            inQuotes = !inQuotes;
        } else if (!inQuotes && (c == ',' || c == ';' || c == '\t')) {
            setSeparator(c == ','   ? CsvSeparator::Comma
                         : c == ';' ? CsvSeparator::Semicolon
                                    : CsvSeparator::Tab);
            return;
        }
    }
}

void CsvReader::proposeFields(std::size_t row, bool lineHasQuotes)
{
    const std::size_t cells = m_data.cellCount(row);
    if (m_structure.empty()) {
        for (std::size_t column = 0; column < cells; ++column) {
            m_structure.push_back({"Field " + std::to_string(column), column == 0 ? 0 : 1});
        }
    }
    // Columns a later row adds are numbered after the fields there are.
    while (m_structure.size() < cells) {
        m_structure.push_back({"Field " + std::to_string(m_structure.size() + 1), 1});
    }
    for (std::size_t column = 0; column < cells; ++column) {
        CsvProposedField& field = m_structure[column];
        if (field.type != 0 && field.type != 2 &&
            proposesLargeText(m_data.cell(row, column), lineHasQuotes)) {
            field.type = 2;
        }
    }
}

std::vector<std::vector<std::string>> CsvReader::parseCSVString(std::string_view text, CsvSeparator separator)
{
    CsvRows rows;
    const LineParser parser(separatorCharacter(separator), SIZE_MAX);
    for (std::size_t position = 0; position < text.size();) {
        position = parser.parse(text, position, rows).next;
    }
    std::vector<std::vector<std::string>> result;
    result.reserve(rows.size());
    for (std::size_t row = 0; row < rows.size(); ++row) {
        result.push_back(rows.row(row));
    }
    return result;
}

} // namespace dossiva
