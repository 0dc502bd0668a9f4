#include "sync/SyncTestData.h"

#include "support/Pictures.h"
#include "support/TestDatabase.h"

#include "fields/StructureCodec.h"
#include "platform/FileManager.h"
#include "platform/Paths.h"
#include "storage/DBManager.h"

#include <stdexcept>

namespace dossiva::test {

ImagePtr solidPicture(std::uint8_t red)
{
    return solidPicture(16, 16, {red, 90, 30, 255});
}

SampleFields makeSamplePackage(const std::string& name)
{
    const std::string package = name + ".dossiva";
    DBManager& db = DBManager::sharedIstance();
    if (!FileManager::createDirectory(Paths::packagePath(package)) ||
        !FileManager::createDirectory(Paths::imagesFolder(package)) ||
        !FileManager::copyItem(Paths::emptyBaseDatabase(), Paths::databaseFile(package)) ||
        !db.openDB(package) || !db.createGeneralInfoTable()) {
        throw std::runtime_error("cannot make package " + package);
    }
    SampleFields fields;
    fields.title = db.dbStructure().front().id;
    db.setdbFieldLabel("Title", fields.title);
    fields.note = db.adddbFieldLabel("Note", FieldType::SmallText, defaultStructure(FieldType::SmallText));
    fields.photo = db.adddbFieldLabel("Photo", FieldType::Image, defaultStructure(FieldType::Image));
    fields.kind = db.adddbFieldLabel("Kind", FieldType::Choose, defaultStructure(FieldType::Choose));
    if (fields.note < 0 || fields.photo < 0 || fields.kind < 0) {
        throw std::runtime_error("cannot add the sample fields");
    }
    return fields;
}

RecordId addSampleRecord(const SampleFields& fields, const std::string& title, std::int64_t created,
                         std::int64_t modified, ImagePtr photo)
{
    DBManager& db = DBManager::sharedIstance();
    auto entries = emptyRecordEntries(created, modified);
    entryFor(entries, fields.title).value = FieldValue::text(title);
    entryFor(entries, fields.note).value = FieldValue::text("note of " + title);
    entryFor(entries, fields.photo).image = std::move(photo);
    if (!db.addRecordToDb(entries)) {
        throw std::runtime_error("cannot add record " + title);
    }
    return db.dbData().back().recordId;
}

void setSampleDates(std::int64_t edit, std::int64_t sync)
{
    DBManager& db = DBManager::sharedIstance();
    db.setEditDate(static_cast<double>(edit));
    db.setSyncDate(static_cast<double>(sync));
}

std::vector<std::string> recordTitles(const std::string& packageName)
{
    DBManager& db = DBManager::sharedIstance();
    std::vector<std::string> titles;
    if (!db.openDB(packageName) || !db.loadDbData()) {
        db.openDB();
        return {"<unreadable>"};
    }
    const FieldId main = db.dbStructure().front().id;
    const FieldDefinition* photo = nullptr;
    for (const auto& field : db.dbStructure()) {
        if (field.type == FieldType::Image) {
            photo = &field;
        }
    }
    for (const Record& record : db.dbData()) {
        std::string title(record.value(main) ? record.value(main)->text() : "");
        if (photo != nullptr) {
            const FieldValue* number = record.value(photo->id);
            if (number && number->integer() > 0 &&
                Image::readFile(Paths::imageFile(packageName, number->integer()))) {
                title += "+photo";
            }
        }
        titles.push_back(title);
    }
    db.openDB();
    return titles;
}

std::vector<std::string> fieldLabels(const std::string& packageName)
{
    DBManager& db = DBManager::sharedIstance();
    std::vector<std::string> labels;
    if (db.openDB(packageName)) {
        for (const auto& field : db.dbStructure()) {
            labels.push_back(field.name);
        }
    }
    db.openDB();
    return labels;
}

} // namespace dossiva::test
