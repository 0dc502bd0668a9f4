#include "platform/Paths.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <unistd.h>

namespace dossiva::Paths {

std::string homeDirectory()
{
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        return home;
    }
    // Without HOME (a service, a stripped environment) fall back to the
    // account's entry, as the shell does.
    if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr) {
        return entry->pw_dir;
    }
    return "/";
}

std::string appFolder()
{
    return homeDirectory() + kAppFolder;
}
std::string dataTreeLockFile()
{
    return appFolder() + "/.lock";
}
std::string databasesFolder()
{
    return homeDirectory() + kDatabasesFolder;
}
std::string modelsFolder()
{
    return homeDirectory() + kModelsFolder;
}
std::string backupsFolder()
{
    return homeDirectory() + kBackupsFolder;
}
std::string phoneBackupsFolder()
{
    return homeDirectory() + kPhoneBackupsFolder;
}
std::string macBackupsFolder()
{
    return homeDirectory() + kMacBackupsFolder;
}

std::string packagePath(const std::string& packageName)
{
    return databasesFolder() + "/" + packageName;
}

std::string databaseFile(const std::string& packageName)
{
    return packagePath(packageName) + "/database.db";
}

std::string imagesFolder(const std::string& packageName)
{
    return packagePath(packageName) + "/images";
}

std::string imageFile(const std::string& packageName, long long imageNumber)
{
    return imagesFolder(packageName) + "/" + std::to_string(imageNumber);
}

std::string preferencesFolder()
{
    return homeDirectory() + "/Library/Preferences";
}
std::string preferencesFile()
{
    return preferencesFolder() + "/" + kPreferencesFileName;
}
std::string legacyPreferencesFile()
{
    return preferencesFolder() + "/" + kLegacyPreferencesFileName;
}

std::string resourceDirectory()
{
    if (const char* dir = std::getenv("DOSSIVA_RESOURCE_DIR"); dir != nullptr && *dir != '\0') {
        return dir;
    }
    std::error_code error;
    // An installed program finds its resources beside itself in ../share;
    // a program run from the build tree finds the generated ones there.
    const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        const auto installed = executable.parent_path().parent_path() / "share" / "dossiva";
        if (std::filesystem::is_directory(installed / "db models", error)) {
            return installed.string();
        }
    }
    if (std::filesystem::is_directory(std::string(DOSSIVA_BUILD_RESOURCE_DIR) + "/db models", error)) {
        return DOSSIVA_BUILD_RESOURCE_DIR;
    }
    return DOSSIVA_INSTALL_RESOURCE_DIR;
}

std::string modelsResourceFolder()
{
    return resourceDirectory() + "/db models";
}
std::string emptyBaseDatabase()
{
    return modelsResourceFolder() + "/None.db";
}

} // namespace dossiva::Paths
