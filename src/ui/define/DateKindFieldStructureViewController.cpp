#include "ui/define/DateKindFieldStructureViewController.h"

#include "fields/StructureCodec.h"
#include "records/StructureEditor.h"

#include <QCheckBox>
#include <QVBoxLayout>

namespace dossiva {

DateKindFieldStructureViewController::DateKindFieldStructureViewController(int type)
    : StructureFieldViewController(type),
      m_showNow(new QCheckBox(tr("Show the Now button in the record form")))
{
    m_showNow->setObjectName(QStringLiteral("showNow"));
    optionsLayout()->addWidget(m_showNow);
    setShowNowButton(StructureEditorState().showNowButton);
    connect(m_showNow, &QCheckBox::clicked, this, [this] { change([] {}); });
}

bool DateKindFieldStructureViewController::showNowButton() const
{
    return m_showNow->isChecked();
}

void DateKindFieldStructureViewController::setShowNowButton(bool shown)
{
    m_showNow->setChecked(shown);
}

PropertyList DateKindFieldStructureViewController::structure() const
{
    StructureEditorState state;
    state.showNowButton = showNowButton();
    return structureFromEditor(type(), state);
}

void DateKindFieldStructureViewController::showStructure(const PropertyList& structure)
{
    setShowNowButton(StructureEditor::editorState(type(), structure).showNowButton);
}

} // namespace dossiva
