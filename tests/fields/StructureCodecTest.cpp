#include "fields/StructureCodec.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
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

TEST(NormaliseLoadedTypeTest, TypesOfOtherReleasesLoadAsUnsupportedAndKeepTheirStructure)
{
    const std::int64_t others[] = {10, 12, 13, 18, 29, 31, 255, -1, std::int64_t{1} << 40,
                                   // would look like a date field if the code were cut to 32 bits
                                   (std::int64_t{1} << 32) + 4, std::numeric_limits<std::int64_t>::min(),
                                   std::numeric_limits<std::int64_t>::max()};
    for (const std::int64_t stored : others) {
        const LoadedType loaded = normaliseLoadedType(stored, kKeep);
        EXPECT_EQ(loaded.type, FieldType::Unsupported) << stored;
        EXPECT_EQ(loaded.structure, kKeep) << stored;
    }
    for (const int known : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 14, 15, 16, 17, 30}) {
        EXPECT_EQ(normaliseLoadedType(known, kKeep).type, known);
    }
}

TEST(NormaliseLoadedTypeTest, DateTypeWithoutOptionsShowsItsNowButton)
{
    const std::optional<PropertyList> noOptions[] = {std::nullopt, PropertyList::array(),
                                                     PropertyList::dictionary()};
    for (int type : {4, 5, 6}) {
        for (const auto& structure : noOptions) {
            EXPECT_EQ(normaliseLoadedType(type, structure).structure, nowButton(true)) << "type " << type;
        }
        EXPECT_EQ(normaliseLoadedType(type, nowButton(false)).structure, nowButton(false)) << "type " << type;
    }
    // Elsewhere a blob that did not decode behaves as an empty structure.
    for (std::int64_t type : {0, 2, 8, 11, 16, 17, 13, 99}) {
        EXPECT_EQ(normaliseLoadedType(type, std::nullopt).structure, PropertyList::array())
            << "type " << type;
    }
}

// --- structureFromEditor ----------------------------------------------------

TEST(StructureFromEditorTest, EachTypeStoresItsOptionsUnderItsKey)
{
    StructureEditorState editor;
    editor.showNowButton = false;
    editor.items = {"Red", "Green"};
    editor.caption = "Paid";
    editor.askPassword = true;
    EXPECT_EQ(structureFromEditor(6, editor), nowButton(false));
    EXPECT_EQ(structureFromEditor(8, editor), PropertyList(Array{"Red", "Green"}));
    EXPECT_EQ(structureFromEditor(16, editor), PropertyList(Dictionary{{"Caption", "Paid"}}));
    EXPECT_EQ(structureFromEditor(17, editor), PropertyList(Dictionary{{"Ask", PropertyList(true)}}));
    EXPECT_EQ(structureFromEditor(11, editor), PropertyList::array());
    editor.items.clear();
    EXPECT_EQ(structureFromEditor(8, editor), PropertyList::array());
}

// --- decodeStructure ------------------------------------------------------------

TEST(DecodeStructureTest, ReadsExactlyTheStoredLength)
{
    const PropertyList formula(Array{PropertyList(Dictionary{{"T", "TN"}, {"N", PropertyList(3)}})});
    for (const PropertyList& structure : {nowButton(true), formula}) {
        const Bytes bytes = encodeStructure(structure);
        Bytes padded = bytes;
        padded.insert(padded.end(), {0xFF, 0x00, 'b', 'p'});
        EXPECT_EQ(decodeStructure(padded.data(), bytes.size()), structure);
        // One byte short loses the trailer: nothing decodes.
        EXPECT_FALSE(decodeStructure(bytes.data(), bytes.size() - 1).has_value());
        EXPECT_FALSE(decodeStructure(bytes.data(), 0).has_value());
    }
    EXPECT_FALSE(decodeStructure(nullptr, 0).has_value());
}

} // namespace
} // namespace dossiva
