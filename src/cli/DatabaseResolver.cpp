#include "cli/DatabaseResolver.h"

#include "cli/CliCommand.h"

#include "library/DatabaseLibrary.h"
#include "library/LibraryNames.h"
#include "platform/FileManager.h"
#include "platform/Paths.h"

#include <algorithm>
#include <filesystem>

namespace dossiva::cli {

std::optional<std::string> DatabaseResolver::nameProblem(const std::string& name)
{
    const std::string shown = FileManager::deletingPathExtension(DatabaseLibrary::packageName(name));
    if (!isAcceptableLibraryName(shown)) {
        return refusedNameMessage(name);
    }
    return std::nullopt;
}

std::optional<std::string> DatabaseResolver::plainPackage(const std::string& name)
{
    if (const auto problem = nameProblem(name)) {
        fail(*problem);
        return std::nullopt;
    }
    return DatabaseLibrary::packageName(name);
}

std::optional<std::string> DatabaseResolver::existingPackage(const std::string& name)
{
    const auto package = plainPackage(name);
    if (!package) {
        return std::nullopt;
    }
    // The library lists the folders of the Databases folder; a link there
    // would lead outside the data tree.
    const auto listing = FileManager::contentsOfDirectory(Paths::databasesFolder());
    const std::string path = Paths::packagePath(*package);
    std::error_code error;
    const bool listed = std::find(listing.begin(), listing.end(), *package) != listing.end() &&
                        !std::filesystem::is_symlink(path, error) && FileManager::isDirectory(path);
    if (!listed) {
        fail("no database named \"" + FileManager::deletingPathExtension(*package) + "\"");
        return std::nullopt;
    }
    return package;
}

} // namespace dossiva::cli
