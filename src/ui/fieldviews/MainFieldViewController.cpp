#include "ui/fieldviews/MainFieldViewController.h"

#include "ui/fieldviews/FieldViewLook.h"

#include <QLineEdit>

namespace dossiva {

MainFieldViewController::MainFieldViewController(const FieldViewContext& context, QWidget* parent)
    : OneLineFieldViewController(FieldType::Main, context, parent)
{
    setLabelFont(m_label->font());
    setTextFont(textField()->font());
}

void MainFieldViewController::setLabelFont(const QFont& font)
{
    OneLineFieldViewController::setLabelFont(FieldViewLook::enlarged(font));
}

void MainFieldViewController::setTextFont(const QFont& font)
{
    OneLineFieldViewController::setTextFont(FieldViewLook::enlarged(font));
}

} // namespace dossiva
