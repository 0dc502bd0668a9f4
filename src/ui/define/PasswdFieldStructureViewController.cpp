#include "ui/define/PasswdFieldStructureViewController.h"

#include "crypto/ProtectionPassword.h"
#include "fields/StructureCodec.h"
#include "records/StructureEditor.h"
#include "ui/define/StructureFieldViewControllerDelegate.h"

#include <QCheckBox>
#include <QVBoxLayout>

namespace dossiva {

PasswdFieldStructureViewController::PasswdFieldStructureViewController()
    : StructureFieldViewController(FieldType::Password),
      m_askPasswdButton(new QCheckBox(tr("Ask for the protection password before showing or copying")))
{
    m_askPasswdButton->setObjectName(QStringLiteral("askPasswd"));
    optionsLayout()->addWidget(m_askPasswdButton);
    setAskPasswd(StructureEditorState().askPassword);
    connect(m_askPasswdButton, &QCheckBox::clicked, this, [this](bool ask) { askPasswdClicked(ask); });
}

bool PasswdFieldStructureViewController::askPasswd() const
{
    return m_askPasswdButton->isChecked();
}

void PasswdFieldStructureViewController::setAskPasswd(bool ask)
{
    m_askPasswdButton->setChecked(ask);
}

void PasswdFieldStructureViewController::askPasswdClicked(bool ask)
{
    if (!ask && ProtectionPassword().isProtected() && (delegate() == nullptr || !delegate()->askPassword())) {
        setAskPasswd(true);
        return;
    }
    change([] {});
}

PropertyList PasswdFieldStructureViewController::structure() const
{
    StructureEditorState state;
    state.askPassword = askPasswd();
    return structureFromEditor(type(), state);
}

void PasswdFieldStructureViewController::showStructure(const PropertyList& structure)
{
    setAskPasswd(StructureEditor::editorState(type(), structure).askPassword);
}

} // namespace dossiva
