#pragma once

#include "platform/TextEncoding.h"

#include <cstddef>
#include <optional>
#include <string_view>

namespace dossiva {

// The text encodings of CSV files as the import and export windows offer
// them, and the checks both sides make on UTF-8 text.
namespace CsvText {

// Pop-up tags: 0 UTF-16, 1 UTF-8, 2 Mac OS Roman, 3 ISO Latin 1, 4 ASCII.
std::optional<TextEncoding> encodingForTag(long long tag);
int tagForEncoding(TextEncoding encoding);

// Well-formed UTF-8: no stray continuation bytes, no overlong forms, no
// surrogates, nothing above U+10FFFF, no sequence cut short.
bool isValidUtf8(std::string_view text);
// Characters (code points) of valid UTF-8 text.
std::size_t characterCount(std::string_view utf8);
bool isAscii(std::string_view text);

} // namespace CsvText
} // namespace dossiva
