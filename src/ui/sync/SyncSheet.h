#pragma once

#include "sync/SyncPresenter.h"

#include <QDialog>

class QPushButton;
class QStackedWidget;

namespace dossiva {

class ConflictResolverView;
class RestoreView;
class SyncDatabaseTable;
class SyncManager;
class SyncProgressView;

// The sheet of a sync, backup or restore session on the main window: one
// window-modal sheet whose content is the progress view, the database
// table, the conflict resolver or the restore view, as the session asks.
// The user's answers go to the sync manager.
class SyncSheet final : public QDialog, public SyncPresenter {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SyncSheet)
public:
    explicit SyncSheet(QWidget* window);

    void setManager(SyncManager* manager) { m_manager = manager; }

    // -- SyncPresenter ---------------------------------------------------------

    void showProgress(const std::string& title) override;
    void showDatabaseTable(const std::vector<SyncListEntry>& entries) override;
    void showConflict(const ConflictPage& page) override;
    void showRestoreView(const std::vector<BackupEntry>& backups, bool localOnly) override;
    void endSheet() override;

    SyncProgressView* progressView() const { return m_progress; }
    SyncDatabaseTable* databaseTable() const { return m_table; }
    ConflictResolverView* conflictResolver() const { return m_resolver; }
    RestoreView* restoreView() const { return m_restore; }
    // The view shown now.
    QWidget* currentView() const;

public slots:
    // Escape: the shown view's way out (Cancel, or Stop while working). The
    // conflict resolver has none: each conflict is decided.
    void reject() override;

private:
    void present(QWidget* view, QPushButton* defaultButton);

    SyncManager* m_manager = nullptr;
    QStackedWidget* m_stack;
    SyncProgressView* m_progress;
    SyncDatabaseTable* m_table;
    ConflictResolverView* m_resolver;
    RestoreView* m_restore;
    QPushButton* m_defaultButton = nullptr;
};

} // namespace dossiva
