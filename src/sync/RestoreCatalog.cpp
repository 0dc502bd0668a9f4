#include "sync/RestoreCatalog.h"

#include "platform/DateFormat.h"
#include "platform/FileManager.h"
#include "platform/Paths.h"

#include <algorithm>
#include <charconv>

namespace dossiva {

namespace {

bool isUnfinished(const std::string& name)
{
    return name.find("_temp") != std::string::npos;
}

// The backups of one side's folder.
std::vector<std::string> backupsIn(const std::string& folder)
{
    std::vector<std::string> stamps;
    for (const auto& name : FileManager::contentsOfDirectory(folder)) {
        if (!isUnfinished(name)) {
            stamps.push_back(name);
        }
    }
    return stamps;
}

} // namespace

std::vector<BackupEntry> RestoreCatalog::listBackups(bool withPhone)
{
    std::vector<BackupEntry> entries;
    for (const auto& stamp : backupsIn(Paths::macBackupsFolder())) {
        entries.push_back({stamp, BackupSide::Mac});
    }
    if (withPhone) {
        for (const auto& stamp : backupsIn(Paths::phoneBackupsFolder())) {
            const auto both = std::find_if(entries.begin(), entries.end(),
                                           [&](const BackupEntry& entry) { return entry.stamp == stamp; });
            if (both != entries.end()) {
                both->side = BackupSide::Both;
            } else {
                entries.push_back({stamp, BackupSide::Phone});
            }
        }
    }
    std::sort(entries.begin(), entries.end(),
              [](const BackupEntry& a, const BackupEntry& b) { return a.stamp < b.stamp; });
    return entries;
}

bool RestoreCatalog::removeLeftovers()
{
    const auto lock = FileLock::tryAcquire(backupLockFile(), FileLock::Mode::Exclusive);
    if (!lock || !lock->held()) {
        return false;
    }
    for (const auto& folder : {Paths::macBackupsFolder(), Paths::phoneBackupsFolder()}) {
        for (const auto& name : FileManager::contentsOfDirectory(folder)) {
            if (isUnfinished(name)) {
                FileManager::removeItem(folder + "/" + name);
            }
        }
    }
    return true;
}

FileLock RestoreCatalog::holdBackupLock()
{
    return FileLock::acquire(backupLockFile(), FileLock::Mode::Shared);
}

std::string RestoreCatalog::backupLockFile()
{
    return Paths::backupsFolder() + "/.lock";
}

std::string RestoreCatalog::label(const std::string& stamp)
{
    std::int64_t seconds = 0;
    const auto [end, error] = std::from_chars(stamp.data(), stamp.data() + stamp.size(), seconds);
    if (error != std::errc() || end != stamp.data() + stamp.size()) {
        return stamp;
    }
    return DateFormat::withPattern("d MMMM yyyy HH:mm").format(seconds);
}

RestoreBoxes RestoreCatalog::boxesFor(int side)
{
    switch (side) {
    case BackupSide::Phone:
        return {false, false, true, true};
    case BackupSide::Both:
        return {true, true, true, true};
    default:
        return {true, true, false, false};
    }
}

std::optional<int> RestoreCatalog::restoreSide(const BackupEntry& backup, bool macTicked, bool phoneTicked,
                                               bool localOnly)
{
    const bool hasMac = backup.side != BackupSide::Phone;
    const bool hasPhone = backup.side != BackupSide::Mac;
    if (localOnly) {
        return hasMac ? std::optional<int>(BackupSide::Mac) : std::nullopt;
    }
    if ((macTicked && !hasMac) || (phoneTicked && !hasPhone)) {
        return std::nullopt;
    }
    if (macTicked && phoneTicked) {
        return BackupSide::Both;
    }
    if (macTicked) {
        return BackupSide::Mac;
    }
    if (phoneTicked) {
        return BackupSide::Phone;
    }
    return std::nullopt;
}

} // namespace dossiva
