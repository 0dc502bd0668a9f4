#include "ui/fieldviews/LinkFieldViewController.h"

#include "fields/FieldAddresses.h"

#include <QIcon>
#include <QToolButton>

namespace dossiva {

LinkFieldViewController::LinkFieldViewController(const FieldViewContext& context, QWidget* parent)
    : AddressFieldViewController(FieldType::Link, context, parent)
{
    button()->setText(tr("Open"));
    button()->setIcon(QIcon::fromTheme(QStringLiteral("internet-web-browser")));
    button()->setToolTip(tr("Open this link in the browser"));
}

std::optional<std::string> LinkFieldViewController::address(const std::string& text) const
{
    if (const auto refusal = FieldAddresses::linkRefusal(text)) {
        inform(FieldAddresses::kLinkRefusalTitle, *refusal);
    }
    return FieldAddresses::linkUrl(text);
}

} // namespace dossiva
