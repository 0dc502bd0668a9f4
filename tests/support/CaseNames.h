#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <string_view>

namespace dossiva::test {

// A case's description as a test name: its words capitalised and joined, other
// characters dropped ("a quoted CR LF" becomes "AQuotedCRLF").
std::string caseName(std::string_view description);

// The name generator of a parameterised suite whose cases carry a `name`, so
// that a failure reads "CsvLine/AQuotedComma", not a dump of the case's bytes:
//
//   INSTANTIATE_TEST_SUITE_P(Table, CsvLine, testing::ValuesIn(kCases), test::NameOfCase());
struct NameOfCase {
    template <class Case> std::string operator()(const testing::TestParamInfo<Case>& info) const
    {
        return caseName(info.param.name);
    }
};

// Prints a table case as its name, so that a failure names the case rather
// than dumping its bytes. Tables bring it in with `using test::PrintTo;` in
// the namespace of their case types.
template <class Case>
requires requires(const Case& c)
{
    std::string_view(c.name);
}
void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.name;
}

} // namespace dossiva::test
