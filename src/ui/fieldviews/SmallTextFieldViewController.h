#pragma once

#include "ui/fieldviews/OneLineFieldViewController.h"

namespace dossiva {

// A small text field (type 1): one line of plain text.
class SmallTextFieldViewController final : public OneLineFieldViewController {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SmallTextFieldViewController)
public:
    explicit SmallTextFieldViewController(const FieldViewContext& context, QWidget* parent = nullptr);
};

} // namespace dossiva
