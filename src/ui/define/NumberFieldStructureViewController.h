#pragma once

#include "ui/define/StructureFieldViewController.h"

namespace dossiva {

// The editor of a number field (type 3): its name only.
class NumberFieldStructureViewController final : public StructureFieldViewController {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NumberFieldStructureViewController)
public:
    NumberFieldStructureViewController() : StructureFieldViewController(FieldType::Number) {}
};

} // namespace dossiva
