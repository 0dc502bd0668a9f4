#pragma once

#include "platform/FileLock.h"
#include "sync/DownloadLimits.h"
#include "sync/FtpClient.h"
#include "sync/OneSlotSignal.h"
#include "sync/RestoreCatalog.h"
#include "sync/SyncListEntry.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

namespace dossiva {

// How a backup or restore run reports, always on the main thread.
class BackupManagerDelegate {
public:
    virtual ~BackupManagerDelegate() = default;
    virtual void backupEnded() = 0;
    // The reason names the database and says what went wrong; it is empty
    // when only the developer log knows.
    virtual void backupError(const std::string& reason) = 0;
    virtual void backupCancelled() = 0;
    virtual void restoreEnded() = 0;
    virtual void restoreError(const std::string& reason) = 0;
    virtual void restoreCancelled() = 0;
    virtual void showMessageOnProgressView(const std::string& message) = 0;
    // Something that was not sent because it is no plain file of its
    // database ("Notes: images/6 is a symbolic link"); the run goes on.
    virtual void itemSkipped(const std::string& description) = 0;
};

// One backup or restore run: a worker thread copies the packages of this
// computer and, with a client, drives the FTP client step by step for the
// companion's side. Each FTP step is started on the main thread; the worker
// then waits on a one-slot signal that the main thread raises when the
// step's outcome (ftpActionDone, ftpDirList) arrives. Stopping cancels the
// worker and raises the signal once.
class BackupManager {
public:
    BackupManager();
    // Stops a running worker and waits for it.
    ~BackupManager();
    BackupManager(const BackupManager&) = delete;
    BackupManager& operator=(const BackupManager&) = delete;

    // Backs up the computer's databases ("t" not 1) and, with a client, the
    // companion's ("t" not 0) into folders named by the moment. True when
    // the run has started.
    bool startBackup(FtpClient* ftp, const std::string& remotePath, std::vector<SyncListEntry> array,
                     BackupManagerDelegate* delegate);
    // Restores the sides of `backupDir` ("t": 0 this computer, 1 the
    // companion, 2 both); remoteArray lists the companion's databases.
    bool startRestore(FtpClient* ftp, const std::string& remotePath, const BackupEntry& backupDir,
                      std::vector<SyncListEntry> remoteArray, BackupManagerDelegate* delegate);
    void abort();
    // Why the run could not start, after startBackup() returned false.
    const std::string& failure() const { return m_failure; }
    // What the companion's side may send (before the run starts).
    void setDownloadLimits(const DownloadLimits& limits) { m_limits = limits; }

    // The outcome of the FTP step in progress: 0 done, 4 failed, with the
    // client's reason for a failure.
    void ftpActionDone(int result, const std::string& failure = {});
    // The listing of the step in progress; a listing that failed counts as 4.
    void ftpDirList(std::optional<std::vector<FtpEntry>> entries, const std::string& failure = {});

    bool isRunning() const { return m_copyLocalThread.joinable(); }

    static constexpr int kDone = 0;
    static constexpr int kFailed = 4;

private:
    enum class Outcome { Done, Failed, Cancelled };
    using Operation = std::function<void(FtpClient&)>;

    bool start(std::function<Outcome()> work, bool backup);
    // Starts an FTP operation on the main thread and waits for its outcome.
    // Once the run is finishing, a stop no longer cuts a step short.
    Outcome step(Operation operation);
    // Stops when the run has been stopped.
    Outcome checkpoint() const;
    void report(Outcome outcome, bool backup);
    void message(const std::string& text);
    void skipped(const std::string& database, const std::vector<SkippedItem>& items);
    // Fails the run with a reason for the user: what failed, and why when
    // that is known.
    Outcome failed(const std::string& what, const std::string& why);
    std::string ftpFailure();

    // Backup.
    Outcome runBackup();
    Outcome backUpPhoneDatabase(const std::string& name, const std::string& folder);
    // Restore.
    Outcome runRestore();
    Outcome sendPhoneDatabase(const std::string& source, const std::string& item);
    bool replaceLocalDatabases(const std::vector<std::string>& previous,
                               const std::vector<std::string>& restored);
    Outcome replacePhoneDatabases(const std::vector<std::string>& restored);
    std::vector<std::string> listedFiles();

    BackupManagerDelegate* m_delegate = nullptr;
    FtpClient* m_ftp = nullptr;
    DownloadLimits m_limits;
    std::atomic<int> m_ftpResult{kDone};
    // The outcome of the step in progress has arrived.
    std::atomic<bool> m_outcomeArrived{false};
    // The companion's databases are being swapped: half a swap would leave
    // them neither old nor new, so the swap finishes (or is rolled back)
    // whatever a stop asks.
    std::atomic<bool> m_finishing{false};
    // The manager is going: no step waits any more.
    std::atomic<bool> m_closing{false};
    std::string m_ftpFailure; // guarded by m_listMutex
    std::string m_failure;    // the worker's; read once it has ended
    std::vector<SyncListEntry> m_listArray;
    std::string m_backupDir; // the stamp of a backup, or of the backup restored
    int m_restoreSide = BackupSide::Mac;
    std::string m_remotePath;
    std::mutex m_listMutex;
    std::vector<FtpEntry> m_ftpDirList;
    OneSlotSignal m_signal;
    std::stop_source m_stop;
    std::thread m_copyLocalThread;
    // Held while this run's "_temp" backup folders exist, so that no restore
    // view takes them for leftovers.
    std::optional<FileLock> m_backupLock;
    // Tasks posted to the main thread hold this; it turns false when the
    // manager goes, so late tasks find nothing to touch.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

} // namespace dossiva
