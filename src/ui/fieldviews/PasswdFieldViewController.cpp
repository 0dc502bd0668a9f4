#include "ui/fieldviews/PasswdFieldViewController.h"

#include "crypto/ProtectionPassword.h"
#include "fields/PasswordGuard.h"
#include "ui/fieldviews/FieldViewDelegate.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

namespace dossiva {

PasswdFieldViewController::PasswdFieldViewController(const FieldViewContext& context, QWidget* parent)
    : OneLineFieldViewController(FieldType::Password, context, parent),
      m_showButton(new QPushButton(QStringLiteral("Show"), m_view)),
      m_copyButton(new QPushButton(tr("Copy"), m_view))
{
    m_showButton->setObjectName(QStringLiteral("show"));
    m_copyButton->setObjectName(QStringLiteral("copy"));
    for (QPushButton* button : {m_showButton, m_copyButton}) {
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoDefault(false);
        row()->addWidget(button);
    }
    connect(m_showButton, &QPushButton::clicked, this, &PasswdFieldViewController::showOrHide);
    connect(m_copyButton, &QPushButton::clicked, this, &PasswdFieldViewController::copy);
    showPasswd(false);
    textShown();
}

void PasswdFieldViewController::showPasswd(bool show)
{
    m_shown = show;
    textField()->setEchoMode(show ? QLineEdit::Normal : QLineEdit::Password);
    m_showButton->setText(show ? QStringLiteral("Hide") : QStringLiteral("Show"));
}

void PasswdFieldViewController::textShown()
{
    const bool hasText = !textField()->text().isEmpty();
    m_showButton->setEnabled(hasText);
    m_copyButton->setEnabled(hasText);
}

void PasswdFieldViewController::showOrHide()
{
    const bool show = !m_shown;
    if (show && !mayReveal()) {
        return;
    }
    showPasswd(show);
    if (delegate() != nullptr) {
        delegate()->passwdShowButtonChanged(*this, show);
    }
}

void PasswdFieldViewController::copy()
{
    if (mayReveal()) {
        QGuiApplication::clipboard()->setText(textField()->text());
    }
}

bool PasswdFieldViewController::mayReveal() const
{
    if (!PasswordGuard::isGuarded(m_askPasswd, ProtectionPassword().isProtected())) {
        return true;
    }
    return delegate() != nullptr && delegate()->askPassword();
}

} // namespace dossiva
