#pragma once

#include "ui/fieldviews/FieldViewController.h"

namespace dossiva {

// A separator (type 9), and the stand-in for a field of a type this program
// does not know (type 30): a coloured bar with no label, no value and no
// focus. The label colour colours the bar; the other looks do not apply.
class SeparatorFieldViewController final : public FieldViewController {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SeparatorFieldViewController)
public:
    explicit SeparatorFieldViewController(const FieldViewContext& context, QWidget* parent = nullptr,
                                          int type = FieldType::Separator);

    void setLabelColor(const RGBColor& color) override;

private:
    QWidget* m_bar;
};

} // namespace dossiva
