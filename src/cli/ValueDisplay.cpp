#include "cli/ValueDisplay.h"

#include "cli/FormulaText.h"
#include "cli/IsoDateTime.h"

#include "fields/CalculationEngine.h"
#include "fields/FieldRules.h"
#include "fields/LargeTextHeight.h"
#include "fields/TextNumbers.h"
#include "platform/Clock.h"
#include "records/StructureEditor.h"

namespace dossiva::cli {

namespace {

std::string moment(std::string_view seconds, IsoDateTime::Part part)
{
    return seconds.empty() ? std::string() : IsoDateTime::readable(leadingInteger(seconds), part);
}

std::string joined(const std::vector<std::string>& items)
{
    std::string text;
    for (const auto& item : items) {
        text += (text.empty() ? "" : ", ") + item;
    }
    return text;
}

} // namespace

std::string displayDate(std::int64_t seconds)
{
    // A time never set reads -1, or 0 in records imported from CSV.
    return seconds <= 0 ? std::string() : IsoDateTime::readable(seconds);
}

std::string displayValue(const FieldDefinition& field, const FieldValue* value)
{
    if (value == nullptr) {
        return {};
    }
    switch (field.type) {
    case FieldType::Date:
        return moment(value->text(), IsoDateTime::Part::Date);
    case FieldType::Time:
        return moment(value->text(), IsoDateTime::Part::Time);
    case FieldType::DateTime: {
        const auto combined = combineDateTime(value->datePart(), value->timePart(), Clock::nowSeconds());
        return combined ? IsoDateTime::readable(*combined) : std::string();
    }
    case FieldType::Image:
        return value->integer() > 0 ? "picture " + std::to_string(value->integer()) : std::string();
    case FieldType::Choose: {
        const auto items = choiceItems(field.structure);
        const std::int64_t index = value->integer();
        return index >= 0 && static_cast<std::uint64_t>(index) < items.size()
                   ? items[static_cast<std::size_t>(index)]
                   : std::string();
    }
    case FieldType::Checkbox:
        return isCheckboxTrue(value->text()) ? "[x]" : "[ ]";
    case FieldType::Password:
        return value->text().empty() ? std::string() : std::string("********");
    case FieldType::Separator:
        return {};
    default:
        return std::string(value->text());
    }
}

std::string describeOptions(const FieldDefinition& field, const std::vector<FieldDefinition>& structure)
{
    const StructureEditorState state = StructureEditor::editorState(field);
    switch (field.type) {
    case FieldType::Date:
    case FieldType::Time:
    case FieldType::DateTime:
        return state.showNowButton ? "now button" : "no now button";
    case FieldType::Choose:
        return "items: " + joined(state.items);
    case FieldType::Checkbox:
        return "caption: " + state.caption;
    case FieldType::Password:
        return state.askPassword ? "asks for the protection password" : "";
    case FieldType::Calculation:
        if (field.structure.count() == 0) {
            return "formula: none yet";
        }
        return CalculationEngine::hasValidShape(field.structure)
                   ? "formula: " + FormulaText::describe(field.structure, structure)
                   : "formula: Not yet defined.";
    case FieldType::LargeText:
        if (const auto height = LargeTextHeight::storedHeight(field.structure)) {
            return "height: " + std::to_string(static_cast<long long>(*height));
        }
        return "";
    default:
        return "";
    }
}

} // namespace dossiva::cli
