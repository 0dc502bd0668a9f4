#pragma once

#include "platform/UserDefaults.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dossiva {

// The lock of the application, kept in the preferences: whether the password
// is asked at every launch ("Protect") and the SHA-1 digest of that password
// as 20 raw bytes ("ProtectPasswd"). The password itself is never stored.
class ProtectionPassword {
public:
    static constexpr const char* kProtectKey = "Protect";
    static constexpr const char* kProtectPasswdKey = "ProtectPasswd";
    static constexpr std::size_t kDigestLength = 20;

    // Works on the standard preferences, looked up at each call.
    ProtectionPassword() = default;
    explicit ProtectionPassword(UserDefaults& defaults) : m_defaults(&defaults) {}

    // The digest a password is stored and checked as; nullopt when it cannot
    // be computed.
    static std::optional<std::vector<std::uint8_t>> passwordDigest(const std::string& password);

    bool isProtected() const;
    bool hasStoredPassword() const;
    // Whether the password digests to the stored one. A digest that cannot
    // be computed, or a missing stored one, never matches.
    bool matches(const std::string& password) const;
    // Stores the password's digest and turns protection on. False when the
    // digest cannot be computed or the preferences cannot be written; the
    // preferences then stay as they were.
    bool storePassword(const std::string& password);
    // Turns protection on or off; the stored digest stays either way. False
    // when the preferences cannot be written (the setting is then left as it
    // was, so the program never believes in a lock the next launch lacks).
    bool setProtect(bool on);

private:
    // Writes the values, or puts the previous ones back when the file cannot
    // be written.
    bool writeAll(const std::vector<std::pair<std::string, PropertyList>>& values);

    UserDefaults& defaults() const { return m_defaults != nullptr ? *m_defaults : UserDefaults::standard(); }

    UserDefaults* m_defaults = nullptr;
};

} // namespace dossiva
