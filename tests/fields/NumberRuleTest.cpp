#include "fields/NumberRule.h"

#include "support/CaseNames.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace dossiva {
namespace {

using test::PrintTo;

struct TypedNumber {
    const char* name;
    const char* typed;
    std::optional<std::string> stored; // nullopt: refused
};

class NumberRuleTest : public testing::TestWithParam<TypedNumber> {};

TEST_P(NumberRuleTest, StoresTheCanonicalTextOrRefuses)
{
    const TypedNumber& c = GetParam();
    EXPECT_EQ(NumberRule::validate(c.typed), c.stored);
}

INSTANTIATE_TEST_SUITE_P(
    Accepted, NumberRuleTest,
    testing::Values(TypedNumber{"Empty", "", std::string()}, TypedNumber{"OnlyBlanks", "   ", std::string()},
                    TypedNumber{"Whole", "42", "42"}, TypedNumber{"Decimal", "1.5", "1.5"},
                    TypedNumber{"CommaIsAPoint", "1,5", "1.5"}, TypedNumber{"CommaTwoPlaces", "1,25", "1.25"},
                    TypedNumber{"BlanksGroupDigits", "12 000", "12000"},
                    TypedNumber{"BlanksAnywhere", " 3 . 2 5 ", "3.25"},
                    TypedNumber{"Negative", "-7.25", "-7.25"}, TypedNumber{"Zero", "0", "0"},
                    TypedNumber{"Tenth", "0.1", "0.1"}, TypedNumber{"SevenDigits", "1234567", "1234567"},
                    TypedNumber{"CanonicalExponent", "1e+08", "1e+08"},
                    TypedNumber{"SmallCanonicalExponent", "1e-05", "1e-05"}),
    test::NameOfCase());

INSTANTIATE_TEST_SUITE_P(Refused, NumberRuleTest,
                         testing::Values(TypedNumber{"TrailingZero", "1.50", std::nullopt},
                                         TypedNumber{"TrailingZeroAfterComma", "1,250", std::nullopt},
                                         TypedNumber{"NoLeadingZero", ".5", std::nullopt},
                                         TypedNumber{"PlusSign", "+3", std::nullopt},
                                         TypedNumber{"Exponent", "1e3", std::nullopt},
                                         TypedNumber{"BeyondSevenDigits", "123456789", std::nullopt},
                                         TypedNumber{"EightDigits", "12345678", std::nullopt},
                                         TypedNumber{"LeadingZero", "007", std::nullopt},
                                         TypedNumber{"Words", "abc", std::nullopt},
                                         TypedNumber{"NumberThenWords", "12 apples", std::nullopt},
                                         TypedNumber{"Infinity", "inf", std::nullopt},
                                         TypedNumber{"NotANumber", "nan", std::nullopt},
                                         TypedNumber{"BeyondFloat", "1e+39", std::nullopt},
                                         TypedNumber{"TwoCommas", "1,000,000", std::nullopt},
                                         TypedNumber{"Tab", "\t5", std::nullopt}),
                         test::NameOfCase());

struct CanonicalCase {
    const char* name;
    float value;
    const char* text;
};

class CanonicalTextTest : public testing::TestWithParam<CanonicalCase> {};

TEST_P(CanonicalTextTest, PrintsSevenSignificantDigits)
{
    EXPECT_EQ(NumberRule::canonicalText(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Texts, CanonicalTextTest,
                         testing::Values(CanonicalCase{"OneAndAHalf", 1.5f, "1.5"},
                                         CanonicalCase{"Half", 0.5f, "0.5"},
                                         CanonicalCase{"Three", 3.0f, "3"},
                                         CanonicalCase{"Thousand", 1000.0f, "1000"},
                                         CanonicalCase{"Large", 123456789.0f, "1.234568e+08"},
                                         CanonicalCase{"Tiny", 0.00001f, "1e-05"},
                                         CanonicalCase{"NegativeThird", -1.0f / 3.0f, "-0.3333333"}),
                         test::NameOfCase());

struct DoubleCase {
    const char* name;
    const char* stored;
    const char* shown;
};

class CanonicalDoubleTextTest : public testing::TestWithParam<DoubleCase> {};

TEST_P(CanonicalDoubleTextTest, PrintsSixteenSignificantDigits)
{
    EXPECT_EQ(NumberRule::canonicalDoubleText(GetParam().stored), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Texts, CanonicalDoubleTextTest,
                         testing::Values(DoubleCase{"Empty", "", ""}, DoubleCase{"Decimal", "1.5", "1.5"},
                                         DoubleCase{"Tenth", "0.1", "0.1"},
                                         DoubleCase{"Whole", "12000", "12000"},
                                         DoubleCase{"Third", "0.33333333333333331", "0.3333333333333333"},
                                         DoubleCase{"NineDigits", "123456789", "123456789"},
                                         DoubleCase{"Exponent", "1e+20", "1e+20"}),
                         test::NameOfCase());

} // namespace
} // namespace dossiva
