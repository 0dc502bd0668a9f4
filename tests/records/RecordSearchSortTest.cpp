// The search and the sort of the Use section over records in memory.
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"
#include "records/CaseFolding.h"
#include "records/RecordFilter.h"
#include "records/RecordSorter.h"
#include "records/ShownRecords.h"
#include "support/CaseNames.h"
#include "support/TestHome.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dossiva {
namespace {

using test::PrintTo;

enum : FieldId {
    kTitle = 1,
    kNote = 2,
    kAmount = 3,
    kDay = 4,
    kMoment = 5,
    kPicture = 6,
    kColour = 7,
    kTotal = 8,
    kDone = 9,
    kSecret = 10,
    kMail = 11,
    kWeb = 12,
    kLong = 13,
};

std::vector<FieldDefinition> searchStructure()
{
    PropertyList colours(PropertyList::Array{"Red", "Dark Green", "Blue"});
    return {
        {kTitle, "Name", FieldType::Main, {}, 1, 0},
        {kNote, "Note", FieldType::SmallText, {}, 2, 0},
        {kAmount, "Amount", FieldType::Number, {}, 3, 0},
        {kDay, "Day", FieldType::Date, {}, 4, 0},
        {kMoment, "Moment", FieldType::DateTime, {}, 5, 0},
        {kPicture, "Picture", FieldType::Image, {}, 6, 0},
        {kColour, "Colour", FieldType::Choose, colours, 7, 0},
        {kTotal, "Total", FieldType::Calculation, {}, 8, 0},
        {kDone, "Done", FieldType::Checkbox, {}, 9, 0},
        {kSecret, "Secret", FieldType::Password,
         PropertyList(PropertyList::Dictionary{{"Ask", PropertyList(true)}}), 10, 0},
        {kMail, "Mail", FieldType::Email, {}, 11, 0},
        {kWeb, "Web", FieldType::Link, {}, 12, 0},
        {kLong, "Long", FieldType::LargeText, {}, 13, 0},
    };
}

// A record with every field empty but the ones given.
Record record(RecordId id, std::vector<std::pair<FieldId, FieldValue>> values)
{
    Record record{id, "1000000000", "0", {}};
    for (const auto& field : searchStructure()) {
        FieldValue empty = field.type == FieldType::Choose || field.type == FieldType::Image
                               ? FieldValue::integer(field.type == FieldType::Choose ? -1 : 0)
                           : field.type == FieldType::DateTime ? FieldValue::dateTime("", "")
                           : field.type == FieldType::Password ? FieldValue::password("")
                                                               : FieldValue::text("");
        record.values.emplace_back(field.id, std::move(empty));
    }
    for (auto& [field, value] : values) {
        record.setValue(field, std::move(value));
    }
    return record;
}

std::vector<RecordId> ids(const std::vector<const Record*>& records)
{
    std::vector<RecordId> result;
    for (const Record* record : records) {
        result.push_back(record->recordId);
    }
    return result;
}

// --- Search ----------------------------------------------------------------

const std::vector<Record>& searchRecords()
{
    static const std::vector<Record> records = {
        record(1, {{kTitle, FieldValue::text("Alpha Beta")}}),
        record(2, {{kNote, FieldValue::text("alphabet soup")}}),
        record(3, {{kAmount, FieldValue::text("1500")}, {kTotal, FieldValue::text("42.5")}}),
        record(4, {{kDay, FieldValue::text("1600000000")},
                   {kMoment, FieldValue::dateTime("1700000000", "1700000000")}}),
        record(5, {{kPicture, FieldValue::integer(1600000000)}}),
        record(6, {{kColour, FieldValue::integer(1)}}),
        record(7, {{kColour, FieldValue::integer(-1)}, {kDone, FieldValue::text("1")}}),
        record(8, {{kSecret, FieldValue::password("Hunter2")}}),
        record(9,
               {{kMail, FieldValue::text("Ann@Example.org")}, {kWeb, FieldValue::text("example.org/page")}}),
        record(10, {{kLong, FieldValue::text("Crème BRÛLÉE\nand more")}}),
        record(11, {{kColour, FieldValue::integer(7)}}), // an index past the items
        record(12, {{kTitle, FieldValue::text("tail")}, {kNote, FieldValue::text("head")}}),
        // Zürich, the Kelvin sign, the dotted capital I: "zürich ki̇" lowered.
        record(13, {{kNote, FieldValue::text("Z\xc3\xbcrich \xe2\x84\xaa\xc4\xb0")}}),
    };
    return records;
}

struct SearchCase {
    const char* name;
    const char* text;
    std::vector<RecordId> found;
    bool protectionOn = false;
};

class RecordFilterTest : public testing::TestWithParam<SearchCase> {};

TEST_P(RecordFilterTest, KeepsTheMatchingRecordsInOrder)
{
    const SearchCase& c = GetParam();
    const RecordFilter filter(searchStructure(), c.text, c.protectionOn);
    EXPECT_EQ(ids(filter.filter(recordPointers(searchRecords()))), c.found);
    // The Use section searches the lowered texts it keeps between searches:
    // the same records, twice over one kept index.
    ShownRecords shown;
    for (int pass = 0; pass < 2; ++pass) {
        shown.reset(searchRecords());
        shown.search(searchStructure(), c.text, c.protectionOn, 1);
        EXPECT_EQ(ids(shown.records()), c.found) << "pass " << pass;
    }
}

const std::vector<RecordId> kEveryRecord = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};

INSTANTIATE_TEST_SUITE_P(
    Searches, RecordFilterTest,
    testing::Values(
        SearchCase{"EmptyShowsAll", "", kEveryRecord}, SearchCase{"OnlyBlanksShowAll", "   ", kEveryRecord},
        SearchCase{"CaseInsensitive", "ALPHA", {1, 2}}, SearchCase{"BlankInsideCounts", "alpha b", {1}},
        SearchCase{"BlankInsideMatchesOnlyWithTheBlank", "a b", {1}},
        SearchCase{"LeadingBlankCounts", " beta", {1}}, SearchCase{"NumberText", "150", {3}},
        SearchCase{"CalculationResult", "42.5", {3}}, SearchCase{"ChoiceText", "green", {6}},
        SearchCase{"ChoiceTextWithItsBlank", "dark g", {6}}, SearchCase{"NoChoiceIsNeverFound", "red", {}},
        SearchCase{"MinusOneIsNoText", "-1", {}}, SearchCase{"DatesAreNeverSearched", "1600000000", {}},
        SearchCase{"DateAndTimeIsNeverSearched", "1700000000", {}}, SearchCase{"CheckboxText", "1", {3, 7}},
        SearchCase{"PasswordText", "hunter", {8}},
        // The password asks before it is shown: with protection on, a search
        // must not tell its text either.
        SearchCase{"GuardedPasswordIsNotSearched", "hunter", {}, true},
        SearchCase{"GuardedPasswordLeavesOtherFields", "alpha", {1, 2}, true},
        SearchCase{"EmailAndLink", "example.org", {9}}, SearchCase{"AccentedCapitalsLowered", "brûlée", {10}},
        SearchCase{"AccentsAreNotFolded", "brulee", {}}, SearchCase{"LineBreakInside", "e\nand", {10}},
        SearchCase{"NothingMatches", "zzz", {}}, SearchCase{"EachFieldOnItsOwn", "lhead", {}},
        SearchCase{"EndOfTheLastField", "soup", {2}},
        SearchCase{"PlainLettersBesideAccentedOnes", "RICH", {13}},
        SearchCase{"KelvinSignAndDottedCapitalILowerToPlainLetters", "h ki", {13}}),
    test::NameOfCase());

TEST(RecordFilterTest, FindsValuesOutOfFormOrder)
{
    // A record read before a field moved holds its values in the old order.
    Record moved = record(1, {{kNote, FieldValue::text("needle")}});
    std::reverse(moved.values.begin(), moved.values.end());
    EXPECT_TRUE(RecordFilter(searchStructure(), "needle", false).matches(moved));
}

struct ContainsCase {
    const char* name;
    std::string text;
    std::string lowered; // the query as the search lowers it
    bool found;
};

class LowercaseContainsTest : public testing::TestWithParam<ContainsCase> {};

TEST_P(LowercaseContainsTest, FindsTheQueryInTheLoweredText)
{
    std::string buffer;
    EXPECT_EQ(CaseFolding::lowercaseContains(GetParam().text, GetParam().lowered, buffer), GetParam().found);
}

INSTANTIATE_TEST_SUITE_P(Texts, LowercaseContainsTest,
                         testing::Values(ContainsCase{"EmptyQuery", "abc", "", true},
                                         ContainsCase{"EmptyText", "", "a", false},
                                         ContainsCase{"QueryLongerThanText", "ab", "abc", false},
                                         ContainsCase{"FirstLetterInEitherCase", "xAaB", "aab", true},
                                         ContainsCase{"RetriesAfterAPartialMatch", "aaab", "aab", true},
                                         ContainsCase{"AtTheVeryEnd", "xyzAB", "ab", true},
                                         ContainsCase{"NotALetterFirst", "1-2", "-2", true},
                                         ContainsCase{"AsciiAmongAccents", "Z\xc3\xbcrich ZOO", "zoo", true},
                                         ContainsCase{"AccentsAreNotAscii", "Z\xc3\xbcrich", "zurich", false},
                                         ContainsCase{"DottedCapitalI", "\xc4\xb0stanbul", "i", true},
                                         ContainsCase{"KelvinSign", "5 \xe2\x84\xaa", "5 k", true},
                                         ContainsCase{"AccentedQuery", "BRÛLÉE", "brûlée", true}),
                         test::NameOfCase());

// --- Sort ------------------------------------------------------------------

Record dated(RecordId id, const char* title, const char* created, const char* modified)
{
    return Record{id, created, modified, {{kTitle, FieldValue::text(title)}}};
}

struct SortCase {
    const char* name;
    int sorting;
    bool ascending;
    std::vector<Record> records;
    std::vector<RecordId> order;
};

class RecordSorterTest : public testing::TestWithParam<SortCase> {};

TEST_P(RecordSorterTest, OrdersTheRecords)
{
    const SortCase& c = GetParam();
    std::vector<const Record*> records = recordPointers(c.records);
    RecordSorter(c.sorting, c.ascending).sort(records);
    EXPECT_EQ(ids(records), c.order);
    // The Use section sorts with the keys it keeps: the same order, and
    // again when sorted over the kept keys.
    ShownRecords shown;
    shown.reset(c.records);
    for (int pass = 0; pass < 2; ++pass) {
        shown.sort(RecordSorter(c.sorting, c.ascending), 1);
        EXPECT_EQ(ids(shown.records()), c.order) << "pass " << pass;
    }
}

TEST(RecordSorterTest, KeptKeysAreMadeAgainForANewStateOfTheRecords)
{
    std::vector<Record> store = {dated(1, "b", "1", "0"), dated(2, "c", "1", "0")};
    ShownRecords shown;
    shown.reset(store);
    shown.sort(RecordSorter(RecordSorter::ByTitle, true), 1);
    store[1].setValue(kTitle, FieldValue::text("A"));
    shown.sort(RecordSorter(RecordSorter::ByTitle, true), 2);
    EXPECT_EQ(ids(shown.records()), (std::vector<RecordId>{2, 1}));
}

const std::vector<Record> kFruit = {dated(1, "banana", "1", "0"), dated(2, "Apple", "1", "0"),
                                    dated(3, "cherry", "1", "0")};
const std::vector<Record> kCreated = {dated(1, "a", "1000000000", "0"), dated(2, "b", "999999999", "0"),
                                      dated(3, "c", "1700000000", "0")};
const std::vector<Record> kModified = {dated(1, "a", "1", "1700000000"), dated(2, "b", "1", "0"),
                                       dated(3, "c", "1", "1600000000")};
const std::vector<Record> kDuplicated = {
    dated(1, "source", "1500000000", "0"), dated(2, "other", "1600000000", "0"),
    dated(3, "earlier", "1400000000", "0"), dated(4, "source", "1500000000", "0")};

// clang-format off
INSTANTIATE_TEST_SUITE_P(Orders, RecordSorterTest, testing::Values(
    SortCase{"TitleIgnoresCase", RecordSorter::ByTitle, true, {dated(1, "banana", "1", "0"), dated(2, "Apple", "1", "0"), dated(3, "cherry", "1", "0"), dated(4, "BANANA split", "1", "0")}, {2, 1, 4, 3}},
    SortCase{"TitleDescending", RecordSorter::ByTitle, false, kFruit, {3, 1, 2}},
    SortCase{"TitleWithAccentsFoldsCase", RecordSorter::ByTitle, true, {dated(1, "Éclair", "1", "0"), dated(2, "éclair a", "1", "0"), dated(3, "zebra", "1", "0")}, {3, 1, 2}},
    SortCase{"CreationAcrossDigitCounts", RecordSorter::ByCreationDate, true, kCreated, {2, 1, 3}},
    SortCase{"CreationDescending", RecordSorter::ByCreationDate, false, kCreated, {3, 1, 2}},
    SortCase{"NeverModifiedComesFirst", RecordSorter::ByModificationDate, true, kModified, {2, 3, 1}},
    SortCase{"NeverModifiedComesLastDescending", RecordSorter::ByModificationDate, false, kModified, {1, 3, 2}},
    SortCase{"TimesBefore1970", RecordSorter::ByCreationDate, true, {dated(1, "a", "-5", "0"), dated(2, "b", "-100", "0"), dated(3, "c", "0", "0")}, {2, 1, 3}},
    SortCase{"DuplicateNextToItsSource", RecordSorter::ByCreationDate, true, kDuplicated, {3, 1, 4, 2}},
    SortCase{"DuplicateNextToItsSourceDescending", RecordSorter::ByCreationDate, false, kDuplicated, {2, 1, 4, 3}}),
    test::NameOfCase());
// clang-format on

TEST(RecordSorterTest, ReadsTheUsersChoice)
{
    test::TestHome home;
    UserDefaults defaults(home.path() + "/prefs.plist");
    const RecordSorter absent = RecordSorter::fromSettings(defaults);
    EXPECT_FALSE(absent.ascending()) << "no RecSortOrder reads as descending";
    defaults.setInteger("Sorting", 1);
    defaults.setInteger("RecSortOrder", 1);
    const RecordSorter chosen = RecordSorter::fromSettings(defaults);
    EXPECT_EQ(chosen.sorting(), RecordSorter::ByModificationDate);
    EXPECT_TRUE(chosen.ascending());
}

} // namespace
} // namespace dossiva
