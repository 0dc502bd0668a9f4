#pragma once

#include "ui/define/DateKindFieldStructureViewController.h"

namespace dossiva {

// The editor of a date field (type 4): its name and the now button.
class DateFieldStructureViewController final : public DateKindFieldStructureViewController {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DateFieldStructureViewController)
public:
    DateFieldStructureViewController() : DateKindFieldStructureViewController(FieldType::Date) {}
};

} // namespace dossiva
