#include "ui/sync/SyncDatabaseTable.h"

#include "platform/FileManager.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace dossiva {

namespace {

QString whereText(int side)
{
    switch (side) {
    case SyncSide::Mac:
        return SyncDatabaseTable::tr("Only on this computer");
    case SyncSide::Phone:
        return SyncDatabaseTable::tr("Only on the iPhone");
    default:
        return SyncDatabaseTable::tr("On this computer and on the iPhone");
    }
}

} // namespace

SyncDatabaseTable::SyncDatabaseTable(QWidget* parent)
    : QWidget(parent), m_table(new QTableWidget(0, 2, this)), m_sync(new QPushButton(tr("Sync"), this)),
      m_cancel(new QPushButton(tr("Cancel"), this))
{
    auto* heading = new QLabel(tr("Choose the databases to sync:"), this);
    m_table->setHorizontalHeaderLabels({tr("Sync"), tr("Database")});
    m_table->horizontalHeader()->setSectionResizeMode(TickColumn, QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setSectionResizeMode(NameColumn, QHeaderView::Stretch);
    m_table->verticalHeader()->hide();
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setAccessibleName(QStringLiteral("Databases"));
    m_sync->setAccessibleName(QStringLiteral("Sync"));
    m_cancel->setAccessibleName(QStringLiteral("Cancel"));
    connect(m_table, &QTableWidget::itemChanged, this, &SyncDatabaseTable::itemChanged);
    connect(m_sync, &QPushButton::clicked, this, &SyncDatabaseTable::syncPressed);
    connect(m_cancel, &QPushButton::clicked, this, &SyncDatabaseTable::cancelPressed);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(m_table, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_sync);
    layout->addLayout(buttons);
}

void SyncDatabaseTable::setEntries(const std::vector<SyncListEntry>& entries)
{
    m_filling = true;
    m_table->setRowCount(static_cast<int>(entries.size()));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const int row = static_cast<int>(i);
        auto* tick = new QTableWidgetItem;
        tick->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        tick->setCheckState(entries[i].ticked ? Qt::Checked : Qt::Unchecked);
        m_table->setItem(row, TickColumn, tick);
        // Names that differ only in case are two databases, two rows.
        auto* name =
            new QTableWidgetItem(QString::fromStdString(FileManager::deletingPathExtension(entries[i].name)));
        name->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        name->setToolTip(whereText(entries[i].side));
        m_table->setItem(row, NameColumn, name);
    }
    m_filling = false;
    if (!entries.empty()) {
        m_table->setCurrentCell(0, TickColumn);
    }
    m_table->setFocus();
    updateSyncButton();
}

void SyncDatabaseTable::itemChanged(QTableWidgetItem* item)
{
    if (m_filling || item->column() != TickColumn) {
        return;
    }
    emit tickChanged(item->row(), item->checkState() == Qt::Checked);
    updateSyncButton();
}

void SyncDatabaseTable::updateSyncButton()
{
    bool anyTicked = false;
    for (int row = 0; row < m_table->rowCount() && !anyTicked; ++row) {
        anyTicked = m_table->item(row, TickColumn)->checkState() == Qt::Checked;
    }
    m_sync->setEnabled(anyTicked);
}

} // namespace dossiva
