#include "ui/widgets/WelcomeView.h"

#include <QLabel>
#include <QVBoxLayout>

namespace dossiva {

WelcomeView::WelcomeView(const QString& title, const QString& text, QWidget* parent)
    : QWidget(parent), m_title(new QLabel(this)), m_text(new QLabel(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->addStretch(2);
    QFont font = m_title->font();
    font.setPointSizeF(font.pointSizeF() * 1.6);
    font.setBold(true);
    m_title->setFont(font);
    m_title->setAlignment(Qt::AlignCenter);
    m_text->setAlignment(Qt::AlignCenter);
    m_text->setWordWrap(true);
    m_text->setMaximumWidth(520);
    m_text->setForegroundRole(QPalette::PlaceholderText);
    layout->addWidget(m_title);
    layout->addSpacing(8);
    layout->addWidget(m_text, 0, Qt::AlignHCenter);
    layout->addStretch(3);
    setText(title, text);
}

void WelcomeView::setText(const QString& title, const QString& text)
{
    m_title->setText(title);
    m_title->setVisible(!title.isEmpty());
    m_text->setText(text);
}

} // namespace dossiva
