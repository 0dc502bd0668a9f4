#pragma once

#include "fields/FieldModel.h"

#include <string>
#include <vector>

namespace dossiva {

// How a calculation formula reads to the user, from the number fields it
// may name.
namespace FormulaWords {

// A component's words: the label of the number field an operand names, or
// "Not Found" when there is none; an operator's symbol.
std::string component(const PropertyList& component, const std::vector<NumberFieldRef>& numberFields);

// The whole formula, each component followed by a blank; "Not yet
// defined." while it cannot compute (too short, or not alternating field
// and operator).
std::string describe(const PropertyList& formula, const std::vector<NumberFieldRef>& numberFields);

} // namespace FormulaWords
} // namespace dossiva
