#pragma once

#include "sync/SyncListEntry.h"

#include <QWidget>

#include <vector>

class QPushButton;
class QTableWidget;
class QTableWidgetItem;

namespace dossiva {

// The databases of both sides, each with its box: ticked ones are synced.
// Sync is enabled only while at least one box is ticked.
class SyncDatabaseTable final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SyncDatabaseTable)
public:
    enum Column { TickColumn = 0, NameColumn = 1 };

    explicit SyncDatabaseTable(QWidget* parent = nullptr);

    void setEntries(const std::vector<SyncListEntry>& entries);

    QTableWidget* table() const { return m_table; }
    QPushButton* syncButton() const { return m_sync; }
    QPushButton* cancelButton() const { return m_cancel; }

signals:
    void tickChanged(int row, bool ticked);
    void syncPressed();
    void cancelPressed();

private:
    void itemChanged(QTableWidgetItem* item);
    void updateSyncButton();

    QTableWidget* m_table;
    QPushButton* m_sync;
    QPushButton* m_cancel;
    bool m_filling = false;
};

} // namespace dossiva
