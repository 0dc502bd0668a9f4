#pragma once

#include "ui/define/StructureFieldViewController.h"

namespace dossiva {

// The editor of a link field (type 15): its name only.
class LinkFieldStructureViewController final : public StructureFieldViewController {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LinkFieldStructureViewController)
public:
    LinkFieldStructureViewController() : StructureFieldViewController(FieldType::Link) {}
};

} // namespace dossiva
