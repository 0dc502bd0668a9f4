#include "ui/app/PasswordPanel.h"

#include "platform/Alerts.h"
#include "ui/widgets/UiText.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace dossiva {

PasswordPanel::PasswordPanel(Alerts& alerts, QWidget* parent)
    : QDialog(parent), m_alerts(alerts), m_flow(m_password), m_title(new QLabel(this)),
      m_field(new QLineEdit(this)), m_ok(nullptr), m_cancel(nullptr),
      m_lock(new QCheckBox(tr("Lock"), nullptr))
{
    setObjectName(QStringLiteral("PasswordPanel"));
    setWindowTitle(QStringLiteral("Dossiva"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setPixmap(uiIcon("dialog-password").pixmap(48, 48));
    top->addWidget(icon);
    QFont bold = m_title->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    m_title->setFont(bold);
    top->addWidget(m_title, 1);
    layout->addLayout(top);
    m_field->setEchoMode(QLineEdit::Password);
    m_field->setMinimumWidth(280);
    m_field->setAccessibleName(tr("Password"));
    layout->addWidget(m_field);
    auto* buttons = new QDialogButtonBox(this);
    m_cancel = buttons->addButton(QDialogButtonBox::Cancel);
    m_ok = buttons->addButton(QDialogButtonBox::Ok);
    m_ok->setDefault(true);
    layout->addWidget(buttons);
    connect(m_field, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_ok->setEnabled(PasswordPanelFlow::isOKEnabled(text.toStdString()));
    });
    connect(m_ok, &QPushButton::clicked, this, [this] { passwdButtonClick(m_flow.mode()); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { passwdButtonClick(PasswordMode::Cancel); });

    m_lock->setIcon(uiIcon("changes-prevent"));
    m_lock->setToolTip(tr("Ask for a password when Dossiva starts"));
    m_lock->setAccessibleName(tr("Lock with a password"));
    m_lock->setChecked(m_password.isProtected());
    connect(m_lock, &QCheckBox::toggled, this, [this](bool on) { passwdSwitch(on); });
}

PasswordPanel::~PasswordPanel()
{
    // The lock box lives in the main window's toolbar once that is built;
    // before, it is still ours.
    if (m_lock->parent() == nullptr) {
        delete m_lock;
    }
}

void PasswordPanel::showStep()
{
    m_title->setText(QString::fromStdString(m_flow.title()));
    m_ok->setEnabled(PasswordPanelFlow::isOKEnabled(m_field->text().toStdString()));
    m_field->setFocus();
}

int PasswordPanel::run()
{
    m_field->clear();
    showStep();
    const int result = exec();
    hide();
    return result;
}

int PasswordPanel::askPassword(QString& typed)
{
    m_flow.askPassword();
    const int result = run();
    typed = m_field->text();
    return result;
}

int PasswordPanel::setPassword(QString& typed)
{
    m_flow.setPassword();
    const int result = run();
    typed = m_field->text();
    return result;
}

void PasswordPanel::passwdButtonClick(int tag)
{
    const PasswordStep step = m_flow.passwdButtonClick(tag, m_field->text().toStdString());
    if (step.alert) {
        m_alerts.ask({step.alert->title, step.alert->message, {step.alert->button}, false, {}});
    }
    if (step.modalResult) {
        done(*step.modalResult);
        return;
    }
    if (step.clearField) {
        m_field->clear();
    }
    showStep();
}

void PasswordPanel::passwdSwitch(bool on)
{
    QString typed;
    const bool done =
        on ? setPassword(typed) == PasswordMode::Confirm : askPassword(typed) == PasswordMode::Check;
    if (done && !on) {
        m_password.setProtect(false);
    }
    if (!done) {
        // Cancel leaves protection as it was.
        const QSignalBlocker blocker(m_lock);
        m_lock->setChecked(!on);
    }
}

} // namespace dossiva
