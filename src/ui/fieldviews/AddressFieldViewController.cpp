#include "ui/fieldviews/AddressFieldViewController.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QToolButton>

namespace dossiva {

AddressFieldViewController::AddressFieldViewController(int type, const FieldViewContext& context,
                                                       QWidget* parent)
    : OneLineFieldViewController(type, context, parent), m_button(new QToolButton(m_view))
{
    // A button that does not take the focus leaves the text being typed
    // where it is; it opens the text as typed.
    m_button->setObjectName(QStringLiteral("open"));
    m_button->setFocusPolicy(Qt::NoFocus);
    m_button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_button->setEnabled(false);
    row()->addWidget(m_button);
    connect(m_button, &QToolButton::clicked, this, &AddressFieldViewController::open);
}

void AddressFieldViewController::textShown()
{
    m_button->setEnabled(!textField()->text().isEmpty());
}

void AddressFieldViewController::open()
{
    const std::optional<std::string> url = address(typedText());
    if (url && context().openUrl) {
        context().openUrl(*url);
    }
}

} // namespace dossiva
