#include "platform/BinaryPlistGuard.h"
#include "platform/Log.h"
#include "platform/PropertyList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace dossiva {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Verdict = BinaryPlistGuard::Verdict;
using Array = PropertyList::Array;
using Dictionary = PropertyList::Dictionary;

class QuietLog {
public:
    QuietLog() : m_previous(setDevLogSink([](const std::string&) {})) {}
    ~QuietLog() { setDevLogSink(m_previous); }

private:
    DevLogSink m_previous;
};

void appendBigEndian(Bytes& out, std::uint64_t value, int size)
{
    for (int i = size - 1; i >= 0; --i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

// Writes bplist00 files object by object, so that tests can say exactly which
// bytes libplist would be given: the sizes in the trailer, the references and
// the offsets are all chosen by the test.
class BplistWriter {
public:
    explicit BplistWriter(int referenceSize = 1) : m_referenceSize(referenceSize) {}

    // Each returns the new object's index.
    std::uint64_t boolean(bool value) { return add({static_cast<std::uint8_t>(value ? 0x09 : 0x08)}); }
    std::uint64_t integer(std::uint64_t value)
    {
        Bytes object{0x13};
        appendBigEndian(object, value, 8);
        return add(object);
    }
    std::uint64_t real(double value)
    {
        std::uint64_t bits = 0;
        static_assert(sizeof bits == sizeof value);
        std::memcpy(&bits, &value, sizeof bits);
        Bytes object{0x23};
        appendBigEndian(object, bits, 8);
        return add(object);
    }
    std::uint64_t string(const std::string& text)
    {
        Bytes object = header(0x5, text.size());
        object.insert(object.end(), text.begin(), text.end());
        return add(object);
    }
    std::uint64_t array(const std::vector<std::uint64_t>& references)
    {
        Bytes object = header(0xA, references.size());
        for (std::uint64_t reference : references) {
            appendBigEndian(object, reference, m_referenceSize);
        }
        return add(object);
    }
    std::uint64_t dictionary(const std::vector<std::uint64_t>& keys, const std::vector<std::uint64_t>& values)
    {
        Bytes object = header(0xD, keys.size());
        for (std::uint64_t reference : keys) {
            appendBigEndian(object, reference, m_referenceSize);
        }
        for (std::uint64_t reference : values) {
            appendBigEndian(object, reference, m_referenceSize);
        }
        return add(object);
    }
    std::uint64_t raw(Bytes object) { return add(std::move(object)); }

    // An index for an object written later (for references to it).
    std::uint64_t nextIndex() const { return m_objects.size(); }

    Bytes finish(std::uint64_t top, int offsetSize = 0) const
    {
        Bytes out{'b', 'p', 'l', 'i', 's', 't', '0', '0'};
        std::vector<std::uint64_t> offsets;
        for (const Bytes& object : m_objects) {
            offsets.push_back(out.size());
            out.insert(out.end(), object.begin(), object.end());
        }
        const std::uint64_t tableOffset = out.size();
        if (offsetSize == 0) {
            offsetSize = tableOffset < 256 ? 1 : tableOffset < 65536 ? 2 : 4;
        }
        for (std::uint64_t offset : offsets) {
            appendBigEndian(out, offset, offsetSize);
        }
        out.insert(out.end(), 6, 0);
        out.push_back(static_cast<std::uint8_t>(offsetSize));
        out.push_back(static_cast<std::uint8_t>(m_referenceSize));
        appendBigEndian(out, m_objects.size(), 8);
        appendBigEndian(out, top, 8);
        appendBigEndian(out, tableOffset, 8);
        return out;
    }

private:
    static Bytes header(std::uint8_t kind, std::size_t count)
    {
        if (count < 15) {
            return {static_cast<std::uint8_t>(kind << 4 | count)};
        }
        Bytes out{static_cast<std::uint8_t>(kind << 4 | 0x0F)};
        if (count < 256) {
            out.push_back(0x10);
            appendBigEndian(out, count, 1);
        } else if (count < 65536) {
            out.push_back(0x11);
            appendBigEndian(out, count, 2);
        } else {
            out.push_back(0x12);
            appendBigEndian(out, count, 4);
        }
        return out;
    }

    std::uint64_t add(Bytes object)
    {
        m_objects.push_back(std::move(object));
        return m_objects.size() - 1;
    }

    int m_referenceSize;
    std::vector<Bytes> m_objects;
};

Verdict check(const Bytes& bytes)
{
    return BinaryPlistGuard::check(bytes.data(), bytes.size());
}

// Positions in the trailer, counted from the end of the file.
constexpr std::size_t kOffsetSizeAt = 26;
constexpr std::size_t kReferenceSizeAt = 25;
constexpr std::size_t kObjectCountAt = 24;
constexpr std::size_t kTopObjectAt = 16;
constexpr std::size_t kTableOffsetAt = 8;

void setTrailerNumber(Bytes& bytes, std::size_t fromEnd, std::uint64_t value)
{
    for (int i = 0; i < 8; ++i) {
        bytes[bytes.size() - fromEnd + i] = static_cast<std::uint8_t>(value >> (8 * (7 - i)));
    }
}

TEST(BinaryPlistGuardTest, HandWrittenStructuresDecodeWithEveryReferenceAndOffsetSize)
{
    // libplist must read odd sizes (3, 5, 6, 7 bytes) as we do, or the
    // guard's count of the expansion would not be the one libplist makes.
    for (int referenceSize = 1; referenceSize <= 8; ++referenceSize) {
        for (int offsetSize = 1; offsetSize <= 8; ++offsetSize) {
            SCOPED_TRACE(testing::Message() << "references " << referenceSize << ", offsets " << offsetSize);
            BplistWriter w(referenceSize);
            const auto caption = w.string("Caption");
            const auto done = w.string("Done");
            const auto dict = w.dictionary({caption}, {done});
            const auto one = w.integer(static_cast<std::uint64_t>(-1));
            const auto yes = w.boolean(true);
            const auto height = w.real(245.0);
            const auto top = w.array({dict, one, yes, height, done, dict});
            const Bytes bytes = w.finish(top, offsetSize);
            EXPECT_EQ(check(bytes), Verdict::Accepted);
            const auto decoded = PropertyList::fromBinary(bytes);
            ASSERT_TRUE(decoded.has_value());
            const PropertyList checkbox(Dictionary{{"Caption", "Done"}});
            EXPECT_TRUE(*decoded == PropertyList(Array{checkbox, -1, true, 245.0, "Done", checkbox}));
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

TEST(BinaryPlistGuardTest, ReferenceFanOutIsRefused)
{
    const QuietLog quiet;
    // Ten arrays, each referencing the previous one ten times: some 170
    // bytes that libplist would expand into 10^10 nodes.
    BplistWriter w;
    std::uint64_t previous = w.string("x");
    for (int level = 0; level < 10; ++level) {
        previous = w.array(std::vector<std::uint64_t>(10, previous));
    }
    const Bytes bomb = w.finish(previous);
    EXPECT_LT(bomb.size(), 200u);
    EXPECT_EQ(check(bomb), Verdict::TooManyNodes);
    EXPECT_FALSE(PropertyList::fromBinary(bomb).has_value());

    // The same shape within the budget (4 levels: 11,111 nodes) is fine.
    BplistWriter small;
    std::uint64_t last = small.string("x");
    for (int level = 0; level < 4; ++level) {
        last = small.array(std::vector<std::uint64_t>(10, last));
    }
    const auto decoded = PropertyList::fromBinary(small.finish(last));
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->count(), 10u);
    EXPECT_EQ(decoded->at(9)->at(9)->at(9)->at(9)->toString(), "x");
}

TEST(BinaryPlistGuardTest, ExpandedBytesAreBounded)
{
    const QuietLog quiet;
    // 100 x 100 references to one 60,000-byte string: 10,101 nodes, but
    // 600 MB of text once expanded.
    BplistWriter w(2);
    const auto text = w.string(std::string(60000, 'a'));
    const auto inner = w.array(std::vector<std::uint64_t>(100, text));
    const auto outer = w.array(std::vector<std::uint64_t>(100, inner));
    const Bytes bytes = w.finish(outer);
    EXPECT_EQ(check(bytes), Verdict::TooManyBytes);
    EXPECT_FALSE(PropertyList::fromBinary(bytes).has_value());
}

TEST(BinaryPlistGuardTest, CyclesAreRefused)
{
    const QuietLog quiet;
    {
        BplistWriter w;
        const auto self = w.nextIndex();
        w.array({self});
        const Bytes bytes = w.finish(self);
        EXPECT_EQ(check(bytes), Verdict::Cycle);
        EXPECT_FALSE(PropertyList::fromBinary(bytes).has_value());
    }
    {
        // top -> a -> b -> a, through a dictionary value.
        BplistWriter w;
        const auto key = w.string("k");
        const auto a = w.nextIndex();
        const auto b = a + 1;
        w.array({key, b});
        w.dictionary({key}, {a});
        const auto top = w.array({key, a});
        const Bytes bytes = w.finish(top);
        EXPECT_EQ(check(bytes), Verdict::Cycle);
        EXPECT_FALSE(PropertyList::fromBinary(bytes).has_value());
    }
    {
        // A dictionary whose key is itself.
        BplistWriter w;
        const auto self = w.nextIndex();
        const auto value = self + 1;
        w.dictionary({self}, {value});
        w.boolean(true);
        EXPECT_EQ(check(w.finish(self)), Verdict::Cycle);
    }
}

TEST(BinaryPlistGuardTest, NestingIsBounded)
{
    const QuietLog quiet;
    auto chain = [](int levels) {
        BplistWriter w;
        std::uint64_t inner = w.string("leaf");
        for (int i = 0; i < levels; ++i) {
            inner = w.array({inner});
        }
        return w.finish(inner);
    };
    const auto deepest = PropertyList::fromBinary(chain(64));
    ASSERT_TRUE(deepest.has_value());
    const PropertyList* node = &*deepest;
    for (int i = 0; i < 64; ++i) {
        ASSERT_NE(node->at(0), nullptr);
        node = node->at(0);
    }
    EXPECT_EQ(node->toString(), "leaf");

    EXPECT_EQ(check(chain(65)), Verdict::TooDeep);
    EXPECT_EQ(check(chain(200)), Verdict::TooDeep);
    EXPECT_FALSE(PropertyList::fromBinary(chain(200)).has_value());
}

TEST(BinaryPlistGuardTest, NestingCountsEveryPathToASharedObject)
{
    const QuietLog quiet;
    // A 40-level chain is first met right under the top (fine), then again
    // at the end of a 30-level chain: 71 levels in the expanded tree.
    BplistWriter w;
    std::uint64_t shared = w.string("leaf");
    for (int i = 0; i < 40; ++i) {
        shared = w.array({shared});
    }
    std::uint64_t longPath = shared;
    for (int i = 0; i < 30; ++i) {
        longPath = w.array({longPath});
    }
    const auto top = w.array({shared, longPath});
    EXPECT_EQ(check(w.finish(top)), Verdict::TooDeep);

    // With a 20-level path the deepest branch has 62 levels: accepted.
    BplistWriter ok;
    std::uint64_t shared2 = ok.string("leaf");
    for (int i = 0; i < 40; ++i) {
        shared2 = ok.array({shared2});
    }
    std::uint64_t path2 = shared2;
    for (int i = 0; i < 20; ++i) {
        path2 = ok.array({path2});
    }
    const Bytes bytes = ok.finish(ok.array({shared2, path2}));
    EXPECT_EQ(check(bytes), Verdict::Accepted);
    EXPECT_TRUE(PropertyList::fromBinary(bytes).has_value());
}

Bytes smallValidPlist()
{
    BplistWriter w;
    const auto a = w.string("Item 1");
    const auto b = w.string("Item 2");
    return w.finish(w.array({a, b}));
}

TEST(BinaryPlistGuardTest, MalformedFramesAreRefused)
{
    const QuietLog quiet;
    const Bytes valid = smallValidPlist();
    ASSERT_EQ(check(valid), Verdict::Accepted);

    struct Damage {
        const char* name;
        void (*apply)(Bytes&);
        Verdict expected;
    };
    const std::vector<Damage> damages = {
        {"bad magic", [](Bytes& b) { b[0] = 'x'; }, Verdict::BadHeader},
        {"version 01", [](Bytes& b) { b[7] = '1'; }, Verdict::BadHeader},
        {"trailer cut", [](Bytes& b) { b.resize(30); }, Verdict::BadHeader},
        {"offset size 0", [](Bytes& b) { b[b.size() - kOffsetSizeAt] = 0; }, Verdict::BadTrailer},
        {"offset size 9", [](Bytes& b) { b[b.size() - kOffsetSizeAt] = 9; }, Verdict::BadTrailer},
        {"reference size 0", [](Bytes& b) { b[b.size() - kReferenceSizeAt] = 0; }, Verdict::BadTrailer},
        {"reference size 200", [](Bytes& b) { b[b.size() - kReferenceSizeAt] = 200; }, Verdict::BadTrailer},
        {"no objects", [](Bytes& b) { setTrailerNumber(b, kObjectCountAt, 0); }, Verdict::BadTrailer},
        {"top out of range", [](Bytes& b) { setTrailerNumber(b, kTopObjectAt, 3); }, Verdict::BadTrailer},
        {"huge top", [](Bytes& b) { setTrailerNumber(b, kTopObjectAt, ~std::uint64_t{0}); },
         Verdict::BadTrailer},
        {"too many objects", [](Bytes& b) { setTrailerNumber(b, kObjectCountAt, 100001); },
         Verdict::TooManyObjects},
        {"huge object count", [](Bytes& b) { setTrailerNumber(b, kObjectCountAt, ~std::uint64_t{0}); },
         Verdict::TooManyObjects},
        {"count past the table", [](Bytes& b) { setTrailerNumber(b, kObjectCountAt, 50); },
         Verdict::BadOffsetTable},
        {"table past the end", [](Bytes& b) { setTrailerNumber(b, kTableOffsetAt, b.size()); },
         Verdict::BadOffsetTable},
        {"table in the header", [](Bytes& b) { setTrailerNumber(b, kTableOffsetAt, 4); },
         Verdict::BadOffsetTable},
        {"huge table offset", [](Bytes& b) { setTrailerNumber(b, kTableOffsetAt, ~std::uint64_t{0} - 3); },
         Verdict::BadOffsetTable},
        // The offset table starts 32 + 3 bytes from the end: one byte per object.
        {"object offset in the header", [](Bytes& b) { b[b.size() - 35] = 2; }, Verdict::BadOffsetTable},
        {"object offset in the table",
         [](Bytes& b) { b[b.size() - 33] = static_cast<std::uint8_t>(b.size() - 34); },
         Verdict::BadOffsetTable},
        {"object offset past the end", [](Bytes& b) { b[b.size() - 33] = 0xFF; }, Verdict::BadOffsetTable},
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.name);
        Bytes bytes = valid;
        damage.apply(bytes);
        EXPECT_EQ(check(bytes), damage.expected);
        EXPECT_FALSE(PropertyList::fromBinary(bytes).has_value());
    }
    EXPECT_EQ(BinaryPlistGuard::check(nullptr, 0), Verdict::BadHeader);
}

TEST(BinaryPlistGuardTest, MalformedObjectsAreRefused)
{
    const QuietLog quiet;
    struct Shape {
        const char* name;
        Bytes object; // written as the only element of the top array
        Verdict expected;
    };
    const std::vector<Shape> shapes = {
        {"null", {0x00}, Verdict::BadObject},
        {"fill", {0x0F}, Verdict::BadObject},
        {"integer of 32 bytes", {0x15, 1, 2}, Verdict::BadObject},
        {"integer past the table", {0x13, 0, 0}, Verdict::BadObject},
        {"real of 2 bytes", {0x21, 0, 0}, Verdict::BadObject},
        {"date of 4 bytes", {0x32, 0, 0, 0, 0}, Verdict::BadObject},
        {"string longer than the file", {0x5E, 'a', 'b'}, Verdict::BadObject},
        {"extended length not an integer", {0x5F, 0x20, 1, 'a'}, Verdict::BadObject},
        {"extended length of 16 bytes",
         {0x5F, 0x14, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 'a'},
         Verdict::BadObject},
        {"extended length cut", {0x4F, 0x13, 0, 0}, Verdict::BadObject},
        {"huge extended length",
         {0x6F, 0x13, 0x7F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 'a'},
         Verdict::BadObject},
        {"huge array", {0xAF, 0x13, 0x40, 0, 0, 0, 0, 0, 0, 0, 0}, Verdict::BadObject},
        {"set", {0xC1, 0}, Verdict::BadObject},
        {"unknown kind", {0x70}, Verdict::BadObject},
        {"uid of 3 bytes", {0x82, 0, 0, 1}, Verdict::BadObject},
        {"reference out of range", {0xA1, 9}, Verdict::BadReference},
    };
    for (const Shape& shape : shapes) {
        SCOPED_TRACE(shape.name);
        BplistWriter w;
        const auto top = w.nextIndex();
        w.array({top + 1});
        w.raw(shape.object);
        const Bytes bytes = w.finish(top);
        EXPECT_EQ(check(bytes), shape.expected);
        EXPECT_FALSE(PropertyList::fromBinary(bytes).has_value());
    }
}

TEST(BinaryPlistGuardTest, DictionaryKeysMustBeStrings)
{
    const QuietLog quiet;
    BplistWriter w;
    const auto number = w.integer(1);
    const auto text = w.string("k");
    const Bytes bytes = w.finish(w.dictionary({number}, {text}));
    EXPECT_EQ(check(bytes), Verdict::BadReference);
    EXPECT_FALSE(PropertyList::fromBinary(bytes).has_value());

    BplistWriter good;
    const auto key = good.string("k");
    const auto value = good.integer(1);
    const auto decoded = PropertyList::fromBinary(good.finish(good.dictionary({key}, {value})));
    ASSERT_TRUE(decoded.has_value());
    EXPECT_TRUE(*decoded == PropertyList(Dictionary{{"k", 1}}));
}

TEST(BinaryPlistGuardTest, AUidPassesTheGuardButDoesNotDecode)
{
    const QuietLog quiet;
    BplistWriter w;
    const auto uid = w.raw({0x80, 0x05});
    const Bytes bytes = w.finish(w.array({uid}));
    EXPECT_EQ(check(bytes), Verdict::Accepted);
    EXPECT_FALSE(PropertyList::fromBinary(bytes).has_value());
}

TEST(BinaryPlistGuardTest, LengthIsBounded)
{
    Bytes bytes = smallValidPlist();
    BinaryPlistGuard::Limits limits;
    limits.maxLength = bytes.size() - 1;
    EXPECT_EQ(BinaryPlistGuard::check(bytes.data(), bytes.size(), limits), Verdict::TooLong);
    limits.maxLength = bytes.size();
    EXPECT_EQ(BinaryPlistGuard::check(bytes.data(), bytes.size(), limits), Verdict::Accepted);

    Bytes huge(BinaryPlistGuard::Limits{}.maxLength + 1, 0);
    std::copy(bytes.begin(), bytes.end(), huge.begin());
    EXPECT_EQ(check(huge), Verdict::TooLong);
}

TEST(BinaryPlistGuardTest, TruncationsAndDamageNeverCrash)
{
    const QuietLog quiet;
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
            const auto result = PropertyList::fromBinary(damaged);
            if (result) {
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
        const auto result = PropertyList::fromBinary(garbage);
        if (result) {
            EXPECT_TRUE(PropertyList::fromBinary(result->toBinary()).has_value());
        }
    }
}

TEST(BinaryPlistGuardTest, VerdictsHaveNames)
{
    EXPECT_STREQ(BinaryPlistGuard::describe(Verdict::Accepted), "accepted");
    EXPECT_STREQ(BinaryPlistGuard::describe(Verdict::Cycle), "reference cycle");
}

} // namespace
} // namespace dossiva
