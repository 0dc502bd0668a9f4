#pragma once

#include "ui/define/StructureFieldViewController.h"

namespace dossiva {

// The editor of a small text field (type 1), and of the main field (type 0):
// its name only.
class SmallTextFieldStructureViewController final : public StructureFieldViewController {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SmallTextFieldStructureViewController)
public:
    explicit SmallTextFieldStructureViewController(int type = FieldType::SmallText)
        : StructureFieldViewController(type)
    {
    }
};

} // namespace dossiva
