#include "csv/CsvText.h"

#include <cstdint>
#include <cstring>

namespace dossiva::CsvText {

std::optional<TextEncoding> encodingForTag(long long tag)
{
    switch (tag) {
    case 0:
        return TextEncoding::UTF16;
    case 1:
        return TextEncoding::UTF8;
    case 2:
        return TextEncoding::MacRoman;
    case 3:
        return TextEncoding::Latin1;
    case 4:
        return TextEncoding::ASCII;
    default:
        return std::nullopt;
    }
}

int tagForEncoding(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::UTF16:
        return 0;
    case TextEncoding::UTF8:
        return 1;
    case TextEncoding::MacRoman:
        return 2;
    case TextEncoding::Latin1:
        return 3;
    case TextEncoding::ASCII:
        return 4;
    }
    return 1;
}

bool isAscii(std::string_view text)
{
    // Eight bytes at a time: CSV files are mostly ASCII and long.
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, text.data() + i, 8);
        if ((word & 0x8080808080808080ULL) != 0) {
            return false;
        }
    }
    for (; i < text.size(); ++i) {
        if (static_cast<unsigned char>(text[i]) >= 0x80) {
            return false;
        }
    }
    return true;
}

bool isValidUtf8(std::string_view text)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    std::size_t i = 0;
    while (i < size) {
        if (bytes[i] < 0x80) {
            // Skip ASCII runs quickly.
            const std::size_t run = i;
            while (i < size && bytes[i] < 0x80) {
                ++i;
            }
            if (i > run) {
                continue;
            }
        }
        const unsigned char lead = bytes[i];
        std::size_t length = 0;
        unsigned char low = 0x80; // the allowed range of the second byte
        unsigned char high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            low = lead == 0xE0 ? 0xA0 : 0x80;  // overlong
            high = lead == 0xED ? 0x9F : 0xBF; // surrogates
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            low = lead == 0xF0 ? 0x90 : 0x80;  // overlong
            high = lead == 0xF4 ? 0x8F : 0xBF; // above U+10FFFF
        } else {
            return false;
        }
        if (size - i < length || bytes[i + 1] < low || bytes[i + 1] > high) {
            return false;
        }
        for (std::size_t k = 2; k < length; ++k) {
            if ((bytes[i + k] & 0xC0) != 0x80) {
                return false;
            }
        }
        i += length;
    }
    return true;
}

std::size_t characterCount(std::string_view utf8)
{
    std::size_t count = 0;
    for (const char byte : utf8) {
        count += (static_cast<unsigned char>(byte) & 0xC0) != 0x80 ? 1 : 0;
    }
    return count;
}

} // namespace dossiva::CsvText
