#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace dossiva {

// The length of the well-formed UTF-8 sequence that starts at text[i] (1 for
// an ASCII byte), or 0 when the bytes there are not one: overlong forms,
// surrogates, code points above U+10FFFF and cut sequences all give 0.
std::size_t utf8SequenceLength(std::string_view text, std::size_t i);

// Whether the well-formed UTF-8 sequence is a C1 control (U+0080 to U+009F),
// which some terminals obey as they obey ESC.
bool isC1Control(std::string_view sequence);

// Text as it may be printed on a terminal. A stored value or a name read from
// a file can hold escape sequences that would drive the user's terminal, so
// every control character (C0, DEL and C1) becomes '?', and so does every
// byte that is not part of well-formed UTF-8. Characters listed in `kept`
// (such as "\n") pass unchanged.
std::string printableText(std::string_view text, std::string_view kept = {});

// How many columns a terminal gives the character starting at text[i], and
// its length in bytes: two for wide characters (Chinese, Japanese, Korean,
// full-width forms) and emoji, none for combining marks and joiners, one
// for the rest and for a byte that is not UTF-8.
struct CharacterColumns {
    std::size_t columns;
    std::size_t length;
};
CharacterColumns characterColumns(std::string_view text, std::size_t i);
// The columns of printable text, so that tables line up.
std::size_t displayColumns(std::string_view text);

} // namespace dossiva
