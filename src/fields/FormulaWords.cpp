#include "fields/FormulaWords.h"

#include "fields/CalculationEngine.h"

#include <algorithm>

namespace dossiva::FormulaWords {

std::string component(const PropertyList& component, const std::vector<NumberFieldRef>& numberFields)
{
    const PropertyList* kind = component.find("T");
    const PropertyList* value = component.find("N");
    if (kind == nullptr || kind->toString() != "TN") {
        return value ? value->toString() : std::string();
    }
    const FieldId id = value ? value->toInteger(-1) : -1;
    const auto field = std::find_if(numberFields.begin(), numberFields.end(),
                                    [id](const NumberFieldRef& candidate) { return candidate.id == id; });
    return field != numberFields.end() ? field->name : "Not Found";
}

std::string describe(const PropertyList& formula, const std::vector<NumberFieldRef>& numberFields)
{
    if (!CalculationEngine::hasValidShape(formula)) {
        return "Not yet defined.";
    }
    std::string words;
    for (const auto& element : *formula.asArray()) {
        words += component(element, numberFields) + " ";
    }
    return words;
}

} // namespace dossiva::FormulaWords
