#pragma once

#include "ui/fieldviews/OneLineFieldViewController.h"

namespace dossiva {

// A number field (type 3): one line that takes only a number typed as the
// program writes it (the core's number rule). A refused number is said,
// kept in the field with the focus, and stores nothing; an accepted one is
// stored and the calculations that use it follow.
class NumberFieldViewController final : public OneLineFieldViewController {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NumberFieldViewController)
public:
    explicit NumberFieldViewController(const FieldViewContext& context, QWidget* parent = nullptr);

    void setText(const std::string& text) override;
    // The number to store: the one being typed once it is accepted, else the
    // value last loaded or stored.
    std::string text() const override;
    void setObject(const FieldSnapshot& snapshot) override;
    void save() override;

private:
    void finishTyping() override;
    // Says why the typed text is refused; the text and the focus stay.
    void refuse();
    // Tells the delegate the number changed, once: the calculations it
    // updates are saved in turn and must not come back here.
    void announce();

    std::string m_value;
    // The value came from the user and was announced; one that came back
    // through undo is rewritten and announced when it is stored.
    bool m_notified = false;
    bool m_announcing = false;
    bool m_refusing = false;
};

} // namespace dossiva
