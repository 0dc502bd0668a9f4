// The databases of a sync, one at a time: sent when only this computer has
// them, taken when only the companion has them, merged when both have them.
// Packages are replaced so that the old copy stays until the new one is in
// place, on this computer and on the companion alike.
#include "sync/SyncManager.h"

#include "library/Startup.h"
#include "platform/Clock.h"
#include "platform/FileManager.h"
#include "platform/Log.h"
#include "platform/MainThread.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "storage/DBManager.h"
#include "storage/DatabaseFileCheck.h"
#include "storage/PackageRecovery.h"
#include "storage/PackageSwap.h"
#include "sync/RemoteNames.h"
#include "sync/SyncMerge.h"
#include "sync/TakenCopies.h"

namespace dossiva {

namespace {

// What the table of a structure conflict shows of one copy.
std::optional<ConflictCopy> readCopySummary(const std::string& packageName,
                                            std::vector<FieldDefinition>& structure)
{
    DBManager reader;
    reader.setReadOnly(true);
    std::optional<ConflictCopy> copy;
    if (reader.openDB(packageName)) {
        structure = reader.dbStructure();
        copy = ConflictCopy{reader.recordNum(), static_cast<std::int64_t>(structure.size()), std::nullopt};
        if (const auto dates = reader.getDates(); dates && (*dates)[1] > 0) {
            copy->editDate = (*dates)[1];
        }
    }
    return copy;
}

} // namespace

std::string SyncManager::stagingFolder()
{
    return Paths::packagePath(SyncMerge::stagingName(current().name));
}

std::string SyncManager::remoteFolder()
{
    return remoteChild(m_remotePath, current().name);
}

std::string SyncManager::remoteTemp()
{
    return remoteChild(m_remotePath, current().name + "_temp");
}

// The database is closed while a session runs: its copy is read and written
// through a store of its own, which touches nothing but the date (its
// pictures stay as they are sent or were received).
bool SyncManager::setSyncDate(const std::string& packageName, std::int64_t seconds)
{
    DBManager db;
    return db.openDBLazy(packageName) && db.setSyncDate(static_cast<double>(seconds));
}

std::int64_t SyncManager::syncDateOf(const std::string& packageName)
{
    DBManager reader;
    reader.setReadOnly(true);
    const auto dates = reader.openDBLazy(packageName) ? reader.getDates() : std::nullopt;
    return dates ? (*dates)[2] : -1;
}

// -- Choosing the next database -------------------------------------------------

void SyncManager::nextDatabase()
{
    m_syncingDBIndex = -1;
    // Nothing sent after a lost connection is answered: the session ends,
    // and the databases left are listed with that reason.
    if (m_ftpLog && m_ftpLog->connectionLost()) {
        disconnect();
        return;
    }
    // Phones-only databases go before the next merge: each finished database
    // starts the search again from the sends.
    for (const int side : {SyncSide::Mac, SyncSide::Phone, SyncSide::Both}) {
        for (std::size_t i = 0; i < m_localDBList.size(); ++i) {
            if (m_localDBList[i].side != side) {
                continue;
            }
            if (side == SyncSide::Mac) {
                startSend(i);
            } else if (side == SyncSide::Phone) {
                startTake(i);
            } else {
                startMerge(i);
            }
            return;
        }
    }
    if (!m_localDBList.empty()) {
        manageSyncingFromAsk();
        return;
    }
    if (UserDefaults::standard().integerForKey(kSTemplatesKey) != 0 && m_ftp && m_ftp->supportsTemplates()) {
        startTemplates();
        return;
    }
    disconnect();
}

void SyncManager::beginDatabase(std::size_t index, Stage stage, Step step)
{
    m_syncingDBIndex = static_cast<int>(index);
    m_remoteAside = false;
    m_dbImagesArray.clear();
    m_sendFiles.reset();
    m_failureReason.clear();
    showTitle("Syncing " + FileManager::deletingPathExtension(current().name));
    moveTo(stage, step);
}

void SyncManager::databaseSucceeded()
{
    noteSkippedItems();
    if (m_syncingDBIndex >= 0) {
        m_localDBList.erase(m_localDBList.begin() + m_syncingDBIndex);
    }
    nextDatabase();
}

void SyncManager::databaseFailed()
{
    unstampSend();
    if (m_syncingDBIndex >= 0) {
        noteSkippedItems();
        if (m_stage == Stage::Taking || m_stage == Stage::Merging) {
            FileManager::removeItem(stagingFolder());
        }
        m_errorDBList.push_back({current().name, m_failureReason});
        m_localDBList.erase(m_localDBList.begin() + m_syncingDBIndex);
        m_syncingDBIndex = -1;
    }
    // A stopped merge stops the session: the user asked for it to end.
    if (m_abortMerging) {
        disconnect();
        return;
    }
    nextDatabase();
}

void SyncManager::startSend(std::size_t index)
{
    beginDatabase(index, Stage::Sending, Step::MakeRemoteTemp);
    stampSend();
    startUpload();
}

void SyncManager::stampSend()
{
    const std::string& name = current().name;
    const std::int64_t before = syncDateOf(name);
    if (setSyncDate(name, Clock::nowSeconds())) {
        m_unsentSyncDate.emplace(name, before);
    } else {
        devLog("Sync: the sync date of " + printableRemoteName(name) + " cannot be set before sending it");
    }
}

void SyncManager::unstampSend()
{
    if (m_unsentSyncDate) {
        // A copy never synced before has no date (0) again.
        setSyncDate(m_unsentSyncDate->first, std::max<std::int64_t>(m_unsentSyncDate->second, 0));
        m_unsentSyncDate.reset();
    }
}

void SyncManager::startTake(std::size_t index)
{
    beginDatabase(index, Stage::Taking, Step::ReceiveDatabase);
    if (!prepareStaging(false)) {
        databaseFailed();
        return;
    }
    m_ftp->downloadRemoteFilePath(remoteFolder() + "/database.db", stagingFolder() + "/database.db",
                                  m_limits.fileBytes);
}

void SyncManager::startMerge(std::size_t index)
{
    beginDatabase(index, Stage::Merging, Step::ReceiveDatabase);
    if (!prepareStaging(true)) {
        databaseFailed();
        return;
    }
    m_ftp->downloadRemoteFilePath(remoteFolder() + "/database.db", stagingFolder() + "/database.db",
                                  m_limits.fileBytes);
}

void SyncManager::updateSyncingFromLocalStatus(int event)
{
    uploadEvent(event);
}

void SyncManager::updateSyncingFromRemoteStatus(int event)
{
    downloadEvent(event);
}

void SyncManager::updateSyncingFromBothStatus(int event)
{
    switch (m_step) {
    case Step::ReceiveDatabase:
    case Step::ListRemoteImages:
    case Step::ReceiveImages:
        downloadEvent(event);
        return;
    case Step::RunningMerge:
        if (event == MergeFinished && !m_abortMerging) {
            startUpload();
        } else {
            m_failureReason = m_abortMerging ? "the merge was stopped" : "the merge failed";
            databaseFailed();
        }
        return;
    default:
        uploadEvent(event);
        return;
    }
}

// -- Sending a package ------------------------------------------------------------

void SyncManager::startUpload()
{
    moveTo(m_stage, Step::MakeRemoteTemp);
    m_ftp->makeDirectoryName(current().name + "_temp", m_remotePath);
}

void SyncManager::uploadEvent(int event)
{
    const bool done = event < 16;
    switch (m_step) {
    case Step::MakeRemoteTemp:
        if (!done) {
            databaseFailed();
            return;
        }
        moveTo(m_stage, Step::MakeRemoteImages);
        m_ftp->makeDirectoryName("images", remoteTemp());
        return;
    case Step::MakeRemoteImages:
        if (!done) {
            uploadFailed();
            return;
        }
        sendDatabaseFile();
        return;
    case Step::SendDatabase:
        if (!done) {
            uploadFailed();
            return;
        }
        m_dbImagesArray = m_sendFiles->filesIn("images");
        moveTo(m_stage, Step::SendImages);
        sendNextImage();
        return;
    case Step::SendImages:
        if (!done) {
            uploadFailed();
            return;
        }
        sendNextImage();
        return;
    case Step::RemoveStaleAside:
        moveTo(m_stage, Step::MoveRemoteAside);
        m_ftp->renameDirectory(remoteFolder(), PackageSwap::asideName(remoteFolder()));
        return;
    case Step::MoveRemoteAside:
        if (!done) {
            uploadFailed();
            return;
        }
        m_remoteAside = true;
        moveTo(m_stage, Step::RenameRemoteIn);
        m_ftp->renameDirectory(remoteTemp(), remoteFolder());
        return;
    case Step::RenameRemoteIn:
        if (done) {
            // The companion holds the sent copy, with its date.
            m_unsentSyncDate.reset();
        }
        if (done && m_remoteAside) {
            moveTo(m_stage, Step::RemoveRemoteAside);
            m_ftp->removeDirectory(PackageSwap::asideName(remoteFolder()));
        } else if (done) {
            uploadDone();
        } else if (m_remoteAside) {
            moveTo(m_stage, Step::PutRemoteBack);
            m_ftp->renameDirectory(PackageSwap::asideName(remoteFolder()), remoteFolder());
        } else {
            uploadFailed();
        }
        return;
    case Step::PutRemoteBack:
        if (!done) {
            devLog("Sync: the companion's previous copy stays at '" +
                   printableRemoteName(PackageSwap::asideName(remoteFolder())) + "'");
        }
        m_remoteAside = false;
        uploadFailed();
        return;
    case Step::RemoveRemoteAside:
        if (!done) {
            devLog("Sync: the companion's previous copy '" +
                   printableRemoteName(PackageSwap::asideName(remoteFolder())) + "' stays");
        }
        uploadDone();
        return;
    case Step::RemoveRemoteTemp:
        databaseFailed();
        return;
    default:
        return;
    }
}

// Only the plain files inside the package are sent, each opened without
// following a link: a package whose images folder links elsewhere must not
// send what it points at.
void SyncManager::sendDatabaseFile()
{
    const std::string source =
        m_stage == Stage::Merging ? stagingFolder() : Paths::packagePath(current().name);
    std::string why;
    m_sendFiles = PackageFiles::open(source, &why);
    FileHandle database = m_sendFiles ? m_sendFiles->openFile("", "database.db") : FileHandle();
    if (!database.isOpen()) {
        m_failureReason = m_sendFiles ? describeSkipped(m_sendFiles->skipped().back()) : "the package " + why;
        m_sendFiles.reset();
        uploadFailed();
        return;
    }
    moveTo(m_stage, Step::SendDatabase);
    m_ftp->uploadLocalFile(std::move(database), remoteTemp() + "/database.db");
}

void SyncManager::sendNextImage()
{
    while (!m_dbImagesArray.empty()) {
        const std::string name = m_dbImagesArray.back();
        m_dbImagesArray.pop_back();
        // One that changed since the listing is skipped, and noted.
        FileHandle file = m_sendFiles->openFile("images", name);
        if (file.isOpen()) {
            m_ftp->uploadLocalFile(std::move(file), remoteTemp() + "/images/" + name);
            return;
        }
    }
    placeRemoteCopy();
}

void SyncManager::noteSkippedItems()
{
    if (m_sendFiles && m_syncingDBIndex >= 0) {
        for (const SkippedItem& item : m_sendFiles->skipped()) {
            m_skippedItems.push_back(quotedItemName(current().name) + ": " + describeSkipped(item));
            devLog("Sync: not sent: " + m_skippedItems.back());
        }
    }
    m_sendFiles.reset();
}

void SyncManager::placeRemoteCopy()
{
    // The companion's copy, when it has one, goes aside and is removed only
    // once the new one is in place.
    const bool companionHasCopy = m_stage == Stage::Merging || current().conflict.has_value();
    if (companionHasCopy) {
        moveTo(m_stage, Step::RemoveStaleAside);
        m_ftp->removeDirectory(PackageSwap::asideName(remoteFolder()));
        return;
    }
    moveTo(m_stage, Step::RenameRemoteIn);
    m_ftp->renameDirectory(remoteTemp(), remoteFolder());
}

void SyncManager::uploadFailed()
{
    moveTo(m_stage, Step::RemoveRemoteTemp);
    m_ftp->removeDirectory(remoteTemp());
}

void SyncManager::uploadDone()
{
    if (m_stage == Stage::Merging) {
        finishMergeUpload();
        return;
    }
    TakenCopies::forget(current().name);
    note("Sent " + printableRemoteName(FileManager::deletingPathExtension(current().name)));
    databaseSucceeded();
}

// -- Receiving a package ------------------------------------------------------------

bool SyncManager::prepareStaging(bool forMerge)
{
    const std::string staging = stagingFolder();
    // A staging folder is never the only copy of anything: one left by an
    // interrupted session goes.
    if (!FileManager::removeItem(staging) ||
        !PackageRecovery::makeReceivedCopy(staging, Paths::packagePath(current().name)) ||
        !FileManager::createDirectory(staging + "/images") ||
        (forMerge && !FileManager::createDirectory(SyncMerge::phonePicturesFolder(current().name)))) {
        m_failureReason = "its staging folder could not be made on this computer";
        FileManager::removeItem(staging);
        return false;
    }
    return true;
}

void SyncManager::downloadEvent(int event)
{
    switch (m_step) {
    case Step::ReceiveDatabase:
        if (event != FileReceived) {
            databaseFailed();
            return;
        }
        // The companion's file is read only once it is known to be a sound
        // database with the tables of a package.
        if (const auto problem = databaseFileProblem(stagingFolder() + "/database.db")) {
            m_failureReason = "the companion's copy cannot be used: " + *problem;
            databaseFailed();
            return;
        }
        if (m_stage == Stage::Merging && !compareStructures()) {
            return;
        }
        moveTo(m_stage, Step::ListRemoteImages);
        m_ftp->listDir(remoteFolder() + "/images/");
        return;
    case Step::ListRemoteImages:
        if (event != ImagesListed) {
            databaseFailed();
            return;
        }
        moveTo(m_stage, Step::ReceiveImages);
        receiveNextImage();
        return;
    case Step::ReceiveImages:
        if (event != FileReceived) {
            databaseFailed();
            return;
        }
        receiveNextImage();
        return;
    default:
        return;
    }
}

void SyncManager::receiveNextImage()
{
    if (m_dbImagesArray.empty()) {
        if (m_stage == Stage::Taking) {
            finishTake();
        } else {
            startMergeWorker();
        }
        return;
    }
    const std::string name = m_dbImagesArray.back();
    m_dbImagesArray.pop_back();
    const std::string target = m_stage == Stage::Taking
                                   ? stagingFolder() + "/images/"
                                   : SyncMerge::phonePicturesFolder(current().name) + "/";
    m_ftp->downloadRemoteFilePath(remoteFolder() + "/images/" + name, target + name, m_limits.pictureBytes);
}

bool SyncManager::compareStructures()
{
    std::vector<FieldDefinition> macStructure;
    std::vector<FieldDefinition> phoneStructure;
    const auto mac = readCopySummary(current().name, macStructure);
    const auto phone = readCopySummary(SyncMerge::stagingName(current().name), phoneStructure);
    if (!mac || !phone) {
        m_failureReason = mac ? "the companion's copy cannot be read" : "this computer's copy cannot be read";
        databaseFailed();
        return false;
    }
    if (!SyncMerge::checkStrctureDifferencesLocal(macStructure, phoneStructure)) {
        return true;
    }
    current().conflict = std::array<ConflictCopy, 2>{*mac, *phone};
    current().side = SyncSide::Conflict;
    FileManager::removeItem(stagingFolder());
    nextDatabase();
    return false;
}

void SyncManager::finishTake()
{
    // The copy taken carries the moment of the take as its sync date. The
    // companion's copy keeps the date it had, which this computer remembers
    // with that moment: until the companion's copy changes, the two were
    // last equal then.
    const std::string staging = SyncMerge::stagingName(current().name);
    const TakenCopy taken{syncDateOf(staging), Clock::nowSeconds()};
    if (!setSyncDate(staging, taken.takenAt)) {
        devLog("Sync: the copy of " + printableRemoteName(current().name) + " taken cannot be dated");
    }
    TakenCopies::remember(current().name, taken);
    if (!placeStaging()) {
        databaseFailed();
        return;
    }
    note("Taken " + printableRemoteName(FileManager::deletingPathExtension(current().name)));
    databaseSucceeded();
}

bool SyncManager::placeStaging()
{
    DBManager::sharedIstance().openDB();
    const std::string package = Paths::packagePath(current().name);
    if (!PackageSwap::replace(stagingFolder(), package)) {
        m_failureReason = "this computer's copy could not be replaced";
        return false;
    }
    PackageRecovery::unmarkReceived(package);
    return true;
}

// -- Merging ------------------------------------------------------------------------

void SyncManager::startMergeWorker()
{
    moveTo(Stage::Merging, Step::RunningMerge);
    m_mergeStop = std::stop_source();
    m_mergingThread =
        std::thread([alive = m_alive, this, name = current().name, taken = TakenCopies::find(current().name),
                     stop = m_mergeStop.get_token()] {
            const bool merged = SyncMerge::mergingThread(name, taken, stop);
            MainThread::post([alive, this, merged] {
                if (*alive) {
                    mergingResult(merged);
                }
            });
        });
}

void SyncManager::mergingResult(bool merged)
{
    if (m_mergingThread.joinable()) {
        m_mergingThread.join();
    }
    handleEvent(merged ? MergeFinished : failure(MergeFinished));
}

void SyncManager::finishMergeUpload()
{
    if (!placeStaging()) {
        databaseFailed();
        return;
    }
    TakenCopies::forget(current().name);
    note("Merged " + printableRemoteName(FileManager::deletingPathExtension(current().name)));
    databaseSucceeded();
}

} // namespace dossiva
