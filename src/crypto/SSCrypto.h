#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dossiva {

// The crypto facade over OpenSSL's libcrypto. The program only digests a
// clear text, so that is all it offers.
class SSCrypto {
public:
    using Bytes = std::vector<std::uint8_t>;

    // init: no clear text yet.
    SSCrypto() = default;

    // The clear text becomes the string's UTF-8 bytes, cut to as many bytes
    // as the string has UTF-16 code units. For ASCII that is the whole text;
    // a text with letters outside ASCII loses its tail. Stored password
    // digests were made this way, so it must stay. Text that is not valid
    // UTF-8 leaves no clear text.
    void setClearTextWithString(const std::string& text);
    const std::optional<Bytes>& clearText() const { return m_clearText; }

    // The MD5 digest of the clear text.
    std::optional<Bytes> digest() const;
    // The digest of the clear text by OpenSSL's name for it ("SHA1", "MD5",
    // ...). Nothing when there is no clear text, the name is unknown or
    // OpenSSL fails; the cause goes to the developer log.
    std::optional<Bytes> digest(const std::string& digestName) const;

private:
    std::optional<Bytes> m_clearText;
};

} // namespace dossiva
