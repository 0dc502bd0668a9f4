#include "ui/fieldviews/SmallTextFieldViewController.h"

namespace dossiva {

SmallTextFieldViewController::SmallTextFieldViewController(const FieldViewContext& context, QWidget* parent)
    : OneLineFieldViewController(FieldType::SmallText, context, parent)
{
}

} // namespace dossiva
