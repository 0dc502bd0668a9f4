#pragma once

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
    virtual void backupError() = 0;
    virtual void backupCancelled() = 0;
    virtual void restoreEnded() = 0;
    virtual void restoreError() = 0;
    virtual void restoreCancelled() = 0;
    virtual void showMessageOnProgressView(const std::string& message) = 0;
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

    // The outcome of the FTP step in progress: 0 done, 4 failed.
    void ftpActionDone(int result);
    // The listing of the step in progress; a listing that failed counts as 4.
    void ftpDirList(std::optional<std::vector<FtpEntry>> entries);

    bool isRunning() const { return m_copyLocalThread.joinable(); }

    static constexpr int kDone = 0;
    static constexpr int kFailed = 4;

private:
    enum class Outcome { Done, Failed, Cancelled };
    using Operation = std::function<void(FtpClient&)>;

    bool start(std::function<Outcome()> work, bool backup);
    // Starts an FTP operation on the main thread and waits for its outcome.
    Outcome step(Operation operation);
    // Stops when the run has been stopped.
    Outcome checkpoint() const;
    void report(void (BackupManagerDelegate::*outcome)());
    void message(const std::string& text);

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
    std::atomic<int> m_ftpResult{kDone};
    std::vector<SyncListEntry> m_listArray;
    std::string m_backupDir; // the stamp of a backup, or of the backup restored
    int m_restoreSide = BackupSide::Mac;
    std::string m_remotePath;
    std::mutex m_listMutex;
    std::vector<FtpEntry> m_ftpDirList;
    OneSlotSignal m_signal;
    std::stop_source m_stop;
    std::thread m_copyLocalThread;
    // Tasks posted to the main thread hold this; it turns false when the
    // manager goes, so late tasks find nothing to touch.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

} // namespace dossiva
