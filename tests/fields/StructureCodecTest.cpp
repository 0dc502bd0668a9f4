#include "fields/StructureCodec.h"
#include "support/TestHome.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace dossiva {
namespace {

using Array = PropertyList::Array;
using Dictionary = PropertyList::Dictionary;
using Bytes = std::vector<std::uint8_t>;

const PropertyList kKeep = PropertyList(Array{PropertyList("kept")});

PropertyList nowButton(bool shown)
{
    return PropertyList(Array{PropertyList(shown)});
}

// --- normaliseLoadedType ---------------------------------------------------

struct LoadCase {
    std::int64_t stored;
    int loaded;
};

void PrintTo(const LoadCase& c, std::ostream* os)
{
    *os << "stored type " << c.stored;
}

class NormaliseLoadedTypeTest : public testing::TestWithParam<LoadCase> {};

TEST_P(NormaliseLoadedTypeTest, KnownTypesStayOthersBecomeUnsupported)
{
    const LoadCase& c = GetParam();
    const LoadedType loaded = normaliseLoadedType(c.stored, kKeep);
    EXPECT_EQ(loaded.type, c.loaded);
    // Whatever the type, a structure that has elements is kept as it came.
    EXPECT_EQ(loaded.structure, kKeep);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Codes, NormaliseLoadedTypeTest, testing::Values(
    LoadCase{0, 0},   LoadCase{1, 1},   LoadCase{2, 2},   LoadCase{3, 3},   LoadCase{4, 4},
    LoadCase{5, 5},   LoadCase{6, 6},   LoadCase{7, 7},   LoadCase{8, 8},   LoadCase{9, 9},
    LoadCase{10, 30}, LoadCase{11, 11}, LoadCase{12, 30}, LoadCase{13, 30}, LoadCase{14, 14},
    LoadCase{15, 15}, LoadCase{16, 16}, LoadCase{17, 17}, LoadCase{18, 30}, LoadCase{29, 30},
    LoadCase{30, 30}, LoadCase{31, 30}, LoadCase{255, 30}, LoadCase{-1, 30},
    LoadCase{std::int64_t{1} << 40, 30},
    // 2^32 + 4 would look like a date field if the code were cut to 32 bits.
    LoadCase{(std::int64_t{1} << 32) + 4, 30},
    LoadCase{std::numeric_limits<std::int64_t>::min(), 30},
    LoadCase{std::numeric_limits<std::int64_t>::max(), 30}));
// clang-format on

TEST(NormaliseLoadedTypeTest, DateTypeWithoutOptionsShowsItsNowButton)
{
    const std::optional<PropertyList> noOptions[] = {std::nullopt, PropertyList::array(),
                                                     PropertyList::dictionary()};
    for (int type : {4, 5, 6}) {
        for (const auto& structure : noOptions) {
            const LoadedType loaded = normaliseLoadedType(type, structure);
            EXPECT_EQ(loaded.type, type);
            EXPECT_EQ(loaded.structure, nowButton(true)) << "type " << type;
        }
        EXPECT_EQ(normaliseLoadedType(type, nowButton(false)).structure, nowButton(false)) << "type " << type;
    }
}

TEST(NormaliseLoadedTypeTest, OtherTypesKeepTheirStructureShape)
{
    const PropertyList caption(Dictionary{{"Caption", PropertyList("Done")}});
    const PropertyList ask(Dictionary{{"Ask", PropertyList(true)}});
    const PropertyList height(Array{PropertyList(120.5)});

    EXPECT_EQ(normaliseLoadedType(16, caption).structure, caption);
    EXPECT_EQ(normaliseLoadedType(17, ask).structure, ask);
    EXPECT_EQ(normaliseLoadedType(2, height).structure, height);
    EXPECT_EQ(normaliseLoadedType(12, caption).structure, caption);
    // A blob that did not decode behaves as an empty structure.
    for (std::int64_t type : {0, 2, 8, 11, 16, 17, 13, 99}) {
        EXPECT_EQ(normaliseLoadedType(type, std::nullopt).structure, PropertyList::array())
            << "type " << type;
    }
}

// --- defaultStructure and structureFromEditor -------------------------------

TEST(DefaultStructureTest, EachTypeStartsWithItsShape)
{
    for (int type : {4, 5, 6}) {
        EXPECT_EQ(defaultStructure(type), nowButton(true)) << "type " << type;
    }
    EXPECT_EQ(defaultStructure(8), PropertyList(Array{PropertyList("Item 1"), PropertyList("Item 2")}));
    EXPECT_EQ(defaultStructure(17), PropertyList(Dictionary{{"Ask", PropertyList(false)}}));
    for (int type : {0, 1, 2, 3, 7, 9, 11, 14, 15, 30}) {
        EXPECT_EQ(defaultStructure(type), PropertyList::array()) << "type " << type;
    }

    // The caption's text is ours to choose; its shape is not.
    const PropertyList checkbox = defaultStructure(16);
    ASSERT_TRUE(checkbox.isDictionary());
    EXPECT_EQ(checkbox.count(), 1u);
    const PropertyList* caption = checkbox.find("Caption");
    ASSERT_NE(caption, nullptr);
    EXPECT_EQ(caption->kind(), PropertyList::Kind::String);
}

TEST(DefaultStructureTest, ChangedEditorBuildsTheSameShapes)
{
    StructureEditorState editor;
    editor.showNowButton = false;
    editor.items = {"Red", "Green", "Blue"};
    editor.caption = "Paid";
    editor.askPassword = true;

    EXPECT_EQ(structureFromEditor(6, editor), nowButton(false));
    EXPECT_EQ(structureFromEditor(8, editor),
              PropertyList(Array{PropertyList("Red"), PropertyList("Green"), PropertyList("Blue")}));
    EXPECT_EQ(structureFromEditor(16, editor), PropertyList(Dictionary{{"Caption", PropertyList("Paid")}}));
    EXPECT_EQ(structureFromEditor(17, editor), PropertyList(Dictionary{{"Ask", PropertyList(true)}}));
    EXPECT_EQ(structureFromEditor(11, editor), PropertyList::array());

    editor.items.clear();
    EXPECT_EQ(structureFromEditor(8, editor), PropertyList::array());
}

// --- encodeStructure and decodeStructure ------------------------------------

PropertyList operand(std::int64_t id)
{
    return PropertyList(Dictionary{{"T", PropertyList("TN")}, {"N", PropertyList(id)}});
}

PropertyList operatorComponent(const char* symbol)
{
    return PropertyList(Dictionary{{"T", PropertyList("TO")}, {"N", PropertyList(symbol)}});
}

struct StructureCase {
    const char* name;
    PropertyList structure;
    // The same structure as Python's json module writes it.
    const char* json;
};

void PrintTo(const StructureCase& c, std::ostream* os)
{
    *os << c.name;
}

class StructureCodingTest : public testing::TestWithParam<StructureCase> {};

TEST_P(StructureCodingTest, SurvivesEncodingAndDecoding)
{
    const StructureCase& c = GetParam();
    const Bytes bytes = encodeStructure(c.structure);
    ASSERT_GE(bytes.size(), 8u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 8), "bplist00");

    const std::optional<PropertyList> decoded = decodeStructure(bytes.data(), bytes.size());
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(*decoded, c.structure);
}

TEST_P(StructureCodingTest, ReadsExactlyTheStoredLength)
{
    const StructureCase& c = GetParam();
    const Bytes bytes = encodeStructure(c.structure);
    Bytes padded = bytes;
    padded.insert(padded.end(), {0xFF, 0x00, 'b', 'p'});
    const std::optional<PropertyList> decoded = decodeStructure(padded.data(), bytes.size());
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(*decoded, c.structure);

    // One byte short loses the trailer: nothing decodes.
    EXPECT_FALSE(decodeStructure(bytes.data(), bytes.size() - 1).has_value());
}

std::string toHex(const Bytes& bytes)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (std::uint8_t byte : bytes) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0x0F];
    }
    return hex;
}

Bytes fromHex(const std::string& hex)
{
    Bytes bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

TEST_P(StructureCodingTest, PythonReadsWhatWeWrite)
{
    const StructureCase& c = GetParam();
    std::string output;
    ASSERT_EQ(
        test::runPython("import json, plistlib, sys\n"
                        "print(json.dumps(plistlib.loads(bytes.fromhex(sys.argv[1])), sort_keys=True))\n",
                        {toHex(encodeStructure(c.structure))}, output),
        0);
    EXPECT_EQ(output, std::string(c.json) + "\n");
}

TEST_P(StructureCodingTest, WeReadWhatPythonWrites)
{
    const StructureCase& c = GetParam();
    std::string output;
    ASSERT_EQ(
        test::runPython("import json, plistlib, sys\n"
                        "print(plistlib.dumps(json.loads(sys.argv[1]), fmt=plistlib.FMT_BINARY).hex())\n",
                        {c.json}, output),
        0);
    const Bytes bytes = fromHex(output);
    const std::optional<PropertyList> decoded = decodeStructure(bytes.data(), bytes.size());
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(*decoded, c.structure);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Structures, StructureCodingTest, testing::Values(
    StructureCase{"Empty", PropertyList::array(), "[]"},
    StructureCase{"NowButtonShown", nowButton(true), "[true]"},
    StructureCase{"NowButtonHidden", nowButton(false), "[false]"},
    StructureCase{"LargeTextHeight", PropertyList(Array{PropertyList(250.5)}), "[250.5]"},
    StructureCase{"ChoiceItems",
                  PropertyList(Array{PropertyList("Item 1"), PropertyList("Caf\xC3\xA9 \xE2\x9C\x93"),
                                     PropertyList("")}),
                  R"(["Item 1", "Caf\u00e9 \u2713", ""])"},
    StructureCase{"CheckboxCaption", PropertyList(Dictionary{{"Caption", PropertyList("Done")}}),
                  R"({"Caption": "Done"})"},
    StructureCase{"PasswordAsk", PropertyList(Dictionary{{"Ask", PropertyList(true)}}), R"({"Ask": true})"},
    StructureCase{"Formula",
                  PropertyList(Array{operand(3), operatorComponent("*"), operand(5000000000),
                                     operatorComponent("-"), operand(4)}),
                  R"([{"N": 3, "T": "TN"}, {"N": "*", "T": "TO"}, {"N": 5000000000, "T": "TN"}, )"
                  R"({"N": "-", "T": "TO"}, {"N": 4, "T": "TN"}])"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });
// clang-format on

TEST(StructureCodingTest, BytesThatAreNotAStructureGiveNothing)
{
    const std::string xml = R"(<?xml version="1.0" encoding="UTF-8"?>)"
                            R"(<plist version="1.0"><array><true/></array></plist>)";
    const Bytes valid = encodeStructure(nowButton(true));
    Bytes wrongOffsets = valid;
    // The trailer's last eight bytes give where the offset table starts.
    wrongOffsets.back() = 0xF0;
    Bytes cut = valid;
    cut.resize(valid.size() / 2);

    const Bytes garbage[] = {
        {},
        Bytes{'h', 'e', 'l', 'l', 'o'},
        Bytes{'b', 'p', 'l', 'i', 's', 't', '0', '0'},
        Bytes(xml.begin(), xml.end()),
        Bytes(64, 0xA5),
        wrongOffsets,
        cut,
    };
    for (const Bytes& bytes : garbage) {
        EXPECT_FALSE(decodeStructure(bytes.data(), bytes.size()).has_value()) << toHex(bytes);
    }
    EXPECT_FALSE(decodeStructure(nullptr, 0).has_value());
    EXPECT_FALSE(decodeStructure(valid.data(), 0).has_value());
}

} // namespace
} // namespace dossiva
