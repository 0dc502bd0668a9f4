#include "sync/BackupManager.h"

#include "platform/Clock.h"
#include "platform/FileManager.h"
#include "platform/Log.h"
#include "platform/MainThread.h"
#include "platform/Paths.h"
#include "storage/PackageRecovery.h"
#include "storage/PackageSwap.h"
#include "sync/PackageFiles.h"
#include "sync/RemoteNames.h"

namespace dossiva {

namespace {

std::string macBackup(const std::string& stamp)
{
    return Paths::macBackupsFolder() + "/" + stamp;
}

std::string phoneBackup(const std::string& stamp)
{
    return Paths::phoneBackupsFolder() + "/" + stamp;
}

std::string temporary(const std::string& folder)
{
    return folder + "_temp";
}

// The first of the items, and how many more there are.
std::string summary(const std::vector<SkippedItem>& items)
{
    std::string text = describeSkipped(items.front());
    if (items.size() > 1) {
        text += " (and " + std::to_string(items.size() - 1) + " more)";
    }
    return text;
}

} // namespace

BackupManager::BackupManager() = default;

BackupManager::~BackupManager()
{
    *m_alive = false;
    m_closing = true;
    m_stop.request_stop();
    m_signal.raise();
    if (m_copyLocalThread.joinable()) {
        m_copyLocalThread.join();
    }
}

// -- The worker and the main thread -------------------------------------------

bool BackupManager::start(std::function<Outcome()> work, bool backup)
{
    if (m_copyLocalThread.joinable()) {
        return false;
    }
    m_copyLocalThread = std::thread([this, work = std::move(work), backup] { report(work(), backup); });
    return true;
}

void BackupManager::abort()
{
    if (m_copyLocalThread.joinable() && !m_stop.stop_requested()) {
        m_stop.request_stop();
        m_signal.raise();
    }
}

void BackupManager::report(Outcome outcome, bool backup)
{
    // The delegate drops this manager when it hears the outcome, so the task
    // holds only what it needs.
    MainThread::post([alive = m_alive, delegate = m_delegate, outcome, backup, reason = m_failure] {
        if (!*alive) {
            return;
        }
        switch (outcome) {
        case Outcome::Done:
            backup ? delegate->backupEnded() : delegate->restoreEnded();
            return;
        case Outcome::Failed:
            backup ? delegate->backupError(reason) : delegate->restoreError(reason);
            return;
        case Outcome::Cancelled:
            backup ? delegate->backupCancelled() : delegate->restoreCancelled();
            return;
        }
    });
}

void BackupManager::skipped(const std::string& database, const std::vector<SkippedItem>& items)
{
    for (const SkippedItem& item : items) {
        const std::string text = quotedItemName(database) + ": " + describeSkipped(item);
        devLog("Backup: not sent: " + text);
        MainThread::post([alive = m_alive, delegate = m_delegate, text] {
            if (*alive) {
                delegate->itemSkipped(text);
            }
        });
    }
}

BackupManager::Outcome BackupManager::failed(const std::string& what, const std::string& why)
{
    m_failure = why.empty() ? what + "." : what + ": " + why + ".";
    devLog("Backup: " + m_failure);
    return Outcome::Failed;
}

std::string BackupManager::ftpFailure()
{
    std::lock_guard lock(m_listMutex);
    return m_ftpFailure;
}

void BackupManager::message(const std::string& text)
{
    MainThread::post([alive = m_alive, delegate = m_delegate, text] {
        if (*alive) {
            delegate->showMessageOnProgressView(text);
        }
    });
}

BackupManager::Outcome BackupManager::checkpoint() const
{
    return m_stop.stop_requested() ? Outcome::Cancelled : Outcome::Done;
}

BackupManager::Outcome BackupManager::step(Operation operation)
{
    if (!m_finishing && checkpoint() == Outcome::Cancelled) {
        return Outcome::Cancelled;
    }
    m_outcomeArrived = false;
    MainThread::post([alive = m_alive, this, operation = std::move(operation)] {
        if (!*alive) {
            return;
        }
        if (m_ftp == nullptr) {
            ftpActionDone(kFailed);
            return;
        }
        operation(*m_ftp);
    });
    m_signal.wait();
    // A stop raises the signal too; while finishing, the step waits on for
    // its own outcome.
    while (m_finishing && !m_outcomeArrived && !m_closing) {
        m_signal.wait();
    }
    if (m_closing || (!m_finishing && checkpoint() == Outcome::Cancelled)) {
        return Outcome::Cancelled;
    }
    return m_ftpResult == kFailed ? Outcome::Failed : Outcome::Done;
}

void BackupManager::ftpActionDone(int result, const std::string& failure)
{
    {
        std::lock_guard lock(m_listMutex);
        m_ftpFailure = result == kFailed ? failure : std::string();
    }
    m_ftpResult = result;
    m_outcomeArrived = true;
    m_signal.raise();
}

void BackupManager::ftpDirList(std::optional<std::vector<FtpEntry>> entries, const std::string& failure)
{
    {
        std::lock_guard lock(m_listMutex);
        m_ftpDirList = entries ? std::move(*entries) : std::vector<FtpEntry>{};
    }
    ftpActionDone(entries ? kDone : kFailed, failure);
}

std::vector<std::string> BackupManager::listedFiles()
{
    std::lock_guard lock(m_listMutex);
    std::vector<std::string> names;
    for (const FtpEntry& entry : m_ftpDirList) {
        if (entry.type != 8) {
            continue;
        }
        if (!isPlainRemoteName(entry.name)) {
            devLog("Backup: the companion's file '" + printableRemoteName(entry.name) + "' is skipped");
            continue;
        }
        names.push_back(entry.name);
    }
    return names;
}

// -- Backup -------------------------------------------------------------------

bool BackupManager::startBackup(FtpClient* ftp, const std::string& remotePath,
                                std::vector<SyncListEntry> array, BackupManagerDelegate* delegate)
{
    m_ftp = ftp;
    m_remotePath = remotePath;
    m_listArray = std::move(array);
    m_delegate = delegate;
    // Two backups within one second would collide: the later one takes the
    // next free second.
    std::int64_t stamp = Clock::nowSeconds();
    const auto taken = [](const std::string& name) {
        return FileManager::exists(macBackup(name)) || FileManager::exists(temporary(macBackup(name))) ||
               FileManager::exists(phoneBackup(name)) || FileManager::exists(temporary(phoneBackup(name)));
    };
    while (taken(std::to_string(stamp))) {
        ++stamp;
    }
    m_backupDir = std::to_string(stamp);
    const std::string phoneTemp = temporary(phoneBackup(m_backupDir));
    const std::string macTemp = temporary(macBackup(m_backupDir));
    m_backupLock.emplace(RestoreCatalog::holdBackupLock());
    if (ftp != nullptr && !FileManager::createDirectory(phoneTemp)) {
        failed("The backup folder could not be made", FileManager::lastFailure().reason);
        m_backupLock.reset();
        return false;
    }
    if (!FileManager::createDirectory(macTemp)) {
        failed("The backup folder could not be made", FileManager::lastFailure().reason);
        if (ftp != nullptr) {
            FileManager::removeItem(phoneTemp);
        }
        m_backupLock.reset();
        return false;
    }
    return start(
        [this, phoneTemp, macTemp] {
            const Outcome outcome = runBackup();
            if (outcome != Outcome::Done) {
                // A failed backup leaves nothing behind.
                FileManager::removeItem(phoneTemp);
                FileManager::removeItem(macTemp);
                FileManager::removeItem(phoneBackup(m_backupDir));
            }
            m_backupLock.reset();
            return outcome;
        },
        true);
}

BackupManager::Outcome BackupManager::runBackup()
{
    const std::string macTemp = temporary(macBackup(m_backupDir));
    for (const SyncListEntry& entry : m_listArray) {
        if (entry.side == SyncSide::Phone) {
            continue;
        }
        if (checkpoint() == Outcome::Cancelled) {
            return Outcome::Cancelled;
        }
        // A link, device, FIFO or socket in a package is never copied into a
        // backup: a link would bring back whatever it points at on restore.
        const std::string package = Paths::packagePath(entry.name);
        const std::vector<SkippedItem> irregular = PackageFiles::irregularItems(package);
        if (!irregular.empty()) {
            return failed(quotedItemName(entry.name) + " was not backed up",
                          summary(irregular) + "; a backup holds only plain files and folders");
        }
        if (!FileManager::copyItem(package, macTemp + "/" + entry.name)) {
            return failed(quotedItemName(entry.name) + " could not be copied into the backup", {});
        }
    }
    if (m_ftp != nullptr) {
        const std::string phoneTemp = temporary(phoneBackup(m_backupDir));
        for (const SyncListEntry& entry : m_listArray) {
            if (entry.side == SyncSide::Mac) {
                continue;
            }
            if (!isAcceptableRemoteItemName(entry.name)) {
                continue;
            }
            const Outcome outcome = backUpPhoneDatabase(entry.name, phoneTemp + "/" + entry.name);
            if (outcome != Outcome::Done) {
                return outcome;
            }
        }
        if (!FileManager::moveItem(phoneTemp, phoneBackup(m_backupDir))) {
            return Outcome::Failed;
        }
    }
    return FileManager::moveItem(macTemp, macBackup(m_backupDir)) ? Outcome::Done : Outcome::Failed;
}

BackupManager::Outcome BackupManager::backUpPhoneDatabase(const std::string& name, const std::string& folder)
{
    const std::string what = "The companion's " + quotedItemName(name) + " was not backed up";
    if (!FileManager::createDirectory(folder) || !FileManager::createDirectory(folder + "/images")) {
        return failed(what, "its folder could not be made in the backup");
    }
    const std::string remote = remoteChild(m_remotePath, name);
    // A failed step fails the backup with the client's reason.
    const auto take = [&](Operation operation) {
        const Outcome outcome = step(std::move(operation));
        return outcome == Outcome::Failed ? failed(what, ftpFailure()) : outcome;
    };
    const DownloadLimits limits = m_limits;
    Outcome outcome = take([remote, folder, limits](FtpClient& ftp) {
        ftp.downloadRemoteFilePath(remote + "/database.db", folder + "/database.db", limits.fileBytes);
    });
    if (outcome != Outcome::Done) {
        return outcome;
    }
    outcome = take([remote](FtpClient& ftp) { ftp.listDir(remote + "/images/"); });
    if (outcome != Outcome::Done) {
        return outcome;
    }
    for (const std::string& file : listedFiles()) {
        outcome = take([remote, folder, file, limits](FtpClient& ftp) {
            ftp.downloadRemoteFilePath(remote + "/images/" + file, folder + "/images/" + file,
                                       limits.pictureBytes);
        });
        if (outcome != Outcome::Done) {
            return outcome;
        }
    }
    return Outcome::Done;
}

// -- Restore ------------------------------------------------------------------

bool BackupManager::startRestore(FtpClient* ftp, const std::string& remotePath, const BackupEntry& backupDir,
                                 std::vector<SyncListEntry> remoteArray, BackupManagerDelegate* delegate)
{
    m_ftp = ftp;
    m_remotePath = remotePath;
    m_backupDir = backupDir.stamp;
    m_restoreSide = backupDir.side;
    m_listArray = std::move(remoteArray);
    m_delegate = delegate;
    if (m_restoreSide != BackupSide::Mac && ftp == nullptr) {
        return false;
    }
    return start([this] { return runRestore(); }, false);
}

BackupManager::Outcome BackupManager::runRestore()
{
    const bool restoreMac = m_restoreSide != BackupSide::Phone;
    const bool restorePhone = m_restoreSide != BackupSide::Mac;
    const std::string macSource = macBackup(m_backupDir);
    const std::string phoneSource = phoneBackup(m_backupDir);
    // A side the backup does not hold is never emptied.
    if ((restoreMac && !FileManager::isDirectory(macSource)) ||
        (restorePhone && !FileManager::isDirectory(phoneSource))) {
        devLog("Restore: backup " + m_backupDir + " does not hold every side asked for");
        return Outcome::Failed;
    }
    const std::string databases = Paths::databasesFolder();
    std::vector<std::string> previous;
    std::vector<std::string> copied;
    const auto dropCopies = [&] {
        for (const auto& item : copied) {
            FileManager::removeItem(temporary(databases + "/" + item));
        }
    };
    if (restoreMac) {
        message("Restoring Mac");
        // The copies are made under the names an interrupted session may
        // have left behind: such a leftover goes first, so it is neither in
        // the way nor taken for a database to replace.
        for (const auto& item : FileManager::contentsOfDirectory(macSource)) {
            if (!FileManager::removeItem(temporary(databases + "/" + item))) {
                return failed(quotedItemName(item) + " could not be restored",
                              "a leftover copy is in the way of its own");
            }
        }
        previous = FileManager::contentsOfDirectory(databases);
        for (const auto& item : FileManager::contentsOfDirectory(macSource)) {
            const std::string copy = temporary(databases + "/" + item);
            if (checkpoint() == Outcome::Cancelled) {
                dropCopies();
                return Outcome::Cancelled;
            }
            if (!FileManager::removeItem(copy) || !FileManager::copyItem(macSource + "/" + item, copy)) {
                dropCopies();
                return failed(quotedItemName(item) + " could not be copied from the backup", {});
            }
            copied.push_back(item);
        }
    }
    std::vector<std::string> sent;
    if (restorePhone) {
        message("Restoring iPhone");
        for (const auto& item : FileManager::contentsOfDirectory(phoneSource)) {
            message("Restoring " + FileManager::deletingPathExtension(item));
            const Outcome outcome = sendPhoneDatabase(phoneSource + "/" + item, item);
            if (outcome != Outcome::Done) {
                dropCopies();
                return outcome;
            }
            sent.push_back(item);
        }
    }
    if (checkpoint() == Outcome::Cancelled) {
        dropCopies();
        return Outcome::Cancelled;
    }
    // From here on the databases are swapped: the swap runs to its end.
    m_finishing = true;
    message("Finishing");
    if (restoreMac && !replaceLocalDatabases(previous, copied)) {
        dropCopies();
        return Outcome::Failed;
    }
    return restorePhone ? replacePhoneDatabases(sent) : Outcome::Done;
}

// Only plain files of the backed-up package are sent, each opened without
// following a link; anything else is skipped and reported.
BackupManager::Outcome BackupManager::sendPhoneDatabase(const std::string& source, const std::string& item)
{
    const std::string what = quotedItemName(item) + " was not restored to the companion";
    std::string why;
    std::optional<PackageFiles> files = PackageFiles::open(source, &why);
    if (!files) {
        return failed(what, "its copy in the backup " + why);
    }
    const std::string remote = remoteChild(m_remotePath, item + "_temp");
    // What an earlier, interrupted restore left there is removed first; the
    // outcome does not matter.
    Outcome outcome = step([remote](FtpClient& ftp) { ftp.removeDirectory(remote); });
    if (outcome == Outcome::Cancelled) {
        return outcome;
    }
    const auto upload = [](FileHandle file, std::string target) -> Operation {
        auto shared = std::make_shared<FileHandle>(std::move(file));
        return [shared, target](FtpClient& ftp) { ftp.uploadLocalFile(std::move(*shared), target); };
    };
    const std::vector<Operation> folders{
        [this, item](FtpClient& ftp) { ftp.makeDirectoryName(item + "_temp", m_remotePath); },
        [remote](FtpClient& ftp) { ftp.makeDirectoryName("images", remote); }};
    for (const auto& operation : folders) {
        outcome = step(operation);
        if (outcome != Outcome::Done) {
            return outcome;
        }
    }
    FileHandle database = files->openFile("", "database.db");
    if (!database.isOpen()) {
        return failed(what, describeSkipped(files->skipped().back()));
    }
    outcome = step(upload(std::move(database), remote + "/database.db"));
    for (const auto& picture : files->filesIn("images")) {
        if (outcome != Outcome::Done) {
            break;
        }
        // One that changed since the listing is skipped, and noted.
        FileHandle file = files->openFile("images", picture);
        if (file.isOpen()) {
            outcome = step(upload(std::move(file), remote + "/images/" + picture));
        }
    }
    skipped(item, files->skipped());
    return outcome;
}

bool BackupManager::replaceLocalDatabases(const std::vector<std::string>& previous,
                                          const std::vector<std::string>& restored)
{
    const std::string databases = Paths::databasesFolder();
    for (const auto& item : restored) {
        PackageSwap::flush(temporary(databases + "/" + item));
    }
    // The databases in place go aside first and are deleted only once every
    // restored one is in; a failure puts them back.
    std::vector<std::pair<std::string, std::string>> asides;
    std::vector<std::string> placed;
    const auto rollBack = [&] {
        for (const auto& item : placed) {
            FileManager::removeItem(databases + "/" + item);
        }
        for (const auto& [aside, path] : asides) {
            PackageSwap::putBack(aside, path);
        }
        return false;
    };
    for (const auto& item : previous) {
        const std::string path = databases + "/" + item;
        if (!FileManager::exists(path)) {
            continue;
        }
        const auto aside = PackageSwap::moveAside(path);
        if (!aside) {
            return rollBack();
        }
        asides.emplace_back(*aside, path);
    }
    for (const auto& item : restored) {
        if (!FileManager::moveItem(temporary(databases + "/" + item), databases + "/" + item)) {
            return rollBack();
        }
        placed.push_back(item);
    }
    PackageSwap::flushFolder(databases);
    // Each previous copy is first renamed to a name the next start deletes:
    // left under its aside name, it would be put back then as if the restore
    // had stopped before it.
    std::optional<std::string> kept;
    for (const auto& [aside, path] : asides) {
        const std::string discarded = FileManager::siblingName(path, PackageRecovery::kDiscardedTag);
        if (!FileManager::moveItem(aside, discarded)) {
            kept = FileManager::lastPathComponent(path);
        } else if (!FileManager::removeItem(discarded)) {
            devLog("Restore: the previous copy '" + discarded + "' is left for the next start to delete");
        }
    }
    if (kept) {
        failed("The databases were restored, but the previous copy of " + quotedItemName(*kept) +
                   " could not be deleted and comes back at the next start",
               FileManager::lastFailure().reason);
        return false;
    }
    return true;
}

BackupManager::Outcome BackupManager::replacePhoneDatabases(const std::vector<std::string>& restored)
{
    std::vector<std::string> asides;
    std::vector<std::string> placed;
    const auto rename = [this](const std::string& from, const std::string& to) {
        return step([from = remoteChild(m_remotePath, from),
                     to = remoteChild(m_remotePath, to)](FtpClient& ftp) { ftp.renameDirectory(from, to); });
    };
    const auto rollBack = [&] {
        for (const auto& item : placed) {
            rename(item, item + "_temp");
        }
        for (const auto& name : asides) {
            rename(name + "_old", name);
        }
        return Outcome::Failed;
    };
    for (const SyncListEntry& entry : m_listArray) {
        if (!isAcceptableRemoteItemName(entry.name)) {
            continue;
        }
        const std::string stale = remoteChild(m_remotePath, entry.name + "_old");
        if (step([stale](FtpClient& ftp) { ftp.removeDirectory(stale); }) == Outcome::Cancelled) {
            return Outcome::Cancelled;
        }
        const Outcome outcome = rename(entry.name, entry.name + "_old");
        if (outcome == Outcome::Cancelled) {
            return outcome;
        }
        if (outcome == Outcome::Failed) {
            return rollBack();
        }
        asides.push_back(entry.name);
    }
    for (const auto& item : restored) {
        const Outcome outcome = rename(item + "_temp", item);
        if (outcome == Outcome::Cancelled) {
            return outcome;
        }
        if (outcome == Outcome::Failed) {
            return rollBack();
        }
        placed.push_back(item);
    }
    for (const auto& name : asides) {
        const std::string aside = remoteChild(m_remotePath, name + "_old");
        if (step([aside](FtpClient& ftp) { ftp.removeDirectory(aside); }) == Outcome::Failed) {
            devLog("Restore: the companion's previous copy '" + printableRemoteName(aside) + "' stays");
        }
    }
    return Outcome::Done;
}

} // namespace dossiva
