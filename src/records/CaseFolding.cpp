#include "records/CaseFolding.h"

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <array>
#include <memory>

namespace dossiva::CaseFolding {

namespace {

constexpr std::array<char, 128> asciiLowerTable()
{
    std::array<char, 128> table{};
    for (int c = 0; c < 128; ++c) {
        table[static_cast<std::size_t>(c)] = static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    }
    return table;
}

constexpr std::array<char, 128> kAsciiLower = asciiLowerTable();

// Lowers ASCII text into out; false (out unfinished) when the text has a
// byte outside ASCII.
bool asciiLowercase(std::string_view text, std::string& out)
{
    out.resize(text.size());
    unsigned char seen = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        seen |= c;
        out[i] = kAsciiLower[c & 0x7f];
    }
    return (seen & 0x80) == 0;
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
