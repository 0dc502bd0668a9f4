#include "ui/fieldviews/DateTimeFieldViewController.h"

namespace dossiva {

DateTimeFieldViewController::DateTimeFieldViewController(const FieldViewContext& context, QWidget* parent)
    : DateKindFieldViewController(FieldType::DateTime, context, parent)
{
}

} // namespace dossiva
