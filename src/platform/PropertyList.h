#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace dossiva {

// A property-list value tree: booleans, integers, reals, strings, data, dates,
// arrays and dictionaries. Field structures, preferences and exchanged
// settings are all held in this form; the codecs below turn it into the
// binary ("bplist00") and XML files the rest of the world reads.
class PropertyList {
public:
    enum class Kind { Boolean, Integer, Real, String, Data, Date, Array, Dictionary };

    using Array = std::vector<PropertyList>;
    using Dictionary = std::map<std::string, PropertyList>;
    using Data = std::vector<std::uint8_t>;
    // A date as seconds since 1970-01-01 00:00 UTC (plists count from 2001;
    // the codec converts).
    struct Date {
        double secondsSince1970 = 0;
        bool operator==(const Date&) const = default;
    };

    PropertyList(); // an empty array
    PropertyList(bool value);
    PropertyList(int value);
    PropertyList(std::int64_t value);
    PropertyList(double value);
    PropertyList(const char* value);
    PropertyList(std::string value);
    PropertyList(Data value);
    PropertyList(Date value);
    PropertyList(Array value);
    PropertyList(Dictionary value);

    static PropertyList array() { return PropertyList(Array{}); }
    static PropertyList dictionary() { return PropertyList(Dictionary{}); }

    Kind kind() const;
    bool isArray() const { return kind() == Kind::Array; }
    bool isDictionary() const { return kind() == Kind::Dictionary; }

    // Typed reads. Booleans, integers and reals read as one another (true is
    // 1, 2.9 reads as the integer 2); any other kind gives the fallback, so
    // callers can read structures from foreign files without checking every
    // node.
    bool toBool(bool fallback = false) const;
    std::int64_t toInteger(std::int64_t fallback = 0) const;
    double toReal(double fallback = 0) const;
    std::string toString(const std::string& fallback = {}) const;
    const Data* data() const;
    std::optional<Date> date() const;

    // Containers. The const accessors return nullptr for another kind.
    const Array* asArray() const;
    Array* asArray();
    const Dictionary* asDictionary() const;
    Dictionary* asDictionary();

    // Elements of an array or entries of a dictionary; 0 for a leaf.
    std::size_t count() const;
    // The element at index, or nullptr when out of range or not an array.
    const PropertyList* at(std::size_t index) const;
    // The value of a key, or nullptr when missing or not a dictionary.
    const PropertyList* find(const std::string& key) const;

    bool operator==(const PropertyList& other) const;
    bool operator!=(const PropertyList& other) const { return !(*this == other); }

    // Binary property list, format version 1.0 ("bplist00").
    std::vector<std::uint8_t> toBinary() const;
    // Decodes a binary property list. Input that is malformed, or whose
    // shape could make the decoder allocate without bound (shared references
    // that fan out, deep nesting, cycles, offsets out of range), gives
    // nullopt before libplist sees it.
    static std::optional<PropertyList> fromBinary(const std::uint8_t* bytes, std::size_t length);
    static std::optional<PropertyList> fromBinary(const std::vector<std::uint8_t>& bytes)
    {
        return fromBinary(bytes.data(), bytes.size());
    }

    // XML property list (the preferences file).
    std::string toXml() const;
    static std::optional<PropertyList> fromXml(std::string_view xml);

    // Either format, recognised by its first bytes.
    static std::optional<PropertyList> fromAny(const std::uint8_t* bytes, std::size_t length);

private:
    std::variant<bool, std::int64_t, double, std::string, Data, Date, Array, Dictionary> m_value;
};

} // namespace dossiva
