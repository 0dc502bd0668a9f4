#pragma once

#include "platform/PropertyList.h"

#include <cstdint>
#include <optional>
#include <string>

namespace dossiva {

// The user's preferences: typed values under string keys, kept in memory and
// stored as an XML property list (the preferences file). Writes are atomic: a
// new file is written beside the old one and renamed over it.
class UserDefaults {
public:
    // The preferences of the application, in the file Paths::preferencesFile().
    static UserDefaults& standard();
    // Re-reads the standard instance from its file (tests point HOME
    // elsewhere between cases).
    static void resetStandard();

    explicit UserDefaults(std::string filePath);

    const std::string& filePath() const { return m_filePath; }

    bool has(const std::string& key) const;
    std::optional<PropertyList> object(const std::string& key) const;

    // Typed reads with the platform's coercions: a string "1" or "YES" reads
    // as true and as the integer 1; numbers read as booleans when non-zero.
    bool boolForKey(const std::string& key) const;
    std::int64_t integerForKey(const std::string& key) const;
    double doubleForKey(const std::string& key) const;
    std::optional<std::string> stringForKey(const std::string& key) const;

    void set(const std::string& key, PropertyList value);
    void setBool(const std::string& key, bool value) { set(key, PropertyList(value)); }
    void setInteger(const std::string& key, std::int64_t value) { set(key, PropertyList(value)); }
    void setDouble(const std::string& key, double value) { set(key, PropertyList(value)); }
    void setString(const std::string& key, const std::string& value) { set(key, PropertyList(value)); }
    void remove(const std::string& key);

    // Writes the file now. Changes are also written by set() and remove();
    // this reports whether the last write succeeded.
    bool synchronize();

    // Re-reads the file, dropping unsaved changes.
    void reload();

private:
    bool write() const;

    std::string m_filePath;
    PropertyList::Dictionary m_values;
    bool m_lastWriteOk = true;
};

} // namespace dossiva
