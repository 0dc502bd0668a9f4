#pragma once

#include "ui/define/StructureFieldViewController.h"

namespace dossiva {

// The editor of a separator (type 9), and of a field of a type this program
// does not know (30): no name to edit, its title is its type's, and a line
// says what the field does in the form.
class SeparatorFieldStructureViewController final : public StructureFieldViewController {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SeparatorFieldStructureViewController)
public:
    explicit SeparatorFieldStructureViewController(int type = FieldType::Separator);
};

} // namespace dossiva
