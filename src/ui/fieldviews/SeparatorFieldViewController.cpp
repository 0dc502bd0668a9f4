#include "ui/fieldviews/SeparatorFieldViewController.h"

#include "ui/fieldviews/FieldViewLook.h"

#include <QVBoxLayout>

namespace dossiva {

SeparatorFieldViewController::SeparatorFieldViewController(const FieldViewContext& context, QWidget* parent,
                                                           int type)
    : FieldViewController(type, context, parent), m_bar(new QWidget(m_view))
{
    auto* column = new QVBoxLayout(m_view);
    column->setContentsMargins(8, 6, 12, 6);
    column->addWidget(m_bar);
    m_bar->setFixedHeight(3);
    m_bar->setAutoFillBackground(true);
    setLabelColor({0.83, 0.83, 0.83, 1});
    fitHeight();
}

void SeparatorFieldViewController::setLabelColor(const RGBColor& color)
{
    QPalette palette = m_bar->palette();
    palette.setColor(QPalette::Window, FieldViewLook::toQColor(color));
    m_bar->setPalette(palette);
}

} // namespace dossiva
