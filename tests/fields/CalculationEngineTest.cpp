#include "fields/CalculationEngine.h"

#include "support/CaseNames.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace dossiva {
namespace {

using test::PrintTo;

using Dictionary = PropertyList::Dictionary;

// The number fields x, y and z of the formulas below.
constexpr FieldId kX = 11;
constexpr FieldId kY = 12;
constexpr FieldId kZ = 13;

PropertyList operandComponent(FieldId id)
{
    return PropertyList(Dictionary{{"T", "TN"}, {"N", PropertyList(id)}});
}

// Builds a formula from blank-separated tokens: "x", "y" and "z" are operands
// naming the three number fields, "noT" is a component that lacks its "T",
// and every other token is an operator component with that text.
PropertyList formula(const std::string& tokens)
{
    PropertyList::Array components;
    std::istringstream in(tokens);
    std::string token;
    while (in >> token) {
        if (token == "x" || token == "y" || token == "z") {
            components.push_back(operandComponent(token == "x" ? kX : token == "y" ? kY : kZ));
        } else if (token == "noT") {
            components.push_back(PropertyList(Dictionary{{"N", "+"}}));
        } else {
            components.push_back(PropertyList(Dictionary{{"T", "TO"}, {"N", PropertyList(token)}}));
        }
    }
    return PropertyList(std::move(components));
}

struct EvaluationCase {
    const char* name;
    const char* formula;
    // The record's values of x, y and z; nullopt when the record has no entry.
    std::optional<std::string> x, y, z;
    const char* result;
    bool validShape;
};

CalculationEngine::Values valuesOf(const EvaluationCase& c)
{
    CalculationEngine::Values values;
    for (const auto& [id, value] : {std::pair{kX, c.x}, std::pair{kY, c.y}, std::pair{kZ, c.z}}) {
        if (value) {
            values[std::to_string(id)] = *value;
        }
    }
    return values;
}

class EvaluationTest : public testing::TestWithParam<EvaluationCase> {};

TEST_P(EvaluationTest, ComputesTheResultText)
{
    const EvaluationCase& c = GetParam();
    EXPECT_EQ(CalculationEngine::evaluate(formula(c.formula), valuesOf(c)), c.result);
}

TEST_P(EvaluationTest, JudgesTheShapeWithoutValues)
{
    const EvaluationCase& c = GetParam();
    EXPECT_EQ(CalculationEngine::hasValidShape(formula(c.formula)), c.validShape);
}

// clang-format off
const EvaluationCase kEvaluationCases[] = {
    // name                    formula              x        y        z        result  valid shape
    {"MultiplyBeforeAdd",      "x + y * z",         "1",     "2",     "3",     "7",    true},
    {"MultiplyBeforeAddRight", "x * y + z",         "2",     "3",     "4",     "10",   true},
    {"SubtractLeftToRight",    "x - y - z",         "10",    "3",     "2",     "5",    true},
    {"DivideThenMultiply",     "x / y * z",         "8",     "2",     "3",     "12",   true},
    {"DivideLeftToRight",      "x / y / z",         "100",   "5",     "2",     "10",   true},
    {"TwoProductsAdded",       "x * y + z * x",     "2",     "3",     "4",     "14",   true},
    {"QuotientSubtracted",     "x - y * z / x",     "10",    "4",     "6",     "7.6",  true},
    {"NegativeResult",         "x - y",             "1",     "3",     std::nullopt, "-2", true},
    {"SameOperandTwice",       "x * x",             "3",     std::nullopt, std::nullopt, "9", true},
    {"DivisionByZeroKeepsX",   "x / y",             "7",     "0",     std::nullopt, "7",  true},
    {"DivisionByRealZero",     "x / y",             "7",     "0.000", std::nullopt, "7",  true},
    {"DivisionByMinusZero",    "x / y",             "7",     "-0",    std::nullopt, "7",  true},
    {"DivisionByTextIsByZero", "x / y",             "7",     "abc",   std::nullopt, "7",  true},
    {"ZeroDivisorMidFormula",  "x / y * z + x",     "6",     "0",     "2",     "18",   true},
    {"RealProduct",            "x * y",             "1.5",   "2",     std::nullopt, "3",  true},
    {"SixteenDigits",          "x / y",             "1",     "3",     std::nullopt, "0.3333333333333333", true},
    {"RoundedToSixteen",       "x + y",             "0.1",   "0.2",   std::nullopt, "0.3", true},
    {"ExponentForLarge",       "x * y",             "1e20",  "1e20",  std::nullopt, "1e+40", true},
    {"ExponentForSmall",       "x / y",             "1",     "1e7",   std::nullopt, "1e-07", true},
    {"LeadingNumberOfText",    "x * y",             " 12kg", "2",     std::nullopt, "24", true},
    {"SignedOperands",         "x + y",             "+4",    "-6.5",  std::nullopt, "-2.5", true},
    // A magnitude below the smallest double reads as zero.
    {"TinyOperandIsZero",      "x * y",             "1e-400", "2",    std::nullopt, "0", true},
    // Any operand without a value makes the result empty, never zero.
    {"FirstOperandEmpty",      "x + y * z",         "",      "2",     "3",     "",     true},
    {"MiddleOperandEmpty",     "x + y * z",         "1",     "",      "3",     "",     true},
    {"LastOperandEmpty",       "x + y * z",         "1",     "2",     "",      "",     true},
    {"OperandMissing",         "x + z",             "1",     "2",     std::nullopt, "", true},
    {"NoValuesAtAll",          "x + y",             std::nullopt, std::nullopt, std::nullopt, "", true},
    // Malformed formulas compute to nothing however complete the values are.
    {"Empty",                  "",                  "1",     "2",     "3",     "",     false},
    {"OneOperand",             "x",                 "1",     "2",     "3",     "",     false},
    {"OperandThenOperator",    "x +",               "1",     "2",     "3",     "",     false},
    {"EndsWithOperator",       "x + y *",           "1",     "2",     "3",     "",     false},
    {"TwoOperandsInARow",      "x y",               "1",     "2",     "3",     "",     false},
    {"OperandsInARowLater",    "x + y z",           "1",     "2",     "3",     "",     false},
    {"TwoOperatorsInARow",     "x + * y",           "1",     "2",     "3",     "",     false},
    {"StartsWithOperator",     "+ x + y",           "1",     "2",     "3",     "",     false},
    {"OnlyOperators",          "+ - *",             "1",     "2",     "3",     "",     false},
    {"UnknownOperator",        "x % y",             "1",     "2",     "3",     "",     false},
    {"OperatorOfTwoChars",     "x ** y",            "1",     "2",     "3",     "",     false},
    {"ComponentWithoutT",      "x noT y",           "1",     "2",     "3",     "",     false},
    {"MalformedAndEmpty",      "x y",               "",      "2",     "3",     "",     false},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Formulas, EvaluationTest, testing::ValuesIn(kEvaluationCases), test::NameOfCase());

TEST(CalculationEngineTest, FormulaThatIsNotAListOfDictionariesComputesNothing)
{
    const CalculationEngine::Values values = {{"11", "1"}, {"12", "2"}};
    const PropertyList notLists[] = {
        PropertyList(Dictionary{{"T", "TN"}, {"N", PropertyList(kX)}}),
        PropertyList("x + y"),
        PropertyList(std::int64_t{11}),
        PropertyList::dictionary(),
    };
    for (const PropertyList& notList : notLists) {
        EXPECT_EQ(CalculationEngine::evaluate(notList, values), "");
        EXPECT_FALSE(CalculationEngine::hasValidShape(notList));
        EXPECT_TRUE(CalculationEngine::operandIds(notList).empty());
    }
    const PropertyList withString(
        PropertyList::Array{operandComponent(kX), PropertyList("+"), operandComponent(kY)});
    EXPECT_FALSE(CalculationEngine::hasValidShape(withString));
    EXPECT_EQ(CalculationEngine::evaluate(withString, values), "");
}

TEST(CalculationEngineTest, OperandIdsFollowTheFormulaOrder)
{
    struct Case {
        const char* formula;
        std::vector<FieldId> ids;
    };
    const Case cases[] = {
        {"x + y * z", {kX, kY, kZ}},
        {"z - x", {kZ, kX}},
        {"x * x / x", {kX, kX, kX}},
        // Ids are listed even when the shape is wrong: deleting a field must
        // still find the formulas that use it.
        {"x y", {kX, kY}},
        {"+ z noT", {kZ}},
        {"+ - * /", {}},
        {"", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CalculationEngine::operandIds(formula(c.formula)), c.ids) << c.formula;
    }
}

} // namespace
} // namespace dossiva
