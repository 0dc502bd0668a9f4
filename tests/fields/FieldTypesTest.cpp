#include "fields/FieldTypes.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace dossiva {
namespace {

TEST(FieldTypesTest, PalettePositionsGiveTheirTypeCodes)
{
    const struct {
        int position;
        std::optional<int> code;
    } cases[] = {
        {-1, std::nullopt},
        {0, 1},
        {1, 2},
        {2, 3},
        {3, 4},
        {4, 5},
        {5, 6},
        {6, 7},
        {7, 8},
        {8, 9},
        {9, 11},
        {10, 14},
        {11, 15},
        {12, 16},
        {13, 17},
        {14, std::nullopt},
        {30, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FieldTypes::codeForPalettePosition(c.position), c.code) << "position " << c.position;
        if (c.code) {
            // The table entry of that code agrees about where it sits.
            const FieldTypeInfo* info = FieldTypes::info(*c.code);
            ASSERT_NE(info, nullptr);
            EXPECT_EQ(info->palettePosition, c.position);
        }
    }
}

TEST(FieldTypesTest, OnlyLoadableCodesHaveAnEntry)
{
    for (int code : {10, 12, 13, 18, 29, 31, -1}) {
        EXPECT_EQ(FieldTypes::info(code), nullptr) << "code " << code;
    }
    int previous = -1;
    for (const FieldTypeInfo& entry : FieldTypes::all()) {
        EXPECT_GT(entry.code, previous);
        EXPECT_EQ(FieldTypes::info(entry.code), &entry);
        previous = entry.code;
    }
    EXPECT_EQ(FieldTypes::all().size(), 16u);
}

TEST(FieldTypesTest, DateTypesAreDateTimeAndBoth)
{
    for (int code = -1; code <= 31; ++code) {
        EXPECT_EQ(FieldTypes::isDateType(code), code == 4 || code == 5 || code == 6) << "code " << code;
    }
}

} // namespace
} // namespace dossiva
