#pragma once

#include "ui/fieldviews/OneLineFieldViewController.h"

class QPushButton;

namespace dossiva {

// A password field (type 17): the text masked, a button that shows it in
// clear or hides it again, and one that copies it. When the field asks for
// it and protection is on, both first ask for the protection password.
class PasswdFieldViewController final : public OneLineFieldViewController {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PasswdFieldViewController)
public:
    explicit PasswdFieldViewController(const FieldViewContext& context, QWidget* parent = nullptr);

    // Shows the text in clear or masked, without asking.
    void showPasswd(bool show);
    // The field's "Ask" option.
    void setAskPasswd(bool ask) { m_askPasswd = ask; }

private:
    void textShown() override;
    void showOrHide();
    void copy();
    // Whether the user may see or copy the text: true at once unless the
    // text is guarded, else when the protection password is given.
    bool mayReveal() const;

    QPushButton* m_showButton;
    QPushButton* m_copyButton;
    bool m_askPasswd = false;
    bool m_shown = false;
};

} // namespace dossiva
