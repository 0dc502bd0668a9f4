#pragma once

#include "ui/fieldviews/DateKindFieldViewController.h"

namespace dossiva {

// A date and time field (type 6): a day and a time of day in the locale's short styles.
class DateTimeFieldViewController final : public DateKindFieldViewController {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DateTimeFieldViewController)
public:
    explicit DateTimeFieldViewController(const FieldViewContext& context, QWidget* parent = nullptr);
};

} // namespace dossiva
