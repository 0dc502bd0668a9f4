#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <string_view>

namespace dossiva::test {

// A table case's description as a test name: "a refused PWD" becomes
// "ARefusedPWD", so a failure reads Replies/ARefusedPWD rather than the
// bytes of the case.
std::string caseNameOf(std::string_view description);

// The name generator of a parameterised suite whose cases describe
// themselves in a `name` member:
//   INSTANTIATE_TEST_SUITE_P(Table, SomeTest, testing::Values(...), test::CaseNames());
struct CaseNames {
    template <class Case> std::string operator()(const testing::TestParamInfo<Case>& info) const
    {
        return caseNameOf(info.param.name);
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
