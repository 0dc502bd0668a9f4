#pragma once

#include "ui/fieldviews/OneLineFieldViewController.h"

namespace dossiva {

// The main field (type 0), the record's title: one line of text whose label
// and value are drawn two points larger than the form's fonts.
class MainFieldViewController final : public OneLineFieldViewController {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainFieldViewController)
public:
    explicit MainFieldViewController(const FieldViewContext& context, QWidget* parent = nullptr);

    void setLabelFont(const QFont& font) override;
    void setTextFont(const QFont& font) override;
};

} // namespace dossiva
