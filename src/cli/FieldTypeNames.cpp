#include "cli/FieldTypeNames.h"

#include "fields/FieldModel.h"

#include <algorithm>

namespace dossiva::cli {

const std::vector<FieldTypeName>& fieldTypeNames()
{
    static const std::vector<FieldTypeName> names = {
        {FieldType::Main, "", "Main field"},
        {FieldType::SmallText, "small", "Small text"},
        {FieldType::LargeText, "large", "Large text"},
        {FieldType::Number, "number", "Number"},
        {FieldType::Date, "date", "Date"},
        {FieldType::Time, "time", "Time"},
        {FieldType::DateTime, "datetime", "Date and time"},
        {FieldType::Image, "image", "Picture"},
        {FieldType::Choose, "choose", "Choice"},
        {FieldType::Separator, "separator", "Separator"},
        {FieldType::Calculation, "calculation", "Calculation"},
        {FieldType::Email, "email", "E-mail"},
        {FieldType::Link, "link", "Link"},
        {FieldType::Checkbox, "checkbox", "Checkbox"},
        {FieldType::Password, "password", "Password"},
    };
    return names;
}

std::optional<int> typeNamed(const std::string& name, const std::function<bool(int)>& offered)
{
    const auto& names = fieldTypeNames();
    const auto found = std::find_if(names.begin(), names.end(), [&](const FieldTypeName& type) {
        return *type.name != '\0' && name == type.name && offered(type.code);
    });
    return found == names.end() ? std::nullopt : std::optional<int>(found->code);
}

std::string typeNameList(const std::function<bool(int)>& offered)
{
    std::string list;
    for (const FieldTypeName& type : fieldTypeNames()) {
        if (*type.name != '\0' && offered(type.code)) {
            list += (list.empty() ? "" : ", ") + std::string(type.name);
        }
    }
    return list;
}

std::string typeWords(int code)
{
    const auto& names = fieldTypeNames();
    const auto found = std::find_if(names.begin(), names.end(),
                                    [code](const FieldTypeName& type) { return type.code == code; });
    return found == names.end() ? "Unsupported" : found->words;
}

} // namespace dossiva::cli
