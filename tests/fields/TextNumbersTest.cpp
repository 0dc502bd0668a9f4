#include "fields/TextNumbers.h"

#include "support/CaseNames.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace dossiva {
namespace {

using test::PrintTo;

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

struct NumberCase {
    const char* name;
    std::string text;
    std::int64_t integer;
    double real;
};

class TextNumbersTest : public testing::TestWithParam<NumberCase> {};

TEST_P(TextNumbersTest, ReadsTheLeadingNumber)
{
    const NumberCase& c = GetParam();
    EXPECT_EQ(leadingInteger(c.text), c.integer);
    EXPECT_EQ(leadingReal(c.text), c.real);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Texts, TextNumbersTest, testing::Values(
    // Nothing to read.
    NumberCase{"Empty", "",            0,   0},
    NumberCase{"OnlyBlanks", "   ",         0,   0},
    NumberCase{"WordFirst", "abc12",       0,   0},
    NumberCase{"SignAlone", "+",           0,   0},
    NumberCase{"PointAlone", ".",           0,   0},
    NumberCase{"TwoMinus", "--7",         0,   0},
    NumberCase{"PlusMinus", "+-7",         0,   0},
    NumberCase{"BlankAfterSign", "- 7",         0,   0},
    NumberCase{"HexPrefix", "0x1A",        0,   0},
    NumberCase{"Inf", "inf",         0,   0},
    NumberCase{"MinusInfinity", "-infinity",   0,   0},
    NumberCase{"NaN", "nan",         0,   0},
    NumberCase{"FullWidthNine", "\xEF\xBC\x99", 0,  0}, // a full-width nine is not a digit
    // Blanks, signs and what follows the number.
    NumberCase{"Whole", "42",          42,  42},
    NumberCase{"LeadingBlanks", "  42",        42,  42},
    NumberCase{"LeadingWhiteSpace", "\t\r\n 42",   42,  42},
    NumberCase{"Plus", "+7",          7,   7},
    NumberCase{"Minus", "-7",          -7,  -7},
    NumberCase{"LeadingZeros", "007",         7,   7},
    NumberCase{"WordAfter", "12abc",       12,  12},
    NumberCase{"BlankInside", "12 34",       12,  12},
    NumberCase{"CommaStops", "1,5",         1,   1},
    NumberCase{"Decimal", "3.75",        3,   3.75},
    NumberCase{"NegativeDecimal", "-3.75",       -3,  -3.75},
    NumberCase{"NoLeadingZero", ".5",          0,   0.5},
    NumberCase{"NegativeNoLeadingZero", "-.5",         0,   -0.5},
    NumberCase{"TrailingPoint", "5.",          5,   5},
    NumberCase{"Exponent", "1e3",         1,   1000},
    NumberCase{"CapitalNegativeExponent", "2E-2",        2,   0.02},
    NumberCase{"ExponentWithoutDigits", "1.5e",        1,   1.5},
    NumberCase{"ExponentSignWithoutDigits", "1e+",         1,   1},
    NumberCase{"Subnormal", "1e-320",      1,   1e-320},
    // The edges of the integer range, and past them.
    NumberCase{"Int64Max", "9223372036854775807",   kMax, 9223372036854775807.0},
    NumberCase{"PastInt64Max", "9223372036854775808",   kMax, 9223372036854775808.0},
    NumberCase{"FarPastInt64Max", "99999999999999999999",  kMax, 1e20},
    NumberCase{"Int64Min", "-9223372036854775808",  kMin, -9223372036854775808.0},
    NumberCase{"PastInt64Min", "-9223372036854775809",  kMin, -9223372036854775809.0},
    NumberCase{"FarPastInt64Min", "-99999999999999999999", kMin, -1e20},
    NumberCase{"BeyondDouble", "1e400",       1,   kInfinity},
    NumberCase{"BeyondNegativeDouble", "-1e400",      -1,  -kInfinity},
    // A magnitude too small for a double is zero, not infinity: "x * y" with
    // 1e-400 and 2 must not show "inf".
    NumberCase{"BelowDouble", "1e-400",      1,   0},
    NumberCase{"BelowNegativeDouble", "-1e-400",     -1,  -0.0}),
    test::NameOfCase());
// clang-format on

} // namespace
} // namespace dossiva
