#include "fields/TextNumbers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <ostream>
#include <string>

namespace dossiva {
namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

struct NumberCase {
    std::string text;
    std::int64_t integer;
    double real;
};

void PrintTo(const NumberCase& c, std::ostream* os)
{
    *os << '"' << c.text << '"';
}

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
    NumberCase{"",            0,   0},
    NumberCase{"   ",         0,   0},
    NumberCase{"abc12",       0,   0},
    NumberCase{"+",           0,   0},
    NumberCase{".",           0,   0},
    NumberCase{"--7",         0,   0},
    NumberCase{"+-7",         0,   0},
    NumberCase{"- 7",         0,   0},
    NumberCase{"0x1A",        0,   0},
    NumberCase{"inf",         0,   0},
    NumberCase{"-infinity",   0,   0},
    NumberCase{"nan",         0,   0},
    NumberCase{"\xEF\xBC\x99", 0,  0}, // a full-width nine is not a digit
    // Blanks, signs and what follows the number.
    NumberCase{"42",          42,  42},
    NumberCase{"  42",        42,  42},
    NumberCase{"\t\r\n 42",   42,  42},
    NumberCase{"+7",          7,   7},
    NumberCase{"-7",          -7,  -7},
    NumberCase{"007",         7,   7},
    NumberCase{"12abc",       12,  12},
    NumberCase{"12 34",       12,  12},
    NumberCase{"1,5",         1,   1},
    NumberCase{"3.75",        3,   3.75},
    NumberCase{"-3.75",       -3,  -3.75},
    NumberCase{".5",          0,   0.5},
    NumberCase{"-.5",         0,   -0.5},
    NumberCase{"5.",          5,   5},
    NumberCase{"1e3",         1,   1000},
    NumberCase{"2E-2",        2,   0.02},
    NumberCase{"1.5e",        1,   1.5},
    NumberCase{"1e+",         1,   1},
    NumberCase{"1e-320",      1,   1e-320},
    // The edges of the integer range, and past them.
    NumberCase{"9223372036854775807",   kMax, 9223372036854775807.0},
    NumberCase{"9223372036854775808",   kMax, 9223372036854775808.0},
    NumberCase{"99999999999999999999",  kMax, 1e20},
    NumberCase{"-9223372036854775808",  kMin, -9223372036854775808.0},
    NumberCase{"-9223372036854775809",  kMin, -9223372036854775809.0},
    NumberCase{"-99999999999999999999", kMin, -1e20},
    NumberCase{"1e400",       1,   kInfinity},
    NumberCase{"-1e400",      -1,  -kInfinity},
    // A magnitude too small for a double is zero, not infinity: "x * y" with
    // 1e-400 and 2 must not show "inf".
    NumberCase{"1e-400",      1,   0},
    NumberCase{"-1e-400",     -1,  -0.0}));
// clang-format on

} // namespace
} // namespace dossiva
