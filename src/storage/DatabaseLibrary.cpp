#include "storage/DatabaseLibrary.h"

#include "platform/Clock.h"
#include "platform/FileManager.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "storage/DBManager.h"
#include "storage/DatabaseFileCheck.h"
#include "storage/LibraryNames.h"
#include "storage/SqliteConnection.h"
#include "storage/TemplateCatalog.h"

#include <algorithm>
#include <cctype>

namespace dossiva {

namespace {

constexpr const char* kPackageExtension = "dossiva";

std::string lowered(const std::string& text)
{
    std::string result = text;
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

std::string displayName(const std::string& packageName)
{
    return FileManager::deletingPathExtension(packageName);
}

bool isPackageFolder(const std::string& path)
{
    return FileManager::isDirectory(path) && isUsableDatabaseFile(path + "/database.db");
}

// Copies a file or folder to a destination that may already exist: the copy
// is made beside it first, so a failure leaves what was there.
bool copyReplacing(const std::string& source, const std::string& destination)
{
    const std::string staging = destination + ".partial";
    FileManager::removeItem(staging);
    if (!FileManager::copyItem(source, staging)) {
        return false;
    }
    if (!FileManager::removeItem(destination) || !FileManager::moveItem(staging, destination)) {
        FileManager::removeItem(staging);
        return false;
    }
    return true;
}

} // namespace

DatabaseLibrary::DatabaseLibrary(Alerts& alerts, std::function<void()> pause)
    : m_alerts(alerts), m_pause(pause ? std::move(pause) : [] {})
{
}

std::string DatabaseLibrary::packageName(const std::string& name)
{
    return FileManager::pathExtension(name) == kPackageExtension ? name : name + "." + kPackageExtension;
}

LibraryEntry DatabaseLibrary::readEntry(const std::string& packageName) const
{
    LibraryEntry entry;
    entry.name = packageName;
    DBManager& db = DBManager::sharedIstance();
    if (db.openDBLazy(packageName)) {
        if (const auto dates = db.getDates()) {
            entry.created = (*dates)[0];
            entry.edited = (*dates)[1];
        }
        if (auto background = db.getBackground()) {
            entry.background = std::make_shared<const Image>(std::move(*background));
        }
    }
    return entry;
}

void DatabaseLibrary::loadDbArray()
{
    m_entries.clear();
    const std::string folder = Paths::databasesFolder();
    for (const auto& name : FileManager::contentsOfDirectory(folder)) {
        const std::string extension = FileManager::pathExtension(name);
        if (extension == "dossiva_temp") {
            FileManager::removeItem(folder + "/" + name);
        } else if (extension == kPackageExtension && FileManager::isDirectory(folder + "/" + name)) {
            m_entries.push_back(readEntry(name));
        }
    }
    DBManager::sharedIstance().openDB();
    sortBySettings();
}

const LibraryEntry* DatabaseLibrary::entry(const std::string& packageName) const
{
    const auto found = std::find_if(m_entries.begin(), m_entries.end(),
                                    [&](const LibraryEntry& entry) { return entry.name == packageName; });
    return found == m_entries.end() ? nullptr : &*found;
}

void DatabaseLibrary::sortBy(int sorting, bool ascending)
{
    const auto before = [sorting](const LibraryEntry& a, const LibraryEntry& b) {
        switch (sorting) {
        case 0:
            return lowered(a.name) < lowered(b.name);
        case 1:
            return a.edited < b.edited;
        default:
            return a.created < b.created;
        }
    };
    std::stable_sort(m_entries.begin(), m_entries.end(), [&](const LibraryEntry& a, const LibraryEntry& b) {
        return ascending ? before(a, b) : before(b, a);
    });
}

void DatabaseLibrary::sortBySettings()
{
    const UserDefaults& defaults = UserDefaults::standard();
    sortBy(static_cast<int>(defaults.integerForKey("Sorting")), defaults.integerForKey("DBSortOrder") != 0);
}

void DatabaseLibrary::setEditDate(const std::string& packageName, std::int64_t seconds)
{
    for (auto& entry : m_entries) {
        if (entry.name == packageName) {
            entry.edited = seconds;
        }
    }
    sortBySettings();
}

void DatabaseLibrary::setBackground(const std::string& packageName, ImagePtr background)
{
    for (auto& entry : m_entries) {
        if (entry.name == packageName) {
            entry.background = background;
        }
    }
}

// ---------------------------------------------------------------------------
// New databases

DatabaseLibrary::CreateResult DatabaseLibrary::createNewDatabase(int row, const std::string& name)
{
    const auto file = TemplateCatalog::builtInTemplateFile(row);
    if (!file) {
        return CreateResult::Failed;
    }
    return createFromFile(*file, name);
}

DatabaseLibrary::CreateResult
DatabaseLibrary::createNewDatabaseCustomTemplate(const std::string& templateName, const std::string& name)
{
    if (!isAcceptableLibraryName(templateName)) {
        return CreateResult::Failed;
    }
    return createFromFile(TemplateCatalog::customTemplateFile(templateName), name);
}

DatabaseLibrary::CreateResult DatabaseLibrary::createFromFile(const std::string& templateFile,
                                                              const std::string& name)
{
    if (!isAcceptableLibraryName(name)) {
        m_alerts.inform("Warning", refusedNameMessage(name));
        return CreateResult::Failed;
    }
    const std::string package = packageName(name);
    const std::string folder = Paths::packagePath(package);
    if (FileManager::exists(folder)) {
        return CreateResult::NameTaken;
    }
    DBManager& db = DBManager::sharedIstance();
    const bool made = isUsableDatabaseFile(templateFile) && FileManager::createDirectory(folder) &&
                      FileManager::createDirectory(Paths::imagesFolder(package)) &&
                      FileManager::copyItem(templateFile, Paths::databaseFile(package)) &&
                      db.openDB(package) && db.createGeneralInfoTable();
    if (!made) {
        // Never leave a half-made package in the library.
        db.openDB();
        FileManager::removeItem(folder);
        m_alerts.inform("Error", "The database \"" + name + "\" could not be created.");
        return CreateResult::Failed;
    }
    m_entries.push_back({package, Clock::nowSeconds(), -1, nullptr});
    if (auto background = db.getBackground()) {
        m_entries.back().background = std::make_shared<const Image>(std::move(*background));
    }
    sortBySettings();
    return CreateResult::Created;
}

// ---------------------------------------------------------------------------
// Copies, renames and deletions

std::optional<std::string> DatabaseLibrary::duplicateDB(const std::string& packageName)
{
    const std::string copy = displayName(packageName) + " Copy." + kPackageExtension;
    const LibraryEntry* original = entry(packageName);
    if (original == nullptr || !isAcceptableLibraryName(displayName(copy)) ||
        !FileManager::copyItem(Paths::packagePath(packageName), Paths::packagePath(copy))) {
        m_alerts.inform("Error", "Error duplicanting db");
        return std::nullopt;
    }
    LibraryEntry duplicate = *original;
    duplicate.name = copy;
    m_entries.push_back(std::move(duplicate));
    sortBySettings();
    DBManager::sharedIstance().openDB(copy);
    return copy;
}

bool DatabaseLibrary::deleteDatabase(const std::string& packageName)
{
    const AlertAnswer answer =
        m_alerts.ask({"Delete Database",
                      "Are you sure you want to delete the database \"" + displayName(packageName) + "\"?",
                      {"Delete", "Cancel"},
                      false,
                      {}});
    if (answer.button != 0) {
        return false;
    }
    DBManager::sharedIstance().openDB();
    if (!FileManager::removeItem(Paths::packagePath(packageName))) {
        m_alerts.inform("Warning", "The database \"" + displayName(packageName) + "\" could not be deleted.");
        return false;
    }
    std::erase_if(m_entries, [&](const LibraryEntry& entry) { return entry.name == packageName; });
    return true;
}

bool DatabaseLibrary::renameDatabase(const std::string& packageName, const std::string& newName)
{
    if (newName.empty() || newName == displayName(packageName)) {
        return false;
    }
    if (!isAcceptableLibraryName(newName)) {
        m_alerts.inform("Warning", refusedNameMessage(newName));
        return false;
    }
    const std::string renamed = this->packageName(newName);
    if (FileManager::exists(Paths::packagePath(renamed))) {
        m_alerts.inform("Warning", "Database " + newName + " already exists");
        return false;
    }
    DBManager& db = DBManager::sharedIstance();
    db.openDB();
    if (!FileManager::moveItem(Paths::packagePath(packageName), Paths::packagePath(renamed))) {
        m_alerts.inform("Warning", "The database \"" + displayName(packageName) + "\" could not be renamed.");
        return false;
    }
    for (auto& entry : m_entries) {
        if (entry.name == packageName) {
            entry.name = renamed;
        }
    }
    db.openDB(renamed);
    db.setEditDate(Clock::now());
    setEditDate(renamed, Clock::nowSeconds());
    NotificationCenter::defaultCenter().post(kDBChangedNotification, this);
    return true;
}

// ---------------------------------------------------------------------------
// Exchange with other places

void DatabaseLibrary::finishCopy(const std::string& title, const std::string& message)
{
    m_pause();
    m_alerts.endProgress();
    m_alerts.inform(title, message);
}

bool DatabaseLibrary::exportDossivaFile(const std::string& packageName, const std::string& destination)
{
    m_alerts.beginProgress("Exporting", "Exporting " + displayName(packageName) + " database...");
    if (!copyReplacing(Paths::packagePath(packageName), destination)) {
        m_alerts.endProgress();
        m_alerts.inform("Warning", "Error during export of database");
        return false;
    }
    finishCopy("Success", "Database exported successfully");
    return true;
}

bool DatabaseLibrary::exportTemplate(const std::string& packageName, const std::string& destination)
{
    m_alerts.beginProgress("Exporting", "Exporting database template...");
    const std::string staging = destination + ".partial";
    FileManager::removeItem(staging);
    bool written = FileManager::copyItem(Paths::databaseFile(packageName), staging);
    if (written) {
        // A template keeps fields and layout only; vacuuming drops the pages
        // the deleted records were on, so none of their text ships with it.
        SqliteConnection copy(staging, SqliteConnection::Mode::ReadWrite);
        written = copy.isOpen() && copy.exec("delete from data_table") &&
                  copy.exec("delete from general_info") && copy.exec("vacuum");
    }
    written = written && FileManager::removeItem(destination) && FileManager::moveItem(staging, destination);
    if (!written) {
        FileManager::removeItem(staging);
        m_alerts.endProgress();
        m_alerts.inform("Warning", "Error during export of database template");
        return false;
    }
    finishCopy("Success", "Database template exported successfully");
    return true;
}

std::optional<std::string>
DatabaseLibrary::askFreeName(std::string name, const std::function<bool(const std::string&)>& taken,
                             const std::function<AlertRequest(const std::string&)>& question)
{
    while (taken(name) || !isAcceptableLibraryName(name)) {
        if (!taken(name)) {
            m_alerts.inform("Warning", refusedNameMessage(name));
        }
        const AlertAnswer answer = m_alerts.ask(question(name));
        if (answer.button != 0 || answer.text.empty()) {
            return std::nullopt;
        }
        name = answer.text;
    }
    return name;
}

std::optional<std::string> DatabaseLibrary::importDossivaFile(const std::string& path)
{
    const std::string original = displayName(FileManager::lastPathComponent(path));
    if (!isPackageFolder(path)) {
        m_alerts.inform("Warning", "Error during import of " + original + " database");
        return std::nullopt;
    }
    const auto name = askFreeName(
        original,
        [this](const std::string& n) { return FileManager::exists(Paths::packagePath(packageName(n))); },
        [](const std::string& n) {
            return AlertRequest{
                "A database \"" + n + "\" already exist",
                "A Database \"" + n +
                    "\" already exists.\nPlease enter a new name for the database to import or cancel.",
                {"OK", "Cancel"},
                true,
                {}};
        });
    if (!name) {
        return std::nullopt;
    }
    const std::string package = packageName(*name);
    m_alerts.beginProgress("Importing", "Importing " + *name + " database...");
    if (!FileManager::copyItem(path, Paths::packagePath(package))) {
        m_alerts.endProgress();
        m_alerts.inform("Warning", "Error during import of " + *name + " database");
        return std::nullopt;
    }
    // A package from elsewhere may lack its pictures folder.
    if (!FileManager::isDirectory(Paths::imagesFolder(package))) {
        FileManager::createDirectory(Paths::imagesFolder(package));
    }
    m_entries.push_back(readEntry(package));
    sortBySettings();
    DBManager::sharedIstance().openDB(package);
    finishCopy("Success", "Database " + *name + " imported successfully");
    return package;
}

bool DatabaseLibrary::importTemplate(const std::string& path)
{
    const std::string original = displayName(FileManager::lastPathComponent(path));
    if (!isUsableDatabaseFile(path)) {
        m_alerts.inform("Warning", "Error during import of " + original + " database template");
        return false;
    }
    const auto name = askFreeName(
        original,
        [](const std::string& n) { return FileManager::exists(TemplateCatalog::customTemplateFile(n)); },
        [](const std::string& n) {
            return AlertRequest{
                "Warning",
                "A Template \"" + n +
                    "\" already exists.\nPlease enter a new name for the template to import or cancel.",
                {"OK", "Cancel"},
                true,
                {}};
        });
    if (!name) {
        return false;
    }
    if (!FileManager::copyItem(path, TemplateCatalog::customTemplateFile(*name))) {
        m_alerts.inform("Warning", "Error during import of " + *name + " database template");
        return false;
    }
    m_alerts.inform("Success", "Database template " + *name + " imported successfully");
    return true;
}

void DatabaseLibrary::importedCSVDB(const std::string& packageName)
{
    m_entries.push_back(readEntry(packageName));
    DBManager::sharedIstance().openDB(packageName);
    sortBySettings();
}

// ---------------------------------------------------------------------------
// The last database

void DatabaseLibrary::rememberOpenedDB(const std::optional<std::string>& selectedPackage)
{
    UserDefaults& defaults = UserDefaults::standard();
    if (selectedPackage) {
        defaults.setString("LastDB", *selectedPackage);
    } else {
        defaults.remove("LastDB");
    }
}

std::optional<std::string> DatabaseLibrary::openPrevious() const
{
    const auto last = UserDefaults::standard().stringForKey("LastDB");
    if (!last || m_entries.empty()) {
        return std::nullopt;
    }
    return entry(*last) ? *last : m_entries.front().name;
}

} // namespace dossiva
