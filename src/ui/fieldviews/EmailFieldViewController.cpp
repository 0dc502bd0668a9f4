#include "ui/fieldviews/EmailFieldViewController.h"

#include "fields/FieldAddresses.h"

#include <QIcon>
#include <QToolButton>

namespace dossiva {

EmailFieldViewController::EmailFieldViewController(const FieldViewContext& context, QWidget* parent)
    : AddressFieldViewController(FieldType::Email, context, parent)
{
    button()->setText(tr("Write"));
    button()->setIcon(QIcon::fromTheme(QStringLiteral("mail-message-new")));
    button()->setToolTip(tr("Write a message to this address"));
}

std::optional<std::string> EmailFieldViewController::address(const std::string& text) const
{
    return FieldAddresses::emailUrl(text);
}

} // namespace dossiva
