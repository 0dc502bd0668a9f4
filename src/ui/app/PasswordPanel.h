#pragma once

#include "crypto/ProtectionPassword.h"
#include "library/PasswordPanelFlow.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace dossiva {

class Alerts;

// The small modal panel that asks for the protection password or sets a new
// one, and the lock check box that switches protection on and off.
class PasswordPanel final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PasswordPanel)
public:
    PasswordPanel(Alerts& alerts, QWidget* parent = nullptr);
    ~PasswordPanel() override;

    // 1 when the right password was given, 0 on Cancel.
    int askPassword(QString& typed);
    // 3 when a new password was set and confirmed, 0 on Cancel.
    int setPassword(QString& typed);

    // The lock check box the main window shows in each section.
    QCheckBox* lockButton() const { return m_lock; }
    // The lock box changed: switching on sets a password, switching off asks
    // for it; Cancel puts the box back.
    void passwdSwitch(bool on);

    QLineEdit* field() const { return m_field; }
    QPushButton* okButton() const { return m_ok; }
    QLabel* titleLabel() const { return m_title; }
    // Presses OK (tag = its mode) or Cancel (tag 0), as the buttons do.
    void passwdButtonClick(int tag);

private:
    int run();
    void showStep();

    Alerts& m_alerts;
    ProtectionPassword m_password;
    PasswordPanelFlow m_flow;
    QLabel* m_title;
    QLineEdit* m_field;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    QCheckBox* m_lock;
};

} // namespace dossiva
