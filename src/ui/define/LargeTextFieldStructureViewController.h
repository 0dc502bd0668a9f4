#pragma once

#include "ui/define/StructureFieldViewController.h"

namespace dossiva {

// The editor of a large text field (type 2): its name only; the height the
// record form gave it stays.
class LargeTextFieldStructureViewController final : public StructureFieldViewController {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LargeTextFieldStructureViewController)
public:
    LargeTextFieldStructureViewController() : StructureFieldViewController(FieldType::LargeText) {}
};

} // namespace dossiva
