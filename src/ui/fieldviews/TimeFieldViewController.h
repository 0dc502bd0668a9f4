#pragma once

#include "ui/fieldviews/DateKindFieldViewController.h"

namespace dossiva {

// A time field (type 5): a time of day in the locale's short style; the moment picked keeps its day.
class TimeFieldViewController final : public DateKindFieldViewController {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TimeFieldViewController)
public:
    explicit TimeFieldViewController(const FieldViewContext& context, QWidget* parent = nullptr);
};

} // namespace dossiva
