#include "support/TestDatabase.h"

#include "library/Startup.h"
#include "platform/FileManager.h"
#include "platform/Paths.h"
#include "storage/DBManager.h"
#include "storage/ImageCache.h"

#include <cstdlib>
#include <stdexcept>

namespace dossiva::test {

TestLibrary::TestLibrary()
{
    ::setenv("DOSSIVA_RESOURCE_DIR", DOSSIVA_TEST_RESOURCE_DIR, 1);
    if (prepareApplicationSupport() != 0) {
        throw std::runtime_error("cannot prepare the data tree");
    }
}

TestLibrary::~TestLibrary()
{
    DBManager::sharedIstance().setReadOnly(false);
    DBManager::sharedIstance().openDB();
    ImageCache::sharedIstance().releaseImages();
}

std::string TestLibrary::makePackage(const std::string& name)
{
    const std::string package = name + ".dossiva";
    if (!FileManager::createDirectory(Paths::packagePath(package)) ||
        !FileManager::createDirectory(Paths::imagesFolder(package)) ||
        !FileManager::copyItem(Paths::emptyBaseDatabase(), Paths::databaseFile(package)) ||
        !DBManager::sharedIstance().openDB(package)) {
        throw std::runtime_error("cannot make package " + package);
    }
    return package;
}

std::string sqliteShell(const std::string& databaseFile, const std::string& sql)
{
    std::string output;
    runCommand("sqlite3 " + shellQuote(databaseFile) + " " + shellQuote(sql), output);
    return output;
}

std::vector<FieldChange> emptyRecordEntries(std::int64_t created, std::int64_t modified)
{
    std::vector<FieldChange> entries;
    for (const auto& field : DBManager::sharedIstance().dbStructure()) {
        FieldChange entry{{field.id, field.type}, FieldValue::text(""), nullptr};
        if (field.type == FieldType::Choose) {
            entry.value = FieldValue::integer(-1);
        } else if (field.type == FieldType::DateTime) {
            entry.value = FieldValue::dateTime("", "");
        } else if (field.type == FieldType::Password) {
            entry.value = FieldValue::password("");
        }
        entries.push_back(std::move(entry));
    }
    entries.push_back(FieldChange::created(created));
    entries.push_back(FieldChange::modified(modified));
    return entries;
}

FieldChange& entryFor(std::vector<FieldChange>& entries, FieldId field)
{
    for (auto& entry : entries) {
        if (entry.field.id == field && entry.field.type != FieldType::CreationDate &&
            entry.field.type != FieldType::ModificationDate) {
            return entry;
        }
    }
    throw std::out_of_range("no entry for field " + std::to_string(field));
}

PropertyList productFormula(FieldId a, FieldId b)
{
    auto operand = [](FieldId id) {
        return PropertyList(PropertyList::Dictionary{{"T", PropertyList("TN")}, {"N", PropertyList(id)}});
    };
    return PropertyList(PropertyList::Array{
        operand(a),
        PropertyList(PropertyList::Dictionary{{"T", PropertyList("TO")}, {"N", PropertyList("*")}}),
        operand(b)});
}

} // namespace dossiva::test
