#pragma once

#include "ui/define/StructureFieldViewController.h"

namespace dossiva {

// The editor of an e-mail field (type 14): its name only.
class EmailFieldStructureViewController final : public StructureFieldViewController {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EmailFieldStructureViewController)
public:
    EmailFieldStructureViewController() : StructureFieldViewController(FieldType::Email) {}
};

} // namespace dossiva
