#include "records/CaseFolding.h"

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

namespace dossiva::CaseFolding {

namespace {

constexpr std::uint64_t kEveryByte = 0x0101010101010101ULL;
constexpr std::uint64_t kHighBits = 0x80 * kEveryByte;

// Eight bytes at once: each of 'A' to 'Z' gets its 0x20 bit; bytes with the
// high bit are left for the caller to see.
std::uint64_t asciiLowerWord(std::uint64_t word)
{
    const std::uint64_t low7 = word & ~kHighBits;
    const std::uint64_t aboveZ = low7 + (0x7f - 'Z') * kEveryByte; // high bit set when > 'Z'
    const std::uint64_t fromA = low7 + (0x80 - 'A') * kEveryByte;  // high bit set when >= 'A'
    const std::uint64_t upper = (fromA & ~aboveZ) & ~word & kHighBits;
    return word | (upper >> 2);
}

// Lowers ASCII text into out; false when the text has a byte outside
// ASCII, which is copied as it is. Searching lowers every searched value of
// every record, so this goes a word at a time.
bool asciiLowercase(std::string_view text, std::string& out)
{
    out.resize(text.size());
    const char* from = text.data();
    char* to = out.data();
    std::uint64_t seen = 0;
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, from + i, 8);
        seen |= word;
        word = asciiLowerWord(word);
        std::memcpy(to + i, &word, 8);
    }
    for (; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(from[i]);
        seen |= c;
        to[i] = static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    }
    return (seen & kHighBits) == 0;
}

// ASCII text byte by byte, anything else through the Unicode mapping.
template <typename UnicodeMapping>
void mapCase(std::string_view text, std::string& out, UnicodeMapping mapping)
{
    if (asciiLowercase(text, out)) {
        return;
    }
    icu::UnicodeString unicode =
        icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    out.clear();
    mapping(unicode).toUTF8String(out);
}

} // namespace

void lowercase(std::string_view text, std::string& out)
{
    mapCase(text, out, [](icu::UnicodeString& unicode) -> icu::UnicodeString& {
        return unicode.toLower(icu::Locale::getRoot());
    });
}

std::string lowercase(std::string_view text)
{
    std::string out;
    lowercase(text, out);
    return out;
}

namespace {

char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

// Whether the text, lowered byte by byte, contains `lowered`, an ASCII text
// in lower case. Bytes beyond ASCII never equal one of the query's, so
// they need no lowering: the text is searched where it lies, each place
// where the query's first letter stands in either case tried in turn.
bool containsAsciiQuery(std::string_view text, std::string_view lowered)
{
    if (lowered.empty()) {
        return true;
    }
    if (text.size() < lowered.size()) {
        return false;
    }
    const char first = lowered.front();
    const char firstUpper = first >= 'a' && first <= 'z' ? static_cast<char>(first - ('a' - 'A')) : first;
    const char* end = text.data() + (text.size() - lowered.size()) + 1; // past the last place to try
    const auto next = [end](const char* from, char c) {
        return from < end
                   ? static_cast<const char*>(std::memchr(from, c, static_cast<std::size_t>(end - from)))
                   : nullptr;
    };
    const auto matchesAt = [lowered](const char* at) {
        for (std::size_t i = 1; i < lowered.size(); ++i) {
            if (asciiLower(at[i]) != lowered[i]) {
                return false;
            }
        }
        return true;
    };
    const char* lower = next(text.data(), first);
    const char* upper = firstUpper != first ? next(text.data(), firstUpper) : nullptr;
    while (lower != nullptr || upper != nullptr) {
        const char* at = lower == nullptr ? upper : upper == nullptr ? lower : std::min(lower, upper);
        if (matchesAt(at)) {
            return true;
        }
        if (at == lower) {
            lower = next(lower + 1, first);
        } else {
            upper = next(upper + 1, firstUpper);
        }
    }
    return false;
}

} // namespace

bool lowercaseContains(std::string_view text, std::string_view lowered, std::string& buffer)
{
    const bool asciiQuery = std::all_of(lowered.begin(), lowered.end(),
                                        [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (asciiQuery) {
        if (containsAsciiQuery(text, lowered)) {
            return true;
        }
        // The text's ASCII lowers as it would with the rest, so an ASCII
        // query not found above is found only through one of the two
        // characters beyond ASCII that lower to ASCII letters (the dotted
        // capital I to "i" and a combining dot, the Kelvin sign to "k").
        // Without them the Unicode mapping, the slow part of searching
        // accented text, is not needed.
        constexpr std::string_view kDottedCapitalI = "\xc4\xb0";
        constexpr std::string_view kKelvinSign = "\xe2\x84\xaa";
        if (text.find(kDottedCapitalI) == std::string_view::npos &&
            text.find(kKelvinSign) == std::string_view::npos) {
            return false;
        }
    }
    lowercase(text, buffer);
    return buffer.find(lowered) != std::string::npos;
}

void fold(std::string_view text, std::string& out)
{
    mapCase(text, out, [](icu::UnicodeString& unicode) -> icu::UnicodeString& { return unicode.foldCase(); });
}

std::string sortKey(std::string_view text)
{
    // Secondary strength: letters and accents count, letter case does not.
    thread_local const std::unique_ptr<icu::Collator> collator = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::Collator> made(icu::Collator::createInstance(icu::Locale::getRoot(), status));
        if (made && U_SUCCESS(status)) {
            made->setStrength(icu::Collator::SECONDARY);
        }
        return U_SUCCESS(status) ? std::move(made) : nullptr;
    }();
    if (!collator) {
        std::string folded;
        fold(text, folded);
        return folded;
    }
    const icu::UnicodeString unicode =
        icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    std::string key(static_cast<std::size_t>(collator->getSortKey(unicode, nullptr, 0)), '\0');
    collator->getSortKey(unicode, reinterpret_cast<uint8_t*>(key.data()), static_cast<int32_t>(key.size()));
    return key;
}

} // namespace dossiva::CaseFolding
