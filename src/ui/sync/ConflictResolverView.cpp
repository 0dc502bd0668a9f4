#include "ui/sync/ConflictResolverView.h"

#include "ui/sync/ConflictCopyBox.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace dossiva {

ConflictResolverView::ConflictResolverView(QWidget* parent)
    : QWidget(parent), m_title(new QLabel(this)), m_counter(new QLabel(this)),
      m_mac(new ConflictCopyBox(QStringLiteral("Mac"), this)),
      m_phone(new ConflictCopyBox(QStringLiteral("iPhone"), this)),
      m_previous(new QPushButton(tr("Previous"), this)), m_next(new QPushButton(this))
{
    m_title->setTextFormat(Qt::PlainText);
    m_title->setWordWrap(true);
    m_counter->setTextFormat(Qt::PlainText);
    m_counter->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* explanation =
        new QLabel(tr("The fields of these databases differ between this computer and the iPhone. "
                      "Select the copy to keep on both sides."),
                   this);
    explanation->setWordWrap(true);
    m_previous->setAccessibleName(QStringLiteral("Previous"));
    m_previous->setAutoDefault(false);
    connect(m_mac, &ConflictCopyBox::clicked, this, &ConflictResolverView::macSelected);
    connect(m_phone, &ConflictCopyBox::clicked, this, &ConflictResolverView::phoneSelected);
    connect(m_previous, &QPushButton::clicked, this, &ConflictResolverView::previousPressed);
    connect(m_next, &QPushButton::clicked, this, &ConflictResolverView::nextPressed);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_title);
    layout->addWidget(explanation);
    auto* boxes = new QHBoxLayout;
    boxes->addWidget(m_mac, 1);
    boxes->addWidget(m_phone, 1);
    layout->addLayout(boxes, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_counter);
    buttons->addStretch(1);
    buttons->addWidget(m_previous);
    buttons->addWidget(m_next);
    layout->addLayout(buttons);
}

void ConflictResolverView::showPage(const ConflictPage& page)
{
    m_title->setText(QString::fromStdString(page.title));
    m_counter->setText(QString::fromStdString(page.counter));
    const QString name = QString::fromStdString(page.name);
    m_mac->showCopy(name, page.mac);
    m_phone->showCopy(name, page.phone);
    m_mac->setSelected(page.selected == SyncSide::Mac);
    m_phone->setSelected(page.selected == SyncSide::Phone);
    m_previous->setEnabled(page.previousEnabled);
    m_next->setText(QString::fromStdString(page.nextTitle));
    m_next->setAccessibleName(m_next->text());
}

} // namespace dossiva
