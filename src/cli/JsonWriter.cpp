#include "cli/JsonWriter.h"

#include "platform/PrintableText.h"

#include <cstdio>

namespace dossiva::cli {

std::string JsonWriter::quoted(std::string_view text)
{
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const std::size_t length = utf8SequenceLength(text, i);
            const std::string_view sequence = text.substr(i, length);
            if (length == 0) {
                out += "\xef\xbf\xbd";
            } else if (isC1Control(sequence)) {
                // Valid JSON either way; escaped, it cannot drive a terminal
                // the output is shown on.
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned char>(sequence[1]));
                out += escape;
            } else {
                out += sequence;
            }
            i += length > 0 ? length : 1;
            continue;
        }
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        default:
            if (c < 0x20 || c == 0x7f) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04x", c);
                out += escape;
            } else {
                out.push_back(static_cast<char>(c));
            }
        }
        ++i;
    }
    return out + "\"";
}

void JsonWriter::newline()
{
    m_out << '\n' << std::string(m_levels.size() * 2, ' ');
}

void JsonWriter::beginValue()
{
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (!m_levels.empty()) {
        if (!m_levels.back().empty) {
            m_out << ',';
        }
        m_levels.back().empty = false;
        newline();
    }
}

void JsonWriter::close(char bracket)
{
    const bool empty = m_levels.back().empty;
    m_levels.pop_back();
    if (!empty) {
        newline();
    }
    m_out << bracket;
    if (m_levels.empty()) {
        m_out << '\n';
    }
}

void JsonWriter::beginArray()
{
    beginValue();
    m_out << '[';
    m_levels.push_back({false, true});
}

void JsonWriter::endArray()
{
    close(']');
}

void JsonWriter::beginObject()
{
    beginValue();
    m_out << '{';
    m_levels.push_back({true, true});
}

void JsonWriter::endObject()
{
    close('}');
}

void JsonWriter::key(std::string_view name)
{
    beginValue();
    m_out << quoted(name) << ": ";
    m_afterKey = true;
}

void JsonWriter::string(std::string_view text)
{
    beginValue();
    m_out << quoted(text);
}

void JsonWriter::integer(std::int64_t number)
{
    beginValue();
    m_out << number;
}

void JsonWriter::boolean(bool value)
{
    beginValue();
    m_out << (value ? "true" : "false");
}

void JsonWriter::null()
{
    beginValue();
    m_out << "null";
}

} // namespace dossiva::cli
