#include "ui/define/CheckboxFieldStructureViewController.h"

#include "fields/StructureCodec.h"
#include "records/StructureEditor.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace dossiva {

CheckboxFieldStructureViewController::CheckboxFieldStructureViewController()
    : StructureFieldViewController(FieldType::Checkbox), m_captionText(new QLineEdit)
{
    m_captionText->setObjectName(QStringLiteral("captionText"));
    optionsLayout()->addLayout(captionedRow(tr("Caption"), m_captionText));
    setCaption(QString::fromStdString(StructureEditorState().caption));
    followTyping(m_captionText);
}

QString CheckboxFieldStructureViewController::caption() const
{
    return m_captionText->text();
}

void CheckboxFieldStructureViewController::setCaption(const QString& caption)
{
    m_captionText->setText(caption);
}

PropertyList CheckboxFieldStructureViewController::structure() const
{
    StructureEditorState state;
    state.caption = caption().toStdString();
    return structureFromEditor(type(), state);
}

void CheckboxFieldStructureViewController::showStructure(const PropertyList& structure)
{
    setCaption(QString::fromStdString(StructureEditor::editorState(type(), structure).caption));
}

} // namespace dossiva
