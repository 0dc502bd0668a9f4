// The factory of structure editors: one class per field type, and a
// separator that stays for a type this program does not know.
#include "ui/define/StructureFieldViewController.h"

#include "ui/define/CalculationFieldStructureViewController.h"
#include "ui/define/CheckboxFieldStructureViewController.h"
#include "ui/define/ChooseFieldStructureViewController.h"
#include "ui/define/DateFieldStructureViewController.h"
#include "ui/define/DateTimeFieldStructureViewController.h"
#include "ui/define/EmailFieldStructureViewController.h"
#include "ui/define/ImageFieldStructureViewController.h"
#include "ui/define/LargeTextFieldStructureViewController.h"
#include "ui/define/LinkFieldStructureViewController.h"
#include "ui/define/NumberFieldStructureViewController.h"
#include "ui/define/PasswdFieldStructureViewController.h"
#include "ui/define/SeparatorFieldStructureViewController.h"
#include "ui/define/SmallTextFieldStructureViewController.h"
#include "ui/define/TimeFieldStructureViewController.h"

namespace dossiva {

std::unique_ptr<StructureFieldViewController> makeStructureEditor(int type)
{
    std::unique_ptr<StructureFieldViewController> editor;
    switch (type) {
    case FieldType::Main:
    case FieldType::SmallText:
        editor = std::make_unique<SmallTextFieldStructureViewController>(type);
        break;
    case FieldType::LargeText:
        editor = std::make_unique<LargeTextFieldStructureViewController>();
        break;
    case FieldType::Number:
        editor = std::make_unique<NumberFieldStructureViewController>();
        break;
    case FieldType::Date:
        editor = std::make_unique<DateFieldStructureViewController>();
        break;
    case FieldType::Time:
        editor = std::make_unique<TimeFieldStructureViewController>();
        break;
    case FieldType::DateTime:
        editor = std::make_unique<DateTimeFieldStructureViewController>();
        break;
    case FieldType::Image:
        editor = std::make_unique<ImageFieldStructureViewController>();
        break;
    case FieldType::Choose:
        editor = std::make_unique<ChooseFieldStructureViewController>();
        break;
    case FieldType::Separator:
        editor = std::make_unique<SeparatorFieldStructureViewController>();
        break;
    case FieldType::Calculation:
        editor = std::make_unique<CalculationFieldStructureViewController>();
        break;
    case FieldType::Email:
        editor = std::make_unique<EmailFieldStructureViewController>();
        break;
    case FieldType::Link:
        editor = std::make_unique<LinkFieldStructureViewController>();
        break;
    case FieldType::Checkbox:
        editor = std::make_unique<CheckboxFieldStructureViewController>();
        break;
    case FieldType::Password:
        editor = std::make_unique<PasswdFieldStructureViewController>();
        break;
    default:
        editor = std::make_unique<SeparatorFieldStructureViewController>(FieldType::Unsupported);
        break;
    }
    // The main field and a field of an unknown type cannot be removed.
    if (type == FieldType::Main || editor->type() == FieldType::Unsupported) {
        editor->disableRemoveButton();
    }
    return editor;
}

} // namespace dossiva
