#include "cli/FormulaText.h"

#include "cli/WholeNumber.h"

#include "fields/CalculationEngine.h"
#include "fields/FormulaWords.h"

#include <algorithm>

namespace dossiva::cli::FormulaText {

namespace {

bool isOperator(char c)
{
    return c == '+' || c == '-' || c == '*' || c == '/';
}

std::size_t skipBlanks(const std::string& text, std::size_t at)
{
    while (at < text.size() && text[at] == ' ') {
        ++at;
    }
    return at;
}

// Whether the operand may end at `end`: the text ends there, or blanks and
// then an operator follow.
bool endsOperand(const std::string& text, std::size_t end)
{
    const std::size_t next = skipBlanks(text, end);
    return next == text.size() || isOperator(text[next]);
}

// The number field whose label starts the text at `at`, the longest such
// label winning so that labels may hold blanks and operator signs; failing
// that, a field id. The field's id and the end of its name.
std::optional<std::pair<FieldId, std::size_t>> operandAt(const std::string& text, std::size_t at,
                                                         const std::vector<FieldDefinition>& structure)
{
    std::optional<std::pair<FieldId, std::size_t>> best;
    for (const auto& field : structure) {
        const std::size_t end = at + field.name.size();
        if (field.type == FieldType::Number && !field.name.empty() &&
            text.compare(at, field.name.size(), field.name) == 0 && endsOperand(text, end) &&
            (!best || end > best->second)) {
            best = std::make_pair(field.id, end);
        }
    }
    if (best) {
        return best;
    }
    std::size_t end = at;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') {
        ++end;
    }
    const auto id = parseWholeNumber(text.substr(at, end - at));
    const bool isNumberField =
        std::any_of(structure.begin(), structure.end(), [&](const FieldDefinition& field) {
            return id && field.id == *id && field.type == FieldType::Number;
        });
    if (isNumberField && endsOperand(text, end)) {
        return std::make_pair(*id, end);
    }
    return std::nullopt;
}

} // namespace

std::optional<PropertyList> parse(const std::string& text, const std::vector<FieldDefinition>& structure,
                                  std::string& error)
{
    PropertyList::Array components;
    std::size_t at = skipBlanks(text, 0);
    while (at < text.size()) {
        const auto operand = operandAt(text, at, structure);
        if (!operand) {
            error = "the formula names no number field at \"" + text.substr(at) + "\"";
            return std::nullopt;
        }
        components.push_back(CalculationEngine::operandComponent(operand->first));
        at = skipBlanks(text, operand->second);
        if (at == text.size()) {
            break;
        }
        components.push_back(CalculationEngine::operatorComponent(std::string(1, text[at])));
        at = skipBlanks(text, at + 1);
        if (at == text.size()) {
            error = "the formula ends with an operator";
            return std::nullopt;
        }
    }
    PropertyList formula(std::move(components));
    if (formula.count() > 0 && !CalculationEngine::hasValidShape(formula)) {
        error = "a formula joins at least two number fields with + - * /, such as \"Price * Quantity\"";
        return std::nullopt;
    }
    return formula;
}

std::string describe(const PropertyList& formula, const std::vector<FieldDefinition>& structure)
{
    std::string words;
    const PropertyList::Array* components = formula.asArray();
    if (components == nullptr) {
        return words;
    }
    std::vector<NumberFieldRef> fields;
    for (const auto& field : structure) {
        fields.push_back({field.name, field.id});
    }
    for (const auto& element : *components) {
        if (!words.empty()) {
            words += ' ';
        }
        words += FormulaWords::component(element, fields);
    }
    return words;
}

} // namespace dossiva::cli::FormulaText
