#include "ui/define/SeparatorFieldStructureViewController.h"

#include <QLabel>
#include <QVBoxLayout>

namespace dossiva {

SeparatorFieldStructureViewController::SeparatorFieldStructureViewController(int type)
    : StructureFieldViewController(type, false)
{
    auto* note = new QLabel(type == FieldType::Separator
                                ? tr("A line across the form between the fields above and below it.")
                                : tr("A field of a kind this version does not know. It is kept as it is."));
    note->setWordWrap(true);
    note->setForegroundRole(QPalette::PlaceholderText);
    optionsLayout()->addWidget(note);
}

} // namespace dossiva
