#pragma once

#include <string>

namespace dossiva {

// The application-support tree and the other places the program reads and
// writes, all formed from the home directory ($HOME) at the time of the call.
namespace Paths {

std::string homeDirectory();

// The literal tails appended to the home directory.
inline constexpr const char* kMakerFolder = "/Library/Application Support/Quorva";
inline constexpr const char* kAppFolder = "/Library/Application Support/Quorva/Dossiva";
inline constexpr const char* kDatabasesFolder = "/Library/Application Support/Quorva/Dossiva/Databases";
inline constexpr const char* kModelsFolder = "/Library/Application Support/Quorva/Dossiva/Models";
inline constexpr const char* kBackupsFolder = "/Library/Application Support/Quorva/Dossiva/Backups";
inline constexpr const char* kPhoneBackupsFolder =
    "/Library/Application Support/Quorva/Dossiva/Backups/iPhone";
inline constexpr const char* kMacBackupsFolder = "/Library/Application Support/Quorva/Dossiva/Backups/Mac";

inline constexpr const char* kPreferencesFileName = "com.quorva.Dossiva.plist";
// The file an earlier release kept its settings in.
inline constexpr const char* kLegacyPreferencesFileName = "com.quorva.DossivaMac.plist";

std::string appFolder();
std::string databasesFolder();
std::string modelsFolder();
std::string backupsFolder();
std::string phoneBackupsFolder();
std::string macBackupsFolder();

// The lock file of the data tree: work that leaves folders half made while
// it runs (a staged import, a swap of packages) holds it shared, and the
// clean-up of what interrupted work left holds it alone.
std::string dataTreeLockFile();

// A package's folder, its SQLite file, its images folder and one image file.
std::string packagePath(const std::string& packageName);
std::string databaseFile(const std::string& packageName);
std::string imagesFolder(const std::string& packageName);
std::string imageFile(const std::string& packageName, long long imageNumber);

std::string preferencesFolder();
std::string preferencesFile();
std::string legacyPreferencesFile();

// The folder holding "db models" and the other resources: $DOSSIVA_RESOURCE_DIR
// when set, else the build tree's resources when they exist, else the
// installed share folder.
std::string resourceDirectory();
// The resource folder of the built-in templates and of the empty base.
std::string modelsResourceFolder();
std::string emptyBaseDatabase();

} // namespace Paths
} // namespace dossiva
