#pragma once

#include "ui/define/StructureFieldViewController.h"

class QCheckBox;

namespace dossiva {

// The editor of a password field (type 17): the name and whether the
// record form asks for the protection password before it shows or copies
// the password. While protection is on, turning the question off takes the
// protection password: the option guards the passwords against whoever
// finds the application open.
class PasswdFieldStructureViewController final : public StructureFieldViewController {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PasswdFieldStructureViewController)
public:
    PasswdFieldStructureViewController();

    bool askPasswd() const;
    // Without counting as a change.
    void setAskPasswd(bool ask);
    PropertyList structure() const override;
    QCheckBox* askPasswdButton() const { return m_askPasswdButton; }

protected:
    void showStructure(const PropertyList& structure) override;

private:
    void askPasswdClicked(bool ask);

    QCheckBox* m_askPasswdButton;
};

} // namespace dossiva
