#include "cli/ValueDisplay.h"

#include "fields/DateDisplay.h"
#include "fields/FieldRules.h"
#include "platform/Clock.h"
#include "platform/DateFormat.h"

namespace dossiva::cli {

namespace {

std::string quoted(const std::string& text)
{
    std::string result = "\"";
    for (char c : text) {
        result += (c == '"' || c == '\\') ? std::string("\\") + c : std::string(1, c);
    }
    return result + "\"";
}

} // namespace

std::string displayDate(std::int64_t seconds)
{
    // A time never set reads -1, or 0 in records imported from CSV.
    if (seconds <= 0) {
        return {};
    }
    return DateFormat::withStyles(DateFormat::Style::Long, DateFormat::Style::Short).format(seconds);
}

std::string displayValue(const FieldDefinition& field, const FieldValue* value)
{
    if (value == nullptr) {
        return {};
    }
    switch (field.type) {
    case FieldType::Date:
    case FieldType::Time:
    case FieldType::DateTime: {
        const auto moment = DateDisplay::storedMoment(field.type, *value, Clock::nowSeconds());
        return moment ? DateDisplay::text(DateDisplay::fieldFormat(field.type), *moment) : std::string();
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

std::string describeStructure(const PropertyList& structure)
{
    switch (structure.kind()) {
    case PropertyList::Kind::Boolean:
        return structure.toBool() ? "true" : "false";
    case PropertyList::Kind::Integer:
        return std::to_string(structure.toInteger());
    case PropertyList::Kind::Real: {
        std::string text = std::to_string(structure.toReal());
        text.erase(text.find_last_not_of('0') + 1);
        if (!text.empty() && text.back() == '.') {
            text.pop_back();
        }
        return text;
    }
    case PropertyList::Kind::String:
        return quoted(structure.toString());
    case PropertyList::Kind::Data:
        return "<" + std::to_string(structure.data()->size()) + " bytes>";
    case PropertyList::Kind::Date:
        return displayDate(static_cast<std::int64_t>(structure.date()->secondsSince1970));
    case PropertyList::Kind::Array: {
        std::string text = "[";
        for (const auto& element : *structure.asArray()) {
            text += (text.size() > 1 ? ", " : "") + describeStructure(element);
        }
        return text + "]";
    }
    case PropertyList::Kind::Dictionary: {
        std::string text = "{";
        for (const auto& [key, element] : *structure.asDictionary()) {
            text += (text.size() > 1 ? ", " : "") + quoted(key) + ": " + describeStructure(element);
        }
        return text + "}";
    }
    }
    return {};
}

} // namespace dossiva::cli
