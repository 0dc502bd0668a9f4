#pragma once

#include "ui/fieldviews/OneLineFieldViewController.h"

namespace dossiva {

// A calculation field (type 11): the result its formula gave, which the user
// reads but cannot edit and which takes no keyboard focus.
class CalculationFieldViewController final : public OneLineFieldViewController {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CalculationFieldViewController)
public:
    explicit CalculationFieldViewController(const FieldViewContext& context, QWidget* parent = nullptr);
};

} // namespace dossiva
