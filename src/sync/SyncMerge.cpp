#include "sync/SyncMerge.h"

#include "fields/TextNumbers.h"
#include "platform/Clock.h"
#include "platform/FileManager.h"
#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "storage/DBManager.h"
#include "sync/MergedPackage.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace dossiva {

namespace {

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

// Gives the companion's new records (id 0 so far), and any record whose id
// is no row id this program would make, ids above every id either copy uses.
std::vector<MergedRecord> withIds(std::vector<MergedRecord> merged, const std::vector<Record>& local,
                                  const std::vector<Record>& remote)
{
    RecordId highest = 0;
    for (const auto* copy : {&local, &remote}) {
        for (const Record& record : *copy) {
            highest = std::max(highest, record.recordId);
        }
    }
    for (MergedRecord& record : merged) {
        if (record.id <= 0) {
            record.id = ++highest;
        }
    }
    return merged;
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
        result.push_back({&record, RecordOrigin::Mac, record.recordId});
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
        result.push_back({&record, RecordOrigin::Phone, 0});
    }
    return withIds(std::move(result), local, remote);
}

// Whether two option values are equal by value: numbers compare as numbers
// whatever kind a writer stored them as (180.0 and 180, true and 1),
// containers element by element.
bool sameOptions(const PropertyList& a, const PropertyList& b)
{
    const auto numeric = [](PropertyList::Kind kind) {
        return kind == PropertyList::Kind::Boolean || kind == PropertyList::Kind::Integer ||
               kind == PropertyList::Kind::Real;
    };
    if (numeric(a.kind()) && numeric(b.kind())) {
        return a.toReal() == b.toReal();
    }
    if (a.kind() != b.kind()) {
        return false;
    }
    if (const auto* left = a.asArray()) {
        const auto* right = b.asArray();
        return left->size() == right->size() &&
               std::equal(left->begin(), left->end(), right->begin(), sameOptions);
    }
    if (const auto* left = a.asDictionary()) {
        const auto* right = b.asDictionary();
        return left->size() == right->size() &&
               std::equal(left->begin(), left->end(), right->begin(), [](const auto& x, const auto& y) {
                   return x.first == y.first && sameOptions(x.second, y.second);
               });
    }
    return a == b;
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
        if (other.name != field.name || other.type != field.type ||
            !sameOptions(other.structure, field.structure)) {
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
            old.push_back({&record, RecordOrigin::Mac, record.recordId});
        }
    }
    std::unordered_set<RecordId> remoteOld;
    for (const Record& record : remote) {
        if (stop.stop_requested()) {
            return std::nullopt;
        }
        if (seconds(record.created) > reference) {
            continue;
        }
        remoteOld.insert(record.recordId);
        const auto match = oldById.find(record.recordId);
        if (match != oldById.end() &&
            seconds(old[match->second].record->modified) < seconds(record.modified)) {
            old[match->second] = {&record, RecordOrigin::Phone, record.recordId};
        }
    }

    // Old records the companion no longer has go, unless changed here since
    // the reference time. One both sides still hold stays, whether or not
    // their copies agree: it carries the later change already.
    std::vector<MergedRecord> result;
    result.reserve(local.size() + remote.size());
    for (const MergedRecord& merged : old) {
        if (stop.stop_requested()) {
            return std::nullopt;
        }
        if (remoteOld.count(merged.record->recordId) != 0 || seconds(merged.record->modified) > reference) {
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
            result.push_back({&record, RecordOrigin::Mac, record.recordId});
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
        result.push_back({&record, RecordOrigin::Phone, 0});
    }
    return withIds(std::move(result), local, remote);
}

bool SyncMerge::mergeDatabasesLocal(const std::vector<Record>& local, const std::vector<Record>& remote,
                                    const std::vector<FieldDefinition>& structure, const std::string& name,
                                    std::int64_t /*localEditDate*/, std::int64_t /*remoteEditDate*/,
                                    std::int64_t lastSyncLocal, std::int64_t lastSyncRemote,
                                    const std::stop_token& stop)
{
    const std::int64_t now = Clock::nowSeconds();
    const auto merged = mergeRecords(local, remote, lastSyncLocal, lastSyncRemote, now, stop);
    if (!merged || !MergedPackage(name).build(structure, *merged, now, stop)) {
        return false;
    }
    FileManager::removeItem(phonePicturesFolder(name));
    // The dates are announced where the screens live.
    MainThread::post(
        [now] { NotificationCenter::defaultCenter().post(kEditDateNotification, nullptr, now); });
    return true;
}

bool SyncMerge::mergingThread(const std::string& name, const std::optional<TakenCopy>& taken,
                              const std::stop_token& stop)
{
    const auto local = readCopy(name);
    if (!local || stop.stop_requested()) {
        return false;
    }
    const auto remote = readCopy(stagingName(name));
    if (!remote || stop.stop_requested()) {
        return false;
    }
    const std::int64_t remoteSync = taken ? taken->referenceFor(remote->syncDate) : remote->syncDate;
    return mergeDatabasesLocal(local->records, remote->records, local->structure, name, local->editDate,
                               remote->editDate, local->syncDate, remoteSync, stop);
}

std::string SyncMerge::phonePicturesFolder(const std::string& packageName)
{
    return Paths::packagePath(stagingName(packageName)) + "/" + kPhonePicturesSubfolder;
}

} // namespace dossiva
