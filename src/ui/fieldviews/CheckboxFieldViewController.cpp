#include "ui/fieldviews/CheckboxFieldViewController.h"

#include "fields/FieldRules.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>

namespace dossiva {

namespace {

std::string stateText(bool ticked)
{
    return ticked ? "1" : "0";
}

} // namespace

CheckboxFieldViewController::CheckboxFieldViewController(const FieldViewContext& context, QWidget* parent)
    : FieldViewController(FieldType::Checkbox, context, parent), m_button(new QCheckBox(m_view))
{
    auto* row = new QHBoxLayout(m_view);
    row->setContentsMargins(0, 3, 12, 3);
    row->addWidget(makeLabel());
    row->addWidget(m_button, 1);
    addValueWidget(m_button);
    // clicked, unlike toggled, is the user's alone; it comes once the box
    // has changed, so the state before is the other one.
    connect(m_button, &QCheckBox::clicked, this, [this](bool ticked) {
        beginEdit(stateText(!ticked));
        endEdit();
    });
    fitHeight();
}

void CheckboxFieldViewController::setState(const std::string& stored)
{
    m_button->setChecked(isCheckboxTrue(stored));
    setEdited(false);
}

void CheckboxFieldViewController::setCaption(const std::string& caption)
{
    // An ampersand is the caption's own, not a keyboard shortcut's mark.
    m_button->setText(QString::fromStdString(caption).replace(QLatin1Char('&'), QStringLiteral("&&")));
}

QWidget* CheckboxFieldViewController::textView() const
{
    return m_button;
}

std::string CheckboxFieldViewController::text() const
{
    return stateText(m_button->isChecked());
}

} // namespace dossiva
