#include "platform/PropertyList.h"

#include "support/Hex.h"
#include "support/LogCapture.h"
#include "support/TestHome.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

namespace dossiva {
namespace {

using Array = PropertyList::Array;
using Dictionary = PropertyList::Dictionary;
using Data = PropertyList::Data;
using Date = PropertyList::Date;

// One value of every kind and shape the codecs must carry unchanged.
struct Case {
    const char* name;
    PropertyList value;
};

std::vector<Case> roundTripCases()
{
    return {
        {"empty array", PropertyList::array()},
        {"empty dictionary", PropertyList::dictionary()},
        {"true", PropertyList(true)},
        {"false", PropertyList(false)},
        {"zero", PropertyList(0)},
        {"small integer", PropertyList(3)},
        {"negative integer", PropertyList(-1)},
        {"negative two bytes", PropertyList(std::int64_t{-40000})},
        {"large integer", PropertyList(std::int64_t{1} << 40)},
        {"int64 max", PropertyList(std::numeric_limits<std::int64_t>::max())},
        {"int64 min", PropertyList(std::numeric_limits<std::int64_t>::min())},
        {"real", PropertyList(245.0)},
        {"real fraction", PropertyList(0.1)},
        {"negative real", PropertyList(-1.5e-7)},
        {"huge real", PropertyList(1e300)},
        {"ascii string", PropertyList("Item 1")},
        {"empty string", PropertyList("")},
        {"unicode string", PropertyList("Caf\xC3\xA9 \xE2\x82\xAC \xE6\x97\xA5\xE6\x9C\xAC")},
        {"astral string", PropertyList("smile \xF0\x9F\x98\x80 end")},
        {"markup string", PropertyList("<a href=\"x\">&amp; 'q'</a>")},
        {"data", PropertyList(Data{0x00, 0x01, 0xFF, 0x80, 0x7F})},
        {"empty data", PropertyList(Data{})},
        {"date 2001", PropertyList(Date{978307200.0})},
        {"date 1970", PropertyList(Date{0.0})},
        {"date now", PropertyList(Date{1700000000.0})},
        {"date before 1970", PropertyList(Date{-86400.0 * 365})},
        {"list of booleans", PropertyList(Array{true})},
        {"choice items", PropertyList(Array{"Item 1", "Item 2"})},
        {"checkbox", PropertyList(Dictionary{{"Caption", "Done"}})},
        {"password", PropertyList(Dictionary{{"Ask", false}})},
        {"height", PropertyList(Array{245.0})},
        {"formula", PropertyList(Array{PropertyList(Dictionary{{"T", "TN"}, {"N", 3}}),
                                       PropertyList(Dictionary{{"T", "TO"}, {"N", "+"}}),
                                       PropertyList(Dictionary{{"T", "TN"}, {"N", 4}})})},
        {"nested",
         PropertyList(Dictionary{
             {"list",
              PropertyList(Array{PropertyList(Array{PropertyList(Array{1, 2}), PropertyList::dictionary()}),
                                 PropertyList::array()})},
             {"dict", PropertyList(Dictionary{{"inner", PropertyList(Dictionary{{"x", -7}, {"y", 2.5}})}})},
             {"\xC3\xBCnicode key", "value"},
             {"", "empty key"},
             {"a<b&c>\"d'", "markup key"},
             {"same", "same"},
             {"again", "same"}})},
        {"mixed array",
         PropertyList(Array{true, 1, 1.0, "1", PropertyList(Data{1}), PropertyList(Date{1e9})})},
    };
}

TEST(PropertyListTest, EveryKindSurvivesBothFormats)
{
    // XML dates hold whole seconds, which every case here uses.
    for (const Case& c : roundTripCases()) {
        SCOPED_TRACE(c.name);
        const std::vector<std::uint8_t> bytes = c.value.toBinary();
        ASSERT_GE(bytes.size(), 8u);
        EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 8), "bplist00");
        const std::string xml = c.value.toXml();
        ASSERT_NE(xml.find("<plist"), std::string::npos);
        const auto binary = PropertyList::fromBinary(bytes);
        ASSERT_TRUE(binary.has_value());
        EXPECT_EQ(binary->kind(), c.value.kind());
        EXPECT_TRUE(*binary == c.value);
        EXPECT_TRUE(PropertyList::fromXml(xml) == c.value);
        EXPECT_TRUE(PropertyList::fromAny(bytes.data(), bytes.size()) == c.value);
        EXPECT_TRUE(PropertyList::fromAny(reinterpret_cast<const std::uint8_t*>(xml.data()), xml.size()) ==
                    c.value);
    }
}

TEST(PropertyListTest, BinaryDatesKeepTheirFraction)
{
    // Before and after 2001 (where plists count from), before and after 1970.
    for (double seconds : {1700000000.25, 978307200.5, 978307190.5, 12.75, -0.5, -86400.125}) {
        SCOPED_TRACE(seconds);
        const auto decoded = PropertyList::fromBinary(PropertyList(Date{seconds}).toBinary());
        ASSERT_TRUE(decoded.has_value());
        ASSERT_TRUE(decoded->date().has_value());
        EXPECT_NEAR(decoded->date()->secondsSince1970, seconds, 1e-6);
    }
}

TEST(PropertyListTest, IllFormedUtf8IsReplacedNotPassedThrough)
{
    // libplist walks UTF-8 without checking it; the codec hands it only
    // well-formed text, so a stray byte becomes U+FFFD.
    const PropertyList value(Array{"a\xFF"
                                   "b",
                                   "\xE2\x82", "ok"});
    const auto decoded = PropertyList::fromBinary(value.toBinary());
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->at(0)->toString(), "a\xEF\xBF\xBD"
                                          "b");
    EXPECT_EQ(decoded->at(1)->toString(), "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(decoded->at(2)->toString(), "ok");
}

TEST(PropertyListTest, TypedReadsFallBackOnOtherKinds)
{
    const PropertyList text("12");
    EXPECT_EQ(text.toInteger(-1), -1);
    EXPECT_TRUE(text.toBool(true));
    EXPECT_EQ(text.toReal(2.5), 2.5);
    EXPECT_EQ(text.toString(), "12");
    EXPECT_EQ(text.data(), nullptr);
    EXPECT_FALSE(text.date().has_value());
    EXPECT_EQ(text.asArray(), nullptr);
    EXPECT_EQ(text.asDictionary(), nullptr);
    EXPECT_EQ(text.count(), 0u);
    EXPECT_EQ(text.at(0), nullptr);
    EXPECT_EQ(text.find("x"), nullptr);

    // Numbers read as one another, as the platform's numbers do.
    EXPECT_EQ(PropertyList(true).toInteger(-1), 1);
    EXPECT_EQ(PropertyList(-2.9).toInteger(), -2);
    EXPECT_EQ(PropertyList(1e30).toInteger(), std::numeric_limits<std::int64_t>::max());
    EXPECT_TRUE(PropertyList(3).toBool());
    EXPECT_FALSE(PropertyList(0.0).toBool(true));
    EXPECT_EQ(PropertyList(7).toReal(), 7.0);
    EXPECT_EQ(PropertyList(7).toString("none"), "none");

    const PropertyList list(Array{"a", 2});
    EXPECT_EQ(list.count(), 2u);
    ASSERT_NE(list.at(1), nullptr);
    EXPECT_EQ(list.at(1)->toInteger(), 2);
    EXPECT_EQ(list.at(2), nullptr);
    EXPECT_EQ(list.find("a"), nullptr);

    const PropertyList dict(Dictionary{{"Ask", true}});
    ASSERT_NE(dict.find("Ask"), nullptr);
    EXPECT_TRUE(dict.find("Ask")->toBool());
    EXPECT_EQ(dict.find("ask"), nullptr);
    EXPECT_EQ(dict.at(0), nullptr);

    EXPECT_TRUE(PropertyList().isArray());
    EXPECT_EQ(PropertyList().count(), 0u);
}

TEST(PropertyListTest, EqualityComparesKindAndValue)
{
    EXPECT_TRUE(PropertyList(1) == PropertyList(std::int64_t{1}));
    EXPECT_TRUE(PropertyList(1) != PropertyList(1.0));
    EXPECT_TRUE(PropertyList(1) != PropertyList(true));
    EXPECT_TRUE(PropertyList("1") != PropertyList(1));
    EXPECT_TRUE(PropertyList::array() != PropertyList::dictionary());
    EXPECT_TRUE(PropertyList(Array{1, 2}) != PropertyList(Array{2, 1}));
    EXPECT_TRUE(PropertyList(Dictionary{{"a", 1}}) != PropertyList(Dictionary{{"a", 2}}));
    EXPECT_TRUE(PropertyList(Dictionary{{"a", 1}}) != PropertyList(Dictionary{{"b", 1}}));
    EXPECT_TRUE(PropertyList(Date{5}) == PropertyList(Date{5}));
    EXPECT_TRUE(PropertyList(Date{5}) != PropertyList(5.0));

    PropertyList mutableList(Array{1});
    mutableList.asArray()->push_back("x");
    EXPECT_TRUE(mutableList == PropertyList(Array{1, "x"}));
}

TEST(PropertyListTest, MalformedXmlGivesNothing)
{
    const test::LogCapture quiet;
    for (const std::string& xml : std::vector<std::string>{
             "", "garbage", "<plist><array><integer>1</integer></plist>", "<?xml version=\"1.0\"?>",
             "<plist version=\"1.0\"><uid>1</uid></plist>", std::string("\0\1\2", 3)}) {
        SCOPED_TRACE(xml);
        EXPECT_FALSE(PropertyList::fromXml(xml).has_value());
    }
}

TEST(PropertyListTest, DeeplyNestedXmlIsRefused)
{
    const test::LogCapture quiet;
    auto nested = [](int levels) {
        std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">";
        for (int i = 0; i < levels; ++i) {
            xml += i % 2 == 0 ? "<array>" : "<dict><key>k</key>";
        }
        for (int i = levels - 1; i >= 0; --i) {
            xml += i % 2 == 0 ? "</array>" : "</dict>";
        }
        return xml + "</plist>";
    };
    const auto shallow = PropertyList::fromXml(nested(100));
    ASSERT_TRUE(shallow.has_value());
    EXPECT_TRUE(shallow->isArray());
    // libplist frees its tree recursively; this deep a tree would overflow the stack.
    EXPECT_FALSE(PropertyList::fromXml(nested(200000)).has_value());
}

// The structures we write, read by an independent implementation.
TEST(PropertyListTest, PythonReadsWhatWeWrite)
{
    struct Expectation {
        PropertyList value;
        const char* python; // repr() of plistlib's result
    };
    const std::vector<Expectation> cases = {
        {PropertyList::array(), "[]"},
        {PropertyList(Array{true}), "[True]"},
        {PropertyList(Array{false}), "[False]"},
        {PropertyList(Array{"Item 1", "Item 2"}), "['Item 1', 'Item 2']"},
        {PropertyList(Dictionary{{"Caption", "Done"}}), "{'Caption': 'Done'}"},
        {PropertyList(Dictionary{{"Ask", false}}), "{'Ask': False}"},
        {PropertyList(Array{PropertyList(Dictionary{{"T", "TN"}, {"N", 3}}),
                            PropertyList(Dictionary{{"T", "TO"}, {"N", "+"}}),
                            PropertyList(Dictionary{{"T", "TN"}, {"N", 4}})}),
         "[{'N': 3, 'T': 'TN'}, {'N': '+', 'T': 'TO'}, {'N': 4, 'T': 'TN'}]"},
        {PropertyList(Array{245.0}), "[245.0]"},
        {PropertyList(Array{0.1, -2.5, 1e300}), "[0.1, -2.5, 1e+300]"},
        {PropertyList(Array{-1, -40000, std::numeric_limits<std::int64_t>::min(),
                            std::numeric_limits<std::int64_t>::max(), 0, 255, 256, 65536}),
         "[-1, -40000, -9223372036854775808, 9223372036854775807, 0, 255, 256, 65536]"},
        {PropertyList("Caf\xC3\xA9 \xF0\x9F\x98\x80"), "'Caf\\xe9 \\U0001f600'"},
        {PropertyList(Data{0, 1, 255}), "b'\\x00\\x01\\xff'"},
        {PropertyList(Date{978307200.0 + 86400}), "datetime.datetime(2001, 1, 2, 0, 0)"},
        {PropertyList(Date{0}), "datetime.datetime(1970, 1, 1, 0, 0)"},
        {PropertyList(Dictionary{{"empty", PropertyList::dictionary()},
                                 {"list", PropertyList(Array{PropertyList::array()})}}),
         "{'empty': {}, 'list': [[]]}"},
    };
    // ascii() keeps the printed text ASCII whatever Python's output encoding is.
    const std::string script = "import sys, plistlib, datetime\n"
                               "for h in sys.argv[1:]:\n"
                               "    v = plistlib.loads(bytes.fromhex(h))\n"
                               "    print(ascii(v))\n";
    std::vector<std::string> args;
    for (const auto& c : cases) {
        args.push_back(test::hex(c.value.toBinary()));
    }
    std::string output;
    ASSERT_EQ(test::runPython(script, args, output), 0) << output;
    std::size_t start = 0;
    for (const auto& c : cases) {
        const std::size_t end = output.find('\n', start);
        ASSERT_NE(end, std::string::npos) << output;
        EXPECT_EQ(output.substr(start, end - start), c.python);
        start = end + 1;
    }
}

// What an independent writer produces in either format, read by us.
TEST(PropertyListTest, WeReadWhatPythonWrites)
{
    struct Expectation {
        const char* python; // a Python expression
        PropertyList value;
    };
    const std::vector<Expectation> cases = {
        {"[]", PropertyList::array()},
        {"[True]", PropertyList(Array{true})},
        {"['Item 1', 'Item 2']", PropertyList(Array{"Item 1", "Item 2"})},
        {"{'Caption': 'Done'}", PropertyList(Dictionary{{"Caption", "Done"}})},
        {"{'Ask': False}", PropertyList(Dictionary{{"Ask", false}})},
        {"[{'T':'TN','N':3},{'T':'TO','N':'+'},{'T':'TN','N':4}]",
         PropertyList(Array{PropertyList(Dictionary{{"T", "TN"}, {"N", 3}}),
                            PropertyList(Dictionary{{"T", "TO"}, {"N", "+"}}),
                            PropertyList(Dictionary{{"T", "TN"}, {"N", 4}})})},
        {"[245.0]", PropertyList(Array{245.0})},
        {"{}", PropertyList::dictionary()},
        {"''", PropertyList("")},
        {"'Caf\\xe9 \\U0001f600 \\u65e5'", PropertyList("Caf\xC3\xA9 \xF0\x9F\x98\x80 \xE6\x97\xA5")},
        {"[-1, -300, -2**63, 2**63-1, 0, 1, 255, 256, 2**32]",
         PropertyList(Array{-1, -300, std::numeric_limits<std::int64_t>::min(),
                            std::numeric_limits<std::int64_t>::max(), 0, 1, 255, 256,
                            std::int64_t{1} << 32})},
        {"[0.1, -2.5, 1e300, 0.0]", PropertyList(Array{0.1, -2.5, 1e300, 0.0})},
        {"[True, False, 'x', {'a': [1, {'b': [True]}]}]",
         PropertyList(Array{true, false, "x",
                            PropertyList(Dictionary{{"a", PropertyList(Array{
                                                              1, PropertyList(Dictionary{{"b", PropertyList(Array{true})}})})}})})},
        {"b'\\x00\\xff'", PropertyList(Data{0x00, 0xFF})},
        {"datetime.datetime(2001, 1, 2, 0, 0, 0)", PropertyList(Date{978307200.0 + 86400})},
        // One string object shared by many references (plistlib writes each value once).
        {"[{'T':'TN','N':3}] * 50", PropertyList(Array(50, PropertyList(Dictionary{{"T", "TN"}, {"N", 3}})))},
        {"[[['deep']]] * 3", PropertyList(Array(3, PropertyList(Array{PropertyList(Array{"deep"})})))},
        {"list(range(300))", [] {
             Array numbers;
             for (int i = 0; i < 300; ++i) {
                 numbers.emplace_back(i);
             }
             return PropertyList(std::move(numbers));
         }()},
    };
    const std::string script =
        "import sys, plistlib, datetime\n"
        "for e in sys.argv[1:]:\n"
        "    v = eval(e)\n"
        "    print(plistlib.dumps(v, fmt=plistlib.FMT_BINARY, sort_keys=False).hex(),\n"
        "          plistlib.dumps(v, fmt=plistlib.FMT_XML, sort_keys=False).hex())\n";
    std::vector<std::string> args;
    for (const auto& c : cases) {
        args.emplace_back(c.python);
    }
    std::string output;
    ASSERT_EQ(test::runPython(script, args, output), 0) << output;
    std::istringstream lines(output);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.python);
        std::string binary;
        std::string xml;
        ASSERT_TRUE(lines >> binary >> xml);
        EXPECT_TRUE(PropertyList::fromBinary(test::fromHex(binary)) == c.value);
        const auto xmlBytes = test::fromHex(xml);
        EXPECT_TRUE(PropertyList::fromXml(std::string(xmlBytes.begin(), xmlBytes.end())) == c.value);
    }
}

} // namespace
} // namespace dossiva
