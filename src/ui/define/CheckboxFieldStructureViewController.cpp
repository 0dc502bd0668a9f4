#include "ui/define/CheckboxFieldStructureViewController.h"

#include "fields/StructureCodec.h"
#include "records/StructureEditor.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace dossiva {

CheckboxFieldStructureViewController::CheckboxFieldStructureViewController()
    : StructureFieldViewController(FieldType::Checkbox), m_captionText(new QLineEdit)
{
    m_captionText->setObjectName(QStringLiteral("captionText"));
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(tr("Caption"));
    label->setFixedWidth(64);
    row->addWidget(label);
    row->addWidget(m_captionText, 1);
    optionsLayout()->addLayout(row);
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
