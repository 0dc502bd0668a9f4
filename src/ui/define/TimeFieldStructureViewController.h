#pragma once

#include "ui/define/DateKindFieldStructureViewController.h"

namespace dossiva {

// The editor of a time field (type 5): its name and the now button.
class TimeFieldStructureViewController final : public DateKindFieldStructureViewController {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TimeFieldStructureViewController)
public:
    TimeFieldStructureViewController() : DateKindFieldStructureViewController(FieldType::Time) {}
};

} // namespace dossiva
