#pragma once

#include "ui/fieldviews/DateKindFieldViewController.h"

namespace dossiva {

// A date field (type 4): a day, in the locale's short date style.
class DateFieldViewController final : public DateKindFieldViewController {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DateFieldViewController)
public:
    explicit DateFieldViewController(const FieldViewContext& context, QWidget* parent = nullptr);
};

} // namespace dossiva
