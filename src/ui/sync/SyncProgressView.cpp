#include "ui/sync/SyncProgressView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace dossiva {

SyncProgressView::SyncProgressView(QWidget* parent)
    : QWidget(parent), m_title(new QLabel(this)), m_bar(new QProgressBar(this)),
      m_stop(new QPushButton(tr("Stop"), this))
{
    m_title->setTextFormat(Qt::PlainText);
    m_title->setAccessibleName(QStringLiteral("Progress title"));
    // An indeterminate bar: a session cannot tell how much is left.
    m_bar->setRange(0, 0);
    m_bar->setTextVisible(false);
    m_bar->setAccessibleName(QStringLiteral("Progress"));
    // Enter must never stop a session by accident.
    m_stop->setAutoDefault(false);
    m_stop->setAccessibleName(QStringLiteral("Stop"));
    connect(m_stop, &QPushButton::clicked, this, &SyncProgressView::stopPressed);

    auto* layout = new QVBoxLayout(this);
    layout->addStretch(1);
    layout->addWidget(m_title);
    layout->addWidget(m_bar);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_stop);
    layout->addLayout(buttons);
    layout->addStretch(1);
}

void SyncProgressView::setTitle(const std::string& title)
{
    m_title->setText(QString::fromStdString(title));
}

QString SyncProgressView::title() const
{
    return m_title->text();
}

} // namespace dossiva
