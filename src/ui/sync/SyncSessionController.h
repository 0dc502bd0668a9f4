#pragma once

#include "platform/ServiceBrowser.h"
#include "sync/SyncManager.h"

#include <QObject>

#include <memory>
#include <optional>
#include <string>

namespace dossiva {

class Alerts;
class SyncSessionHost;
class SyncSheet;

// The Sync, Back Up Now and Restore commands of the main window, and the
// companion found on the network while the application runs. A session
// disables the navigation from its start to its end; its screens are the
// sync sheet, its questions the alerts.
class SyncSessionController final : public QObject,
                                    public SyncManagerDelegate,
                                    public ServiceBrowserDelegate {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SyncSessionController)
public:
    SyncSessionController(Alerts& alerts, SyncSessionHost& host, QObject* parent = nullptr);
    ~SyncSessionController() override;

    // Looks for the companion for as long as this controller lives.
    void startDiscovery();

    // The commands.
    void syncWithIphone();
    void startSyncWithIphone();
    void backupNow();
    void restoreNow();

    // Whether a session or its sheet is up.
    bool isBusy() const;
    // Quitting while a session runs stops it first: true when the
    // application may quit now; otherwise it quits once the session ends.
    bool stopForQuit();

    SyncManager& syncManager() { return *m_manager; }
    SyncSheet& sheet() { return *m_sheet; }

    // -- The companion on the network ----------------------------------------

    struct Companion {
        std::string ip;
        int port = 0;
        std::string name;
    };
    const std::optional<Companion>& companion() const { return m_companion; }
    void found(const std::string& ip, int port, const std::string& name) override;
    void lost() override;

    // -- SyncManagerDelegate ---------------------------------------------------

    void syncManager(SyncManager& manager, bool shouldReloadDatabases) override;
    void startRestore() override;
    void startRestoreOnlyLocal() override;

private:
    void startBackup();
    // The "Warning" question, then the restore; false when it was refused.
    bool confirmRestore();
    void endWithoutSession();

    Alerts& m_alerts;
    SyncSessionHost& m_host;
    std::unique_ptr<SyncSheet> m_sheet;
    std::unique_ptr<SyncManager> m_manager;
    std::unique_ptr<ServiceBrowser> m_browser;
    std::optional<Companion> m_companion;
    bool m_quitWhenEnded = false;
};

} // namespace dossiva
