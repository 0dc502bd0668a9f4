#include "cli/FieldValueParser.h"

#include "cli/CliCommand.h"
#include "cli/CommandDatabase.h"
#include "cli/IsoDateTime.h"

#include "fields/FieldRules.h"
#include "fields/FieldTypes.h"
#include "fields/NumberRule.h"
#include "fields/PictureScaling.h"

#include <algorithm>

namespace dossiva::cli {

namespace {

std::string lowercaseAscii(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return text;
}

std::optional<std::string> checkboxText(const std::string& value)
{
    const std::string word = lowercaseAscii(value);
    if (word == "1" || word == "true" || word == "yes") {
        return "1";
    }
    if (word == "0" || word == "false" || word == "no" || word.empty()) {
        return "0";
    }
    return std::nullopt;
}

std::optional<std::string> choiceText(const FieldDefinition& field, const std::string& value,
                                      std::string& error)
{
    if (value.empty()) {
        return "-1";
    }
    const auto items = choiceItems(field.structure);
    const auto found = std::find(items.begin(), items.end(), value);
    if (found == items.end()) {
        std::string list;
        for (const auto& item : items) {
            list += (list.empty() ? "" : ", ") + item;
        }
        error = "\"" + value + "\" is not an item of \"" + field.name + "\" (items: " + list + ")";
        return std::nullopt;
    }
    return std::to_string(found - items.begin());
}

std::optional<ImagePtr> picture(const std::string& path, std::string& error)
{
    if (path.empty()) {
        return ImagePtr();
    }
    const auto image = Image::readFile(path);
    if (!image) {
        error = "cannot read a picture (TIFF, PNG or JPEG) from \"" + path + "\"";
        return std::nullopt;
    }
    auto scaled = PictureScaling::scaledForRecord(*image);
    if (!scaled) {
        error = "the picture in \"" + path + "\" cannot be drawn at a record picture's size";
        return std::nullopt;
    }
    return std::make_shared<const Image>(std::move(*scaled));
}

} // namespace

FieldValueParser::FieldValueParser(const CommandDatabase& database, std::istream& passwordInput)
    : m_database(database), m_passwordInput(passwordInput)
{
}

std::optional<std::string> FieldValueParser::readPassword(std::string& error)
{
    std::string line;
    if (!std::getline(m_passwordInput, line)) {
        error = "no password line on standard input";
        return std::nullopt;
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return line;
}

std::optional<FieldEdit> FieldValueParser::parseValue(const FieldDefinition& field, const std::string& value,
                                                      std::string& error)
{
    FieldEdit edit{field.id, {}, nullptr};
    std::optional<std::string> text;
    switch (field.type) {
    case FieldType::Number:
        text = NumberRule::validate(value);
        if (!text) {
            error = std::string(NumberRule::kRefusalTitle) + " " + NumberRule::kRefusalMessage + " (\"" +
                    field.name + "\": \"" + value + "\")";
        }
        break;
    case FieldType::Date:
    case FieldType::Time:
    case FieldType::DateTime:
        if (value.empty()) {
            text = std::string();
        } else if (const auto seconds = IsoDateTime::parse(value, field.type == FieldType::Time)) {
            text = std::to_string(*seconds);
        } else {
            error = "\"" + value + "\" is not a date (2024-05-01, 2024-05-01T14:30, whole seconds) for \"" +
                    field.name + "\"";
        }
        break;
    case FieldType::Image:
        if (const auto image = picture(value, error)) {
            edit.image = *image;
            return edit;
        }
        return std::nullopt;
    case FieldType::Choose:
        text = choiceText(field, value, error);
        break;
    case FieldType::Checkbox:
        text = checkboxText(value);
        if (!text) {
            error = "a checkbox takes 1, 0, true, false, yes or no, not \"" + value + "\"";
        }
        break;
    case FieldType::Password:
        text = value == "-" ? readPassword(error) : value;
        break;
    case FieldType::Separator:
    case FieldType::Calculation:
    case FieldType::Unsupported:
        error = "\"" + field.name + "\" is a " + FieldTypes::title(field.type) + " and holds no value to set";
        break;
    default:
        text = value;
        break;
    }
    if (!text) {
        return std::nullopt;
    }
    edit.text = std::move(*text);
    return edit;
}

std::optional<FieldEdit> FieldValueParser::parseAssignment(const std::string& assignment)
{
    // A label may itself hold "=": the first split whose left side names a
    // field decides.
    for (auto equals = assignment.find('='); equals != std::string::npos;
         equals = assignment.find('=', equals + 1)) {
        if (const FieldDefinition* field = m_database.findField(assignment.substr(0, equals))) {
            std::string error;
            auto edit = parseValue(*field, assignment.substr(equals + 1), error);
            if (!edit) {
                fail(error);
            }
            return edit;
        }
    }
    if (assignment.find('=') == std::string::npos) {
        fail("expected FIELD=VALUE, not \"" + assignment + "\"");
    } else {
        fail("\"" + m_database.displayName() + "\" has no field \"" +
             assignment.substr(0, assignment.find('=')) + "\"");
    }
    return std::nullopt;
}

} // namespace dossiva::cli
