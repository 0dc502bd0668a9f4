#include "fields/FieldTypes.h"

#include "fields/FieldModel.h"

namespace dossiva::FieldTypes {

const std::vector<FieldTypeInfo>& all()
{
    static const std::vector<FieldTypeInfo> table = {
        {FieldType::Main, "", -1, "MainFieldViewController", "SmallTextFieldStructureViewController"},
        {FieldType::SmallText, "Small Text Field", 0, "SmallTextFieldViewController",
         "SmallTextFieldStructureViewController"},
        {FieldType::LargeText, "Large Text Field", 1, "LargeTextFieldViewController",
         "LargeTextFieldStructureViewController"},
        {FieldType::Number, "Number Field", 2, "NumberFieldViewController",
         "NumberFieldStructureViewController"},
        {FieldType::Date, "Date Field", 3, "DateFieldViewController", "DateFieldStructureViewController"},
        {FieldType::Time, "Time Field", 4, "TimeFieldViewController", "TimeFieldStructureViewController"},
        {FieldType::DateTime, "Date and Time Field", 5, "DateTimeFieldViewController",
         "DateTimeFieldStructureViewController"},
        {FieldType::Image, "Image Field", 6, "PictureFieldViewController",
         "ImageFieldStructureViewController"},
        {FieldType::Choose, "Choose Field", 7, "ChooseFieldViewController",
         "ChooseFieldStructureViewController"},
        {FieldType::Separator, "Separator Field", 8, "SeparatorFieldViewController",
         "SeparatorFieldStructureViewController"},
        {FieldType::Calculation, "Calculation Field", 9, "CalculationFieldViewController",
         "CalculationFieldStructureViewController"},
        {FieldType::Email, "Email Field", 10, "EmailFieldViewController",
         "EmailFieldStructureViewController"},
        {FieldType::Link, "Link Field", 11, "LinkFieldViewController", "LinkFieldStructureViewController"},
        {FieldType::Checkbox, "Checkbox Field", 12, "CheckboxFieldViewController",
         "CheckboxFieldStructureViewController"},
        {FieldType::Password, "Password Field", 13, "PasswdFieldViewController",
         "PasswdFieldStructureViewController"},
        {FieldType::Unsupported, "", -1, "SeparatorFieldViewController",
         "SeparatorFieldStructureViewController"},
    };
    return table;
}

const FieldTypeInfo* info(int code)
{
    for (const auto& entry : all()) {
        if (entry.code == code) {
            return &entry;
        }
    }
    return nullptr;
}

std::optional<int> codeForPalettePosition(int position)
{
    for (const auto& entry : all()) {
        if (entry.palettePosition >= 0 && entry.palettePosition == position) {
            return entry.code;
        }
    }
    return std::nullopt;
}

std::string title(int code)
{
    if (code == FieldType::Main) {
        return "Main Field";
    }
    const FieldTypeInfo* entry = info(code);
    if (entry == nullptr || *entry->paletteTitle == '\0') {
        return "Unsupported Field";
    }
    return entry->paletteTitle;
}

bool isDateType(int code)
{
    return code == FieldType::Date || code == FieldType::Time || code == FieldType::DateTime;
}

} // namespace dossiva::FieldTypes
