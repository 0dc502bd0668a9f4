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
    auto url = FieldAddresses::linkUrl(text);
    // A text of blanks opens nothing, and needs no word.
    if (!url && !FieldAddresses::scheme(text).empty()) {
        inform("This link is not opened.",
               "Only web and e-mail addresses open from a record: a \"" + FieldAddresses::scheme(text) +
                   ":\" link could open a file or start a program on this computer.");
    }
    return url;
}

} // namespace dossiva
