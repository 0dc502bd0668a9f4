#include "storage/DatabaseLibrary.h"

#include "platform/FileManager.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "storage/DBManager.h"

#include <algorithm>
#include <cctype>

namespace dossiva {

namespace {

std::string lowered(const std::string& text)
{
    std::string result = text;
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

} // namespace

std::vector<LibraryEntry> DatabaseLibrary::loadDbArray()
{
    std::vector<LibraryEntry> entries;
    DBManager& db = DBManager::sharedIstance();
    const std::string folder = Paths::databasesFolder();
    for (const auto& name : FileManager::contentsOfDirectory(folder)) {
        const std::string extension = FileManager::pathExtension(name);
        if (extension == "dossiva_temp") {
            FileManager::removeItem(folder + "/" + name);
            continue;
        }
        if (extension != "dossiva" || !FileManager::isDirectory(folder + "/" + name)) {
            continue;
        }
        LibraryEntry entry;
        entry.name = name;
        if (db.openDBLazy(name)) {
            if (const auto dates = db.getDates()) {
                entry.created = (*dates)[0];
                entry.edited = (*dates)[1];
            }
            if (auto background = db.getBackground()) {
                entry.background = std::make_shared<const Image>(std::move(*background));
            }
        }
        entries.push_back(std::move(entry));
    }
    db.openDB();
    const UserDefaults& defaults = UserDefaults::standard();
    sort(entries, static_cast<int>(defaults.integerForKey("Sorting")),
         defaults.integerForKey("DBSortOrder") != 0);
    return entries;
}

void DatabaseLibrary::sort(std::vector<LibraryEntry>& entries, int sorting, bool ascending)
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
    std::stable_sort(entries.begin(), entries.end(), [&](const LibraryEntry& a, const LibraryEntry& b) {
        return ascending ? before(a, b) : before(b, a);
    });
}

std::string DatabaseLibrary::packageName(const std::string& name)
{
    return FileManager::pathExtension(name) == "dossiva" ? name : name + ".dossiva";
}

} // namespace dossiva
