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

bool lowercaseContains(std::string_view text, std::string_view lowered, std::string& buffer)
{
    if (asciiLowercase(text, buffer)) {
        return buffer.find(lowered) != std::string::npos;
    }
    const bool asciiQuery = std::all_of(lowered.begin(), lowered.end(),
                                        [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (asciiQuery) {
        // The text's ASCII runs lower as they would with the rest, so an
        // ASCII query found among them is found. Only two characters beyond
        // ASCII lower to ASCII letters (the dotted capital I to "i" and a
        // combining dot, the Kelvin sign to "k"); without them, such a query
        // not found there is not found at all, and the Unicode mapping, the
        // slow part of searching accented text, is not needed.
        if (buffer.find(lowered) != std::string::npos) {
            return true;
        }
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
