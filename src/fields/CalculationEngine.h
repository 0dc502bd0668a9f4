#pragma once

#include "fields/FieldModel.h"

#include <map>
#include <string>
#include <vector>

namespace dossiva {

// Evaluates calculation formulas: number-field operands joined by + - * /,
// with * and / before + and -, left to right within each level.
namespace CalculationEngine {

// The operand values of one record, by field id in decimal.
using Values = std::map<std::string, std::string>;

// The result text of a formula over one record's values: "" when the formula
// is malformed or any operand is missing or empty; a division by zero keeps
// the left operand. Results are printed with 16 significant digits.
std::string evaluate(const PropertyList& formula, const Values& values);

// Whether the formula alternates operand, operator, ..., operand and has
// more than two components.
bool hasValidShape(const PropertyList& formula);

// The field ids the formula's operands name, in order.
std::vector<FieldId> operandIds(const PropertyList& formula);

// The components a formula is made of: an operand naming a number field,
// and an operator ("+", "-", "*" or "/").
PropertyList operandComponent(FieldId field);
PropertyList operatorComponent(const std::string& symbol);
// Makes the formula's operands that name `from` name `to`; whether any did.
bool replaceOperand(PropertyList& formula, FieldId from, FieldId to);

// The result text of a number as the formula shows it.
std::string formatResult(double value);

} // namespace CalculationEngine
} // namespace dossiva
