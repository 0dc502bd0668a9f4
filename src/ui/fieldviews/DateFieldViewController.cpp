#include "ui/fieldviews/DateFieldViewController.h"

namespace dossiva {

DateFieldViewController::DateFieldViewController(const FieldViewContext& context, QWidget* parent)
    : DateKindFieldViewController(FieldType::Date, context, parent)
{
}

} // namespace dossiva
