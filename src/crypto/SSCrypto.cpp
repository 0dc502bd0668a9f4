#include "crypto/SSCrypto.h"

#include "platform/Log.h"

#include <openssl/evp.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <climits>
#include <memory>

namespace dossiva {

namespace {

// The number of UTF-16 code units of a UTF-8 text; nullopt when the text is
// not valid UTF-8 (ICU rejects overlong forms, surrogates and truncated
// sequences).
std::optional<std::size_t> utf16Length(const std::string& utf8)
{
    if (utf8.size() > static_cast<std::size_t>(INT32_MAX)) {
        return std::nullopt;
    }
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8(nullptr, 0, &length, utf8.data(), static_cast<int32_t>(utf8.size()), &status);
    // Preflighting reports the length as a buffer overflow.
    if (U_FAILURE(status) && status != U_BUFFER_OVERFLOW_ERROR) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(length);
}

struct DigestContextDeleter {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

} // namespace

void SSCrypto::setClearTextWithString(const std::string& text)
{
    const auto units = utf16Length(text);
    if (!units) {
        devLog("setClearTextWithString: the text is not valid UTF-8");
        m_clearText.reset();
        return;
    }
    // UTF-8 never has fewer bytes than UTF-16 has code units, so the cut
    // stays inside the text; min() keeps it so whatever the count says.
    const std::size_t kept = std::min(*units, text.size());
    m_clearText = Bytes(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(kept));
}

std::optional<SSCrypto::Bytes> SSCrypto::digest() const
{
    return digest("MD5");
}

std::optional<SSCrypto::Bytes> SSCrypto::digest(const std::string& digestName) const
{
    if (!m_clearText) {
        return std::nullopt;
    }
    const EVP_MD* method = EVP_get_digestbyname(digestName.c_str());
    if (method == nullptr) {
        devLog("cannot get digest with name " + digestName);
        return std::nullopt;
    }
    const std::unique_ptr<EVP_MD_CTX, DigestContextDeleter> context(EVP_MD_CTX_new());
    // A name OpenSSL knows may still lack an implementation in the loaded
    // providers (MD4 without the legacy provider).
    if (!context || EVP_DigestInit_ex(context.get(), method, nullptr) != 1) {
        devLog("EVP_DigestInit() failed!");
        return std::nullopt;
    }
    if (EVP_DigestUpdate(context.get(), m_clearText->data(), m_clearText->size()) != 1) {
        devLog("EVP_DigestUpdate() failed!");
        return std::nullopt;
    }
    Bytes result(EVP_MAX_MD_SIZE);
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context.get(), result.data(), &length) != 1) {
        devLog("EVP_DigesttFinal() failed!");
        return std::nullopt;
    }
    result.resize(length);
    return result;
}

} // namespace dossiva
