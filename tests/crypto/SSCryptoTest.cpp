// The digest facade: which bytes of a text are digested, and what each
// digest name gives, checked against Python's hashlib.
#include "crypto/CryptoTestSupport.h"

#include "crypto/SSCrypto.h"
#include "support/Hex.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

using namespace dossiva;
using namespace dossiva::test;

namespace {

SSCrypto cryptoWith(const std::string& text)
{
    SSCrypto crypto;
    crypto.setClearTextWithString(text);
    return crypto;
}

TEST(SSCryptoTest, ClearTextIsCutToTheUtf16LengthOfTheText)
{
    struct Case {
        std::string text;
        std::size_t keptBytes;
    };
    const Case cases[] = {
        {"secret", 6},               // ASCII: every byte
        {"", 0},                     // an empty text is still a clear text
        {"caf\xc3\xa9", 4},          // one accented letter: one byte fewer than its 5
        {"\xc3\xa9t\xc3\xa9", 3},    // two: two fewer
        {"€5", 2},                   // a three-byte letter: two fewer
        {"a\xf0\x9f\x98\x80", 3},    // outside the BMP: 2 code units of its 4 bytes
        {std::string("a\0b", 3), 3}, // an embedded NUL is a character like any other
    };
    for (const auto& c : cases) {
        const std::string& text = c.text;
        const SSCrypto crypto = cryptoWith(text);
        ASSERT_TRUE(crypto.clearText().has_value()) << text;
        EXPECT_EQ(crypto.clearText()->size(), c.keptBytes) << text;
        const std::string kept(crypto.clearText()->begin(), crypto.clearText()->end());
        EXPECT_EQ(kept, text.substr(0, c.keptBytes));
    }
}

TEST(SSCryptoTest, TextThatIsNotUtf8LeavesNoClearText)
{
    const char* const invalid[] = {
        "caf\xe9",         // Latin-1
        "\xc3",            // a truncated sequence
        "\xc0\xaf",        // an overlong slash
        "\xed\xa0\x80",    // a UTF-16 surrogate written as UTF-8
        "\xf4\x90\x80\x80" // past U+10FFFF
    };
    for (const char* text : invalid) {
        const LogCapture log;
        SSCrypto crypto = cryptoWith("earlier text");
        crypto.setClearTextWithString(text);
        EXPECT_FALSE(crypto.clearText().has_value()) << hex(text);
        EXPECT_EQ(crypto.digest("SHA1"), std::nullopt);
    }
}

TEST(SSCryptoTest, DigestsAgreeWithPython)
{
    struct Case {
        const char* name;   // OpenSSL's
        const char* python; // hashlib's
        std::size_t length;
    };
    const Case digests[] = {
        {"SHA1", "sha1", 20},     {"sha1", "sha1", 20},     {"MD5", "md5", 16},
        {"SHA256", "sha256", 32}, {"SHA512", "sha512", 64},
    };
    const char* const texts[] = {
        "secret", "Password123", "correct horse battery staple", "", "caf\xc3\xa9", "Zo\xc3\xab", "a😀b"};
    for (const auto& d : digests) {
        for (const char* text : texts) {
            const auto digest = cryptoWith(text).digest(d.name);
            ASSERT_TRUE(digest.has_value()) << d.name << " " << text;
            EXPECT_EQ(digest->size(), d.length);
            EXPECT_EQ(hex(*digest), pythonPasswordDigest(d.python, text)) << d.name << " " << text;
        }
    }
}

TEST(SSCryptoTest, UnknownNamesGiveNothingAndAreLogged)
{
    for (const std::string name : {"SHA-999", "", "NOPE", "SHA1 "}) {
        const LogCapture log;
        EXPECT_EQ(cryptoWith("secret").digest(name), std::nullopt) << name;
        EXPECT_EQ(log.messages(), std::vector<std::string>{"cannot get digest with name " + name});
    }
}

TEST(SSCryptoTest, ANameWithoutImplementationGivesNothing)
{
    // OpenSSL knows MD4 by name but implements it only in its legacy
    // provider, which is not loaded unless the system configures it.
    const LogCapture log;
    const auto digest = cryptoWith("secret").digest("MD4");
    if (digest) {
        GTEST_SKIP() << "the legacy provider is loaded on this system";
    }
    EXPECT_EQ(log.messages(), std::vector<std::string>{"EVP_DigestInit() failed!"});
}

} // namespace
