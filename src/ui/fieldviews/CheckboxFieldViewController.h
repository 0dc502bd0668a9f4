#pragma once

#include "ui/fieldviews/FieldViewController.h"

class QCheckBox;

namespace dossiva {

// A checkbox field (type 16): a box with the caption of the field's
// structure beside it; the value is "1" ticked, "0" not.
class CheckboxFieldViewController final : public FieldViewController {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CheckboxFieldViewController)
public:
    explicit CheckboxFieldViewController(const FieldViewContext& context, QWidget* parent = nullptr);

    // Loads a stored text by the core's checkbox rule, without an edit.
    void setState(const std::string& stored);
    void setCaption(const std::string& caption);

    QWidget* textView() const override;
    void setText(const std::string& text) override { setState(text); }
    std::string text() const override;

private:
    QCheckBox* m_button;
};

} // namespace dossiva
