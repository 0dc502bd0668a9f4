#include "storage/PackageSwap.h"

#include "platform/FileLock.h"
#include "platform/FileManager.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "storage/PackageRecovery.h"

#include <fcntl.h>
#include <unistd.h>

namespace dossiva {

namespace {

constexpr const char* kDatabaseFile = "/database.db";

bool syncPath(const std::string& path, bool folder)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | (folder ? O_DIRECTORY : 0));
    if (fd < 0) {
        return false;
    }
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

std::string parentOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos || slash == 0 ? std::string("/") : path.substr(0, slash);
}

} // namespace

bool PackageSwap::hasJournal(const std::string& folder)
{
    return FileManager::exists(folder + kDatabaseFile + "-journal");
}

bool PackageSwap::flushFolder(const std::string& folder)
{
    return syncPath(folder, true);
}

bool PackageSwap::flush(const std::string& folder)
{
    const std::string database = folder + kDatabaseFile;
    if (FileManager::exists(database) && !syncPath(database, false)) {
        return false;
    }
    if (FileManager::isDirectory(folder + "/images") && !syncPath(folder + "/images", true)) {
        return false;
    }
    return syncPath(folder, true);
}

std::optional<std::string> PackageSwap::moveAside(const std::string& path)
{
    const std::string aside = asideName(path);
    // An aside copy beside a sound package in place is what an interrupted
    // swap left after the new copy went in. Beside a package that is not
    // sound it may be the last good copy: it stays, and nothing is swapped.
    if (FileManager::exists(aside)) {
        if (!PackageRecovery::isUsablePackage(path)) {
            devLog("Package swap: '" + aside +
                   "' may be the last sound copy; it is kept and nothing is swapped");
            return std::nullopt;
        }
        if (!FileManager::removeItem(aside)) {
            return std::nullopt;
        }
    }
    if (!FileManager::moveItem(path, aside)) {
        return std::nullopt;
    }
    return aside;
}

bool PackageSwap::putBack(const std::string& aside, const std::string& path)
{
    if (!FileManager::moveItem(aside, path)) {
        devLog("Package swap: the previous copy stays at '" + aside + "'; it could not be put back");
        return false;
    }
    return true;
}

bool PackageSwap::replace(const std::string& staged, const std::string& target)
{
    // While the swap is half done, the clean-up of interrupted work must
    // not take it for one.
    const FileLock lock = FileLock::acquire(Paths::dataTreeLockFile(), FileLock::Mode::Shared);
    if (hasJournal(staged) || hasJournal(target)) {
        devLog("Package swap: a journal is left beside '" + staged + "' or '" + target +
               "'; nothing is replaced");
        return false;
    }
    if (!flush(staged)) {
        devLog("Package swap: '" + staged + "' cannot be written to the disk; nothing is replaced");
        return false;
    }
    std::optional<std::string> aside;
    if (FileManager::exists(target)) {
        aside = moveAside(target);
        if (!aside) {
            return false;
        }
    }
    if (!FileManager::moveItem(staged, target)) {
        if (aside) {
            putBack(*aside, target);
        }
        return false;
    }
    flushFolder(parentOf(target));
    if (aside && !FileManager::removeItem(*aside)) {
        devLog("Package swap: the previous copy '" + *aside + "' could not be deleted");
    }
    return true;
}

} // namespace dossiva
