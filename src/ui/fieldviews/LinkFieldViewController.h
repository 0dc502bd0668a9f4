#pragma once

#include "ui/fieldviews/AddressFieldViewController.h"

namespace dossiva {

// A link field (type 15): an address and a button that opens it in the
// browser.
class LinkFieldViewController final : public AddressFieldViewController {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LinkFieldViewController)
public:
    explicit LinkFieldViewController(const FieldViewContext& context, QWidget* parent = nullptr);

private:
    std::optional<std::string> address(const std::string& text) const override;
};

} // namespace dossiva
