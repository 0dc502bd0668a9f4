#include "fields/FieldTypes.h"

#include "fields/FieldModel.h"

namespace dossiva::FieldTypes {

const std::vector<FieldTypeInfo>& all()
{
    static const std::vector<FieldTypeInfo> table = {
        {FieldType::Main, "", -1, "MainFieldViewController", "SmallTextFieldStructureViewController",
         "SmallTextField"},
        {FieldType::SmallText, "Small Text Field", 0, "SmallTextFieldViewController",
         "SmallTextFieldStructureViewController", "SmallTextField"},
        {FieldType::LargeText, "Large Text Field", 1, "LargeTextFieldViewController",
         "LargeTextFieldStructureViewController", "LargeTextField"},
        {FieldType::Number, "Number Field", 2, "NumberFieldViewController",
         "NumberFieldStructureViewController", "NumberField"},
        {FieldType::Date, "Date Field", 3, "DateFieldViewController", "DateFieldStructureViewController",
         "DateField"},
        {FieldType::Time, "Time Field", 4, "TimeFieldViewController", "TimeFieldStructureViewController",
         "TimeField"},
        {FieldType::DateTime, "Date and Time Field", 5, "DateTimeFieldViewController",
         "DateTimeFieldStructureViewController", "DateTimeField"},
        {FieldType::Image, "Image Field", 6, "PictureFieldViewController",
         "ImageFieldStructureViewController", "ImageField"},
        {FieldType::Choose, "Choose Field", 7, "ChooseFieldViewController",
         "ChooseFieldStructureViewController", "PickerField"},
        {FieldType::Separator, "Separator Field", 8, "SeparatorFieldViewController",
         "SeparatorFieldStructureViewController", "SeparatorField"},
        {FieldType::Calculation, "Calculation Field", 9, "CalculationFieldViewController",
         "CalculationFieldStructureViewController", "CalculationField"},
        {FieldType::Email, "Email Field", 10, "EmailFieldViewController", "EmailFieldStructureViewController",
         "EmailField"},
        {FieldType::Link, "Link Field", 11, "LinkFieldViewController", "LinkFieldStructureViewController",
         "LinkField"},
        {FieldType::Checkbox, "Checkbox Field", 12, "CheckboxFieldViewController",
         "CheckboxFieldStructureViewController", "CheckboxField"},
        {FieldType::Password, "Password Field", 13, "PasswdFieldViewController",
         "PasswdFieldStructureViewController", "PasswordField"},
        {FieldType::Unsupported, "", -1, "SeparatorFieldViewController",
         "SeparatorFieldStructureViewController", "SeparatorField"},
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
