#include "ui/fieldviews/CalculationFieldViewController.h"

#include <QLineEdit>

namespace dossiva {

CalculationFieldViewController::CalculationFieldViewController(const FieldViewContext& context,
                                                               QWidget* parent)
    : OneLineFieldViewController(FieldType::Calculation, context, parent)
{
    textField()->setReadOnly(true);
    textField()->setFocusPolicy(Qt::NoFocus);
    textField()->setFrame(false);
}

} // namespace dossiva
