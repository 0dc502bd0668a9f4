// The factory of record field views: one class per field type, and the
// separator's bar for a type this program does not know.
#include "ui/fieldviews/FieldViewController.h"

#include "ui/fieldviews/CalculationFieldViewController.h"
#include "ui/fieldviews/CheckboxFieldViewController.h"
#include "ui/fieldviews/ChooseFieldViewController.h"
#include "ui/fieldviews/CreatedModifiedDateFieldViewController.h"
#include "ui/fieldviews/DateFieldViewController.h"
#include "ui/fieldviews/DateTimeFieldViewController.h"
#include "ui/fieldviews/EmailFieldViewController.h"
#include "ui/fieldviews/LargeTextFieldViewController.h"
#include "ui/fieldviews/LinkFieldViewController.h"
#include "ui/fieldviews/MainFieldViewController.h"
#include "ui/fieldviews/NumberFieldViewController.h"
#include "ui/fieldviews/PasswdFieldViewController.h"
#include "ui/fieldviews/PictureFieldViewController.h"
#include "ui/fieldviews/SeparatorFieldViewController.h"
#include "ui/fieldviews/SmallTextFieldViewController.h"
#include "ui/fieldviews/TimeFieldViewController.h"

namespace dossiva {

std::unique_ptr<FieldViewController> makeFieldView(int type, const FieldViewContext& context, QWidget* parent)
{
    switch (type) {
    case FieldType::Main:
        return std::make_unique<MainFieldViewController>(context, parent);
    case FieldType::SmallText:
        return std::make_unique<SmallTextFieldViewController>(context, parent);
    case FieldType::LargeText:
        return std::make_unique<LargeTextFieldViewController>(context, parent);
    case FieldType::Number:
        return std::make_unique<NumberFieldViewController>(context, parent);
    case FieldType::Date:
        return std::make_unique<DateFieldViewController>(context, parent);
    case FieldType::Time:
        return std::make_unique<TimeFieldViewController>(context, parent);
    case FieldType::DateTime:
        return std::make_unique<DateTimeFieldViewController>(context, parent);
    case FieldType::Image:
        return std::make_unique<PictureFieldViewController>(context, parent);
    case FieldType::Choose:
        return std::make_unique<ChooseFieldViewController>(context, parent);
    case FieldType::Separator:
        return std::make_unique<SeparatorFieldViewController>(context, parent);
    case FieldType::Calculation:
        return std::make_unique<CalculationFieldViewController>(context, parent);
    case FieldType::CreationDate:
        // The record's dates, the form's last view; no stored field has
        // this type once loaded.
        return std::make_unique<CreatedModifiedDateFieldViewController>(context, parent);
    case FieldType::Email:
        return std::make_unique<EmailFieldViewController>(context, parent);
    case FieldType::Link:
        return std::make_unique<LinkFieldViewController>(context, parent);
    case FieldType::Checkbox:
        return std::make_unique<CheckboxFieldViewController>(context, parent);
    case FieldType::Password:
        return std::make_unique<PasswdFieldViewController>(context, parent);
    default:
        return std::make_unique<SeparatorFieldViewController>(context, parent, FieldType::Unsupported);
    }
}

} // namespace dossiva
