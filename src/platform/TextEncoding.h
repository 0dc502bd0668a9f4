#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace dossiva {

// The five text encodings of CSV files.
enum class TextEncoding { UTF16, UTF8, MacRoman, Latin1, ASCII };

// Converts UTF-8 text to the encoding's bytes. Stops at the first character
// the encoding cannot represent and gives nullopt. UTF-16 is little-endian
// without a byte-order mark; callers add FF FE where a file needs one.
std::optional<std::string> encodeText(std::string_view utf8, TextEncoding encoding);

// Converts bytes in the encoding to UTF-8. Invalid or unmappable input gives
// nullopt. UTF-16 input is little-endian unless it starts with a byte-order
// mark (FE FF big-endian, FF FE little-endian), which is dropped.
std::optional<std::string> decodeText(std::string_view bytes, TextEncoding encoding);

// The ICU converter name of an encoding ("UTF-16LE", "UTF-8", "macintosh",
// "ISO-8859-1", "US-ASCII").
const char* converterName(TextEncoding encoding);

} // namespace dossiva
