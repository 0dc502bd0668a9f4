#include "fields/FieldValue.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace dossiva {
namespace {

using Kind = FieldValue::Kind;

// A value and what its accessors must give back. The lengths straddle the
// 22 bytes a value holds without a heap block.
struct Sample {
    std::string name;
    FieldValue value;
    Kind kind;
    std::string text;
    std::int64_t integer = 0;
    std::string date;
    std::string time;
    bool shown = false;
};

std::string pattern(std::size_t length, char first)
{
    std::string text(length, ' ');
    for (std::size_t i = 0; i < length; ++i) {
        text[i] = static_cast<char>(first + static_cast<char>(i % 26));
    }
    return text;
}

const std::vector<Sample>& samples()
{
    static const std::vector<Sample> all = [] {
        const std::string inlineLimit = pattern(22, 'a');
        const std::string firstOnHeap = pattern(23, 'A');
        const std::string long100k = pattern(100000, 'a');
        const std::string withNul("a\0b", 3);
        constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
        constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
        std::vector<Sample> list;
        list.push_back({"DefaultText", FieldValue(), Kind::Text, ""});
        list.push_back({"EmptyText", FieldValue::text(""), Kind::Text, ""});
        list.push_back({"ShortText", FieldValue::text("Caf\xC3\xA9"), Kind::Text, "Caf\xC3\xA9"});
        list.push_back({"InlineLimitText", FieldValue::text(inlineLimit), Kind::Text, inlineLimit});
        list.push_back({"FirstHeapText", FieldValue::text(firstOnHeap), Kind::Text, firstOnHeap});
        list.push_back({"LongText", FieldValue::text(long100k), Kind::Text, long100k});
        list.push_back({"TextWithNul", FieldValue::text(withNul), Kind::Text, withNul});
        list.push_back({"IntegerZero", FieldValue::integer(0), Kind::Integer, "", 0});
        list.push_back({"IntegerNone", FieldValue::integer(-1), Kind::Integer, "", -1});
        list.push_back({"IntegerMin", FieldValue::integer(kMin), Kind::Integer, "", kMin});
        list.push_back({"IntegerMax", FieldValue::integer(kMax), Kind::Integer, "", kMax});
        list.push_back({"DateTimeEmpty", FieldValue::dateTime("", ""), Kind::DateTime, "", 0, "", ""});
        list.push_back({"DateOnly", FieldValue::dateTime("86400", ""), Kind::DateTime, "", 0, "86400", ""});
        list.push_back({"TimeOnly", FieldValue::dateTime("", "3600"), Kind::DateTime, "", 0, "", "3600"});
        // 11 + 1 + 10 bytes fill the inline space exactly.
        list.push_back({"DateTimeAtLimit", FieldValue::dateTime("32503680000", "4102448461"), Kind::DateTime,
                        "", 0, "32503680000", "4102448461"});
        list.push_back({"DateTimeOnHeap", FieldValue::dateTime("-62135596800", "253402300799"),
                        Kind::DateTime, "", 0, "-62135596800", "253402300799"});
        list.push_back({"PasswordHidden", FieldValue::password("secret"), Kind::Password, "secret"});
        list.push_back({"PasswordShownOnHeap", FieldValue::password(firstOnHeap, true), Kind::Password,
                        firstOnHeap, 0, "", "", true});
        list.push_back({"PasswordEmpty", FieldValue::password(""), Kind::Password, ""});
        return list;
    }();
    return all;
}

void expectHolds(const FieldValue& value, const Sample& sample)
{
    EXPECT_EQ(value.kind(), sample.kind);
    EXPECT_EQ(value.text(), sample.text);
    EXPECT_EQ(value.integer(), sample.integer);
    EXPECT_EQ(value.datePart(), sample.date);
    EXPECT_EQ(value.timePart(), sample.time);
    EXPECT_EQ(value.shown(), sample.shown);
}

TEST(FieldValueTest, CopiesMovesAndAssignmentsKeepTheValue)
{
    for (const Sample& from : samples()) {
        SCOPED_TRACE(from.name);
        FieldValue copy(from.value);
        expectHolds(copy, from);
        FieldValue moved(std::move(copy));
        expectHolds(moved, from);
        copy = from.value; // what a move leaves behind can be reused
        expectHolds(copy, from);
        FieldValue& alias = copy;
        copy = alias;
        expectHolds(copy, from);
        copy = std::move(alias);
        expectHolds(copy, from);
        // Any value replaces any other, inline or on the heap, by copy and by move.
        for (const Sample& to : samples()) {
            SCOPED_TRACE("over " + to.name);
            FieldValue copied = to.value;
            copied = from.value;
            expectHolds(copied, from);
            FieldValue target = to.value;
            FieldValue source = from.value;
            target = std::move(source);
            expectHolds(target, from);
        }
    }
}

TEST(FieldValueTest, DateTimePartsStopAtANul)
{
    const FieldValue value = FieldValue::dateTime(std::string("86400\0junk", 10), std::string("\0x", 2));
    EXPECT_EQ(value.datePart(), "86400");
    EXPECT_EQ(value.timePart(), "");
    EXPECT_EQ(value, FieldValue::dateTime("86400", ""));
}

TEST(FieldValueTest, EqualityNeedsTheSameKindAndContent)
{
    const std::string heap = pattern(23, 'a');
    const struct {
        const char* name;
        FieldValue a;
        FieldValue b;
        bool equal;
    } cases[] = {
        {"EmptyTexts", FieldValue(), FieldValue::text(""), true},
        {"HeapTexts", FieldValue::text(heap), FieldValue::text(heap), true},
        {"InlineAgainstHeap", FieldValue::text(heap.substr(0, 22)), FieldValue::text(heap), false},
        {"TextAgainstInteger", FieldValue::text("1"), FieldValue::integer(1), false},
        {"EmptyTextAgainstZero", FieldValue::text(""), FieldValue::integer(0), false},
        {"EmptyTextAgainstEmptyDate", FieldValue::text(""), FieldValue::dateTime("", ""), false},
        {"TextAgainstPassword", FieldValue::text("abc"), FieldValue::password("abc"), false},
        {"Integers", FieldValue::integer(-1), FieldValue::integer(-1), true},
        {"DifferentIntegers", FieldValue::integer(1), FieldValue::integer(2), false},
        {"DateTimes", FieldValue::dateTime("1", "2"), FieldValue::dateTime("1", "2"), true},
        {"PartsSwapped", FieldValue::dateTime("12", ""), FieldValue::dateTime("", "12"), false},
        {"PartsSplitElsewhere", FieldValue::dateTime("12", "3"), FieldValue::dateTime("1", "23"), false},
        {"TextWithNul", FieldValue::text(std::string("a\0b", 3)), FieldValue::text("a"), false},
        {"Passwords", FieldValue::password("a"), FieldValue::password("a"), true},
        {"DifferentPasswords", FieldValue::password("a"), FieldValue::password("b"), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.a == c.b, c.equal) << c.name;
        EXPECT_EQ(c.b == c.a, c.equal) << c.name;
    }
}

} // namespace
} // namespace dossiva
