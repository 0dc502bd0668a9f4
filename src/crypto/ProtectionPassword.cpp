#include "crypto/ProtectionPassword.h"

#include "crypto/SSCrypto.h"

namespace dossiva {

std::optional<std::vector<std::uint8_t>> ProtectionPassword::passwordDigest(const std::string& password)
{
    SSCrypto crypto;
    crypto.setClearTextWithString(password);
    return crypto.digest("SHA1");
}

bool ProtectionPassword::isProtected() const
{
    return defaults().boolForKey(kProtectKey);
}

bool ProtectionPassword::hasStoredPassword() const
{
    const auto stored = defaults().object(kProtectPasswdKey);
    return stored && stored->data() != nullptr;
}

bool ProtectionPassword::matches(const std::string& password) const
{
    const auto stored = defaults().object(kProtectPasswdKey);
    if (!stored || stored->data() == nullptr) {
        return false;
    }
    const auto digest = passwordDigest(password);
    return digest && *digest == *stored->data();
}

bool ProtectionPassword::storePassword(const std::string& password)
{
    auto digest = passwordDigest(password);
    if (!digest || digest->size() != kDigestLength) {
        return false;
    }
    // The digest first: a lock switched on over a stale digest would refuse
    // the new password at the next launch.
    return writeAll(
        {{kProtectPasswdKey, PropertyList(std::move(*digest))}, {kProtectKey, PropertyList(true)}});
}

bool ProtectionPassword::setProtect(bool on)
{
    return writeAll({{kProtectKey, PropertyList(on)}});
}

bool ProtectionPassword::writeAll(const std::vector<std::pair<std::string, PropertyList>>& values)
{
    UserDefaults& store = defaults();
    std::vector<std::pair<std::string, std::optional<PropertyList>>> previous;
    for (const auto& [key, value] : values) {
        previous.emplace_back(key, store.object(key));
        store.set(key, value);
    }
    if (store.synchronize()) {
        return true;
    }
    for (auto it = previous.rbegin(); it != previous.rend(); ++it) {
        it->second ? store.set(it->first, *it->second) : store.remove(it->first);
    }
    return false;
}

} // namespace dossiva
