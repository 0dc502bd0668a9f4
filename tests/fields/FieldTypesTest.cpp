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

TEST(FieldTypesTest, TitlesOfEveryCode)
{
    const struct {
        int code;
        const char* title;
    } cases[] = {
        {0, "Main Field"},
        {1, "Small Text Field"},
        {2, "Large Text Field"},
        {3, "Number Field"},
        {4, "Date Field"},
        {5, "Time Field"},
        {6, "Date and Time Field"},
        {7, "Image Field"},
        {8, "Choose Field"},
        {9, "Separator Field"},
        {11, "Calculation Field"},
        {14, "Email Field"},
        {15, "Link Field"},
        {16, "Checkbox Field"},
        {17, "Password Field"},
        {30, "Unsupported Field"},
        // Codes no loaded field can have still get a title for listings.
        {10, "Unsupported Field"},
        {12, "Unsupported Field"},
        {13, "Unsupported Field"},
        {-1, "Unsupported Field"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FieldTypes::title(c.code), c.title) << "code " << c.code;
        // The palette shows the same title; the main and unsupported types
        // are not in the palette.
        if (const FieldTypeInfo* info = FieldTypes::info(c.code); info && info->palettePosition >= 0) {
            EXPECT_STREQ(info->paletteTitle, c.title);
        }
    }
}

TEST(FieldTypesTest, ClassesOfTheTypesThatBorrowAnother)
{
    const struct {
        int code;
        const char* view;
        const char* editor;
        int palettePosition;
    } cases[] = {
        {0, "MainFieldViewController", "SmallTextFieldStructureViewController", -1},
        {7, "PictureFieldViewController", "ImageFieldStructureViewController", 6},
        {17, "PasswdFieldViewController", "PasswdFieldStructureViewController", 13},
        {30, "SeparatorFieldViewController", "SeparatorFieldStructureViewController", -1},
    };
    for (const auto& c : cases) {
        const FieldTypeInfo* info = FieldTypes::info(c.code);
        ASSERT_NE(info, nullptr) << "code " << c.code;
        EXPECT_STREQ(info->recordViewClass, c.view);
        EXPECT_STREQ(info->structureEditorClass, c.editor);
        EXPECT_EQ(info->palettePosition, c.palettePosition);
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
