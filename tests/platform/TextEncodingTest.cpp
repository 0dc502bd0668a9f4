#include "platform/TextEncoding.h"

#include "support/Hex.h"
#include "support/TestHome.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace dossiva {
namespace {

using namespace std::string_literals;
using test::hex;

struct EncodingCase {
    TextEncoding encoding;
    std::string utf8;
    std::string bytes;
};

TEST(TextEncodingTest, EncodesAndDecodesEachEncoding)
{
    const std::vector<EncodingCase> cases = {
        {TextEncoding::ASCII, "Name,Price\n\"a\"\"b\"", "Name,Price\n\"a\"\"b\""},
        {TextEncoding::ASCII, "nul\0inside"s, "nul\0inside"s},
        {TextEncoding::Latin1, "caf\xC3\xA9 \xC3\xBF \xC2\xA0", "caf\xE9 \xFF \xA0"},
        {TextEncoding::MacRoman, "caf\xC3\xA9", "caf\x8E"},
        {TextEncoding::MacRoman, "\xE2\x82\xAC", "\xDB"}, // euro sign
        {TextEncoding::MacRoman, "\xEF\xAC\x81", "\xDE"}, // fi ligature
        {TextEncoding::MacRoman, "\xE2\x80\xA0", "\xA0"}, // dagger
        {TextEncoding::UTF8, "emoji \xF0\x9F\x98\x80 \xE4\xB8\xAD", "emoji \xF0\x9F\x98\x80 \xE4\xB8\xAD"},
        {TextEncoding::UTF16, "A,\n", "A\0,\0\n\0"s},
        {TextEncoding::UTF16, "\xC3\xA9\xE2\x82\xAC", "\xE9\x00\xAC\x20"s},
        {TextEncoding::UTF16, "\xF0\x9F\x98\x80", "\x3D\xD8\x00\xDE"s}, // a surrogate pair
        {TextEncoding::UTF16, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(converterName(c.encoding)) + " " + hex(c.utf8));
        EXPECT_EQ(encodeText(c.utf8, c.encoding), c.bytes);
        EXPECT_EQ(decodeText(c.bytes, c.encoding), c.utf8);
    }
}

struct RefusalCase {
    TextEncoding encoding;
    std::string input;
};

TEST(TextEncodingTest, RefusesCharactersTheEncodingLacks)
{
    const std::vector<RefusalCase> cases = {
        {TextEncoding::Latin1, "price \xE2\x82\xAC"}, // euro sign
        {TextEncoding::Latin1, "\xF0\x9F\x98\x80"},
        {TextEncoding::ASCII, "caf\xC3\xA9"},
        {TextEncoding::ASCII, "\xC2\x80"},
        {TextEncoding::MacRoman, "\xF0\x9F\x98\x80"},
        {TextEncoding::MacRoman, "\xE4\xB8\xAD"},
        {TextEncoding::MacRoman, "\xC2\xA6"}, // broken bar: Latin 1 has it, Mac Roman not
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(converterName(c.encoding)) + " " + hex(c.input));
        EXPECT_EQ(encodeText(c.input, c.encoding), std::nullopt);
    }
}

TEST(TextEncodingTest, RefusesInvalidUtf8InBothDirections)
{
    const std::vector<std::string> invalid = {
        "\xC0\x80",         // overlong NUL
        "\xE0\x80\xAF",     // overlong slash
        "\xED\xA0\x80",     // a surrogate, encoded on its own
        "\xF0\x9F\x98",     // cut off inside a four-byte sequence
        "ok\xE2\x82",       // cut off at the end
        "\x80",             // a lone continuation byte
        "\xFF",             // never valid
        "\xF4\x90\x80\x80", // above U+10FFFF
    };
    for (const auto& bytes : invalid) {
        SCOPED_TRACE(hex(bytes));
        EXPECT_EQ(decodeText(bytes, TextEncoding::UTF8), std::nullopt);
        for (const auto encoding : {TextEncoding::UTF16, TextEncoding::UTF8, TextEncoding::MacRoman,
                                    TextEncoding::Latin1, TextEncoding::ASCII}) {
            EXPECT_EQ(encodeText(bytes, encoding), std::nullopt) << converterName(encoding);
        }
    }
}

TEST(TextEncodingTest, ARefusalLeavesNothingBehindForTheNextText)
{
    // Converters are reused between calls; a half-read sequence must not
    // carry over into the next text.
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(decodeText("\xF0\x9F", TextEncoding::UTF8), std::nullopt);
        EXPECT_EQ(decodeText("\x98\x80ok", TextEncoding::UTF8), std::nullopt);
        EXPECT_EQ(decodeText("ok", TextEncoding::UTF8), "ok");
        EXPECT_EQ(decodeText("\x3D\xD8"s, TextEncoding::UTF16), std::nullopt);
        EXPECT_EQ(decodeText("\x00\xDE"s, TextEncoding::UTF16), std::nullopt);
        EXPECT_EQ(encodeText("\xE2\x82\xAC", TextEncoding::Latin1), std::nullopt);
        EXPECT_EQ(encodeText("\xC3\xA9", TextEncoding::Latin1), "\xE9");
    }
}

TEST(TextEncodingTest, EachThreadConvertsOnItsOwn)
{
    std::vector<std::thread> threads;
    std::atomic<int> correct{0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&correct] {
            for (int i = 0; i < 200; ++i) {
                const auto bytes = encodeText("caf\xC3\xA9 \xE2\x82\xAC", TextEncoding::MacRoman);
                if (bytes == "caf\x8E \xDB" &&
                    decodeText(*bytes, TextEncoding::MacRoman) == "caf\xC3\xA9 \xE2\x82\xAC") {
                    ++correct;
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(correct.load(), 4 * 200);
}

struct DecodeCase {
    TextEncoding encoding;
    std::string bytes;
    std::optional<std::string> utf8;
};

TEST(TextEncodingTest, DecodesByteOrderMarksAndRefusesBrokenInput)
{
    // clang-format off
    const std::vector<DecodeCase> cases = {
        {TextEncoding::UTF16, "\xFF\xFE" "A\0"s, "A"},
        {TextEncoding::UTF16, "\xFE\xFF\0A"s, "A"},
        {TextEncoding::UTF16, "\xFE\xFF\xD8\x3D\xDE\x00"s, "\xF0\x9F\x98\x80"},
        {TextEncoding::UTF16, "\xFF\xFE"s, ""},
        {TextEncoding::UTF16, "\0A"s, "\xE4\x84\x80"}, // without a mark: little-endian, so U+4100
        {TextEncoding::UTF16, "A\0B"s, std::nullopt},  // odd byte count
        {TextEncoding::UTF16, "\xFF\xFE" "A"s, std::nullopt},
        {TextEncoding::UTF16, "\x3D\xD8"s, std::nullopt}, // a lone high surrogate
        {TextEncoding::UTF16, "\x00\xDE" "A\0"s, std::nullopt}, // a lone low surrogate
        {TextEncoding::ASCII, "plain \x80", std::nullopt},
        {TextEncoding::ASCII, "\xFF", std::nullopt},
        {TextEncoding::Latin1, "\x80\xFF", "\xC2\x80\xC3\xBF"},
        {TextEncoding::UTF8, "\xEF\xBB\xBF" "A", "\xEF\xBB\xBF" "A"}, // UTF-8 keeps a mark as text
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(converterName(c.encoding)) + " " + hex(c.bytes));
        EXPECT_EQ(decodeText(c.bytes, c.encoding), c.utf8);
    }
}

// Python's codecs are an independent implementation of the same tables.
TEST(TextEncodingTest, EverySingleByteDecodesAsPythonDoes)
{
    std::string allBytes;
    for (int byte = 0; byte < 256; ++byte) {
        allBytes += static_cast<char>(byte);
    }
    for (const auto& [encoding, codec] :
         {std::pair{TextEncoding::MacRoman, "mac_roman"}, std::pair{TextEncoding::Latin1, "latin-1"}}) {
        SCOPED_TRACE(codec);
        std::string python;
        ASSERT_EQ(test::runPython(
                      "import sys\nprint(bytes.fromhex(sys.argv[2]).decode(sys.argv[1]).encode().hex())",
                      {codec, hex(allBytes)}, python),
                  0);
        const auto ours = decodeText(allBytes, encoding);
        ASSERT_TRUE(ours.has_value());
        EXPECT_EQ(hex(*ours) + "\n", python);
        // And every byte comes back: the tables are one-to-one.
        EXPECT_EQ(encodeText(*ours, encoding), allBytes);
    }
}

} // namespace
} // namespace dossiva
