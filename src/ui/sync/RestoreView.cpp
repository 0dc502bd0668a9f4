#include "ui/sync/RestoreView.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace dossiva {

namespace {

// Two backups of one minute read alike: the tooltip tells what each holds.
QString sidesText(int side)
{
    switch (side) {
    case BackupSide::Phone:
        return RestoreView::tr("The iPhone's databases");
    case BackupSide::Both:
        return RestoreView::tr("The databases of this computer and of the iPhone");
    default:
        return RestoreView::tr("This computer's databases");
    }
}

} // namespace

RestoreView::RestoreView(QWidget* parent)
    : QWidget(parent), m_table(new QTableWidget(0, 1, this)),
      m_empty(new QLabel(tr("There are no backups yet. Sync › Back Up Now makes one."), this)),
      m_mac(new QCheckBox(QStringLiteral("Mac"), this)),
      m_phone(new QCheckBox(QStringLiteral("iPhone"), this)), m_restore(new QPushButton(tr("Restore"), this)),
      m_cancel(new QPushButton(tr("Cancel"), this))
{
    auto* heading = new QLabel(tr("Choose the backup to restore:"), this);
    m_table->setHorizontalHeaderLabels({tr("Backup")});
    m_table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_table->verticalHeader()->hide();
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setAccessibleName(QStringLiteral("Backups"));
    m_empty->setWordWrap(true);
    m_restore->setAccessibleName(QStringLiteral("Restore"));
    m_cancel->setAccessibleName(QStringLiteral("Cancel"));
    connect(m_table, &QTableWidget::itemSelectionChanged, this, &RestoreView::selectionChanged);
    connect(m_mac, &QCheckBox::toggled, this, &RestoreView::updateRestoreButton);
    connect(m_phone, &QCheckBox::toggled, this, &RestoreView::updateRestoreButton);
    connect(m_restore, &QPushButton::clicked, this, [this] {
        const int row = selectedRow();
        if (row >= 0) {
            emit restorePressed(row, m_localOnly || m_mac->isChecked(), !m_localOnly && m_phone->isChecked());
        }
    });
    connect(m_cancel, &QPushButton::clicked, this, &RestoreView::cancelPressed);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_empty);
    auto* sides = new QHBoxLayout;
    sides->addWidget(m_mac);
    sides->addWidget(m_phone);
    sides->addStretch(1);
    layout->addLayout(sides);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_restore);
    layout->addLayout(buttons);
}

void RestoreView::setBackups(const std::vector<BackupEntry>& backups, bool localOnly)
{
    m_backups = backups;
    m_localOnly = localOnly;
    m_table->clearSelection();
    m_table->setRowCount(static_cast<int>(backups.size()));
    for (std::size_t i = 0; i < backups.size(); ++i) {
        auto* item = new QTableWidgetItem(QString::fromStdString(RestoreCatalog::label(backups[i].stamp)));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        item->setToolTip(sidesText(backups[i].side));
        m_table->setItem(static_cast<int>(i), 0, item);
    }
    m_empty->setVisible(backups.empty());
    m_mac->setVisible(!localOnly);
    m_phone->setVisible(!localOnly);
    m_table->setFocus();
    selectionChanged();
}

int RestoreView::selectedRow() const
{
    const auto rows = m_table->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void RestoreView::selectionChanged()
{
    const int row = selectedRow();
    // Without a selection the boxes say nothing.
    const RestoreBoxes boxes =
        row < 0 ? RestoreBoxes{} : RestoreCatalog::boxesFor(m_backups[static_cast<std::size_t>(row)].side);
    m_mac->setEnabled(boxes.macEnabled);
    m_mac->setChecked(boxes.macTicked);
    m_phone->setEnabled(boxes.phoneEnabled);
    m_phone->setChecked(boxes.phoneTicked);
    updateRestoreButton();
}

void RestoreView::updateRestoreButton()
{
    const bool sideTicked = m_localOnly || m_mac->isChecked() || m_phone->isChecked();
    m_restore->setEnabled(selectedRow() >= 0 && sideTicked);
}

} // namespace dossiva
