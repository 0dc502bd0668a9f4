#pragma once

#include "platform/Alerts.h"
#include "platform/FileLock.h"
#include "storage/PackageRecovery.h"
#include "sync/BackupManager.h"
#include "sync/ConflictResolver.h"
#include "sync/DownloadLimits.h"
#include "sync/FtpClient.h"
#include "sync/FtpFailureLog.h"
#include "sync/PackageFiles.h"
#include "sync/RestoreCatalog.h"
#include "sync/SyncListEntry.h"
#include "sync/SyncPresenter.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

namespace dossiva {

class SyncManager;

// What the owner of the sync manager (the main controller, the command line)
// hears from it, on the main thread.
class SyncManagerDelegate {
public:
    virtual ~SyncManagerDelegate() = default;
    // A session ended (true: files may have changed; reload the library and
    // reopen the database), or the restore view was closed (false).
    virtual void syncManager(SyncManager& manager, bool shouldReloadDatabases) = 0;
    // The restore view chose a backup: the owner asks for confirmation,
    // closes the open database and calls startRestoreWithServerIP().
    virtual void startRestore() = 0;
    virtual void startRestoreOnlyLocal() = 0;
};

// A template of the exchange: {"Tn", "Tl", "Td"}.
struct TemplateEntry {
    std::string name; // Tn: the file name with its extension
    int side = 0;     // Tl: 0 send this computer's file, 1 take the companion's
    double date = 0;  // Td: seconds since 1970
};

// A database or template that was not synced, and why when that is known.
struct NotSynced {
    std::string name;
    std::string reason;
};

// The session with the companion: sync, backup and restore. A session is a
// chain of single steps, all on the main thread: each FTP operation is
// started from the report of the previous one, the merge runs on a worker
// thread and reports back by posting. The session's position is an explicit
// state (a stage and a step within it) that changes in one place, which logs
// every change. The screen is reached only through the presenter and the
// alerts.
class SyncManager final : public FtpClientDelegate, public BackupManagerDelegate {
public:
    SyncManager(SyncPresenter& presenter, Alerts& alerts, SyncManagerDelegate* delegate);
    ~SyncManager() override;
    SyncManager(const SyncManager&) = delete;
    SyncManager& operator=(const SyncManager&) = delete;

    // -- Starting a session ------------------------------------------------

    void startSyncWithServerIP(const std::string& ip, int port, const std::vector<std::string>& localDBList);
    // With an empty address: this computer's databases only.
    void startBackupWithServerIP(const std::string& ip, int port,
                                 const std::vector<std::string>& localDBList);
    void startBackupOnlyLocal(const std::vector<std::string>& localDBList);
    // Restores the backup chosen in the restore view; with an empty address
    // only this computer's side can be restored.
    void startRestoreWithServerIP(const std::string& ip, int port);

    // -- The sheet's commands ------------------------------------------------

    const std::vector<SyncListEntry>& localDBList() const { return m_localDBList; }
    void setTicked(std::size_t index, bool ticked);
    bool canSync() const;
    void sync();
    void cancel();
    void abort();
    void serverDisappeared();

    void conflictNext();
    void conflictPrev();
    void conflictSelectMacBox();
    void conflictSelectiPhoneBox();

    void showRestoreView();
    void showRestoreViewOnlyLocal();
    // The restore button: the backup at index with the boxes' state. False
    // (and nothing happens) when no side of the backup is ticked.
    bool restore(std::size_t index, bool macTicked, bool phoneTicked);
    void cancelRestoreView();
    const std::vector<BackupEntry>& backupsArray() const { return m_backupsArray; }

    bool isIdle() const { return m_stage == Stage::Idle; }
    // Whether the companion is backed up before a sync; unless set here, the
    // Backup setting as it is when each sync starts.
    void setBackupState(bool backup) { m_backupOverride = backup; }
    // What the last or current session did and what failed, with the reason,
    // one line per event, for the screens to show.
    const std::vector<std::string>& sessionLog() const { return m_sessionLog; }
    // The first line of the message that tells what an interrupted session
    // left on the companion and how it was put in order.
    static constexpr const char* kCompanionRecoveredHeading =
        "An interrupted session was put in order on the companion:";
    // The FTP time-out of the next sessions (tests shorten it).
    void setFtpTimeout(std::chrono::milliseconds timeout) { m_ftpTimeout = timeout; }
    // What the next sessions take from the companion at most; without this
    // each session reads the limits from the preferences when it starts.
    void setDownloadLimits(const DownloadLimits& limits) { m_limitsOverride = limits; }

    // -- FtpClientDelegate ---------------------------------------------------

    void ftpDidConnect() override;
    void ftpErrorConnect() override;
    void ftpDidDisconnect() override;
    void ftpPwd(std::optional<std::string> directory) override;
    void ftpDirList(std::optional<std::string> listing) override;
    void ftpFileGot(int done) override;
    void ftpFileSent(int done) override;
    void ftpDirMade(int done) override;
    void ftpDirRemoved(int done) override;
    void ftpFileRemoved(int done) override;
    void ftpDirRenamed(int done) override;

    // -- BackupManagerDelegate -------------------------------------------------

    void backupEnded() override;
    void backupError(const std::string& reason) override;
    void backupCancelled() override;
    void restoreEnded() override;
    void restoreError(const std::string& reason) override;
    void restoreCancelled() override;
    void showMessageOnProgressView(const std::string& message) override;
    void itemSkipped(const std::string& description) override;

    // FTP and merge reports as event numbers: the operation's number when it
    // succeeded, sixteen times it when it failed.
    enum Event {
        DirectoryMade = 1,
        FileSent = 2,
        FileReceived = 3,
        Renamed = 4,
        Removed = 5,
        ImagesListed = 6,
        MergeFinished = 7,
    };
    static int failure(int event) { return event * 16; }

private:
    enum class Kind { Sync, Backup, Restore };
    enum class Stage {
        Idle,
        Connecting,
        ListingRoot,
        RecoveringCompanion, // leftovers of an interrupted session on the companion
        ChoosingDatabases,
        BackingUp,
        Restoring,
        Sending, // phase 1: databases only this computer has
        Taking,  // phase 2: databases only the companion has
        Merging, // phase 3: databases on both sides
        ResolvingConflicts,
        ExchangingTemplates,
        Disconnecting,
    };
    // Steps within a stage; a database's steps are numbered as they have
    // always been logged.
    enum class Step {
        None = -1,
        MakeRemoteTemp = 0,
        SendDatabase = 1,
        MakeRemoteImages = 2,
        SendImages = 3,
        RenameRemoteIn = 4,
        RemoveRemoteTemp = 5,
        ReceiveDatabase = 6,
        ReceiveImages = 7,
        ListRemoteImages = 8,
        RunningMerge = 9,
        RemoveStaleAside = 10,
        MoveRemoteAside = 11,
        RemoveRemoteAside = 12,
        PutRemoteBack = 13,
        AskDirectory = 20,
        ListRoot = 21,
        RecoverLeftover = 22,
        ListTemplates = 30,
        RemoveRemoteTemplate = 31,
        SendTemplate = 32,
        ReceiveTemplate = 33,
        PlaceTemplate = 34,
        PlaceTemplateAgain = 35,
    };

    // The one place the session's position changes.
    void moveTo(Stage stage, Step step = Step::None);
    static const char* stageName(Stage stage);
    static const char* stepName(Step step);

    void beginSession(Kind kind, const std::vector<std::string>& localNames);
    void connect(const std::string& ip, int port);
    void showTitle(const std::string& title);
    void alert(const std::string& message, const std::string& reason = {});
    void showNotSynced(const std::string& heading, const std::vector<NotSynced>& items);
    // Why the client's last operation failed, or "".
    std::string ftpFailure() const;
    // A line of the session log, also written to the developer log.
    void note(const std::string& line);
    void disconnect();
    void endSession();

    // The root listing and the table.
    void rootListing(const std::optional<std::vector<FtpEntry>>& entries);
    // Puts the companion's leftovers in order, as this computer's are at
    // start-up; false when there were none.
    bool recoverCompanion(const std::vector<FtpEntry>& entries);
    void nextCompanionRecovery();
    void companionRecoveryEvent(int event);
    void beginSyncing();
    void startBackupBeforeSync();

    // The databases, one at a time.
    void handleEvent(int event);
    void nextDatabase();
    SyncListEntry& current() { return m_localDBList[static_cast<std::size_t>(m_syncingDBIndex)]; }
    void beginDatabase(std::size_t index, Stage stage, Step step);
    void databaseSucceeded();
    // The database goes to the list of those not synced with m_failureReason.
    void databaseFailed();
    void databaseFailedWithStaging();
    std::string stagingFolder();
    std::string remoteFolder();
    std::string remoteTemp();

    void startSend(std::size_t index);
    // The sent copy carries the moment of the send as its sync date, so both
    // copies hold the same one; it is put back when the send fails.
    void stampSend();
    void unstampSend();
    void startTake(std::size_t index);
    void startMerge(std::size_t index);
    void updateSyncingFromLocalStatus(int event);
    void updateSyncingFromRemoteStatus(int event);
    void updateSyncingFromBothStatus(int event);

    // Sending a package to R/NAME (phases 1 and 3).
    void startUpload();
    void uploadEvent(int event);
    void sendDatabaseFile();
    void sendNextImage();
    void noteSkippedItems();
    void placeRemoteCopy();
    void uploadFailed();
    void uploadDone();
    // Receiving R/NAME into the staging folder (phases 2 and 3).
    bool prepareStaging(bool forMerge);
    void downloadEvent(int event);
    void receiveNextImage();
    bool compareStructures();
    void finishTake();
    void finishMergeUpload();
    void startMergeWorker();
    void mergingResult(bool merged);
    bool setSyncDate(const std::string& packageName, std::int64_t seconds);
    std::int64_t syncDateOf(const std::string& packageName);
    // Puts a received or merged staging package in place of the computer's.
    bool placeStaging();

    // Conflicts.
    void manageSyncingFromAsk();
    // Templates.
    void startTemplates();
    void templatesListing(const std::optional<std::vector<FtpEntry>>& entries);
    void nextTemplate();
    void templateEvent(int event);
    // A template step failed: the exchange ends, the rest listed as not synced.
    void templateFailed();

    // Backup and restore.
    void newBackupManager();
    void dropBackupManager();
    std::vector<SyncListEntry> entriesFor(const std::vector<std::string>& names) const;

    SyncPresenter& m_presenter;
    Alerts& m_alerts;
    SyncManagerDelegate* m_delegate;

    std::unique_ptr<FtpClient> m_ftp;
    std::unique_ptr<FtpClient> m_retiredFtp;
    std::string m_remotePath;
    std::vector<SyncListEntry> m_localDBList;
    std::vector<NotSynced> m_errorDBList;
    std::vector<std::string> m_dbImagesArray;
    std::vector<TemplateEntry> m_templatesArray;
    // Templates whose names are refused; listed with those not synced.
    std::vector<NotSynced> m_refusedTemplates;
    // Items that were not sent because they are no plain files of their
    // database ("\"Notes\": images is a symbolic link"), shown at the end.
    std::vector<std::string> m_skippedItems;
    // The package being sent, read only through its plain files.
    std::optional<PackageFiles> m_sendFiles;
    // Why the current database failed, as the first failed step said.
    std::string m_failureReason;
    std::optional<DownloadLimits> m_limitsOverride;
    DownloadLimits m_limits;
    std::vector<BackupEntry> m_backupsArray;
    std::optional<BackupEntry> m_chosenBackup;
    bool m_restoreViewLocalOnly = false;
    std::unique_ptr<BackupManager> m_backupManager;
    std::unique_ptr<ConflictResolver> m_resolver;
    std::optional<FileLock> m_treeLock; // held from the start of a session to its end
    std::thread m_mergingThread;
    std::stop_source m_mergeStop;

    Kind m_kind = Kind::Sync;
    Stage m_stage = Stage::Idle;
    Step m_step = Step::None;
    int m_syncingDBIndex = -1;
    bool m_abortMerging = false;
    bool m_disconnected = false;
    // The last listing arrived but could not be read; the client saw no
    // failure, so ftpFailure() says this instead.
    bool m_unreadableListing = false;
    bool m_pastConnecting = false;
    bool m_backupState = false;
    std::optional<bool> m_backupOverride;
    bool m_backupBeforeSync = false;
    // The companion's copy of the current database was moved aside (R/NAME_old).
    bool m_remoteAside = false;
    // The computer's copy being sent carries the sync date of the send; the
    // date it had before, until the copy is in place on the companion.
    std::optional<std::pair<std::string, std::int64_t>> m_unsentSyncDate;
    // Reads why FTP operations fail, while a session runs.
    std::optional<FtpFailureLog> m_ftpLog;
    std::vector<std::string> m_sessionLog;
    // The leftovers of the companion still to put in order, and what was done.
    bool m_companionRecovered = false;
    std::vector<LeftoverStep> m_recoverySteps;
    std::vector<std::string> m_recovered;
    std::chrono::milliseconds m_ftpTimeout{15000};
    // Posted reports hold this; it turns false when the manager goes.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

} // namespace dossiva
