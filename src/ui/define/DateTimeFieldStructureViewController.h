#pragma once

#include "ui/define/DateKindFieldStructureViewController.h"

namespace dossiva {

// The editor of a date and time field (type 6): its name and the now button.
class DateTimeFieldStructureViewController final : public DateKindFieldStructureViewController {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DateTimeFieldStructureViewController)
public:
    DateTimeFieldStructureViewController() : DateKindFieldStructureViewController(FieldType::DateTime) {}
};

} // namespace dossiva
