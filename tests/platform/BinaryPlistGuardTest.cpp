#include "platform/BinaryPlistGuard.h"
#include "platform/PropertyList.h"

#include "support/BinaryPlistWriter.h"
#include "support/CaseNames.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace dossiva {
namespace {

using test::PrintTo;

using Bytes = std::vector<std::uint8_t>;
using Verdict = BinaryPlistGuard::Verdict;
using Array = PropertyList::Array;
using Dictionary = PropertyList::Dictionary;
using Writer = test::BinaryPlistWriter;

Verdict check(const Bytes& bytes)
{
    return BinaryPlistGuard::check(bytes.data(), bytes.size());
}

using test::fanOut;

// A chain of `shared` arrays met right under the top and again at the end of
// a chain of `path` more: the expanded tree is shared + path + 1 deep.
Bytes sharedChain(int shared, int path)
{
    Writer w;
    std::uint64_t chain = w.string("leaf");
    for (int i = 0; i < shared; ++i) {
        chain = w.array({chain});
    }
    std::uint64_t longPath = chain;
    for (int i = 0; i < path; ++i) {
        longPath = w.array({longPath});
    }
    return w.finish(w.array({chain, longPath}));
}

// top -> a -> b -> a, through a dictionary value.
Bytes cycleThroughADictionary()
{
    Writer w;
    const auto key = w.string("k");
    const auto a = w.nextIndex();
    w.array({key, a + 1});
    w.dictionary({key}, {a});
    return w.finish(w.array({key, a}));
}

Bytes selfReference(bool asKey)
{
    Writer w;
    const auto self = w.nextIndex();
    asKey ? w.dictionary({self}, {self + 1}) : w.array({self});
    w.boolean(true);
    return w.finish(self);
}

Bytes dictionaryKeyedBy(bool stringKey)
{
    Writer w;
    const auto key = stringKey ? w.string("k") : w.integer(1);
    return w.finish(w.dictionary({key}, {w.integer(1)}));
}

// libplist aborts the whole process on a key holding a NUL.
Bytes dictionaryKeyedByRaw(const Bytes& key)
{
    Writer w;
    const auto keyIndex = w.raw(key);
    return w.finish(w.dictionary({keyIndex}, {w.integer(1)}));
}

Bytes uid()
{
    Writer w;
    return w.finish(w.array({w.raw({0x80, 0x05})}));
}

struct StructureCase {
    const char* name;
    std::function<Bytes()> make;
    Verdict verdict;
    bool decodes;
};

class GuardedStructure : public testing::TestWithParam<StructureCase> {};

TEST_P(GuardedStructure, GetsItsVerdictBeforeLibplistSeesIt)
{
    const test::LogCapture quiet;
    const Bytes bytes = GetParam().make();
    EXPECT_EQ(check(bytes), GetParam().verdict);
    EXPECT_EQ(PropertyList::fromBinary(bytes).has_value(), GetParam().decodes);
}

// clang-format off
const StructureCase kStructures[] = {
    // Some 170 bytes that libplist would expand into 10^10 nodes.
    {"FanOutBomb",                 [] { return fanOut(10, 10); },                     Verdict::TooManyNodes, false},
    {"FanOutWithinTheBudget",      [] { return fanOut(4, 10); },                      Verdict::Accepted, true},
    // 10,101 nodes, but 600 MB of text once expanded.
    {"ExpandedBytesBomb",          [] { return fanOut(2, 100, std::string(60000, 'a'), 2); }, Verdict::TooManyBytes, false},
    {"ArrayHoldingItself",         [] { return selfReference(false); },               Verdict::Cycle, false},
    {"CycleThroughADictionary",    cycleThroughADictionary,                           Verdict::Cycle, false},
    {"DictionaryKeyedByItself",    [] { return selfReference(true); },                Verdict::Cycle, false},
    {"NestedToTheLimit",           [] { return fanOut(64, 1, "leaf"); },              Verdict::Accepted, true},
    {"NestedOneTooDeep",           [] { return fanOut(65, 1, "leaf"); },              Verdict::TooDeep, false},
    {"NestedFarTooDeep",           [] { return fanOut(200, 1, "leaf"); },             Verdict::TooDeep, false},
    // Nesting counts every path to a shared object.
    {"SharedChainTooDeepOnALongPath", [] { return sharedChain(40, 30); },             Verdict::TooDeep, false},
    {"SharedChainWithinTheDepth",  [] { return sharedChain(40, 20); },                Verdict::Accepted, true},
    {"KeyThatIsNotAString",        [] { return dictionaryKeyedBy(false); },           Verdict::BadReference, false},
    {"KeyThatIsAString",           [] { return dictionaryKeyedBy(true); },            Verdict::Accepted, true},
    {"AsciiKeyHoldingANul",        [] { return dictionaryKeyedByRaw({0x53, 'a', 0, 'b'}); }, Verdict::BadReference, false},
    {"UnicodeKeyHoldingANul",      [] { return dictionaryKeyedByRaw({0x62, 0, 'a', 0, 0}); }, Verdict::BadReference, false},
    {"UnicodeKeyWithAZeroByte",    [] { return dictionaryKeyedByRaw({0x61, 0x01, 0x00}); },  Verdict::Accepted, true},
    // libplist reads a UID, but a property list of ours never holds one.
    {"Uid",                        uid,                                               Verdict::Accepted, false},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Table, GuardedStructure, testing::ValuesIn(kStructures), test::NameOfCase());

TEST(BinaryPlistGuardTest, StructuresAtTheLimitsDecodeWhole)
{
    const auto deepest = PropertyList::fromBinary(fanOut(64, 1, "leaf"));
    ASSERT_TRUE(deepest.has_value());
    const PropertyList* node = &*deepest;
    for (int level = 0; level < 64 && node != nullptr; ++level) {
        node = node->at(0);
    }
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->toString(), "leaf");

    const auto wide = PropertyList::fromBinary(fanOut(4, 10));
    ASSERT_TRUE(wide.has_value());
    EXPECT_EQ(wide->at(9)->at(9)->at(9)->at(9)->toString(), "x");
}

TEST(BinaryPlistGuardTest, HandWrittenStructuresDecodeWithEveryReferenceAndOffsetSize)
{
    // libplist must read odd sizes (3, 5, 6, 7 bytes) as we do, or the
    // guard's count of the expansion would not be the one libplist makes.
    const PropertyList checkbox(Dictionary{{"Caption", "Done"}});
    const PropertyList expected(Array{checkbox, -1, true, 245.0, "Done", checkbox});
    for (int referenceSize = 1; referenceSize <= 8; ++referenceSize) {
        for (int offsetSize = 1; offsetSize <= 8; ++offsetSize) {
            SCOPED_TRACE(testing::Message() << "references " << referenceSize << ", offsets " << offsetSize);
            Writer w(referenceSize);
            const auto done = w.string("Done");
            const auto dict = w.dictionary({w.string("Caption")}, {done});
            const auto top = w.array({dict, w.integer(static_cast<std::uint64_t>(-1)), w.boolean(true),
                                      w.real(245.0), done, dict});
            const Bytes bytes = w.finish(top, offsetSize);
            EXPECT_EQ(check(bytes), Verdict::Accepted);
            const auto decoded = PropertyList::fromBinary(bytes);
            ASSERT_TRUE(decoded.has_value());
            EXPECT_TRUE(*decoded == expected);
        }
    }
}

TEST(BinaryPlistGuardTest, WhatWeWriteIsAccepted)
{
    Array many;
    for (int i = 0; i < 5000; ++i) {
        many.emplace_back(PropertyList(Dictionary{{"T", "TN"}, {"N", i}}));
    }
    const PropertyList value(
        Dictionary{{"many", PropertyList(std::move(many))}, {"text", std::string(100000, 'x')}});
    const Bytes bytes = value.toBinary();
    EXPECT_EQ(check(bytes), Verdict::Accepted);
    const auto decoded = PropertyList::fromBinary(bytes);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_TRUE(*decoded == value);
}

// Positions in the trailer, counted from the end of the file.
constexpr std::size_t kOffsetSizeAt = 26;
constexpr std::size_t kReferenceSizeAt = 25;
constexpr std::size_t kObjectCountAt = 24;
constexpr std::size_t kTopObjectAt = 16;
constexpr std::size_t kTableOffsetAt = 8;
constexpr std::uint64_t kHuge = ~std::uint64_t{0};

void setTrailerNumber(Bytes& bytes, std::size_t fromEnd, std::uint64_t value)
{
    for (int i = 0; i < 8; ++i) {
        bytes[bytes.size() - fromEnd + i] = static_cast<std::uint8_t>(value >> (8 * (7 - i)));
    }
}

// Two strings in an array: 32 bytes of trailer, and one byte of offset
// table per object in front of it.
Bytes smallValidPlist()
{
    Writer w;
    const auto a = w.string("Item 1");
    return w.finish(w.array({a, w.string("Item 2")}));
}

struct FrameDamage {
    const char* name;
    void (*apply)(Bytes&);
    Verdict verdict;
};

class DamagedFrame : public testing::TestWithParam<FrameDamage> {};

TEST_P(DamagedFrame, IsRefused)
{
    const test::LogCapture quiet;
    Bytes bytes = smallValidPlist();
    ASSERT_EQ(check(bytes), Verdict::Accepted);
    GetParam().apply(bytes);
    EXPECT_EQ(check(bytes), GetParam().verdict);
    EXPECT_FALSE(PropertyList::fromBinary(bytes).has_value());
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Table, DamagedFrame, testing::Values(
    FrameDamage{"BadMagic",                [](Bytes& b) { b[0] = 'x'; },                                      Verdict::BadHeader},
    FrameDamage{"Version01",               [](Bytes& b) { b[7] = '1'; },                                      Verdict::BadHeader},
    FrameDamage{"TrailerCut",              [](Bytes& b) { b.resize(30); },                                    Verdict::BadHeader},
    FrameDamage{"Empty",                   [](Bytes& b) { b.clear(); },                                       Verdict::BadHeader},
    FrameDamage{"OffsetSize0",             [](Bytes& b) { b[b.size() - kOffsetSizeAt] = 0; },                 Verdict::BadTrailer},
    FrameDamage{"OffsetSize9",             [](Bytes& b) { b[b.size() - kOffsetSizeAt] = 9; },                 Verdict::BadTrailer},
    FrameDamage{"ReferenceSize0",          [](Bytes& b) { b[b.size() - kReferenceSizeAt] = 0; },              Verdict::BadTrailer},
    FrameDamage{"ReferenceSize200",        [](Bytes& b) { b[b.size() - kReferenceSizeAt] = 200; },            Verdict::BadTrailer},
    FrameDamage{"NoObjects",               [](Bytes& b) { setTrailerNumber(b, kObjectCountAt, 0); },          Verdict::BadTrailer},
    FrameDamage{"TopOutOfRange",           [](Bytes& b) { setTrailerNumber(b, kTopObjectAt, 3); },            Verdict::BadTrailer},
    FrameDamage{"HugeTop",                 [](Bytes& b) { setTrailerNumber(b, kTopObjectAt, kHuge); },        Verdict::BadTrailer},
    FrameDamage{"TooManyObjects",          [](Bytes& b) { setTrailerNumber(b, kObjectCountAt, 100001); },     Verdict::TooManyObjects},
    FrameDamage{"HugeObjectCount",         [](Bytes& b) { setTrailerNumber(b, kObjectCountAt, kHuge); },      Verdict::TooManyObjects},
    FrameDamage{"CountPastTheTable",       [](Bytes& b) { setTrailerNumber(b, kObjectCountAt, 50); },         Verdict::BadOffsetTable},
    FrameDamage{"TablePastTheEnd",         [](Bytes& b) { setTrailerNumber(b, kTableOffsetAt, b.size()); },   Verdict::BadOffsetTable},
    FrameDamage{"TableInTheHeader",        [](Bytes& b) { setTrailerNumber(b, kTableOffsetAt, 4); },          Verdict::BadOffsetTable},
    FrameDamage{"HugeTableOffset",         [](Bytes& b) { setTrailerNumber(b, kTableOffsetAt, kHuge - 3); },  Verdict::BadOffsetTable},
    FrameDamage{"ObjectOffsetInTheHeader", [](Bytes& b) { b[b.size() - 35] = 2; },                            Verdict::BadOffsetTable},
    FrameDamage{"ObjectOffsetInTheTable",  [](Bytes& b) { b[b.size() - 33] = static_cast<std::uint8_t>(b.size() - 34); }, Verdict::BadOffsetTable},
    FrameDamage{"ObjectOffsetPastTheEnd",  [](Bytes& b) { b[b.size() - 33] = 0xFF; },                         Verdict::BadOffsetTable}),
    test::NameOfCase());
// clang-format on

struct ObjectShape {
    const char* name;
    Bytes object; // written as the only element of the top array
    Verdict verdict;
};

class MalformedObject : public testing::TestWithParam<ObjectShape> {};

TEST_P(MalformedObject, IsRefused)
{
    const test::LogCapture quiet;
    Writer w;
    const auto top = w.nextIndex();
    w.array({top + 1});
    w.raw(GetParam().object);
    const Bytes bytes = w.finish(top);
    EXPECT_EQ(check(bytes), GetParam().verdict);
    EXPECT_FALSE(PropertyList::fromBinary(bytes).has_value());
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Table, MalformedObject, testing::Values(
    ObjectShape{"Null",                        {0x00},                                                       Verdict::BadObject},
    ObjectShape{"Fill",                        {0x0F},                                                       Verdict::BadObject},
    ObjectShape{"IntegerOf32Bytes",            {0x15, 1, 2},                                                 Verdict::BadObject},
    ObjectShape{"IntegerPastTheTable",         {0x13, 0, 0},                                                 Verdict::BadObject},
    ObjectShape{"RealOf2Bytes",                {0x21, 0, 0},                                                 Verdict::BadObject},
    ObjectShape{"DateOf4Bytes",                {0x32, 0, 0, 0, 0},                                           Verdict::BadObject},
    ObjectShape{"StringLongerThanTheFile",     {0x5E, 'a', 'b'},                                             Verdict::BadObject},
    ObjectShape{"ExtendedLengthNotAnInteger",  {0x5F, 0x20, 1, 'a'},                                         Verdict::BadObject},
    ObjectShape{"ExtendedLengthOf16Bytes",     {0x5F, 0x14, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 'a'}, Verdict::BadObject},
    ObjectShape{"ExtendedLengthCut",           {0x4F, 0x13, 0, 0},                                           Verdict::BadObject},
    ObjectShape{"HugeExtendedLength",          {0x6F, 0x13, 0x7F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 'a'}, Verdict::BadObject},
    ObjectShape{"HugeArray",                   {0xAF, 0x13, 0x40, 0, 0, 0, 0, 0, 0, 0, 0},                   Verdict::BadObject},
    ObjectShape{"Set",                         {0xC1, 0},                                                    Verdict::BadObject},
    ObjectShape{"UnknownKind",                 {0x70},                                                       Verdict::BadObject},
    ObjectShape{"UidOf3Bytes",                 {0x82, 0, 0, 1},                                              Verdict::BadObject},
    ObjectShape{"ReferenceOutOfRange",         {0xA1, 9},                                                    Verdict::BadReference}),
    test::NameOfCase());
// clang-format on

TEST(BinaryPlistGuardTest, LengthIsBounded)
{
    const Bytes bytes = smallValidPlist();
    BinaryPlistGuard::Limits limits;
    limits.maxLength = bytes.size() - 1;
    EXPECT_EQ(BinaryPlistGuard::check(bytes.data(), bytes.size(), limits), Verdict::TooLong);
    limits.maxLength = bytes.size();
    EXPECT_EQ(BinaryPlistGuard::check(bytes.data(), bytes.size(), limits), Verdict::Accepted);

    Bytes huge(BinaryPlistGuard::Limits{}.maxLength + 1, 0);
    std::copy(bytes.begin(), bytes.end(), huge.begin());
    EXPECT_EQ(check(huge), Verdict::TooLong);
    EXPECT_EQ(BinaryPlistGuard::check(nullptr, 0), Verdict::BadHeader);
}

TEST(BinaryPlistGuardTest, TruncationsAndDamageNeverCrash)
{
    const test::LogCapture quiet;
    const PropertyList value(Array{
        PropertyList(Dictionary{{"T", "TN"}, {"N", 3}}), PropertyList(Dictionary{{"T", "TO"}, {"N", "+"}}),
        PropertyList(Dictionary{{"Caption", "Caf\xC3\xA9"}, {"Ask", false}}), 245.0, -7,
        PropertyList(PropertyList::Data{1, 2, 3}), PropertyList(PropertyList::Date{1e9}),
        PropertyList(Array{PropertyList(Array{true})})});
    const Bytes valid = value.toBinary();
    ASSERT_TRUE(PropertyList::fromBinary(valid).has_value());

    int decoded = 0;
    for (std::size_t length = 0; length < valid.size(); ++length) {
        // The result is nothing or a value; ASan and UBSan watch the rest.
        decoded += PropertyList::fromBinary(valid.data(), length).has_value() ? 1 : 0;
        // Also the tail alone: a trailer with a cut-off front.
        const std::size_t skipped = valid.size() - length;
        decoded += PropertyList::fromBinary(valid.data() + skipped, length).has_value() ? 1 : 0;
    }
    EXPECT_EQ(decoded, 0); // a trailer-less prefix is never a plist

    for (std::size_t at = 0; at < valid.size(); ++at) {
        for (std::uint8_t replacement : {0x00, 0x01, 0x0F, 0x5F, 0x7F, 0x80, 0xAF, 0xDF, 0xFF}) {
            Bytes damaged = valid;
            damaged[at] = replacement;
            if (const auto result = PropertyList::fromBinary(damaged)) {
                // Whatever came out is a complete value the codec can write again.
                EXPECT_TRUE(PropertyList::fromBinary(result->toBinary()).has_value());
            }
        }
    }

    std::mt19937 random(20240611);
    for (int round = 0; round < 3000; ++round) {
        Bytes garbage(8 + random() % 120);
        for (auto& b : garbage) {
            b = static_cast<std::uint8_t>(random());
        }
        const char magic[] = "bplist00";
        std::copy(magic, magic + 8, garbage.begin());
        if (garbage.size() >= 40 && round % 2 == 0) {
            // A plausible trailer, so that the object checks are reached.
            const std::size_t n = garbage.size();
            std::fill(garbage.end() - 32, garbage.end(), 0);
            garbage[n - 26] = static_cast<std::uint8_t>(1 + random() % 2);
            garbage[n - 25] = static_cast<std::uint8_t>(1 + random() % 2);
            garbage[n - 17] = static_cast<std::uint8_t>(1 + random() % 6);
            garbage[n - 9] = static_cast<std::uint8_t>(random() % 6);
            garbage[n - 1] = static_cast<std::uint8_t>(n - 32 - 12 + random() % 4);
        }
        if (const auto result = PropertyList::fromBinary(garbage)) {
            EXPECT_TRUE(PropertyList::fromBinary(result->toBinary()).has_value());
        }
    }
}

} // namespace
} // namespace dossiva
