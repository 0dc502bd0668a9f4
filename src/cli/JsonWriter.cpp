#include "JsonWriter.h"

#include <cstdio>

namespace dossiva::cli {

namespace {

// The length of the well-formed UTF-8 sequence at text[i], or 0.
std::size_t utf8SequenceLength(std::string_view text, std::size_t i)
{
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xbf;
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        low = lead == 0xe0 ? 0xa0 : 0x80;  // no overlong forms
        high = lead == 0xed ? 0x9f : 0xbf; // no surrogates
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        low = lead == 0xf0 ? 0x90 : 0x80;
        high = lead == 0xf4 ? 0x8f : 0xbf; // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (i + length > text.size() || byte(i + 1) < low || byte(i + 1) > high) {
        return 0;
    }
    for (std::size_t k = 2; k < length; ++k) {
        if (byte(i + k) < 0x80 || byte(i + k) > 0xbf) {
            return 0;
        }
    }
    return length;
}

} // namespace

std::string JsonWriter::quoted(std::string_view text)
{
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const std::size_t length = utf8SequenceLength(text, i);
            out += length > 0 ? std::string(text.substr(i, length)) : std::string("\xef\xbf\xbd");
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
