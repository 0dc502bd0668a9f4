#include "ui/fieldviews/TimeFieldViewController.h"

namespace dossiva {

TimeFieldViewController::TimeFieldViewController(const FieldViewContext& context, QWidget* parent)
    : DateKindFieldViewController(FieldType::Time, context, parent)
{
}

} // namespace dossiva
