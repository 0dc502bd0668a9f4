#include "fields/FieldRules.h"

#include "support/CaseNames.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace dossiva {
namespace {

using test::PrintTo;

using Names = std::vector<std::string>;

// --- uniqueFieldName -------------------------------------------------------

struct NameCase {
    const char* name;
    Names existing;
    std::string expected;
};

class UniqueFieldNameTest : public testing::TestWithParam<NameCase> {};

TEST_P(UniqueFieldNameTest, PicksTheFirstFreeName)
{
    const NameCase& c = GetParam();
    EXPECT_EQ(uniqueFieldName("Number Field", c.existing), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, UniqueFieldNameTest,
    testing::Values(NameCase{"NoFields", {}, "Number Field"},
                    NameCase{"TitleFree", {"Name", "Number Field 1"}, "Number Field"},
                    NameCase{"TitleTaken", {"Name", "Number Field"}, "Number Field 1"},
                    NameCase{"OneTaken", {"Number Field", "Number Field 1"}, "Number Field 2"},
                    NameCase{"SkipsTakenNumbers",
                             {"Number Field 2", "Number Field", "Number Field 1", "Number Field 4"},
                             "Number Field 3"},
                    NameCase{"FillsAGap", {"Number Field", "Number Field 2"}, "Number Field 1"},
                    NameCase{"CaseMatters", {"number field", "NUMBER FIELD"}, "Number Field"},
                    NameCase{"CaseMattersForNumbers", {"Number Field", "number field 1"}, "Number Field 1"},
                    NameCase{"BlanksMatter", {"Number Field ", " Number Field"}, "Number Field"},
                    NameCase{"NoLeadingZeros", {"Number Field", "Number Field 01"}, "Number Field 1"}),
    test::NameOfCase());

// --- combineDateTime -------------------------------------------------------

struct DateTimeCase {
    const char* name;
    const char* date;
    const char* time;
    std::int64_t now;
    std::optional<std::int64_t> expected;
};

class CombineDateTimeTest : public testing::TestWithParam<DateTimeCase> {};

TEST_P(CombineDateTimeTest, TakesTheDayOfOneAndTheTimeOfTheOther)
{
    const DateTimeCase& c = GetParam();
    EXPECT_EQ(combineDateTime(c.date, c.time, c.now), c.expected);
}

constexpr std::int64_t kDay = 86400;

// clang-format off
INSTANTIATE_TEST_SUITE_P(Parts, CombineDateTimeTest, testing::Values(
    DateTimeCase{"BothEmpty",          "",             "",           12345,           std::nullopt},
    DateTimeCase{"BothEmptyAtEpoch",   "",             "",           0,               std::nullopt},
    // An empty part stands for now: 1970-01-02 at the current time of day.
    DateTimeCase{"EmptyTimeIsNow",     "86400",        "",           10 * kDay + 3723, kDay + 3723},
    DateTimeCase{"EmptyDateIsToday",   "",             "3600",       5 * kDay + 100,  5 * kDay + 3600},
    DateTimeCase{"DateKeepsItsDay",    "176400",       "7200",       0,               2 * kDay + 7200},
    DateTimeCase{"TimeKeepsItsHour",   "172800",       "90000",      0,               2 * kDay + 3600},
    DateTimeCase{"BothAtMidnight",     "172800",       "0",          99,              2 * kDay},
    // Before 1970 the remainder is truncated toward zero, as C computes it.
    DateTimeCase{"SecondBeforeEpoch",  "-1",           "3600",       0,               3600},
    DateTimeCase{"DayBeforeEpoch",     "-90000",       "7200",       0,               -79200},
    DateTimeCase{"NegativeTimeOfDay",  "-86401",       "-10",        0,               -86410},
    DateTimeCase{"NowBeforeEpoch",     "",             "-3600",      -3 * kDay - 5,   -262800},
    // 1899-01-01 and 1600-01-01, 2100-01-01 and 3000-01-01 (UTC).
    DateTimeCase{"Year1899",           "-2240524800",  "43200",      0,               -2240481600},
    DateTimeCase{"Year1899AfterOne",   "-2240521200",  "45296",      0,               -2240393104},
    DateTimeCase{"Year1600",           "-11676096000", "0",          0,               -11676096000},
    DateTimeCase{"Year2100",           "4102444800",   "3661",       0,               4102448461},
    DateTimeCase{"Year3000",           "32503680000",  "4102448461", 0,               32503683661},
    DateTimeCase{"UnreadableDate",     "soon",         "3600",       7 * kDay,        3600}),
    test::NameOfCase());
// clang-format on

// A value synchronised from elsewhere can hold any 64-bit count. The combined
// moment must stay on the date part's day instead of wrapping around.
TEST(CombineDateTimeTest, ExtremeCountsDoNotWrap)
{
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    const struct {
        const char* date;
        const char* time;
        std::int64_t dateSeconds;
    } cases[] = {
        {"9223372036854775807", "86399", kMax},
        {"-9223372036854775808", "-86399", kMin},
    };
    for (const auto& c : cases) {
        const std::optional<std::int64_t> combined = combineDateTime(c.date, c.time, 0);
        if (combined) {
            EXPECT_EQ(*combined / kDay, c.dateSeconds / kDay) << c.date << " " << c.time;
        }
    }
}

// --- remapChoices ----------------------------------------------------------

struct ChoiceCase {
    const char* name;
    Names oldItems;
    Names newItems;
    std::vector<std::pair<std::int64_t, std::int64_t>> valuesBeforeAfter;
};

class RemapChoicesTest : public testing::TestWithParam<ChoiceCase> {};

TEST_P(RemapChoicesTest, ValueFollowsItsItemText)
{
    const ChoiceCase& c = GetParam();
    for (const auto& [before, after] : c.valuesBeforeAfter) {
        EXPECT_EQ(remapChoices(c.oldItems, c.newItems, before), after) << "value " << before;
    }
}

const Names kRgb = {"Red", "Green", "Blue"};
const Names kBrg = {"Blue", "Red", "Green"};

INSTANTIATE_TEST_SUITE_P(
    Lists, RemapChoicesTest,
    testing::Values(ChoiceCase{"Reordered", kRgb, kBrg, {{0, 1}, {1, 2}, {2, 0}, {-1, -1}}},
                    ChoiceCase{"ItemRemoved", kBrg, {"Blue", "Red"}, {{0, 0}, {1, 1}, {2, -1}, {-1, -1}}},
                    ChoiceCase{"Unchanged", kRgb, kRgb, {{0, 0}, {1, 1}, {2, 2}}},
                    // A rename keeps the item's records; undoing it does too.
                    ChoiceCase{"ItemRenamed", kRgb, {"Red", "Vert", "Blue"}, {{0, 0}, {1, 1}, {2, 2}}},
                    ChoiceCase{"RenameUndone", {"Red", "Vert", "Blue"}, kRgb, {{1, 1}}},
                    ChoiceCase{"OnlyCaseChanged", kRgb, {"red", "Green", "Blue"}, {{0, 0}, {1, 1}}},
                    // Not a rename: what took the place was already an item.
                    ChoiceCase{"RemovedAndAddedAtTheEnd", kRgb, {"Red", "Blue", "Pink"}, {{1, -1}, {2, 1}}},
                    ChoiceCase{"RemovedAndAddedFirst", kRgb, {"Pink", "Red", "Blue"}, {{1, -1}, {0, 1}}},
                    ChoiceCase{"ItemInsertedFirst", kRgb, {"Pink", "Red", "Green", "Blue"}, {{0, 1}, {2, 3}}},
                    ChoiceCase{"AllRemoved", kRgb, {}, {{0, -1}, {2, -1}, {-1, -1}}},
                    // A stored index past the old list has no text to follow.
                    ChoiceCase{"PastTheOldList", kRgb, kRgb, {{3, -1}, {1000000, -1}}},
                    ChoiceCase{"OldListEmpty", {}, kRgb, {{0, -1}, {-1, -1}}},
                    // Equal texts: the value moves to the first item with its text.
                    ChoiceCase{"DuplicateTexts", {"A", "A", "B"}, {"B", "A", "A"}, {{0, 1}, {1, 1}, {2, 0}}}),
    test::NameOfCase());

TEST(ChoiceItemTest, ANewItemIsNumberedByTheListLengthUnlessTaken)
{
    const struct {
        Names items;
        const char* added;
    } cases[] = {
        {{"Red", "Blue"}, "Item 3"},
        {{}, "Item 1"},
        {{"Item 1", "Item 3"}, "Item 4"},
        {{"Item 3", "Item 4", "Item 5"}, "Item 6"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(newChoiceItem(c.items), c.added) << testing::PrintToString(c.items);
    }
    EXPECT_TRUE(hasRepeatedItem({"Red", "Blue", "Red"}));
    EXPECT_TRUE(hasRepeatedItem({"", ""}));
    EXPECT_FALSE(hasRepeatedItem({"Red", "red", ""}));
}

// --- isCheckboxTrue --------------------------------------------------------

TEST(CheckboxTextTest, ReadsTheWayStoredTextsAlwaysRead)
{
    const struct {
        const char* text;
        bool ticked;
    } cases[] = {
        {"1", true},      {"0", false},   {"YES", true},       {"no", false},  {"true", true},
        {"t", true},      {"  y", true},  {"+1", true},        {"-0", false},  {"007", true},
        {"000", false},   {"", false},    {"2", true},         {"N", false},   {"Yes", true},
        {"false", false}, {"-1", true},   {"\t\n1", true},     {"0.5", false}, {"+", false},
        {"00009", true},  {"+Y", true},   {" 0 1", false},     {"x1", false},  {"   ", false},
        {"-00t", true},   {"0x1", false}, {"\xC3\x9D", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isCheckboxTrue(c.text), c.ticked) << '"' << c.text << '"';
    }
}

// --- choiceItems -----------------------------------------------------------

TEST(ChoiceItemsTest, ReadsTheItemsOfAList)
{
    using Array = PropertyList::Array;
    EXPECT_EQ(choiceItems(PropertyList(Array{"Item 1", "Item 2"})), (Names{"Item 1", "Item 2"}));
    EXPECT_EQ(choiceItems(PropertyList::array()), Names{});
    // A structure from a damaged file is not a list: no items, no crash.
    EXPECT_EQ(choiceItems(PropertyList::dictionary()), Names{});
    EXPECT_EQ(choiceItems(PropertyList("Red")), Names{});
}

} // namespace
} // namespace dossiva
