#pragma once

#include "ui/fieldviews/OneLineFieldViewController.h"

#include <optional>

class QToolButton;

namespace dossiva {

// A one-line field holding an address and a button that opens it; the
// button is enabled only while there is text.
class AddressFieldViewController : public OneLineFieldViewController {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AddressFieldViewController)
protected:
    AddressFieldViewController(int type, const FieldViewContext& context, QWidget* parent);

    QToolButton* button() const { return m_button; }
    // What the button opens for the text, or nullopt after telling the user
    // why it opens nothing.
    virtual std::optional<std::string> address(const std::string& text) const = 0;

private:
    void textShown() override;
    void open();

    QToolButton* m_button;
};

} // namespace dossiva
