#include "sync/SyncMerge.h"

#include "fields/TextNumbers.h"
#include "platform/Clock.h"
#include "platform/FileManager.h"
#include "platform/Image.h"
#include "platform/Log.h"
#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "storage/DBManager.h"
#include "sync/DownloadLimits.h"
#include "sync/PackageFiles.h"

#include <algorithm>
#include <memory>
#include <unordered_map>

namespace dossiva {

namespace {

// Records go to the store in batches: one transaction each, and a bounded
// number of decoded pictures held at a time.
constexpr std::size_t kBatchRecords = 20000;
constexpr std::size_t kBatchPictures = 32;

std::int64_t seconds(const std::string& decimal)
{
    return leadingInteger(decimal);
}

void appendText(std::string& key, std::string_view text)
{
    key += std::to_string(text.size());
    key += ':';
    key += text;
}

void appendValue(std::string& key, const FieldValue& value)
{
    key += static_cast<char>('a' + static_cast<int>(value.kind()));
    switch (value.kind()) {
    case FieldValue::Kind::Integer:
        key += std::to_string(value.integer());
        break;
    case FieldValue::Kind::DateTime:
        appendText(key, value.datePart());
        appendText(key, value.timePart());
        break;
    case FieldValue::Kind::Password:
        key += value.shown() ? '1' : '0';
        appendText(key, value.text());
        break;
    case FieldValue::Kind::Text:
        appendText(key, value.text());
        break;
    }
    key += ';';
}

// The record as a dictionary would compare, its id aside: its dates and its
// values by field id, whatever order the fields had in its copy. Equal
// records give equal keys.
std::string contentKey(const Record& record)
{
    std::vector<const std::pair<FieldId, FieldValue>*> values;
    values.reserve(record.values.size());
    for (const auto& entry : record.values) {
        values.push_back(&entry);
    }
    std::sort(values.begin(), values.end(), [](const auto* a, const auto* b) { return a->first < b->first; });
    std::string key;
    appendText(key, record.created);
    appendText(key, record.modified);
    for (const auto* entry : values) {
        key += std::to_string(entry->first);
        key += '=';
        appendValue(key, entry->second);
    }
    return key;
}

// Whether two records are equal as whole dictionaries (their ids aside):
// the same dates and the same value under every field id.
bool sameContent(const Record& a, const Record& b)
{
    if (a.created != b.created || a.modified != b.modified || a.values.size() != b.values.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.values.size(); ++i) {
        // Copies whose forms list the fields alike hold them in one order.
        if (a.values[i].first == b.values[i].first) {
            if (!(a.values[i].second == b.values[i].second)) {
                return false;
            }
            continue;
        }
        const FieldValue* other = b.value(a.values[i].first);
        if (other == nullptr || !(*other == a.values[i].second)) {
            return false;
        }
    }
    return true;
}

// Every record of both copies, the companion's only when no record of the
// computer's has the same content (each of the computer's matches once).
std::optional<std::vector<MergedRecord>>
keepAll(const std::vector<Record>& local, const std::vector<Record>& remote, const std::stop_token& stop)
{
    std::vector<MergedRecord> result;
    result.reserve(local.size() + remote.size());
    std::unordered_map<std::string, int> unmatched;
    for (const Record& record : local) {
        if (stop.stop_requested()) {
            return std::nullopt;
        }
        ++unmatched[contentKey(record)];
        result.push_back({&record, RecordOrigin::Mac});
    }
    for (const Record& record : remote) {
        if (stop.stop_requested()) {
            return std::nullopt;
        }
        auto match = unmatched.find(contentKey(record));
        if (match != unmatched.end() && match->second > 0) {
            --match->second;
            continue;
        }
        result.push_back({&record, RecordOrigin::Phone});
    }
    return result;
}

// The value a record gives a field of the merged database.
FieldValue emptyValue(int type)
{
    switch (type) {
    case FieldType::Choose:
        return FieldValue::integer(-1);
    case FieldType::Image:
        return FieldValue::integer(0);
    case FieldType::DateTime:
        return FieldValue::dateTime({}, {});
    case FieldType::Password:
        return FieldValue::password({});
    default:
        return FieldValue::text({});
    }
}

// The picture a record names, read from the files of the copy it comes from;
// null when it names none or the file is missing, no plain file inside the
// package (a link is not followed: the merged copy goes to the companion) or
// not a picture.
ImagePtr pictureOf(const MergedRecord& merged, FieldId oldField, const std::string& name)
{
    const FieldValue* value = merged.record->value(oldField);
    const std::int64_t number = value ? value->integer() : 0;
    if (number <= 0) {
        return nullptr;
    }
    const bool mac = merged.origin == RecordOrigin::Mac;
    auto files = PackageFiles::open(Paths::packagePath(mac ? name : SyncMerge::stagingName(name)));
    const std::string file = std::to_string(number);
    const FileHandle handle =
        files ? files->openFile(mac ? "images" : SyncMerge::kPhonePicturesSubfolder, file) : FileHandle();
    const auto bytes =
        handle.isOpen() ? handle.readWhole(DownloadLimits::kDefaultPictureBytes) : std::nullopt;
    auto image = bytes ? Image::decode(*bytes) : std::nullopt;
    if (!image || image->isNull()) {
        if (files && !files->skipped().empty()) {
            devLog("Sync: picture " + describeSkipped(files->skipped().back()) +
                   "; the merged record has none");
        } else if (handle.isOpen()) {
            devLog("Sync: picture " + file + " cannot be read; the merged record has none");
        }
        return nullptr;
    }
    return std::make_shared<const Image>(std::move(*image));
}

// The fields of the merged database, each with the id it had in the
// computer's structure.
struct FieldPair {
    FieldDefinition field; // in the merged database
    FieldId oldId = 0;
};

// Gives the empty base the computer's fields: the main field takes the
// first field's label and options, the others are added in order.
std::optional<std::vector<FieldPair>> buildFields(DBManager& db,
                                                  const std::vector<FieldDefinition>& structure)
{
    if (structure.empty() || db.dbStructure().empty()) {
        return std::nullopt;
    }
    const FieldDefinition& main = structure.front();
    const FieldId baseMain = db.dbStructure().front().id;
    if (db.dbStructure().front().name != main.name || db.dbStructure().front().structure != main.structure) {
        if (!db.setdbFieldLabel(main.name, baseMain, main.structure)) {
            return std::nullopt;
        }
    }
    std::vector<std::pair<FieldId, const FieldDefinition*>> added{{baseMain, &main}};
    for (std::size_t i = 1; i < structure.size(); ++i) {
        const FieldDefinition& field = structure[i];
        const FieldId id = db.adddbFieldLabel(field.name, field.type, field.structure);
        if (id < 0) {
            return std::nullopt;
        }
        added.emplace_back(id, &field);
    }
    for (const auto& [id, field] : added) {
        if (field->listViewColumn != 0) {
            db.setdbFieldListViewColSize(field->listViewColumn, id);
        }
    }
    std::vector<FieldPair> pairs;
    for (const FieldDefinition& field : db.dbStructure()) {
        const auto match =
            std::find_if(added.begin(), added.end(), [&](const auto& a) { return a.first == field.id; });
        if (match == added.end()) {
            return std::nullopt;
        }
        pairs.push_back({field, match->second->id});
    }
    return pairs;
}

// Writes the merged records into the open merged database.
bool writeRecords(DBManager& db, const std::vector<FieldPair>& fields,
                  const std::vector<MergedRecord>& records, const std::string& name,
                  const std::stop_token& stop)
{
    std::vector<std::vector<FieldChange>> batch;
    std::size_t pictures = 0;
    for (const MergedRecord& merged : records) {
        if (stop.stop_requested()) {
            return false;
        }
        std::vector<FieldChange> entries;
        entries.reserve(fields.size() + 2);
        for (const FieldPair& pair : fields) {
            FieldChange change{{pair.field.id, pair.field.type}, emptyValue(pair.field.type), nullptr};
            if (pair.field.type == FieldType::Image) {
                change.image = pictureOf(merged, pair.oldId, name);
                pictures += change.image ? 1 : 0;
            } else if (const FieldValue* value = merged.record->value(pair.oldId)) {
                change.value = *value;
            }
            entries.push_back(std::move(change));
        }
        entries.push_back(FieldChange::created(seconds(merged.record->created)));
        entries.push_back(FieldChange::modified(seconds(merged.record->modified)));
        batch.push_back(std::move(entries));
        if (batch.size() >= kBatchRecords || pictures >= kBatchPictures) {
            if (!db.addRecordsToDb(batch)) {
                return false;
            }
            batch.clear();
            pictures = 0;
        }
    }
    return batch.empty() || db.addRecordsToDb(batch);
}

} // namespace

bool SyncMerge::checkStrctureDifferencesLocal(const std::vector<FieldDefinition>& local,
                                              const std::vector<FieldDefinition>& remote)
{
    if (local.size() != remote.size()) {
        return true;
    }
    std::unordered_map<FieldId, const FieldDefinition*> byId;
    for (const FieldDefinition& field : remote) {
        byId.emplace(field.id, &field);
    }
    for (const FieldDefinition& field : local) {
        const auto match = byId.find(field.id);
        if (match == byId.end()) {
            return true;
        }
        const FieldDefinition& other = *match->second;
        if (other.name != field.name || other.type != field.type || other.structure != field.structure) {
            return true;
        }
    }
    return false;
}

std::optional<DatabaseCopy> SyncMerge::readCopy(const std::string& packageName)
{
    // A reader of its own: the merge runs off the main thread, where the
    // open database is the screens' alone.
    DBManager reader;
    reader.setReadOnly(true);
    std::optional<DatabaseCopy> copy;
    if (reader.openDB(packageName) && reader.loadDbData()) {
        copy.emplace();
        copy->structure = reader.dbStructure();
        copy->records = reader.dbData();
        if (const auto dates = reader.getDates()) {
            copy->editDate = (*dates)[1];
            copy->syncDate = (*dates)[2];
        }
    }
    return copy;
}

std::optional<std::vector<MergedRecord>>
SyncMerge::mergeRecords(const std::vector<Record>& local, const std::vector<Record>& remote,
                        std::int64_t lastSyncLocal, std::int64_t lastSyncRemote, std::int64_t now,
                        const std::stop_token& stop)
{
    // Copies made separately on both sides under one name: nothing tells
    // which records are old, so nothing is dropped.
    if (lastSyncLocal <= 0 && lastSyncRemote <= 0) {
        return keepAll(local, remote, stop);
    }
    const std::int64_t localSync = lastSyncLocal <= 0 ? now : lastSyncLocal;
    const std::int64_t remoteSync = lastSyncRemote <= 0 ? now : lastSyncRemote;
    const std::int64_t reference = std::min(localSync, remoteSync);

    // The old records of the computer; each takes the companion's version
    // when that one was changed later.
    std::vector<MergedRecord> old;
    std::unordered_map<RecordId, std::size_t> oldById;
    for (const Record& record : local) {
        if (stop.stop_requested()) {
            return std::nullopt;
        }
        if (seconds(record.created) <= reference) {
            oldById.emplace(record.recordId, old.size());
            old.push_back({&record, RecordOrigin::Mac});
        }
    }
    std::unordered_map<RecordId, const Record*> remoteOld;
    for (const Record& record : remote) {
        if (stop.stop_requested()) {
            return std::nullopt;
        }
        if (seconds(record.created) > reference) {
            continue;
        }
        remoteOld.emplace(record.recordId, &record);
        const auto match = oldById.find(record.recordId);
        if (match != oldById.end() &&
            seconds(old[match->second].record->modified) < seconds(record.modified)) {
            old[match->second] = {&record, RecordOrigin::Phone};
        }
    }

    // Old records the companion no longer has (or has otherwise) go, unless
    // changed here since the reference time.
    std::vector<MergedRecord> result;
    result.reserve(local.size() + remote.size());
    for (const MergedRecord& merged : old) {
        if (stop.stop_requested()) {
            return std::nullopt;
        }
        const auto held = remoteOld.find(merged.record->recordId);
        const bool heldAlike = held != remoteOld.end() &&
                               (held->second == merged.record || sameContent(*held->second, *merged.record));
        if (heldAlike || seconds(merged.record->modified) > reference) {
            result.push_back(merged);
        }
    }

    // New records of both sides; one added alike on both sides is kept once.
    std::unordered_map<std::string, int> addedHere;
    for (const Record& record : local) {
        if (stop.stop_requested()) {
            return std::nullopt;
        }
        if (seconds(record.created) > reference) {
            ++addedHere[contentKey(record)];
            result.push_back({&record, RecordOrigin::Mac});
        }
    }
    for (const Record& record : remote) {
        if (stop.stop_requested()) {
            return std::nullopt;
        }
        if (seconds(record.created) <= reference) {
            continue;
        }
        auto match = addedHere.find(contentKey(record));
        if (match != addedHere.end() && match->second > 0) {
            --match->second;
            continue;
        }
        result.push_back({&record, RecordOrigin::Phone});
    }
    return result;
}

bool SyncMerge::mergeDatabasesLocal(const std::vector<Record>& local, const std::vector<Record>& remote,
                                    const std::vector<FieldDefinition>& structure, const std::string& name,
                                    std::int64_t /*localEditDate*/, std::int64_t /*remoteEditDate*/,
                                    std::int64_t lastSyncLocal, std::int64_t lastSyncRemote,
                                    const std::stop_token& stop)
{
    const std::string staging = stagingName(name);
    const std::string file = Paths::databaseFile(staging);
    // The companion's file is in memory already; the merged database starts
    // from the empty base in its place.
    if (!FileManager::removeItem(file) || !FileManager::removeItem(file + "-journal") ||
        !FileManager::copyItem(Paths::emptyBaseDatabase(), file)) {
        return false;
    }
    // The merged copy is written through a store of its own, never the
    // shared one the screens read.
    DBManager db;
    if (!db.openDB(staging)) {
        return false;
    }
    const std::int64_t now = Clock::nowSeconds();
    if (!db.createGeneralInfoTable() || !db.setEditDate(static_cast<double>(now)) ||
        !db.setSyncDate(static_cast<double>(now)) || stop.stop_requested()) {
        return false;
    }
    const auto fields = buildFields(db, structure);
    if (!fields) {
        return false;
    }
    const auto merged = mergeRecords(local, remote, lastSyncLocal, lastSyncRemote, now, stop);
    if (!merged || !writeRecords(db, *fields, *merged, name, stop)) {
        return false;
    }
    FileManager::removeItem(phonePicturesFolder(name));
    // The dates are announced where the screens live.
    MainThread::post(
        [now] { NotificationCenter::defaultCenter().post(kEditDateNotification, nullptr, now); });
    return true;
}

bool SyncMerge::mergingThread(const std::string& name, const std::stop_token& stop)
{
    const auto local = readCopy(name);
    if (!local || stop.stop_requested()) {
        return false;
    }
    const auto remote = readCopy(stagingName(name));
    if (!remote || stop.stop_requested()) {
        return false;
    }
    return mergeDatabasesLocal(local->records, remote->records, local->structure, name, local->editDate,
                               remote->editDate, local->syncDate, remote->syncDate, stop);
}

std::string SyncMerge::phonePicturesFolder(const std::string& packageName)
{
    return Paths::packagePath(stagingName(packageName)) + "/" + kPhonePicturesSubfolder;
}

} // namespace dossiva
