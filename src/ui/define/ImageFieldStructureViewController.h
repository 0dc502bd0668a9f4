#pragma once

#include "ui/define/StructureFieldViewController.h"

namespace dossiva {

// The editor of an image field (type 7): its name only.
class ImageFieldStructureViewController final : public StructureFieldViewController {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ImageFieldStructureViewController)
public:
    ImageFieldStructureViewController() : StructureFieldViewController(FieldType::Image) {}
};

} // namespace dossiva
