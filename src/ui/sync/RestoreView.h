#pragma once

#include "sync/RestoreCatalog.h"

#include <QWidget>

#include <vector>

class QCheckBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace dossiva {

// The backups that can be restored, oldest first, and the sides to restore:
// the "Mac" and "iPhone" boxes follow the selected backup and are hidden
// when the iPhone is not reachable. Restore is enabled only with a backup
// selected and a side ticked.
class RestoreView final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RestoreView)
public:
    explicit RestoreView(QWidget* parent = nullptr);

    void setBackups(const std::vector<BackupEntry>& backups, bool localOnly);

    QTableWidget* table() const { return m_table; }
    QCheckBox* macBox() const { return m_mac; }
    QCheckBox* phoneBox() const { return m_phone; }
    QPushButton* restoreButton() const { return m_restore; }
    QPushButton* cancelButton() const { return m_cancel; }
    QLabel* emptyLabel() const { return m_empty; }

signals:
    void restorePressed(int row, bool mac, bool phone);
    void cancelPressed();

private:
    void selectionChanged();
    void updateRestoreButton();
    int selectedRow() const;

    std::vector<BackupEntry> m_backups;
    bool m_localOnly = false;
    QTableWidget* m_table;
    QLabel* m_empty;
    QCheckBox* m_mac;
    QCheckBox* m_phone;
    QPushButton* m_restore;
    QPushButton* m_cancel;
};

} // namespace dossiva
