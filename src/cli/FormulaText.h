#pragma once

#include "fields/FieldModel.h"

#include <optional>
#include <string>
#include <vector>

namespace dossiva::cli {

// Formulas written as text: number fields named by their labels (or ids)
// joined by + - * /, such as "Price * Quantity".
namespace FormulaText {

// The formula's components; nullopt, with the reason in error, when a name
// is not a number field or the text does not alternate fields and
// operators. An empty text is the empty formula.
std::optional<PropertyList> parse(const std::string& text, const std::vector<FieldDefinition>& structure,
                                  std::string& error);

// The formula in words: each operand's label ("Not Found" for a field that
// is gone) and each operator, separated by blanks.
std::string describe(const PropertyList& formula, const std::vector<FieldDefinition>& structure);

} // namespace FormulaText
} // namespace dossiva::cli
