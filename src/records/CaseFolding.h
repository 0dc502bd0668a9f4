#pragma once

#include <string>
#include <string_view>

namespace dossiva {

// Case-insensitive views of UTF-8 text for searching and sorting records.
// Plain ASCII text, by far the most common, is handled byte by byte; other
// text goes through the Unicode case mappings.
namespace CaseFolding {

// The text in lower case, without regard to any locale; written to `out`
// so that a caller looping over many texts reuses one buffer.
void lowercase(std::string_view text, std::string& out);
std::string lowercase(std::string_view text);

// Whether the text in lower case (as lowercase() gives it) contains
// `lowered`, a text already in lower case; `buffer` is reused for the
// lowered text.
bool lowercaseContains(std::string_view text, std::string_view lowered, std::string& buffer);

// The text case-folded, for case-insensitive ordering.
void fold(std::string_view text, std::string& out);

// A key that orders names as a reader expects, whatever their case: an
// accented letter beside its base letter ("apple", "Eagle", "ébène",
// "Éclat", "Zoo"). Keys compare as byte strings; they follow Unicode's root
// collation, so the order is the same in every locale.
std::string sortKey(std::string_view text);

} // namespace CaseFolding
} // namespace dossiva
