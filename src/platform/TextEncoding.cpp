#include "platform/TextEncoding.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>

#include <climits>
#include <map>
#include <memory>
#include <vector>

namespace dossiva {

namespace {

struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

// A converter that stops at the first byte sequence or character it cannot
// map in either direction, instead of ICU's silent substitution.
Converter openStrictConverter(const char* name)
{
    UErrorCode status = U_ZERO_ERROR;
    Converter converter(ucnv_open(name, &status));
    if (U_FAILURE(status)) {
        return nullptr;
    }
    ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    ucnv_setFromUCallBack(converter.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    if (U_FAILURE(status)) {
        return nullptr;
    }
    return converter;
}

// CSV files convert cell by cell, so each thread keeps its converters. A
// converter is not shared between threads; ucnv_toUChars and ucnv_fromUChars
// reset it before every use.
UConverter* strictConverter(const char* name)
{
    thread_local std::map<std::string, Converter, std::less<>> converters;
    auto found = converters.find(std::string_view(name));
    if (found == converters.end()) {
        Converter converter = openStrictConverter(name);
        if (!converter) {
            return nullptr;
        }
        found = converters.emplace(name, std::move(converter)).first;
    }
    return found->second.get();
}

// ICU counts in int32_t; longer texts are refused rather than truncated.
constexpr std::size_t kLargestInput = INT32_MAX / 4;

std::optional<std::u16string> toUnicode(std::string_view bytes, const char* converterName)
{
    if (bytes.size() > kLargestInput) {
        return std::nullopt;
    }
    UConverter* converter = strictConverter(converterName);
    if (converter == nullptr) {
        return std::nullopt;
    }
    // None of our encodings makes more UTF-16 units than it has bytes.
    std::u16string units(bytes.size() + 1, u'\0');
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = ucnv_toUChars(converter, units.data(), static_cast<int32_t>(units.size()),
                                         bytes.data(), static_cast<int32_t>(bytes.size()), &status);
    if (U_FAILURE(status)) {
        return std::nullopt;
    }
    units.resize(static_cast<std::size_t>(length));
    return units;
}

std::optional<std::string> fromUnicode(const std::u16string& units, const char* converterName)
{
    UConverter* converter = strictConverter(converterName);
    if (converter == nullptr) {
        return std::nullopt;
    }
    const int32_t capacity =
        UCNV_GET_MAX_BYTES_FOR_STRING(static_cast<int32_t>(units.size()), ucnv_getMaxCharSize(converter));
    std::string bytes(static_cast<std::size_t>(capacity) + 1, '\0');
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = ucnv_fromUChars(converter, bytes.data(), static_cast<int32_t>(bytes.size()),
                                           units.data(), static_cast<int32_t>(units.size()), &status);
    if (U_FAILURE(status)) {
        return std::nullopt;
    }
    bytes.resize(static_cast<std::size_t>(length));
    return bytes;
}

} // namespace

const char* converterName(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::UTF16:
        return "UTF-16LE";
    case TextEncoding::UTF8:
        return "UTF-8";
    case TextEncoding::MacRoman:
        return "macintosh";
    case TextEncoding::Latin1:
        return "ISO-8859-1";
    case TextEncoding::ASCII:
        return "US-ASCII";
    }
    return "US-ASCII";
}

std::optional<std::string> encodeText(std::string_view utf8, TextEncoding encoding)
{
    const auto units = toUnicode(utf8, "UTF-8");
    if (!units) {
        return std::nullopt;
    }
    return fromUnicode(*units, converterName(encoding));
}

std::optional<std::string> decodeText(std::string_view bytes, TextEncoding encoding)
{
    const char* name = converterName(encoding);
    if (encoding == TextEncoding::UTF16) {
        if (bytes.size() % 2 != 0) {
            return std::nullopt;
        }
        if (bytes.starts_with("\xFE\xFF")) {
            name = "UTF-16BE";
            bytes.remove_prefix(2);
        } else if (bytes.starts_with("\xFF\xFE")) {
            bytes.remove_prefix(2);
        }
    }
    const auto units = toUnicode(bytes, name);
    if (!units) {
        return std::nullopt;
    }
    return fromUnicode(*units, "UTF-8");
}

} // namespace dossiva
