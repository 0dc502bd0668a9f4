#pragma once

#include "platform/FileLock.h"

#include <optional>
#include <string>
#include <vector>

namespace dossiva {

// Which sides a backup covers, or which sides a restore replaces ("t").
namespace BackupSide {
inline constexpr int Mac = 0;
inline constexpr int Phone = 1;
inline constexpr int Both = 2;
} // namespace BackupSide

// One backup: {"n": its STAMP, "t": the sides it covers}.
struct BackupEntry {
    std::string stamp; // n
    int side = BackupSide::Mac;
};

// The state of the restore view's "Mac" and "iPhone" boxes for a backup.
struct RestoreBoxes {
    bool macEnabled = false;
    bool macTicked = false;
    bool phoneEnabled = false;
    bool phoneTicked = false;
};

// The backups the restore view offers, and what its boxes mean.
class RestoreCatalog {
public:
    // The backups of this computer and, with the phone, of the companion,
    // sorted by stamp; folders of backups being written (names containing
    // "_temp") are not backups yet.
    static std::vector<BackupEntry> listBackups(bool withPhone);

    // Deletes the leftovers of interrupted backups (names containing
    // "_temp"), unless a backup is being written: a running backup holds
    // the backup root's lock (see holdBackupLock()), so its folders are never
    // taken for leftovers. True when the clean-up ran.
    static bool removeLeftovers();
    // Held by a backup for as long as its "_temp" folders exist.
    static FileLock holdBackupLock();
    static std::string backupLockFile();

    // A stamp as the view shows it: the moment formatted "d MMMM yyyy HH:mm",
    // or the stamp itself when it is not a number.
    static std::string label(const std::string& stamp);

    static RestoreBoxes boxesFor(int side);

    // The sides to restore from the boxes: both when both are ticked, the
    // one ticked otherwise, only this computer in the local-only view.
    // nullopt when no box is ticked, or when a ticked side is not in the
    // backup: nothing may be replaced by a backup that does not hold it.
    static std::optional<int> restoreSide(const BackupEntry& backup, bool macTicked, bool phoneTicked,
                                          bool localOnly);
};

} // namespace dossiva
