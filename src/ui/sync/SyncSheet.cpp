#include "ui/sync/SyncSheet.h"

#include "sync/SyncManager.h"
#include "ui/sync/ConflictResolverView.h"
#include "ui/sync/RestoreView.h"
#include "ui/sync/SyncDatabaseTable.h"
#include "ui/sync/SyncProgressView.h"

#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace dossiva {

SyncSheet::SyncSheet(QWidget* window)
    : QDialog(window), m_stack(new QStackedWidget(this)), m_progress(new SyncProgressView(m_stack)),
      m_table(new SyncDatabaseTable(m_stack)), m_resolver(new ConflictResolverView(m_stack)),
      m_restore(new RestoreView(m_stack))
{
    setObjectName(QStringLiteral("SyncSheet"));
    setWindowTitle(QStringLiteral("Dossiva for iPhone"));
    setWindowModality(Qt::WindowModal);
    // Wide enough for both copies of a conflict side by side, their edit
    // dates whole.
    setMinimumSize(600, 340);
    for (QWidget* view : std::initializer_list<QWidget*>{m_progress, m_table, m_resolver, m_restore}) {
        m_stack->addWidget(view);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_stack);

    connect(m_progress, &SyncProgressView::stopPressed, this, [this] { m_manager->abort(); });
    connect(m_table, &SyncDatabaseTable::tickChanged, this,
            [this](int row, bool ticked) { m_manager->setTicked(static_cast<std::size_t>(row), ticked); });
    connect(m_table, &SyncDatabaseTable::syncPressed, this, [this] { m_manager->sync(); });
    connect(m_table, &SyncDatabaseTable::cancelPressed, this, [this] { m_manager->cancel(); });
    connect(m_resolver, &ConflictResolverView::macSelected, this,
            [this] { m_manager->conflictSelectMacBox(); });
    connect(m_resolver, &ConflictResolverView::phoneSelected, this,
            [this] { m_manager->conflictSelectiPhoneBox(); });
    connect(m_resolver, &ConflictResolverView::previousPressed, this, [this] { m_manager->conflictPrev(); });
    connect(m_resolver, &ConflictResolverView::nextPressed, this, [this] { m_manager->conflictNext(); });
    connect(m_restore, &RestoreView::restorePressed, this, [this](int row, bool mac, bool phone) {
        m_manager->restore(static_cast<std::size_t>(row), mac, phone);
    });
    connect(m_restore, &RestoreView::cancelPressed, this, [this] { m_manager->cancelRestoreView(); });
}

QWidget* SyncSheet::currentView() const
{
    return isVisible() ? m_stack->currentWidget() : nullptr;
}

void SyncSheet::present(QWidget* view, QPushButton* defaultButton)
{
    // Enter presses the shown view's main button; the progress view has
    // none, so Enter never stops a session.
    if (m_defaultButton != nullptr && m_defaultButton != defaultButton) {
        m_defaultButton->setDefault(false);
    }
    m_defaultButton = defaultButton;
    if (defaultButton != nullptr) {
        defaultButton->setDefault(true);
    }
    m_stack->setCurrentWidget(view);
    if (!isVisible()) {
        open();
    }
}

void SyncSheet::showProgress(const std::string& title)
{
    m_progress->setTitle(title);
    present(m_progress, nullptr);
}

void SyncSheet::showDatabaseTable(const std::vector<SyncListEntry>& entries)
{
    m_table->setEntries(entries);
    present(m_table, m_table->syncButton());
}

void SyncSheet::showConflict(const ConflictPage& page)
{
    m_resolver->showPage(page);
    present(m_resolver, m_resolver->nextButton());
}

void SyncSheet::showRestoreView(const std::vector<BackupEntry>& backups, bool localOnly)
{
    m_restore->setBackups(backups, localOnly);
    present(m_restore, m_restore->restoreButton());
}

void SyncSheet::endSheet()
{
    hide();
}

void SyncSheet::reject()
{
    if (m_manager == nullptr) {
        return;
    }
    QWidget* view = m_stack->currentWidget();
    if (view == m_table) {
        m_manager->cancel();
    } else if (view == m_restore) {
        m_manager->cancelRestoreView();
    } else if (view == m_progress) {
        m_manager->abort();
    }
}

} // namespace dossiva
