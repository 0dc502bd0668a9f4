#include "csv/CsvOutputFile.h"

#include "csv/CsvText.h"
#include "platform/FileManager.h"
#include "platform/Log.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace dossiva {

namespace {

// Large enough that conversion and writing cost little per row, small
// enough to stay out of the way of the records in memory.
constexpr std::size_t kChunkSize = 1 << 18;

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Readers skip blanks after a separator, and guess the separator from the
// first comma, semicolon or tab of the first line; line breaks end a row.
// Quotes keep all of these inside the value.
// One look per byte: find_first_of with a set asks memchr about each byte.
bool needsQuotes(std::string_view text)
{
    for (const char c : text) {
        if (c == '\n' || c == '\r' || c == ',' || c == ';' || c == '\t') {
            return true;
        }
    }
    return !text.empty() && (isBlank(text.front()) || isBlank(text.back()));
}

} // namespace

CsvOutputFile::~CsvOutputFile()
{
    // Not closed: the export failed or stopped, and what was there stays.
    if (m_file != nullptr) {
        std::fclose(m_file);
        ::unlink(m_partial.c_str());
    }
}

bool CsvOutputFile::open(const std::string& path)
{
    // Written beside the file and moved over it only when complete, so a
    // failed export never leaves a half-written file in place of the old.
    m_path = path;
    m_partial = FileManager::siblingName(path, "partial");
    m_file = std::fopen(m_partial.c_str(), "wbx");
    if (m_file == nullptr) {
        noteFailure(errno);
        devLog("CSV: " + m_failure.reason);
        return false;
    }
    m_chunk.reserve(kChunkSize + kChunkSize / 4);
    return m_encoding != TextEncoding::UTF16 || writeBytes("\xFF\xFE");
}

void CsvOutputFile::appendQuoted(std::string& out, std::string_view text)
{
    if (text.find('"') != std::string_view::npos) {
        out.push_back('"');
        for (const char c : text) {
            if (c == '"') {
                out.push_back('"');
            }
            out.push_back(c);
        }
        out.push_back('"');
    } else if (needsQuotes(text)) {
        out.push_back('"');
        out.append(text);
        out.push_back('"');
    } else {
        out.append(text);
    }
}

void CsvOutputFile::appendCell(std::string_view text)
{
    const std::size_t start = m_chunk.size();
    appendQuoted(m_chunk, text);
    m_cells.emplace_back(start, m_chunk.size());
}

CsvOutputFile::Result CsvOutputFile::endRow()
{
    m_chunk.push_back('\n');
    return m_chunk.size() >= kChunkSize ? flush() : Result::Ok;
}

void CsvOutputFile::noteFailure(int error)
{
    m_failure = Failure::file(error != 0 ? error : EIO, "cannot write " + m_path + ": ");
}

bool CsvOutputFile::writeBytes(std::string_view bytes)
{
    if (bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), m_file) == bytes.size()) {
        return true;
    }
    noteFailure(errno);
    return false;
}

CsvOutputFile::Result CsvOutputFile::flush()
{
    const std::string_view chunk = m_chunk;
    bool written = false;
    // ASCII reads the same in every encoding but UTF-16, and UTF-8 text is
    // already in its encoding: those chunks need no conversion.
    if ((m_encoding != TextEncoding::UTF16 && CsvText::isAscii(chunk)) ||
        (m_encoding == TextEncoding::UTF8 && CsvText::isValidUtf8(chunk))) {
        written = writeBytes(chunk);
    } else if (const auto converted = encodeText(chunk, m_encoding)) {
        written = writeBytes(*converted);
    } else {
        // Some cell does not convert: write up to it, as cell-by-cell writing
        // would have, and stop there.
        std::size_t done = 0;
        for (const auto& [start, end] : m_cells) {
            const auto between = encodeText(chunk.substr(done, start - done), m_encoding);
            if (!between || !writeBytes(*between)) {
                return Result::Unwritable;
            }
            const auto cell = encodeText(chunk.substr(start, end - start), m_encoding);
            if (!cell) {
                return Result::Unencodable;
            }
            if (!writeBytes(*cell)) {
                return Result::Unwritable;
            }
            done = end;
        }
        // Only the separators can be left, and they always convert.
        const auto rest = encodeText(chunk.substr(done), m_encoding);
        written = rest && writeBytes(*rest);
    }
    m_chunk.clear();
    m_cells.clear();
    return written ? Result::Ok : Result::Unwritable;
}

CsvOutputFile::Result CsvOutputFile::close()
{
    if (m_file == nullptr) {
        return Result::Unwritable;
    }
    Result result = flush();
    if ((std::fflush(m_file) != 0 || ::fsync(::fileno(m_file)) != 0) && result == Result::Ok) {
        noteFailure(errno);
        result = Result::Unwritable;
    }
    if (std::fclose(m_file) != 0 && result == Result::Ok) {
        noteFailure(errno);
        result = Result::Unwritable;
    }
    m_file = nullptr;
    if (result == Result::Ok && !FileManager::renameReplacing(m_partial, m_path)) {
        m_failure = FileManager::lastFailure();
        result = Result::Unwritable;
    }
    if (result != Result::Ok) {
        devLog(std::string("CSV: writing '") + m_path + "' failed: " + std::strerror(errno));
        ::unlink(m_partial.c_str());
    }
    return result;
}

} // namespace dossiva
