#pragma once

#include "sync/SyncManager.h"
#include "sync/SyncPresenter.h"

#include <optional>
#include <string>
#include <vector>

namespace dossiva::cli {

// The sync sheet on a terminal: progress titles are printed as they change,
// and the table, the conflicts and the restore view are answered from the
// command's flags. Answers are posted to the main thread, as a click would
// come. Anything the flags cannot answer stops the session and is
// remembered, so the command can say which flag was missing.
class ConsolePresenter final : public SyncPresenter {
public:
    enum class Ticks { LastSynced, All, Only };
    enum class Conflicts { Ask, Mac, Phone, Newest };

    struct Choices {
        Ticks ticks = Ticks::LastSynced;
        std::vector<std::string> only; // package names, with Ticks::Only
        Conflicts conflicts = Conflicts::Ask;
        // The restore view: the backup and the boxes (nullopt: what it holds).
        std::string stamp;
        std::optional<bool> mac;
        std::optional<bool> phone;
    };

    explicit ConsolePresenter(Choices choices) : m_choices(std::move(choices)) {}
    void setManager(SyncManager* manager) { m_manager = manager; }

    void showProgress(const std::string& title) override;
    void showDatabaseTable(const std::vector<SyncListEntry>& entries) override;
    void showConflict(const ConflictPage& page) override;
    void showRestoreView(const std::vector<BackupEntry>& backups, bool localOnly) override;
    void endSheet() override {}

    // Why the flags could not answer the session, or "" when they could.
    const std::string& refusal() const { return m_refusal; }

private:
    void refuse(const std::string& reason);
    bool chooseTicks(const std::vector<SyncListEntry>& entries);

    Choices m_choices;
    SyncManager* m_manager = nullptr;
    std::string m_lastTitle;
    std::string m_refusal;
};

} // namespace dossiva::cli
