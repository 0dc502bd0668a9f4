#include "platform/PrintableText.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace dossiva {

std::size_t utf8SequenceLength(std::string_view text, std::size_t i)
{
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) {
        return 1;
    }
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

bool isC1Control(std::string_view sequence)
{
    // U+0080 to U+009F are C2 80 to C2 9F.
    return sequence.size() == 2 && static_cast<unsigned char>(sequence[0]) == 0xc2 &&
           static_cast<unsigned char>(sequence[1]) <= 0x9f;
}

std::string printableText(std::string_view text, std::string_view kept)
{
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = utf8SequenceLength(text, i);
        const std::string_view sequence = text.substr(i, length == 0 ? 1 : length);
        const auto first = static_cast<unsigned char>(sequence[0]);
        const bool control = length == 1 && (first < 0x20 || first == 0x7f);
        if (length == 0 || isC1Control(sequence) || (control && kept.find(sequence[0]) == kept.npos)) {
            shown += '?';
        } else {
            shown += sequence;
        }
        i += sequence.size();
    }
    return shown;
}

CharacterColumns characterColumns(std::string_view text, std::size_t i)
{
    const std::size_t length = utf8SequenceLength(text, i);
    if (length == 0) {
        return {1, 1};
    }
    std::int32_t at = 0;
    UChar32 c = 0;
    U8_NEXT_UNSAFE(reinterpret_cast<const std::uint8_t*>(text.data() + i), at, c);
    const auto category = static_cast<UCharCategory>(u_charType(c));
    if (category == U_NON_SPACING_MARK || category == U_ENCLOSING_MARK || category == U_FORMAT_CHAR) {
        return {0, length};
    }
    const auto width = static_cast<UEastAsianWidth>(u_getIntPropertyValue(c, UCHAR_EAST_ASIAN_WIDTH));
    const bool wide =
        width == U_EA_WIDE || width == U_EA_FULLWIDTH || u_hasBinaryProperty(c, UCHAR_EMOJI_PRESENTATION);
    return {wide ? 2u : 1u, length};
}

std::size_t displayColumns(std::string_view text)
{
    std::size_t columns = 0;
    for (std::size_t i = 0; i < text.size();) {
        const CharacterColumns character = characterColumns(text, i);
        columns += character.columns;
        i += character.length;
    }
    return columns;
}

} // namespace dossiva
