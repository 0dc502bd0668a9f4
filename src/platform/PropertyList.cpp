#include "platform/PropertyList.h"

#include "platform/BinaryPlistGuard.h"
#include "platform/Log.h"

#include <plist/plist.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

namespace dossiva {

namespace {

// Property lists count dates from 2001-01-01 00:00 UTC; ours from 1970.
constexpr double kSecondsFrom1970To2001 = 978307200.0;
// Nesting beyond this is refused when reading XML (libplist's own free is
// recursive); binary input is held to the guard's tighter limit.
constexpr unsigned kMaxXmlDepth = 512;
// libplist takes 32-bit lengths; nothing we read comes near this.
constexpr std::size_t kMaxInputLength = 64u * 1024u * 1024u;

// Owns one libplist node tree.
struct PlistDeleter {
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

// Owns a buffer from plist_to_bin or plist_to_xml.
struct BinBufferDeleter {
    void operator()(char* buffer) const { plist_to_bin_free(buffer); }
};
struct XmlBufferDeleter {
    void operator()(char* buffer) const { plist_to_xml_free(buffer); }
};

// Text is Unicode on every side of us (Cocoa strings are), and libplist
// walks UTF-8 sequences without checking them: replace every ill-formed
// sequence by U+FFFD before handing text over, and after reading it back.
std::string validUtf8(std::string_view text)
{
    static constexpr char kReplacement[] = "\xEF\xBF\xBD";
    std::string out;
    out.reserve(text.size());
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char c = bytes[i];
        std::size_t length = 0;
        std::uint32_t minimum = 0;
        std::uint32_t code = 0;
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            ++i;
            continue;
        }
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2, minimum = 0x80, code = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3, minimum = 0x800, code = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4, minimum = 0x10000, code = c & 0x07;
        }
        bool valid = length != 0 && i + length <= n;
        for (std::size_t k = 1; valid && k < length; ++k) {
            const unsigned char next = bytes[i + k];
            valid = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        valid = valid && code >= minimum && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
        if (valid) {
            out.append(text.substr(i, length));
            i += length;
        } else {
            out.append(kReplacement);
            ++i;
        }
    }
    return out;
}

bool isValidUtf8(std::string_view text)
{
    for (unsigned char c : text) {
        if (c >= 0x80) {
            return validUtf8(text) == text;
        }
    }
    return true;
}

std::string forLibplist(const std::string& text)
{
    return isValidUtf8(text) ? text : validUtf8(text);
}

// Our tree to libplist's. Strings and keys go through C strings, so text
// stops at an embedded NUL (the platform's plists could hold one; ours never
// do).
plist_t toPlist(const PropertyList& value)
{
    switch (value.kind()) {
    case PropertyList::Kind::Boolean:
        return plist_new_bool(value.toBool() ? 1 : 0);
    case PropertyList::Kind::Integer:
        // libplist 2.2 has only unsigned integers; a negative value goes in by
        // cast and is written as the 8-byte (signed) form readers expect.
        return plist_new_uint(static_cast<std::uint64_t>(value.toInteger()));
    case PropertyList::Kind::Real:
        return plist_new_real(value.toReal());
    case PropertyList::Kind::String:
        return plist_new_string(forLibplist(value.toString()).c_str());
    case PropertyList::Kind::Data: {
        const PropertyList::Data& bytes = *value.data();
        return plist_new_data(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }
    case PropertyList::Kind::Date: {
        // libplist keeps whole seconds and microseconds in 32 bits each; the
        // range (1933 to 2069) is clamped rather than wrapped.
        double since2001 = value.date()->secondsSince1970 - kSecondsFrom1970To2001;
        if (!std::isfinite(since2001)) {
            since2001 = 0;
        }
        constexpr double kLow = std::numeric_limits<std::int32_t>::min();
        constexpr double kHigh = std::numeric_limits<std::int32_t>::max();
        since2001 = std::fmin(std::fmax(since2001, kLow), kHigh);
        double whole = std::trunc(since2001);
        auto micro = static_cast<std::int64_t>(std::llround((since2001 - whole) * 1e6));
        if (micro >= 1000000 || micro <= -1000000) {
            whole += micro > 0 ? 1 : -1;
            micro = 0;
        }
        return plist_new_date(static_cast<std::int32_t>(std::fmin(std::fmax(whole, kLow), kHigh)),
                              static_cast<std::int32_t>(micro));
    }
    case PropertyList::Kind::Array: {
        plist_t array = plist_new_array();
        if (const PropertyList::Array* elements = value.asArray()) {
            for (const PropertyList& element : *elements) {
                plist_array_append_item(array, toPlist(element));
            }
        }
        return array;
    }
    case PropertyList::Kind::Dictionary: {
        plist_t dict = plist_new_dict();
        if (const PropertyList::Dictionary* entries = value.asDictionary()) {
            for (const auto& [key, element] : *entries) {
                plist_dict_set_item(dict, forLibplist(key).c_str(), toPlist(element));
            }
        }
        return dict;
    }
    }
    return plist_new_array();
}

// libplist's tree to ours; nullopt for a node kind we do not hold (a UID,
// a bare key) or nesting beyond maxDepth.
std::optional<PropertyList> fromPlist(plist_t node, unsigned depth, unsigned maxDepth)
{
    if (node == nullptr) {
        return std::nullopt;
    }
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        std::uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return PropertyList(value != 0);
    }
    case PLIST_UINT: {
        std::uint64_t value = 0;
        plist_get_uint_val(node, &value);
        return PropertyList(static_cast<std::int64_t>(value));
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return PropertyList(value);
    }
    case PLIST_STRING: {
        std::uint64_t length = 0;
        const char* text = plist_get_string_ptr(node, &length);
        if (text == nullptr) {
            return PropertyList(std::string());
        }
        return PropertyList(validUtf8(std::string_view(text, static_cast<std::size_t>(length))));
    }
    case PLIST_DATA: {
        std::uint64_t length = 0;
        const char* bytes = plist_get_data_ptr(node, &length);
        PropertyList::Data data;
        if (bytes != nullptr && length > 0) {
            const auto* begin = reinterpret_cast<const std::uint8_t*>(bytes);
            data.assign(begin, begin + length);
        }
        return PropertyList(std::move(data));
    }
    case PLIST_DATE: {
        std::int32_t seconds = 0;
        std::int32_t microseconds = 0;
        plist_get_date_val(node, &seconds, &microseconds);
        // libplist 2.2 reads a binary date d as trunc(d) and |d - trunc(d)|
        // in microseconds: before 2001 the fraction counts backwards. (Within
        // the last second of 2000 its sign is lost: -0.25 reads as 0.25.)
        double since2001 = seconds;
        if (microseconds < 0 || seconds >= 0) {
            since2001 += microseconds / 1e6;
        } else {
            since2001 -= microseconds / 1e6;
        }
        return PropertyList(PropertyList::Date{since2001 + kSecondsFrom1970To2001});
    }
    case PLIST_ARRAY: {
        if (depth >= maxDepth) {
            return std::nullopt;
        }
        const std::uint32_t size = plist_array_get_size(node);
        PropertyList::Array array;
        array.reserve(size);
        for (std::uint32_t i = 0; i < size; ++i) {
            auto element = fromPlist(plist_array_get_item(node, i), depth + 1, maxDepth);
            if (!element) {
                return std::nullopt;
            }
            array.push_back(std::move(*element));
        }
        return PropertyList(std::move(array));
    }
    case PLIST_DICT: {
        if (depth >= maxDepth) {
            return std::nullopt;
        }
        PropertyList::Dictionary dict;
        plist_dict_iter iter = nullptr;
        plist_dict_new_iter(node, &iter);
        if (iter == nullptr) {
            return std::nullopt;
        }
        bool ok = true;
        for (;;) {
            char* key = nullptr;
            plist_t item = nullptr;
            plist_dict_next_item(node, iter, &key, &item);
            if (item == nullptr) {
                std::free(key);
                break;
            }
            std::string keyText = key != nullptr ? validUtf8(key) : std::string();
            std::free(key);
            auto element = fromPlist(item, depth + 1, maxDepth);
            if (!element) {
                ok = false;
                break;
            }
            dict.insert_or_assign(std::move(keyText), std::move(*element));
        }
        std::free(iter);
        if (!ok) {
            return std::nullopt;
        }
        return PropertyList(std::move(dict));
    }
    default:
        return std::nullopt;
    }
}

// The deepest nesting of <array> and <dict> elements, counted on the raw
// text (an element that is not closed counts as open). Only ever too high for
// odd input (such tags inside comments or CDATA), which is then refused.
unsigned xmlNesting(std::string_view xml, unsigned limit)
{
    unsigned depth = 0;
    unsigned deepest = 0;
    std::size_t at = 0;
    while ((at = xml.find('<', at)) != std::string_view::npos) {
        ++at;
        const std::string_view rest = xml.substr(at);
        const bool closing = !rest.empty() && rest.front() == '/';
        const std::string_view name = closing ? rest.substr(1) : rest;
        std::size_t nameLength = 0;
        if (name.starts_with("array")) {
            nameLength = 5;
        } else if (name.starts_with("dict")) {
            nameLength = 4;
        } else {
            continue;
        }
        if (name.size() > nameLength && name[nameLength] != '>' && name[nameLength] != '/' &&
            name[nameLength] != ' ' && name[nameLength] != '\t' && name[nameLength] != '\n' &&
            name[nameLength] != '\r') {
            continue; // another element whose name starts the same way
        }
        if (closing) {
            depth = depth > 0 ? depth - 1 : 0;
            continue;
        }
        const std::size_t close = xml.find('>', at);
        if (close != std::string_view::npos && close > at && xml[close - 1] == '/') {
            continue; // <array/>
        }
        deepest = std::max(deepest, ++depth);
        if (deepest > limit) {
            break;
        }
    }
    return deepest;
}

} // namespace

PropertyList::PropertyList() : m_value(Array{})
{
}
PropertyList::PropertyList(bool value) : m_value(value)
{
}
PropertyList::PropertyList(int value) : m_value(static_cast<std::int64_t>(value))
{
}
PropertyList::PropertyList(std::int64_t value) : m_value(value)
{
}
PropertyList::PropertyList(double value) : m_value(value)
{
}
PropertyList::PropertyList(const char* value) : m_value(std::string(value != nullptr ? value : ""))
{
}
PropertyList::PropertyList(std::string value) : m_value(std::move(value))
{
}
PropertyList::PropertyList(Data value) : m_value(std::move(value))
{
}
PropertyList::PropertyList(Date value) : m_value(value)
{
}
PropertyList::PropertyList(Array value) : m_value(std::move(value))
{
}
PropertyList::PropertyList(Dictionary value) : m_value(std::move(value))
{
}

PropertyList::Kind PropertyList::kind() const
{
    // The order of the alternatives in m_value is the order of Kind.
    return static_cast<Kind>(m_value.index());
}

// Booleans, integers and reals read as one another, as numbers do on the
// platform (NSNumber); every other kind gives the fallback.
bool PropertyList::toBool(bool fallback) const
{
    if (const auto* value = std::get_if<bool>(&m_value)) {
        return *value;
    }
    if (const auto* value = std::get_if<std::int64_t>(&m_value)) {
        return *value != 0;
    }
    if (const auto* value = std::get_if<double>(&m_value)) {
        return *value != 0;
    }
    return fallback;
}

std::int64_t PropertyList::toInteger(std::int64_t fallback) const
{
    if (const auto* value = std::get_if<std::int64_t>(&m_value)) {
        return *value;
    }
    if (const auto* value = std::get_if<bool>(&m_value)) {
        return *value ? 1 : 0;
    }
    if (const auto* value = std::get_if<double>(&m_value)) {
        // Truncated toward zero, saturated at the ends of the range.
        if (std::isnan(*value)) {
            return fallback;
        }
        if (*value >= 9223372036854775807.0) {
            return std::numeric_limits<std::int64_t>::max();
        }
        if (*value <= -9223372036854775808.0) {
            return std::numeric_limits<std::int64_t>::min();
        }
        return static_cast<std::int64_t>(*value);
    }
    return fallback;
}

double PropertyList::toReal(double fallback) const
{
    if (const auto* value = std::get_if<double>(&m_value)) {
        return *value;
    }
    if (const auto* value = std::get_if<std::int64_t>(&m_value)) {
        return static_cast<double>(*value);
    }
    if (const auto* value = std::get_if<bool>(&m_value)) {
        return *value ? 1.0 : 0.0;
    }
    return fallback;
}

std::string PropertyList::toString(const std::string& fallback) const
{
    if (const auto* value = std::get_if<std::string>(&m_value)) {
        return *value;
    }
    return fallback;
}

const PropertyList::Data* PropertyList::data() const
{
    return std::get_if<Data>(&m_value);
}

std::optional<PropertyList::Date> PropertyList::date() const
{
    if (const auto* value = std::get_if<Date>(&m_value)) {
        return *value;
    }
    return std::nullopt;
}

const PropertyList::Array* PropertyList::asArray() const
{
    return std::get_if<Array>(&m_value);
}
PropertyList::Array* PropertyList::asArray()
{
    return std::get_if<Array>(&m_value);
}
const PropertyList::Dictionary* PropertyList::asDictionary() const
{
    return std::get_if<Dictionary>(&m_value);
}
PropertyList::Dictionary* PropertyList::asDictionary()
{
    return std::get_if<Dictionary>(&m_value);
}

std::size_t PropertyList::count() const
{
    if (const auto* array = asArray()) {
        return array->size();
    }
    if (const auto* dict = asDictionary()) {
        return dict->size();
    }
    return 0;
}

const PropertyList* PropertyList::at(std::size_t index) const
{
    const auto* array = asArray();
    if (array == nullptr || index >= array->size()) {
        return nullptr;
    }
    return &(*array)[index];
}

const PropertyList* PropertyList::find(const std::string& key) const
{
    const auto* dict = asDictionary();
    if (dict == nullptr) {
        return nullptr;
    }
    const auto it = dict->find(key);
    return it == dict->end() ? nullptr : &it->second;
}

bool PropertyList::operator==(const PropertyList& other) const
{
    return m_value == other.m_value;
}

std::vector<std::uint8_t> PropertyList::toBinary() const
{
    const PlistPtr root(toPlist(*this));
    char* buffer = nullptr;
    std::uint32_t length = 0;
    plist_to_bin(root.get(), &buffer, &length);
    const std::unique_ptr<char, BinBufferDeleter> owned(buffer);
    if (buffer == nullptr) {
        devLog("PropertyList: libplist could not write a binary property list");
        return {};
    }
    const auto* begin = reinterpret_cast<const std::uint8_t*>(buffer);
    return std::vector<std::uint8_t>(begin, begin + length);
}

std::optional<PropertyList> PropertyList::fromBinary(const std::uint8_t* bytes, std::size_t length)
{
    const BinaryPlistGuard::Verdict verdict = BinaryPlistGuard::check(bytes, length);
    if (verdict != BinaryPlistGuard::Verdict::Accepted) {
        devLog(std::string("PropertyList: binary property list refused: ") +
               BinaryPlistGuard::describe(verdict));
        return std::nullopt;
    }
    plist_t node = nullptr;
    plist_from_bin(reinterpret_cast<const char*>(bytes), static_cast<std::uint32_t>(length), &node);
    const PlistPtr root(node);
    if (node == nullptr) {
        devLog("PropertyList: libplist could not read a binary property list");
        return std::nullopt;
    }
    // The guard bounds the nesting by its own count already.
    return fromPlist(node, 0, kMaxXmlDepth);
}

std::string PropertyList::toXml() const
{
    const PlistPtr root(toPlist(*this));
    char* buffer = nullptr;
    std::uint32_t length = 0;
    plist_to_xml(root.get(), &buffer, &length);
    const std::unique_ptr<char, XmlBufferDeleter> owned(buffer);
    if (buffer == nullptr) {
        devLog("PropertyList: libplist could not write an XML property list");
        return {};
    }
    return std::string(buffer, length);
}

std::optional<PropertyList> PropertyList::fromXml(std::string_view xml)
{
    if (xml.empty() || xml.size() > kMaxInputLength) {
        return std::nullopt;
    }
    if (xmlNesting(xml, kMaxXmlDepth) > kMaxXmlDepth) {
        devLog("PropertyList: XML property list refused: nesting too deep");
        return std::nullopt;
    }
    plist_t node = nullptr;
    plist_from_xml(xml.data(), static_cast<std::uint32_t>(xml.size()), &node);
    const PlistPtr root(node);
    if (node == nullptr) {
        return std::nullopt;
    }
    return fromPlist(node, 0, kMaxXmlDepth);
}

std::optional<PropertyList> PropertyList::fromAny(const std::uint8_t* bytes, std::size_t length)
{
    if (bytes == nullptr || length == 0) {
        return std::nullopt;
    }
    static constexpr char kBinaryPrefix[] = "bplist";
    if (length >= 6 && std::memcmp(bytes, kBinaryPrefix, 6) == 0) {
        return fromBinary(bytes, length);
    }
    return fromXml(std::string_view(reinterpret_cast<const char*>(bytes), length));
}

} // namespace dossiva
