#include "ui/widgets/WelcomeView.h"

#include <QLabel>
#include <QVBoxLayout>

namespace dossiva {

namespace {
// The longest line of the texts, in pixels.
constexpr int kTextWidth = 520;
} // namespace

WelcomeView::WelcomeView(const QString& title, const QString& text, QWidget* parent)
    : QWidget(parent), m_title(new QLabel(this)), m_text(new QLabel(this))
{
    QFont font = m_title->font();
    font.setPointSizeF(font.pointSizeF() * 1.6);
    font.setBold(true);
    m_title->setFont(font);
    for (QLabel* label : {m_title, m_text}) {
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        label->setWordWrap(true);
        label->setMaximumWidth(kTextWidth);
    }
    m_text->setForegroundRole(QPalette::PlaceholderText);
    // The texts take the width they are given, up to a comfortable line,
    // and the height their wrapped lines need at that width: a label placed
    // by alignment alone is measured at one width and laid out at another,
    // which clips its first and last lines.
    auto* column = new QVBoxLayout;
    column->addWidget(m_title);
    column->addSpacing(8);
    column->addWidget(m_text);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addLayout(column, kTextWidth);
    row->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addStretch(2);
    layout->addLayout(row);
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
