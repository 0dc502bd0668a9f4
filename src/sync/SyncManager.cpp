// The session with the companion: starting, connecting, the root listing and
// the table of databases, the end of a session, stopping, and the reports of
// backup and restore runs. The databases' phases are in
// SyncManagerDatabases.cpp, conflicts and templates in SyncManagerTemplates.cpp.
#include "sync/SyncManager.h"

#include "library/Startup.h"
#include "platform/ComputerName.h"
#include "platform/FileLock.h"
#include "platform/FileManager.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "sync/RemoteNames.h"
#include "sync/SyncMerge.h"

#include <algorithm>

namespace dossiva {

namespace {

constexpr const char* kPassword = "7Catalo9g";
constexpr const char* kLastSyncedDbsKey = "LastSyncedDbs";
constexpr const char* kPackageExtension = "dossiva";

// The names of a settings list of texts.
std::vector<std::string> textList(const std::optional<PropertyList>& value)
{
    std::vector<std::string> texts;
    if (value && value->asArray()) {
        for (const auto& item : *value->asArray()) {
            if (item.kind() == PropertyList::Kind::String) {
                texts.push_back(item.toString());
            }
        }
    }
    return texts;
}

// The message as it has always read, then why, when that is known.
std::string withReason(const std::string& message, const std::string& reason)
{
    return reason.empty() ? message : message + "\n\n" + reason;
}

} // namespace

SyncManager::SyncManager(SyncPresenter& presenter, Alerts& alerts, SyncManagerDelegate* delegate)
    : m_presenter(presenter), m_alerts(alerts), m_delegate(delegate)
{
}

SyncManager::~SyncManager()
{
    *m_alive = false;
    m_mergeStop.request_stop();
    if (m_mergingThread.joinable()) {
        m_mergingThread.join();
    }
    m_backupManager.reset();
}

// -- The state ------------------------------------------------------------------

const char* SyncManager::stageName(Stage stage)
{
    switch (stage) {
    case Stage::Idle:
        return "idle";
    case Stage::Connecting:
        return "connecting";
    case Stage::ListingRoot:
        return "listing the root";
    case Stage::RecoveringCompanion:
        return "recovering the companion";
    case Stage::ChoosingDatabases:
        return "choosing databases";
    case Stage::BackingUp:
        return "backing up";
    case Stage::Restoring:
        return "restoring";
    case Stage::Sending:
        return "sending";
    case Stage::Taking:
        return "taking";
    case Stage::Merging:
        return "merging";
    case Stage::ResolvingConflicts:
        return "resolving conflicts";
    case Stage::ExchangingTemplates:
        return "exchanging templates";
    case Stage::Disconnecting:
        return "disconnecting";
    }
    return "?";
}

const char* SyncManager::stepName(Step step)
{
    switch (step) {
    case Step::None:
        return "-";
    case Step::MakeRemoteTemp:
        return "make the companion's staging folder";
    case Step::SendDatabase:
        return "send the database file";
    case Step::MakeRemoteImages:
        return "make the companion's images folder";
    case Step::SendImages:
        return "send the pictures";
    case Step::RenameRemoteIn:
        return "rename the staging folder into place";
    case Step::RemoveRemoteTemp:
        return "remove the companion's staging folder";
    case Step::ReceiveDatabase:
        return "receive the database file";
    case Step::ReceiveImages:
        return "receive the pictures";
    case Step::ListRemoteImages:
        return "list the companion's pictures";
    case Step::RunningMerge:
        return "merge";
    case Step::RemoveStaleAside:
        return "remove a stale previous copy";
    case Step::MoveRemoteAside:
        return "move the companion's copy aside";
    case Step::RemoveRemoteAside:
        return "remove the companion's previous copy";
    case Step::PutRemoteBack:
        return "put the companion's copy back";
    case Step::AskDirectory:
        return "ask the working directory";
    case Step::ListRoot:
        return "list the root";
    case Step::RecoverLeftover:
        return "put a leftover in order";
    case Step::ListTemplates:
        return "list the templates";
    case Step::RemoveRemoteTemplate:
        return "remove the companion's template";
    case Step::SendTemplate:
        return "send a template";
    case Step::ReceiveTemplate:
        return "receive a template";
    case Step::PlaceTemplate:
        return "rename the sent template into place";
    case Step::PlaceTemplateAgain:
        return "rename the sent template into place again";
    }
    return "?";
}

void SyncManager::moveTo(Stage stage, Step step)
{
    if (stage == m_stage && step == m_step) {
        return;
    }
    std::string line = std::string("Sync: ") + stageName(m_stage) + " / " + stepName(m_step) + " -> " +
                       stageName(stage) + " / " + stepName(step);
    if (m_syncingDBIndex >= 0 && static_cast<std::size_t>(m_syncingDBIndex) < m_localDBList.size()) {
        line += " (" + printableRemoteName(current().name) + ")";
    }
    devLog(line);
    m_stage = stage;
    m_step = step;
}

// -- Starting -------------------------------------------------------------------

std::vector<SyncListEntry> SyncManager::entriesFor(const std::vector<std::string>& names) const
{
    const std::vector<std::string> lastSynced = textList(UserDefaults::standard().object(kLastSyncedDbsKey));
    std::vector<SyncListEntry> entries;
    for (const auto& name : names) {
        const bool ticked = std::find(lastSynced.begin(), lastSynced.end(), name) != lastSynced.end();
        entries.push_back({name, SyncSide::Mac, ticked, std::nullopt});
    }
    return entries;
}

void SyncManager::beginSession(Kind kind, const std::vector<std::string>& localNames)
{
    m_retiredFtp.reset();
    m_kind = kind;
    m_syncingDBIndex = -1;
    m_abortMerging = false;
    m_disconnected = false;
    m_pastConnecting = false;
    m_remoteAside = false;
    m_remotePath.clear();
    m_localDBList = entriesFor(localNames);
    m_errorDBList.clear();
    m_templatesArray.clear();
    m_refusedTemplates.clear();
    m_skippedItems.clear();
    m_dbImagesArray.clear();
    m_sendFiles.reset();
    m_failureReason.clear();
    m_unsentSyncDate.reset();
    m_sessionLog.clear();
    m_companionRecovered = false;
    m_recoverySteps.clear();
    m_recovered.clear();
    m_ftpLog.emplace();
    m_limits = m_limitsOverride.value_or(DownloadLimits::fromPreferences());
    // The setting may have changed in the preferences since the last session.
    m_backupState = m_backupOverride.value_or(UserDefaults::standard().integerForKey(kBackupKey) != 0);
    // A session keeps staging copies ("NAME.dossiva_temp") for minutes; the
    // clean-up of interrupted work, in this process or another, leaves them
    // alone while it runs.
    m_treeLock.emplace(FileLock::acquire(Paths::dataTreeLockFile(), FileLock::Mode::Shared));
}

void SyncManager::connect(const std::string& ip, int port)
{
    showTitle("Connecting");
    moveTo(Stage::Connecting);
    m_ftp = std::make_unique<FtpClient>(this);
    m_ftp->setTimeout(m_ftpTimeout);
    m_ftp->setDownloadPace(m_limits.minimumBytes, m_limits.window);
    m_ftp->connectTo(ip, port, ComputerName::current(), kPassword);
}

void SyncManager::startSyncWithServerIP(const std::string& ip, int port,
                                        const std::vector<std::string>& localDBList)
{
    if (!isIdle()) {
        return;
    }
    beginSession(Kind::Sync, localDBList);
    connect(ip, port);
}

void SyncManager::startBackupWithServerIP(const std::string& ip, int port,
                                          const std::vector<std::string>& localDBList)
{
    if (ip.empty()) {
        startBackupOnlyLocal(localDBList);
        return;
    }
    if (!isIdle()) {
        return;
    }
    beginSession(Kind::Backup, localDBList);
    connect(ip, port);
}

void SyncManager::startBackupOnlyLocal(const std::vector<std::string>& localDBList)
{
    if (!isIdle()) {
        return;
    }
    beginSession(Kind::Backup, localDBList);
    showTitle("Backing up");
    moveTo(Stage::BackingUp);
    newBackupManager();
    if (!m_backupManager->startBackup(nullptr, {}, m_localDBList, this)) {
        backupError(std::string(m_backupManager->failure()));
    }
}

void SyncManager::startRestoreWithServerIP(const std::string& ip, int port)
{
    if (!isIdle()) {
        return;
    }
    beginSession(Kind::Restore, {});
    if (!m_chosenBackup) {
        moveTo(Stage::Restoring);
        restoreError({});
        return;
    }
    if (m_chosenBackup->side != BackupSide::Mac) {
        if (ip.empty()) {
            moveTo(Stage::Restoring);
            restoreError({});
            return;
        }
        showTitle("Restoring");
        connect(ip, port);
        return;
    }
    showTitle("Restoring");
    moveTo(Stage::Restoring);
    newBackupManager();
    if (!m_backupManager->startRestore(nullptr, {}, *m_chosenBackup, {}, this)) {
        restoreError({});
    }
}

// -- Connection -----------------------------------------------------------------

void SyncManager::ftpDidConnect()
{
    if (m_stage != Stage::Connecting) {
        return;
    }
    if (m_kind == Kind::Sync) {
        showTitle("Connected. Get db list");
    }
    moveTo(Stage::ListingRoot, Step::AskDirectory);
    m_ftp->getPwd();
}

void SyncManager::ftpErrorConnect()
{
    if (m_stage == Stage::Idle) {
        return;
    }
    m_disconnected = true;
    alert("Error during connection", ftpFailure());
    endSession();
}

void SyncManager::ftpPwd(std::optional<std::string> directory)
{
    if (m_stage != Stage::ListingRoot || m_step != Step::AskDirectory) {
        return;
    }
    if (!directory) {
        alert("Error during connection", ftpFailure());
        disconnect();
        return;
    }
    m_remotePath = *directory;
    moveTo(Stage::ListingRoot, Step::ListRoot);
    m_ftp->listDir(m_remotePath);
}

void SyncManager::ftpDirList(std::optional<std::string> listing)
{
    std::optional<std::vector<FtpEntry>> entries;
    if (listing) {
        entries = FtpClient::parseList(*listing, {});
    }
    m_unreadableListing = listing && !entries;
    switch (m_stage) {
    case Stage::ListingRoot:
        if (m_step == Step::ListRoot) {
            rootListing(entries);
        }
        return;
    case Stage::BackingUp:
    case Stage::Restoring:
        if (m_backupManager) {
            m_backupManager->ftpDirList(std::move(entries), ftpFailure());
        }
        return;
    case Stage::ExchangingTemplates:
        if (m_step == Step::ListTemplates) {
            templatesListing(entries);
        }
        return;
    case Stage::Taking:
    case Stage::Merging:
        if (m_step != Step::ListRemoteImages) {
            return;
        }
        m_dbImagesArray.clear();
        if (entries) {
            for (const FtpEntry& entry : *entries) {
                if (entry.type != 8) {
                    continue;
                }
                if (!isPlainRemoteName(entry.name)) {
                    devLog("Sync: the companion's picture '" + printableRemoteName(entry.name) +
                           "' is skipped");
                    continue;
                }
                m_dbImagesArray.push_back(entry.name);
            }
        }
        handleEvent(entries ? ImagesListed : failure(ImagesListed));
        return;
    default:
        return;
    }
}

void SyncManager::ftpFileGot(int done)
{
    handleEvent(done ? FileReceived : failure(FileReceived));
}

void SyncManager::ftpFileSent(int done)
{
    handleEvent(done ? FileSent : failure(FileSent));
}

void SyncManager::ftpDirMade(int done)
{
    handleEvent(done ? DirectoryMade : failure(DirectoryMade));
}

void SyncManager::ftpDirRemoved(int done)
{
    handleEvent(done ? Removed : failure(Removed));
}

void SyncManager::ftpFileRemoved(int done)
{
    handleEvent(done ? Removed : failure(Removed));
}

void SyncManager::ftpDirRenamed(int done)
{
    handleEvent(done ? Renamed : failure(Renamed));
}

void SyncManager::handleEvent(int event)
{
    // The first failed step of a database says why it was not synced.
    // (A stale copy that was not there to remove is no failure.)
    const bool database = m_stage == Stage::Sending || m_stage == Stage::Taking || m_stage == Stage::Merging;
    if (database && event >= failure(DirectoryMade) && m_failureReason.empty() &&
        m_step != Step::RemoveStaleAside) {
        m_failureReason = ftpFailure();
    }
    if (event < failure(DirectoryMade)) {
        m_unreadableListing = false;
        if (m_ftpLog) {
            m_ftpLog->clearFailure();
        }
    }
    switch (m_stage) {
    case Stage::RecoveringCompanion:
        companionRecoveryEvent(event);
        return;
    case Stage::BackingUp:
    case Stage::Restoring:
        if (m_backupManager) {
            m_backupManager->ftpActionDone(event < 16 ? BackupManager::kDone : BackupManager::kFailed,
                                           ftpFailure());
        }
        return;
    case Stage::ExchangingTemplates:
        templateEvent(event);
        return;
    case Stage::Sending:
        updateSyncingFromLocalStatus(event);
        return;
    case Stage::Taking:
        updateSyncingFromRemoteStatus(event);
        return;
    case Stage::Merging:
        updateSyncingFromBothStatus(event);
        return;
    default:
        devLog("Sync: report " + std::to_string(event) + " ignored while " + stageName(m_stage));
        return;
    }
}

// -- The root listing and the table ---------------------------------------------

void SyncManager::rootListing(const std::optional<std::vector<FtpEntry>>& entries)
{
    if (!entries) {
        const std::string why = ftpFailure();
        disconnect();
        alert("Error getting db list", why);
        return;
    }
    if (!m_companionRecovered && recoverCompanion(*entries)) {
        return;
    }
    // Failures before this point (login, working directory, root listing)
    // are not followed by a list of databases not synced.
    m_pastConnecting = true;
    for (const FtpEntry& entry : *entries) {
        if (entry.type != 4 || FileManager::pathExtension(entry.name) != kPackageExtension) {
            continue;
        }
        if (!isAcceptableRemoteItemName(entry.name)) {
            devLog("Sync: the companion's database '" + printableRemoteName(entry.name) + "' is skipped");
            m_errorDBList.push_back({entry.name, kRefusedNameReason});
            continue;
        }
        const auto same = std::find_if(m_localDBList.begin(), m_localDBList.end(),
                                       [&](const SyncListEntry& local) { return local.name == entry.name; });
        if (same != m_localDBList.end()) {
            same->side = SyncSide::Both;
        } else {
            m_localDBList.push_back({entry.name, SyncSide::Phone, false, std::nullopt});
        }
    }
    switch (m_kind) {
    case Kind::Backup:
        showTitle("Backing up iPhone");
        moveTo(Stage::BackingUp);
        newBackupManager();
        if (!m_backupManager->startBackup(m_ftp.get(), m_remotePath, m_localDBList, this)) {
            backupError(std::string(m_backupManager->failure()));
        }
        return;
    case Kind::Restore:
        moveTo(Stage::Restoring);
        newBackupManager();
        if (!m_chosenBackup ||
            !m_backupManager->startRestore(m_ftp.get(), m_remotePath, *m_chosenBackup, m_localDBList, this)) {
            restoreError({});
        }
        return;
    case Kind::Sync:
        moveTo(Stage::ChoosingDatabases);
        m_presenter.showDatabaseTable(m_localDBList);
        return;
    }
}

// -- Leftovers of an interrupted session on the companion ----------------------------

bool SyncManager::recoverCompanion(const std::vector<FtpEntry>& entries)
{
    m_companionRecovered = true;
    std::vector<std::string> folders;
    for (const FtpEntry& entry : entries) {
        if (entry.type == 4 && isAcceptableRemoteItemName(entry.name)) {
            folders.push_back(entry.name);
        }
    }
    // Every folder the companion lists is taken as sound, and a copy being
    // sent can always go: its source is on this computer (the package, or
    // the backup being restored).
    const auto listed = [](const std::string&) { return true; };
    m_recoverySteps = PackageRecovery::plan(folders, listed, listed);
    if (m_recoverySteps.empty()) {
        return false;
    }
    moveTo(Stage::RecoveringCompanion, Step::RecoverLeftover);
    nextCompanionRecovery();
    return true;
}

void SyncManager::nextCompanionRecovery()
{
    if (m_recoverySteps.empty()) {
        if (!m_recovered.empty()) {
            std::string text = kCompanionRecoveredHeading;
            for (const auto& line : m_recovered) {
                text += "\n" + line;
            }
            m_alerts.inform("Info", text);
        }
        // The databases are listed again as they now are.
        moveTo(Stage::ListingRoot, Step::ListRoot);
        m_ftp->listDir(m_remotePath);
        return;
    }
    const LeftoverStep& step = m_recoverySteps.front();
    const std::string leftover = remoteChild(m_remotePath, step.entry);
    if (step.action == LeftoverStep::Action::PutBack) {
        m_ftp->renameDirectory(leftover, remoteChild(m_remotePath, step.name + "." + kPackageExtension));
    } else {
        m_ftp->removeDirectory(leftover);
    }
}

void SyncManager::companionRecoveryEvent(int event)
{
    if (m_recoverySteps.empty()) {
        return;
    }
    const LeftoverStep step = m_recoverySteps.front();
    m_recoverySteps.erase(m_recoverySteps.begin());
    if (event < failure(DirectoryMade)) {
        m_recovered.push_back(PackageRecovery::describe(step));
        note("On the companion, " + m_recovered.back());
    } else {
        const std::string why = ftpFailure();
        note("On the companion, " + step.entry + " could not be put in order" +
             (why.empty() ? std::string() : ": " + why));
    }
    nextCompanionRecovery();
}

void SyncManager::setTicked(std::size_t index, bool ticked)
{
    if (m_stage == Stage::ChoosingDatabases && index < m_localDBList.size()) {
        m_localDBList[index].ticked = ticked;
    }
}

bool SyncManager::canSync() const
{
    return std::any_of(m_localDBList.begin(), m_localDBList.end(),
                       [](const SyncListEntry& entry) { return entry.ticked; });
}

void SyncManager::sync()
{
    if (m_stage != Stage::ChoosingDatabases || !canSync()) {
        return;
    }
    if (m_backupState) {
        startBackupBeforeSync();
    } else {
        beginSyncing();
    }
}

void SyncManager::startBackupBeforeSync()
{
    // Every database the companion has is backed up, ticked or not.
    m_backupBeforeSync = true;
    showTitle("Backing up iPhone");
    moveTo(Stage::BackingUp);
    newBackupManager();
    if (!m_backupManager->startBackup(m_ftp.get(), m_remotePath, m_localDBList, this)) {
        backupError(std::string(m_backupManager->failure()));
    }
}

void SyncManager::beginSyncing()
{
    m_backupBeforeSync = false;
    showTitle("Syncing");
    std::erase_if(m_localDBList, [](const SyncListEntry& entry) { return !entry.ticked; });
    PropertyList::Array names;
    for (const SyncListEntry& entry : m_localDBList) {
        names.emplace_back(entry.name);
    }
    UserDefaults& defaults = UserDefaults::standard();
    defaults.set(kLastSyncedDbsKey, PropertyList(std::move(names)));
    defaults.synchronize();
    nextDatabase();
}

void SyncManager::cancel()
{
    if (m_stage != Stage::ChoosingDatabases) {
        return;
    }
    showTitle("Disconnecting");
    disconnect();
}

// -- Stopping and ending ----------------------------------------------------------

void SyncManager::abort()
{
    if (m_stage == Stage::Idle || m_stage == Stage::Disconnecting) {
        return;
    }
    showTitle("Stopping");
    if (m_backupManager && m_backupManager->isRunning()) {
        m_backupManager->abort();
    } else if (m_mergingThread.joinable()) {
        if (!m_abortMerging) {
            m_abortMerging = true;
            m_mergeStop.request_stop();
        }
    } else {
        disconnect();
    }
}

void SyncManager::serverDisappeared()
{
    // While connecting there is no connection to lose yet: the attempt
    // itself succeeds or fails.
    if (!m_ftp || m_disconnected || m_stage == Stage::Idle || m_stage == Stage::Connecting) {
        return;
    }
    abort();
    alert("Connection closed by the iphone");
}

void SyncManager::disconnect()
{
    if (m_stage == Stage::Idle || m_stage == Stage::Disconnecting) {
        return;
    }
    moveTo(Stage::Disconnecting);
    if (m_ftp) {
        m_ftp->disconnect();
    } else {
        ftpDidDisconnect();
    }
}

void SyncManager::ftpDidDisconnect()
{
    if (m_stage == Stage::Idle) {
        return;
    }
    endSession();
}

void SyncManager::endSession()
{
    m_disconnected = true;
    m_presenter.endSheet();
    // The client may still be on the call stack that brought this report;
    // it is released when the next session starts or the manager goes.
    m_retiredFtp = std::move(m_ftp);
    unstampSend();
    m_syncingDBIndex = -1;
    moveTo(Stage::Idle);
    const std::string lost = m_ftpLog && m_ftpLog->connectionLost()
                                 ? m_ftpLog->lastFailure()
                                 : std::string("the session ended before it was synced");
    for (const SyncListEntry& entry : m_localDBList) {
        // A database the session stopped in the middle of leaves no staging
        // folder: it is never the only copy of anything.
        FileManager::removeItem(Paths::packagePath(SyncMerge::stagingName(entry.name)));
        if (entry.ticked) {
            m_errorDBList.push_back({entry.name, lost});
        }
    }
    for (const NotSynced& item : m_errorDBList) {
        note("Not synced: " + printableRemoteName(FileManager::deletingPathExtension(item.name)) +
             (item.reason.empty() ? std::string() : " (" + item.reason + ")"));
    }
    m_treeLock.reset();
    if (m_delegate) {
        m_delegate->syncManager(*this, true);
    }
    if (!m_errorDBList.empty() && m_pastConnecting) {
        showNotSynced("These databases have not been synced:", m_errorDBList);
    }
    std::vector<NotSynced> templates;
    for (const TemplateEntry& entry : m_templatesArray) {
        templates.push_back({entry.name, m_failureReason});
    }
    templates.insert(templates.end(), m_refusedTemplates.begin(), m_refusedTemplates.end());
    if (!templates.empty()) {
        showNotSynced("These templates have not been synced:", templates);
    }
    if (!m_skippedItems.empty()) {
        std::string text = "These items were not sent because they are not plain files:";
        for (const std::string& item : m_skippedItems) {
            text += "\n" + item;
        }
        m_alerts.inform("Info", text);
    }
    m_localDBList.clear();
    m_errorDBList.clear();
    m_templatesArray.clear();
    m_refusedTemplates.clear();
    m_skippedItems.clear();
    m_resolver.reset();
    m_backupManager.reset();
    m_ftpLog.reset();
}

void SyncManager::showTitle(const std::string& title)
{
    m_presenter.showProgress(title);
}

void SyncManager::alert(const std::string& message, const std::string& reason)
{
    m_alerts.ask({"Error", withReason(message, reason), {"OK"}, false, {}});
}

// One line per item, its name without extension and the reason when known;
// a name that is itself the reason is quoted, so a blank one shows.
void SyncManager::showNotSynced(const std::string& heading, const std::vector<NotSynced>& items)
{
    std::string text = heading;
    for (const NotSynced& item : items) {
        text += "\n";
        if (item.reason == kRefusedNameReason) {
            text += quotedItemName(item.name);
        } else {
            text += printableRemoteName(FileManager::deletingPathExtension(item.name));
        }
        if (!item.reason.empty()) {
            text += " (" + item.reason + ")";
        }
    }
    m_alerts.inform("Info", text);
}

std::string SyncManager::ftpFailure() const
{
    if (m_unreadableListing) {
        return "the companion's listing holds a line that cannot be read";
    }
    const std::string reason = m_ftp ? m_ftp->lastFailure() : std::string();
    return reason.empty() && m_ftpLog ? m_ftpLog->lastFailure() : reason;
}

void SyncManager::note(const std::string& line)
{
    m_sessionLog.push_back(line);
    devLog("Sync: " + line);
}

// -- Backup and restore -------------------------------------------------------------

void SyncManager::newBackupManager()
{
    m_backupManager = std::make_unique<BackupManager>();
    m_backupManager->setDownloadLimits(m_limits);
}

void SyncManager::dropBackupManager()
{
    m_backupManager.reset();
}

void SyncManager::itemSkipped(const std::string& description)
{
    m_skippedItems.push_back(description);
}

void SyncManager::showMessageOnProgressView(const std::string& message)
{
    showTitle(message);
}

void SyncManager::backupEnded()
{
    dropBackupManager();
    if (m_backupBeforeSync) {
        beginSyncing();
        return;
    }
    m_localDBList.clear();
    disconnect();
}

void SyncManager::backupError(const std::string& reason)
{
    dropBackupManager();
    if (!m_backupBeforeSync) {
        alert("Error during backup", reason);
        // A backup is no sync: nothing is listed as not synced.
        m_localDBList.clear();
        disconnect();
        return;
    }
    const AlertAnswer answer = m_alerts.ask(
        {"Error", withReason("Error during backup", reason), {"Continue to Sync", "Stop"}, false, {}});
    if (answer.is("Continue to Sync")) {
        beginSyncing();
        return;
    }
    m_backupBeforeSync = false;
    abort();
}

void SyncManager::backupCancelled()
{
    dropBackupManager();
    m_backupBeforeSync = false;
    disconnect();
}

void SyncManager::restoreEnded()
{
    dropBackupManager();
    m_localDBList.clear();
    disconnect();
}

void SyncManager::restoreError(const std::string& reason)
{
    dropBackupManager();
    alert("Error during restore", reason);
    m_localDBList.clear();
    disconnect();
}

void SyncManager::restoreCancelled()
{
    dropBackupManager();
    m_localDBList.clear();
    disconnect();
}

void SyncManager::showRestoreView()
{
    RestoreCatalog::removeLeftovers();
    m_backupsArray = RestoreCatalog::listBackups(true);
    m_restoreViewLocalOnly = false;
    m_presenter.showRestoreView(m_backupsArray, false);
}

void SyncManager::showRestoreViewOnlyLocal()
{
    RestoreCatalog::removeLeftovers();
    m_backupsArray = RestoreCatalog::listBackups(false);
    m_restoreViewLocalOnly = true;
    m_presenter.showRestoreView(m_backupsArray, true);
}

bool SyncManager::restore(std::size_t index, bool macTicked, bool phoneTicked)
{
    if (index >= m_backupsArray.size()) {
        return false;
    }
    const bool localOnly = m_restoreViewLocalOnly;
    const auto side = RestoreCatalog::restoreSide(m_backupsArray[index], macTicked, phoneTicked, localOnly);
    if (!side) {
        return false;
    }
    m_chosenBackup = BackupEntry{m_backupsArray[index].stamp, *side};
    m_presenter.endSheet();
    if (m_delegate) {
        if (localOnly) {
            m_delegate->startRestoreOnlyLocal();
        } else {
            m_delegate->startRestore();
        }
    }
    return true;
}

void SyncManager::cancelRestoreView()
{
    m_presenter.endSheet();
    if (m_delegate) {
        m_delegate->syncManager(*this, false);
    }
}

} // namespace dossiva
