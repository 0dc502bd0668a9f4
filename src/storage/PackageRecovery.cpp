#include "storage/PackageRecovery.h"

#include "platform/FileLock.h"
#include "platform/FileManager.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "storage/DatabaseFileCheck.h"

namespace dossiva {

namespace {

constexpr std::string_view kAsideSuffix = ".dossiva_old";
constexpr std::string_view kIncomingSuffix = ".dossiva_temp";

bool endsWith(const std::string& text, std::string_view tail)
{
    return text.size() > tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::string baseName(const std::string& entry, std::string_view suffix)
{
    return entry.substr(0, entry.size() - suffix.size());
}

std::string inFolder(const std::string& name)
{
    return Paths::databasesFolder() + "/" + name;
}

// Keeps a copy nobody can tell is complete where the library shows it.
bool keepAsRecovered(const std::string& entry, const std::string& name, std::vector<std::string>& done)
{
    const std::string recovered = PackageRecovery::recoveredName(name);
    if (!FileManager::moveItem(inFolder(entry), inFolder(recovered + ".dossiva"))) {
        return false;
    }
    done.push_back(entry + " was kept as \"" + recovered + "\"");
    return true;
}

void recoverAside(const std::string& entry, std::vector<std::string>& done)
{
    const std::string name = baseName(entry, kAsideSuffix);
    const std::string package = inFolder(name + ".dossiva");
    const std::string aside = inFolder(entry);
    if (!FileManager::exists(package)) {
        if (FileManager::moveItem(aside, package)) {
            done.push_back(name + " was put back from the copy an interrupted swap moved aside");
        }
        return;
    }
    if (PackageRecovery::isUsablePackage(package)) {
        if (FileManager::removeItem(aside)) {
            done.push_back("the earlier copy of " + name + " left by an interrupted swap was removed");
        }
        return;
    }
    if (!PackageRecovery::isUsablePackage(aside)) {
        keepAsRecovered(entry, name, done);
        return;
    }
    // The copy in place is broken and the aside one sound: the sound one
    // goes back, and only then is the broken one removed.
    const std::string broken = FileManager::siblingName(package, "broken");
    if (FileManager::moveItem(package, broken)) {
        if (FileManager::moveItem(aside, package)) {
            FileManager::removeItem(broken);
            done.push_back(name + " was put back from the copy an interrupted swap moved aside");
        } else {
            FileManager::moveItem(broken, package);
        }
    }
}

void recoverIncoming(const std::string& entry, std::vector<std::string>& done)
{
    const std::string name = baseName(entry, kIncomingSuffix);
    if (PackageRecovery::isUsablePackage(inFolder(name + ".dossiva"))) {
        if (FileManager::removeItem(inFolder(entry))) {
            done.push_back("an unfinished copy of " + name + " was removed");
        }
        return;
    }
    keepAsRecovered(entry, name, done);
}

} // namespace

bool PackageRecovery::isUsablePackage(const std::string& folder)
{
    return FileManager::isDirectory(folder) && isUsableDatabaseFile(folder + "/database.db");
}

std::string PackageRecovery::recoveredName(const std::string& name)
{
    std::string candidate = name + " (recovered)";
    for (int n = 2; FileManager::exists(inFolder(candidate + ".dossiva")); ++n) {
        candidate = name + " (recovered " + std::to_string(n) + ")";
    }
    return candidate;
}

bool PackageRecovery::isStagingFolder(const std::string& entry)
{
    return entry.size() > 1 && entry.front() == '.' && entry.find(".dossiva.import-") != std::string::npos;
}

std::vector<std::string> PackageRecovery::recover()
{
    std::vector<std::string> done;
    const auto lock = FileLock::tryAcquire(Paths::dataTreeLockFile(), FileLock::Mode::Exclusive);
    if (!lock) {
        return done;
    }
    for (const auto& entry : FileManager::contentsOfDirectory(Paths::databasesFolder())) {
        if (endsWith(entry, kAsideSuffix)) {
            recoverAside(entry, done);
        } else if (endsWith(entry, kIncomingSuffix)) {
            recoverIncoming(entry, done);
        } else if (isStagingFolder(entry)) {
            FileManager::removeItem(inFolder(entry));
        }
    }
    for (const auto& line : done) {
        devLog("Library: " + line);
    }
    return done;
}

} // namespace dossiva
