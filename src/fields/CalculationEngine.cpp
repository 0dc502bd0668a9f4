#include "fields/CalculationEngine.h"

#include "fields/TextNumbers.h"

#include <charconv>
#include <optional>

namespace dossiva::CalculationEngine {

namespace {

constexpr const char* kOperand = "TN";
constexpr const char* kOperator = "TO";

bool isOperand(const PropertyList& component)
{
    const PropertyList* t = component.find("T");
    return t != nullptr && t->toString() == kOperand;
}

// The operator's character, or nullopt for anything that is not one of the
// four operators.
std::optional<char> operatorOf(const PropertyList& component)
{
    const PropertyList* t = component.find("T");
    const PropertyList* n = component.find("N");
    if (t == nullptr || n == nullptr || t->toString() != kOperator) {
        return std::nullopt;
    }
    const std::string symbol = n->toString();
    if (symbol == "+" || symbol == "-" || symbol == "*" || symbol == "/") {
        return symbol[0];
    }
    return std::nullopt;
}

// A component of the working list: an operand's number or an operator.
struct Term {
    double number = 0;
    char op = 0; // 0 for an operand
};

double apply(char op, double a, double b)
{
    switch (op) {
    case '*':
        return a * b;
    case '/':
        return b == 0 ? a : a / b;
    case '+':
        return a + b;
    default:
        return a - b;
    }
}

// Folds the operators of one precedence level, left to right.
void reduce(std::vector<Term>& terms, char first, char second)
{
    std::size_t i = 0;
    while (i < terms.size()) {
        const char op = terms[i].op;
        if (op == first || op == second) {
            terms[i - 1].number = apply(op, terms[i - 1].number, terms[i + 1].number);
            terms.erase(terms.begin() + static_cast<std::ptrdiff_t>(i),
                        terms.begin() + static_cast<std::ptrdiff_t>(i + 2));
        } else {
            ++i;
        }
    }
}

} // namespace

bool hasValidShape(const PropertyList& formula)
{
    const PropertyList::Array* components = formula.asArray();
    if (components == nullptr || components->size() <= 2) {
        return false;
    }
    bool expectOperand = true;
    for (const auto& component : *components) {
        if (expectOperand ? !isOperand(component) : !operatorOf(component)) {
            return false;
        }
        expectOperand = !expectOperand;
    }
    return !expectOperand;
}

std::vector<FieldId> operandIds(const PropertyList& formula)
{
    std::vector<FieldId> ids;
    if (const PropertyList::Array* components = formula.asArray()) {
        for (const auto& component : *components) {
            if (isOperand(component)) {
                const PropertyList* n = component.find("N");
                ids.push_back(n ? n->toInteger() : 0);
            }
        }
    }
    return ids;
}

PropertyList operandComponent(FieldId field)
{
    return PropertyList(PropertyList::Dictionary{{"T", PropertyList(kOperand)}, {"N", PropertyList(field)}});
}

PropertyList operatorComponent(const std::string& symbol)
{
    return PropertyList(
        PropertyList::Dictionary{{"T", PropertyList(kOperator)}, {"N", PropertyList(symbol)}});
}

bool replaceOperand(PropertyList& formula, FieldId from, FieldId to)
{
    PropertyList::Array* components = formula.asArray();
    if (components == nullptr) {
        return false;
    }
    bool replaced = false;
    for (auto& component : *components) {
        const PropertyList* n = component.find("N");
        if (isOperand(component) && n != nullptr && n->toInteger(-1) == from) {
            component = operandComponent(to);
            replaced = true;
        }
    }
    return replaced;
}

std::string formatResult(double value)
{
    // Like printf's %.16g, but never with the decimal comma of the user's
    // locale: the result is stored and compared as text.
    char buffer[64];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 16);
    return std::string(buffer, written.ptr);
}

std::string evaluate(const PropertyList& formula, const Values& values)
{
    const PropertyList::Array* components = formula.asArray();
    if (components == nullptr) {
        return {};
    }
    // Every operand must have a value before the shape is even looked at.
    std::vector<Term> terms;
    terms.reserve(components->size());
    for (const auto& component : *components) {
        if (isOperand(component)) {
            const PropertyList* n = component.find("N");
            const auto found = values.find(std::to_string(n ? n->toInteger() : 0));
            if (found == values.end() || found->second.empty()) {
                return {};
            }
            terms.push_back({leadingReal(found->second), 0});
        } else {
            terms.push_back({0, operatorOf(component).value_or('?')});
        }
    }
    if (!hasValidShape(formula)) {
        return {};
    }
    reduce(terms, '*', '/');
    reduce(terms, '+', '-');
    return formatResult(terms.front().number);
}

} // namespace dossiva::CalculationEngine
