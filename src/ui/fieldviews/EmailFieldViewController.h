#pragma once

#include "ui/fieldviews/AddressFieldViewController.h"

namespace dossiva {

// An e-mail field (type 14): an address and a button that writes to it.
class EmailFieldViewController final : public AddressFieldViewController {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EmailFieldViewController)
public:
    explicit EmailFieldViewController(const FieldViewContext& context, QWidget* parent = nullptr);

private:
    std::optional<std::string> address(const std::string& text) const override;
};

} // namespace dossiva
