#include "library/DatabaseLibrary.h"

#include "library/LibraryNames.h"
#include "library/TemplateCatalog.h"
#include "library/TemplateLikeness.h"
#include "platform/Clock.h"
#include "platform/FileLock.h"
#include "platform/FileManager.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "platform/Trash.h"
#include "platform/UserDefaults.h"
#include "records/CaseFolding.h"
#include "storage/DBManager.h"
#include "storage/DatabaseFileCheck.h"
#include "storage/PackageRecovery.h"
#include "storage/PackageSwap.h"
#include "storage/SqliteConnection.h"

#include <algorithm>
#include <filesystem>
#include <map>

namespace dossiva {

namespace {

constexpr const char* kPackageExtension = "dossiva";

std::string displayName(const std::string& packageName)
{
    return FileManager::deletingPathExtension(packageName);
}

// Puts a staged copy at `destination`: what was there is moved aside first
// and removed only once the copy is in place, or put back when it cannot be.
bool placeReplacing(const std::string& staged, const std::string& destination)
{
    std::optional<std::string> aside;
    if (FileManager::exists(destination)) {
        aside = FileManager::siblingName(destination, "old");
        if (!FileManager::moveItem(destination, *aside)) {
            return false;
        }
    }
    if (!FileManager::moveItem(staged, destination)) {
        if (aside) {
            FileManager::moveItem(*aside, destination);
        }
        FileManager::removeItem(staged);
        return false;
    }
    if (aside) {
        FileManager::removeItem(*aside);
    }
    return true;
}

// A picture scaled down to fit a square of `side` pixels; null for no picture.
ImagePtr thumbnailOf(const Image& picture, int side)
{
    if (picture.isNull()) {
        return nullptr;
    }
    const double scale =
        std::min(1.0, static_cast<double>(side) / std::max(picture.width(), picture.height()));
    return std::make_shared<const Image>(
        picture.scaled(std::max(1, static_cast<int>(picture.width() * scale)),
                       std::max(1, static_cast<int>(picture.height() * scale))));
}

// A path with its folders' links resolved, for comparing places.
std::filesystem::path resolved(const std::string& path)
{
    std::error_code error;
    const auto canonical = std::filesystem::weakly_canonical(std::filesystem::absolute(path, error), error);
    return error ? std::filesystem::path(path).lexically_normal() : canonical;
}

bool isWithin(const std::filesystem::path& inner, const std::filesystem::path& outer)
{
    auto [end, _] = std::mismatch(outer.begin(), outer.end(), inner.begin(), inner.end());
    return end == outer.end();
}

} // namespace

DatabaseLibrary::DatabaseLibrary(Alerts& alerts) : m_alerts(alerts)
{
}

DatabaseLibrary::~DatabaseLibrary() = default;

std::string DatabaseLibrary::packageName(const std::string& name)
{
    return FileManager::pathExtension(name) == kPackageExtension ? name : name + "." + kPackageExtension;
}

LibraryEntry DatabaseLibrary::readEntry(const std::string& packageName) const
{
    LibraryEntry entry;
    entry.name = packageName;
    // Its own reader: listing never disturbs the database that is open.
    DBManager reader;
    reader.setReadOnly(true);
    if (reader.openDBLazy(packageName)) {
        if (const auto dates = reader.getDates()) {
            entry.created = (*dates)[0];
            entry.edited = (*dates)[1];
        }
    }
    return entry;
}

void DatabaseLibrary::loadDbArray()
{
    PackageRecovery::recover();
    m_entries.clear();
    m_likeness.reset(); // the custom templates may have changed too
    const std::string folder = Paths::databasesFolder();
    for (const auto& name : FileManager::contentsOfDirectory(folder)) {
        if (FileManager::pathExtension(name) == kPackageExtension &&
            FileManager::isDirectory(folder + "/" + name)) {
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
    std::map<std::string, std::string> nameKeys;
    if (sorting == 0) {
        for (const auto& entry : m_entries) {
            nameKeys.emplace(entry.name, CaseFolding::sortKey(entry.name));
        }
    }
    const auto before = [sorting, &nameKeys](const LibraryEntry& a, const LibraryEntry& b) {
        switch (sorting) {
        case 0:
            return nameKeys.at(a.name) < nameKeys.at(b.name);
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
            // Without a size to make it at yet, it is made when first shown.
            entry.background = background && entry.thumbnailSide > 0
                                   ? thumbnailOf(*background, entry.thumbnailSide)
                                   : nullptr;
        }
    }
}

ImagePtr DatabaseLibrary::backgroundThumbnail(const std::string& packageName, int side)
{
    auto found = std::find_if(m_entries.begin(), m_entries.end(),
                              [&](const LibraryEntry& entry) { return entry.name == packageName; });
    if (found == m_entries.end() || side <= 0) {
        return nullptr;
    }
    if (found->thumbnailSide != side) {
        DBManager reader;
        reader.setReadOnly(true);
        found->background = nullptr;
        if (reader.openDBLazy(packageName)) {
            if (const auto picture = reader.getBackground()) {
                found->background = thumbnailOf(*picture, side);
            }
        }
        found->thumbnailSide = side;
    }
    return found->background;
}

std::string DatabaseLibrary::templateIcon(const std::string& packageName)
{
    auto found = std::find_if(m_entries.begin(), m_entries.end(),
                              [&](const LibraryEntry& entry) { return entry.name == packageName; });
    if (found == m_entries.end()) {
        return {};
    }
    if (!found->templateIcon) {
        if (!m_likeness) {
            m_likeness = std::make_unique<TemplateLikeness>();
        }
        found->templateIcon = m_likeness->iconFor(packageName);
    }
    return *found->templateIcon;
}

// ---------------------------------------------------------------------------
// New databases

DatabaseLibrary::CreateResult DatabaseLibrary::createNewDatabase(int row, const std::string& name)
{
    const auto file = TemplateCatalog::builtInTemplateFile(row);
    if (!file) {
        return CreateResult::Failed;
    }
    return createFromFile(*file, name, TemplateCatalog::builtInRows()[static_cast<std::size_t>(row)].icon);
}

DatabaseLibrary::CreateResult
DatabaseLibrary::createNewDatabaseCustomTemplate(const std::string& templateName, const std::string& name)
{
    if (!isAcceptableLibraryName(templateName)) {
        return CreateResult::Failed;
    }
    // Its icon is found from its fields when first shown.
    return createFromFile(TemplateCatalog::customTemplateFile(templateName), name, std::nullopt);
}

DatabaseLibrary::CreateResult DatabaseLibrary::createFromFile(const std::string& templateFile,
                                                              const std::string& name,
                                                              std::optional<std::string> icon)
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
    std::string reason;
    if (const auto problem = databaseFileProblem(templateFile)) {
        reason = "the template cannot be used: " + *problem;
    } else if (!FileManager::createDirectory(folder) ||
               !FileManager::createDirectory(Paths::imagesFolder(package)) ||
               !FileManager::copyItem(templateFile, Paths::databaseFile(package))) {
        reason = FileManager::lastFailure().reason;
    } else if (!db.openDB(package) || !db.createGeneralInfoTable()) {
        reason = db.lastFailure().reason;
    }
    if (!reason.empty()) {
        // Never leave a half-made package in the library.
        db.openDB();
        FileManager::removeItem(folder);
        m_alerts.inform("Error", "The database \"" + name + "\" could not be created.", reason);
        return CreateResult::Failed;
    }
    m_entries.push_back({package, Clock::nowSeconds(), -1, nullptr, 0, icon});
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
        !copyIntoLibrary(Paths::packagePath(packageName), copy)) {
        m_alerts.inform("Error", "Error duplicanting db",
                        original == nullptr ? std::string() : FileManager::lastFailure().reason);
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
    AlertRequest question{"Delete Database",
                          "Are you sure you want to delete the database \"" + displayName(packageName) +
                              "\"?",
                          {"Delete", "Cancel"},
                          false,
                          {},
                          "It is moved to the Trash, from where your file manager can put it back."};
    question.style = AlertStyle::Warning;
    question.defaultButton = "Cancel";
    if (!m_alerts.ask(question).is("Delete")) {
        return false;
    }
    DBManager& db = DBManager::sharedIstance();
    const bool wasOpen = db.dbName() == packageName;
    db.openDB();
    // The trash of the package's own volume, as a file manager would use:
    // a mistake can be undone from there.
    Trash trash;
    if (!trash.moveToTrash(Paths::packagePath(packageName))) {
        if (wasOpen) {
            db.openDB(packageName); // still there, so still open
        }
        m_alerts.inform("Warning",
                        "The database \"" + displayName(packageName) + "\" could not be moved to the Trash.",
                        trash.lastFailure().reason);
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
        m_alerts.inform("Warning", "The database \"" + displayName(packageName) + "\" could not be renamed.",
                        FileManager::lastFailure().reason);
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

void DatabaseLibrary::failCopy(const std::string& message, const std::string& reason)
{
    m_alerts.endProgress();
    m_alerts.inform("Warning", message, reason);
}

bool DatabaseLibrary::copyIntoLibrary(const std::string& source, const std::string& package)
{
    // The copy is made out of sight and moved in whole: a copy that was
    // stopped half-way is never listed, and the clean-up of interrupted
    // work removes it.
    const FileLock lock = FileLock::acquire(Paths::dataTreeLockFile(), FileLock::Mode::Shared);
    const std::string target = Paths::packagePath(package);
    const auto staging = FileManager::makeSiblingFolder(target, "import");
    if (!staging) {
        return false;
    }
    const std::string copy = *staging + "/" + package;
    // A package from elsewhere may lack its pictures folder.
    const bool placed =
        FileManager::copyItem(source, copy) &&
        (FileManager::isRealDirectory(copy + "/images") || FileManager::createDirectory(copy + "/images")) &&
        PackageSwap::flush(copy) && FileManager::moveItem(copy, target);
    FileManager::removeItem(*staging);
    return placed;
}

std::optional<std::string> DatabaseLibrary::exportProblem(const std::string& destination, bool replace,
                                                          bool folder) const
{
    const std::string parent = FileManager::parentPath(destination);
    if (!FileManager::isDirectory(parent)) {
        return "the folder " + parent + " does not exist";
    }
    const auto place = resolved(destination);
    const auto tree = resolved(Paths::appFolder());
    if (isWithin(place, tree) || isWithin(tree, place)) {
        return destination + " is " + (isWithin(place, tree) ? "inside" : "a folder holding") +
               " Dossiva's own data; choose a place outside it";
    }
    if (!FileManager::exists(destination)) {
        return std::nullopt;
    }
    if (!replace) {
        return destination + " already exists";
    }
    const bool isFolder = FileManager::isRealDirectory(destination);
    if (folder && !(isFolder && FileManager::exists(destination + "/database.db"))) {
        return destination + " is not a database package, so it is not replaced by one";
    }
    if (!folder && isFolder) {
        return destination + " is a folder, so it is not replaced by a template file";
    }
    return std::nullopt;
}

bool DatabaseLibrary::exportDossivaFile(const std::string& packageName, const std::string& destination,
                                        bool replace)
{
    m_alerts.beginProgress("Exporting", "Exporting " + displayName(packageName) + " database...");
    if (const auto problem = exportProblem(destination, replace, true)) {
        failCopy("Error during export of database", *problem);
        return false;
    }
    const std::string staging = FileManager::siblingName(destination, "partial");
    if (!FileManager::copyItem(Paths::packagePath(packageName), staging) ||
        !placeReplacing(staging, destination)) {
        const Failure failure = FileManager::lastFailure();
        FileManager::removeItem(staging);
        failCopy("Error during export of database", failure.reason);
        return false;
    }
    m_alerts.finishProgress("Success", "Database exported successfully");
    return true;
}

bool DatabaseLibrary::exportTemplate(const std::string& packageName, const std::string& destination,
                                     bool replace)
{
    m_alerts.beginProgress("Exporting", "Exporting database template...");
    if (const auto problem = exportProblem(destination, replace, false)) {
        failCopy("Error during export of database template", *problem);
        return false;
    }
    const std::string staging = FileManager::siblingName(destination, "partial");
    std::string reason;
    if (!FileManager::copyItem(Paths::databaseFile(packageName), staging)) {
        reason = FileManager::lastFailure().reason;
    } else {
        // A template keeps fields and layout only; vacuuming drops the pages
        // the deleted records were on, so none of their text ships with it.
        SqliteConnection copy(staging, SqliteConnection::Mode::ReadWrite);
        if (!copy.isOpen() || !copy.exec("delete from data_table") ||
            !copy.exec("delete from general_info") || !copy.exec("vacuum")) {
            reason = copy.failure().reason;
        }
    }
    if (reason.empty() && !placeReplacing(staging, destination)) {
        reason = FileManager::lastFailure().reason;
    }
    if (!reason.empty()) {
        FileManager::removeFileEntry(staging);
        FileManager::removeFileEntry(staging + "-journal");
        failCopy("Error during export of database template", reason);
        return false;
    }
    m_alerts.finishProgress("Success", "Database template exported successfully");
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
        if (!answer.is("OK") || answer.text.empty()) {
            return std::nullopt;
        }
        name = answer.text;
    }
    return name;
}

std::optional<std::string> DatabaseLibrary::importDossivaFile(const std::string& path,
                                                              const std::optional<std::string>& chosenName)
{
    const std::string original = chosenName.value_or(displayName(FileManager::lastPathComponent(path)));
    if (const auto problem = packageProblem(path)) {
        m_alerts.inform("Warning", "Error during import of " + original + " database",
                        "It is refused: " + *problem);
        return std::nullopt;
    }
    const auto name = askFreeName(
        original,
        [](const std::string& n) { return FileManager::exists(Paths::packagePath(packageName(n))); },
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
    if (!copyIntoLibrary(path, package)) {
        failCopy("Error during import of " + *name + " database", FileManager::lastFailure().reason);
        return std::nullopt;
    }
    m_entries.push_back(readEntry(package));
    sortBySettings();
    DBManager::sharedIstance().openDB(package);
    m_alerts.finishProgress("Success", "Database " + *name + " imported successfully");
    return package;
}

bool DatabaseLibrary::importTemplate(const std::string& path, const std::optional<std::string>& chosenName)
{
    const std::string original = chosenName.value_or(displayName(FileManager::lastPathComponent(path)));
    if (const auto problem = databaseFileProblem(path)) {
        m_alerts.inform("Warning", "Error during import of " + original + " database template",
                        "It is refused: " + *problem);
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
    const std::string target = TemplateCatalog::customTemplateFile(*name);
    const std::string staging = FileManager::siblingName(target, "partial");
    if (!FileManager::copyItem(path, staging) || !FileManager::moveItem(staging, target)) {
        const Failure failure = FileManager::lastFailure();
        FileManager::removeFileEntry(staging);
        m_alerts.inform("Warning", "Error during import of " + *name + " database template", failure.reason);
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
