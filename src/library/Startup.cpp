#include "library/Startup.h"

#include "platform/FileManager.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "storage/PackageRecovery.h"

#include <string>

namespace dossiva {

namespace {

bool makeTree()
{
    const std::string home = Paths::homeDirectory();
    // A fresh Linux account has no "Library/Application Support"; the maker's
    // folder below it could never be made without its parents.
    const std::string makerFolder = home + Paths::kMakerFolder;
    if (!FileManager::isDirectory(makerFolder)) {
        const std::string parent = makerFolder.substr(0, makerFolder.rfind('/'));
        if (!FileManager::createDirectories(parent) || !FileManager::createDirectory(makerFolder)) {
            return false;
        }
    }
    for (const char* tail : {Paths::kAppFolder, Paths::kDatabasesFolder, Paths::kModelsFolder,
                             Paths::kBackupsFolder, Paths::kPhoneBackupsFolder, Paths::kMacBackupsFolder}) {
        const std::string folder = home + tail;
        // A plain file where a folder belongs would only fail every later
        // save, so it fails the start instead.
        if (!FileManager::isDirectory(folder) && !FileManager::createDirectory(folder)) {
            return false;
        }
    }
    return true;
}

void migrateLegacyPreferences()
{
    const std::string current = Paths::preferencesFile();
    const std::string legacy = Paths::legacyPreferencesFile();
    if (!FileManager::exists(current) && FileManager::exists(legacy)) {
        if (!FileManager::moveItem(legacy, current)) {
            devLog("Start-up: the settings of the earlier release could not be moved; starting afresh");
        }
    }
    UserDefaults::resetStandard();
}

void writeDefaultSettings()
{
    UserDefaults& defaults = UserDefaults::standard();
    if (!FileManager::exists(Paths::preferencesFile())) {
        defaults.setBool(kSUCheckAtStartupKey, true);
        defaults.setInteger(kSUScheduledCheckIntervalKey, 86400);
        defaults.synchronize();
    }
    if (!defaults.has(kSortingKey)) {
        defaults.setInteger(kSortingKey, 2);
    }
    if (!defaults.has(kBackupKey)) {
        defaults.setInteger(kBackupKey, 1);
        defaults.setInteger(kSTemplatesKey, 1);
    }
}

} // namespace

int prepareApplicationSupport()
{
    if (!makeTree()) {
        return -1;
    }
    PackageRecovery::recover();
    migrateLegacyPreferences();
    writeDefaultSettings();
    return 0;
}

} // namespace dossiva
