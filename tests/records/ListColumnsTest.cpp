// The record list's columns: which fields get one, at which width, the
// columns menu, the widths kept after a resize, and where Tab goes.
#include "support/CaseNames.h"

#include "records/ListColumns.h"
#include "records/RecordSorter.h"

#include <gtest/gtest.h>

using namespace dossiva;

namespace {

using test::PrintTo;

FieldDefinition field(FieldId id, int type, int listViewColumn = 0, PropertyList structure = {})
{
    return {
        id, "Field " + std::to_string(id), type, std::move(structure), static_cast<int>(id), listViewColumn};
}

struct ColumnCase {
    const char* name;
    int type;
    int listViewColumn;
    bool present;
    int width;
    bool resizable;
    bool editable;
};

class FieldColumnTest : public testing::TestWithParam<ColumnCase> {};

TEST_P(FieldColumnTest, FollowsTheFieldsTypeAndColumnState)
{
    const ColumnCase& c = GetParam();
    const ListColumns columns({field(1, FieldType::Main), field(7, c.type, c.listViewColumn)});
    ASSERT_GE(columns.size(), 3u);
    EXPECT_EQ(columns.at(0).title, "Created");
    EXPECT_EQ(columns.at(1).title, "Modified");
    EXPECT_EQ(columns.at(2).field, 1);
    const auto index = columns.indexOfField(7);
    ASSERT_EQ(index.has_value(), c.present);
    if (!index) {
        return;
    }
    const ListColumn& column = columns.at(*index);
    EXPECT_EQ(column.identifier, "7");
    EXPECT_EQ(column.width, c.width);
    EXPECT_GE(column.width, column.minimumWidth);
    EXPECT_EQ(column.resizable, c.resizable);
    EXPECT_EQ(column.editable, c.editable);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FieldColumnTest,
    testing::Values(
        ColumnCase{"text at the default width", FieldType::SmallText, 0, true, 100, true, true},
        ColumnCase{"text at its stored width", FieldType::LargeText, 160, true, 160, true, true},
        ColumnCase{"a stored width below the minimum", FieldType::Number, 1, true, 100, true, true},
        ColumnCase{"hidden from the default width", FieldType::SmallText, -1, false, 0, false, false},
        ColumnCase{"hidden from a width", FieldType::Email, -180, false, 0, false, false},
        ColumnCase{"a date whatever its stored width", FieldType::Date, 300, true, 147, false, true},
        ColumnCase{"a time", FieldType::Time, 0, true, 147, false, true},
        ColumnCase{"a date and time", FieldType::DateTime, 20, true, 147, false, true},
        ColumnCase{"a password whatever its stored width", FieldType::Password, 120, true, 200, true, true},
        ColumnCase{"a picture", FieldType::Image, 130, true, 130, false, true},
        ColumnCase{"a calculation is not typed into", FieldType::Calculation, 0, true, 100, true, false},
        ColumnCase{"a separator has none", FieldType::Separator, 0, false, 0, false, false},
        ColumnCase{"an unsupported type has none", FieldType::Unsupported, 0, false, 0, false, false}),
    test::NameOfCase());

TEST(ListColumnsTest, ADatabaseWithoutFieldsShowsOneEmptyColumn)
{
    const ListColumns columns(std::vector<FieldDefinition>{});
    ASSERT_EQ(columns.size(), 1u);
    EXPECT_EQ(columns.at(0).identifier, "-3");
    EXPECT_EQ(columns.at(0).title, "");
    EXPECT_FALSE(columns.at(0).isTabStop());
    EXPECT_TRUE(ListColumns::menu({}).empty());
}

TEST(ListColumnsTest, OnlyTheTitleAndTheRecordDatesSort)
{
    const ListColumns columns({field(1, FieldType::Main), field(2, FieldType::SmallText)});
    EXPECT_EQ(columns.indexOfSortType(RecordSorter::ByCreationDate), 0u);
    EXPECT_EQ(columns.indexOfSortType(RecordSorter::ByModificationDate), 1u);
    EXPECT_EQ(columns.indexOfSortType(RecordSorter::ByTitle), 2u);
    EXPECT_FALSE(columns.at(3).sortType.has_value());
}

TEST(ListColumnsTest, TheMenuListsEveryFieldThatCanHaveAColumnTickedWhenShown)
{
    const std::vector<FieldDefinition> structure = {
        field(1, FieldType::Main), field(2, FieldType::Separator), field(3, FieldType::Image, -1),
        field(4, FieldType::Password, 250), field(5, FieldType::Unsupported)};
    const std::vector<ListColumns::MenuItem> expected = {
        {"Field 1", 1, true}, {"Field 3", 3, false}, {"Field 4", 4, true}};
    EXPECT_EQ(ListColumns::menu(structure), expected);
}

TEST(ListColumnsTest, OnlyFieldColumnsKeepTheirWidthInWholePointsAboveTheirMinimum)
{
    const ListColumns columns({field(1, FieldType::Main), field(2, FieldType::Password)});
    EXPECT_EQ(columns.storedWidth(0, 150), std::nullopt) << "Created";
    EXPECT_EQ(columns.storedWidth(1, 150), std::nullopt) << "Modified";
    EXPECT_EQ(columns.storedWidth(2, 151.8), 151);
    EXPECT_EQ(columns.storedWidth(2, 40), 100);
    EXPECT_EQ(columns.storedWidth(3, 260), 260) << "kept, though a password comes back at 200";
    EXPECT_EQ(columns.storedWidth(9, 150), std::nullopt);
}

TEST(ListColumnsTest, CheckboxesAndCaptionsChoicesAndThePasswordQuestionComeFromTheStructure)
{
    const ListColumns columns(
        {field(1, FieldType::Main),
         field(2, FieldType::Checkbox, 0, PropertyList(PropertyList::Dictionary{{"Caption", "Paid"}})),
         field(3, FieldType::Choose, 0, PropertyList(PropertyList::Array{"S", "M"})),
         field(4, FieldType::Password, 0,
               PropertyList(PropertyList::Dictionary{{"Ask", PropertyList(true)}}))});
    EXPECT_EQ(columns.at(3).caption, "Paid");
    EXPECT_EQ(columns.at(4).choices, (std::vector<std::string>{"S", "M"}));
    EXPECT_TRUE(columns.at(5).asksPassword);
}

struct TabCase {
    const char* name;
    std::optional<std::size_t> column;
    std::size_t row;
    bool forward;
    ListColumns::TabTarget target;
};

class TabTest : public testing::TestWithParam<TabCase> {};

// Columns: 0 Created, 1 Modified, 2 main, 3 calculation, 4 checkbox,
// 5 choice, 6 password; three rows.
TEST_P(TabTest, GoesToTheNextCellEditedInTheListOrToARow)
{
    const TabCase& c = GetParam();
    const ListColumns columns({field(1, FieldType::Main), field(2, FieldType::Calculation),
                               field(3, FieldType::Checkbox), field(4, FieldType::Choose),
                               field(5, FieldType::Password)});
    EXPECT_EQ(columns.tab(c.column, c.row, 3, c.forward), c.target);
}

INSTANTIATE_TEST_SUITE_P(
    Table, TabTest,
    testing::Values(
        TabCase{"the first cell of a new row", std::nullopt, 1, true, {1, 2}},
        TabCase{"over a calculation and a checkbox", 2, 0, true, {0, 5}},
        TabCase{"the last cell selects the next row", 6, 1, true, {2, std::nullopt}},
        TabCase{"the last cell of the last row selects the first", 6, 2, true, {0, std::nullopt}},
        TabCase{"back over a checkbox and a calculation", 5, 0, false, {0, 2}},
        TabCase{"back from the first cell selects the row before", 2, 2, false, {1, std::nullopt}},
        TabCase{"back from the first cell of the first row stays there", 2, 0, false, {0, std::nullopt}}),
    test::NameOfCase());

} // namespace
