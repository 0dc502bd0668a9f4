// The record store: loading is in DBManager.cpp; here records are inserted,
// changed, deleted and counted, pictures written and removed, and the
// calculation fields recomputed.
#include "storage/DBManager.h"

#include "fields/TextNumbers.h"
#include "platform/Clock.h"
#include "platform/FileManager.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "storage/ImageCache.h"
#include "storage/PictureReplacement.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <set>

namespace dossiva {

namespace {

constexpr int kPictureQuality = 80;

std::string quotedColumn(FieldId id)
{
    return '"' + std::to_string(id) + '"';
}

// The value a field of the type holds, whatever form the caller gave it in.
FieldValue storedForm(int type, const FieldValue& value)
{
    switch (type) {
    case FieldType::Choose:
    case FieldType::Image:
        return value.kind() == FieldValue::Kind::Integer ? value
                                                         : FieldValue::integer(leadingInteger(value.text()));
    case FieldType::DateTime:
        if (value.kind() == FieldValue::Kind::DateTime) {
            return value;
        } else {
            const std::string_view text = value.text();
            const auto comma = text.find(',');
            return comma == std::string_view::npos
                       ? FieldValue::dateTime(text, {})
                       : FieldValue::dateTime(text.substr(0, comma), text.substr(comma + 1));
        }
    case FieldType::Password:
        return FieldValue::password(value.text());
    default:
        if (value.kind() == FieldValue::Kind::Integer) {
            return FieldValue::text(std::to_string(value.integer()));
        }
        return FieldValue::text(value.text());
    }
}

// The text a field's column stores for a value in its stored form.
std::string columnText(const FieldValue& value)
{
    if (value.kind() == FieldValue::Kind::DateTime) {
        return std::string(value.datePart()) + "," + std::string(value.timePart());
    }
    return std::string(value.text());
}

bool writesColumn(int type)
{
    return type != FieldType::TwoReals && type != FieldType::CreationDate &&
           type != FieldType::ModificationDate;
}

// Whether a value's text is already what the field's column stores: text
// given for a field that holds text.
bool storesTextAsGiven(int type, const FieldValue& value)
{
    const bool text = value.kind() == FieldValue::Kind::Text || value.kind() == FieldValue::Kind::Password;
    return text && writesColumn(type) && type != FieldType::Choose && type != FieldType::Image &&
           type != FieldType::DateTime;
}

std::int64_t dateOf(const FieldChange& entry)
{
    return entry.value.kind() == FieldValue::Kind::Integer ? entry.value.integer()
                                                           : leadingInteger(entry.value.text());
}

} // namespace

// File work on pictures that must follow the fate of the SQL change: new
// files are removed again when the change does not commit, and replaced or
// removed pictures are touched only after it did.
struct DBManager::PictureWork {
    std::vector<std::string> newFiles;
    PictureReplacement replacements;
    std::vector<std::int64_t> removals;
    std::vector<std::string> companionRemovals;

    void merge(PictureWork&& other)
    {
        newFiles.insert(newFiles.end(), other.newFiles.begin(), other.newFiles.end());
        replacements.merge(std::move(other.replacements));
        removals.insert(removals.end(), other.removals.begin(), other.removals.end());
        companionRemovals.insert(companionRemovals.end(), other.companionRemovals.begin(),
                                 other.companionRemovals.end());
    }

    void abandon()
    {
        for (const auto& file : newFiles) {
            FileManager::removeFileEntry(file);
        }
        replacements.undo();
    }
};

bool DBManager::preparePicturesFolder() const
{
    const std::string folder = Paths::imagesFolder(m_dbName);
    if (FileManager::isRealDirectory(folder)) {
        return true;
    }
    // Pictures are written, read and removed inside the package only: a
    // link in the folder's place would send them elsewhere.
    if (FileManager::exists(folder)) {
        return fail(Failure::content("the pictures folder of " + m_dbName + " is not a folder of its own"));
    }
    if (!FileManager::createDirectory(folder)) {
        return fail(FileManager::lastFailure());
    }
    return true;
}

std::int64_t DBManager::storeNewImage(const Image& image) const
{
    if (!preparePicturesFolder()) {
        return 0;
    }
    static thread_local std::mt19937 generator{std::random_device{}()};
    std::uniform_int_distribution<std::int64_t> draw(1, 0x7fffffff);
    std::int64_t number = draw(generator);
    while (FileManager::exists(Paths::imageFile(m_dbName, number))) {
        number = draw(generator);
    }
    if (!image.writeTiffJpeg(Paths::imageFile(m_dbName, number), kPictureQuality)) {
        fail(FileManager::lastFailure() ? FileManager::lastFailure()
                                        : Failure::content("the picture could not be encoded"));
        return 0;
    }
    return number;
}

bool DBManager::storeReplacementImage(const Image& image, const std::string& place) const
{
    if (!preparePicturesFolder()) {
        return false;
    }
    if (!image.writeTiffJpeg(PictureReplacement::writtenName(place), kPictureQuality)) {
        return fail(FileManager::lastFailure() ? FileManager::lastFailure()
                                               : Failure::content("the picture could not be encoded"));
    }
    return true;
}

void DBManager::removeImageFiles(std::int64_t imageNumber) const
{
    if (imageNumber <= 0 || !FileManager::isRealDirectory(Paths::imagesFolder(m_dbName))) {
        return;
    }
    // Only the entries themselves go: a link is removed, never followed.
    const std::string path = Paths::imageFile(m_dbName, imageNumber);
    FileManager::removeFileEntry(path);
    FileManager::removeFileEntry(path + "_hd");
    ImageCache::sharedIstance().releaseImage(path);
}

namespace {

// Whether a file of the pictures folder is something a stopped writer left:
// a picture no record names (with its "_hd" companion), a replacement that
// never moved in ("N.new"), or a half-written temporary file. Anything else
// there is not ours to remove.
bool isLeftoverPicture(const std::string& name, const std::set<std::int64_t>& used)
{
    if (name.size() > 1 && name.front() == '.' && name.find(".tmp-") != std::string::npos) {
        return true;
    }
    const auto digits = name.find_first_not_of("0123456789");
    const std::string number = name.substr(0, digits);
    if (number.empty() || number.size() > 18 || number.front() == '0') {
        return false;
    }
    const std::string rest = digits == std::string::npos ? std::string() : name.substr(digits);
    if (rest == ".new") {
        return true;
    }
    return (rest.empty() || rest == "_hd") && used.count(std::stoll(number)) == 0;
}

} // namespace

// Every writer writes its new picture files only while it holds the write
// lock (begin immediate) and until it commits, so inside a write transaction
// of our own no other writer is between its file step and its commit: what
// no record names now is a leftover of a writer that was stopped.
void DBManager::sweepUnusedPictures(SqliteConnection& db) const
{
    const std::string folder = Paths::imagesFolder(m_dbName);
    if (!FileManager::isRealDirectory(folder)) {
        return;
    }
    const std::vector<std::string> names = FileManager::contentsOfDirectory(folder);
    // A field of a type this release does not know may name pictures too.
    const bool unknownTypes = std::any_of(m_dbStructure.begin(), m_dbStructure.end(), [](const auto& field) {
        return field.type == FieldType::Unsupported;
    });
    if (names.empty() || unknownTypes || !db.exec("begin immediate transaction")) {
        return;
    }
    std::vector<std::int64_t> numbers;
    for (const auto& definition : m_dbStructure) {
        if (definition.type == FieldType::Image &&
            !readImageNumbers(db, definition.id, std::nullopt, numbers)) {
            return;
        }
    }
    const std::set<std::int64_t> used(numbers.begin(), numbers.end());
    for (const auto& name : names) {
        if (isLeftoverPicture(name, used)) {
            devLog("Database " + m_dbName + ": removing the unused picture file " + name);
            FileManager::removeFileEntry(folder + "/" + name);
        }
    }
    db.exec("commit");
}

bool DBManager::readImageNumbers(SqliteConnection& db, FieldId field, std::optional<RecordId> record,
                                 std::vector<std::int64_t>& numbers) const
{
    std::string sql = "select " + quotedColumn(field) + " from data_table";
    if (record) {
        sql += " where id=?";
    }
    SqliteStatement rows = db.prepare(sql);
    if (!rows.isValid() || (record && !rows.bindInt64(1, *record))) {
        return false;
    }
    SqliteStatement::Step step;
    while ((step = rows.step()) == SqliteStatement::Step::Row) {
        if (const std::int64_t number = rows.columnInt64(0); number > 0) {
            numbers.push_back(number);
        }
    }
    return step == SqliteStatement::Step::Done;
}

std::string DBManager::insertStatement() const
{
    std::string sql = "insert into data_table('create_date','edit_date'";
    for (const auto& definition : m_dbStructure) {
        sql += ",'" + std::to_string(definition.id) + "'";
    }
    sql += ") values(?,?";
    for (std::size_t i = 0; i < m_dbStructure.size(); ++i) {
        sql += ",?";
    }
    return sql + ")";
}

// Binds one record's entries to a prepared insert, writes its pictures, and
// steps it. On success the new record is in `record`.
bool DBManager::insertRecord(SqliteConnection& db, SqliteStatement& insert,
                             const std::vector<FieldChange>& entries, Record* record, PictureWork& pictures)
{
    if (entries.size() != m_dbStructure.size() + 2) {
        return false;
    }
    const std::int64_t created = dateOf(entries[entries.size() - 2]);
    const std::int64_t modified = dateOf(entries[entries.size() - 1]);
    bool bound = insert.bindInt64(1, created) && insert.bindInt64(2, modified);
    for (std::size_t i = 0; i < m_dbStructure.size() && bound; ++i) {
        const FieldChange& entry = entries[i];
        const int type = entry.field.type;
        const int parameter = static_cast<int>(i) + 3;
        if (type == FieldType::Image) {
            std::int64_t number = 0;
            if (entry.image && !entry.image->isNull()) {
                number = storeNewImage(*entry.image);
                if (number <= 0) {
                    insert.reset();
                    return false;
                }
                pictures.newFiles.push_back(Paths::imageFile(m_dbName, number));
            }
            // Picture numbers go in as text, as they always have on insert.
            bound = insert.bindText(parameter, std::to_string(number));
            if (record != nullptr) {
                record->values.emplace_back(entry.field.id, FieldValue::integer(number));
            }
            continue;
        }
        // A bulk insert binds the entries' texts where they lie: the caller
        // keeps the entries until the insert has run and been reset.
        if (record == nullptr && storesTextAsGiven(type, entry.value)) {
            bound = insert.bindTextInPlace(parameter, entry.value.text());
            continue;
        }
        FieldValue value = storedForm(type, entry.value);
        if (type == FieldType::Choose) {
            bound = insert.bindInt64(parameter, value.integer());
        } else if (writesColumn(type)) {
            bound = insert.bindText(parameter, columnText(value));
        } else {
            bound = insert.bindNull(parameter);
        }
        if (record != nullptr) {
            record->values.emplace_back(entry.field.id, std::move(value));
        }
    }
    const bool inserted = bound && insert.run();
    insert.reset();
    if (!inserted) {
        return fail(Failure::content("the record could not be inserted"));
    }
    if (record != nullptr) {
        record->recordId = db.lastInsertRowId();
        record->created = std::to_string(created);
        record->modified = std::to_string(modified);
    }
    return true;
}

bool DBManager::addRecordToDb(const std::vector<FieldChange>& entries)
{
    return addRecordsToDb({entries});
}

bool DBManager::addRecordsToDb(const std::vector<std::vector<FieldChange>>& records)
{
    if (m_dbName.empty()) {
        return false;
    }
    SqliteConnection db = connect();
    // The write lock is taken before any picture file is written, so that
    // no other writer's clean-up takes a picture for a leftover.
    if (!db.isOpen() || !db.exec("begin immediate transaction")) {
        return false;
    }
    SqliteStatement insert = db.prepare(insertStatement());
    if (!insert.isValid()) {
        return fail(Failure::content("the records cannot be written"));
    }
    std::vector<Record> added;
    added.reserve(records.size());
    PictureWork pictures;
    for (const auto& entries : records) {
        Record record;
        if (!insertRecord(db, insert, entries, &record, pictures)) {
            pictures.abandon();
            return false;
        }
        added.push_back(std::move(record));
    }
    if (!db.exec("commit", "failed to commit new records")) {
        pictures.abandon();
        return false;
    }
    m_dbData.insert(m_dbData.end(), std::make_move_iterator(added.begin()),
                    std::make_move_iterator(added.end()));
    recordsChanged();
    return true;
}

bool DBManager::insertRecords(const std::function<const std::vector<FieldChange>*()>& next, BulkTarget target)
{
    SqliteConnection db = connect();
    if (!db.isOpen()) {
        return false;
    }
    // The commit need not sync the file: the caller syncs the whole staged
    // package before it is moved into the library, and drops it whole when
    // anything fails. Without a journal, pages the cache cannot hold go
    // straight into the file, so a modest cache costs no extra writes; a
    // larger one only held the whole new database in memory until the commit.
    if (target == BulkTarget::StagedFile &&
        !(db.exec("pragma journal_mode=off", "failed to set up a bulk import") &&
          db.exec("pragma synchronous=off", "failed to set up a bulk import") &&
          db.exec("pragma cache_size=-8192", "failed to set up a bulk import"))) {
        return false;
    }
    if (!db.exec("begin immediate transaction")) {
        return false;
    }
    SqliteStatement insert = db.prepare(insertStatement());
    if (!insert.isValid()) {
        return fail(Failure::content("the records cannot be written"));
    }
    PictureWork pictures;
    while (const std::vector<FieldChange>* entries = next()) {
        if (!insertRecord(db, insert, *entries, nullptr, pictures)) {
            pictures.abandon();
            return false;
        }
    }
    if (!db.exec("commit", "failed to commit new records")) {
        pictures.abandon();
        return false;
    }
    return true;
}

bool DBManager::writeRecordField(SqliteConnection& db, const FieldChange& entry, Record& record,
                                 PictureWork& pictures)
{
    const FieldId id = entry.field.id;
    const int type = entry.field.type;
    if (!writesColumn(type)) {
        return true;
    }
    SqliteStatement update = db.prepare("update data_table set " + quotedColumn(id) + "=? where id=?");
    if (!update.isValid() || !update.bindInt64(2, record.recordId)) {
        return false;
    }
    if (type == FieldType::Image) {
        const FieldValue* current = record.value(id);
        const std::int64_t existing = current ? current->integer() : 0;
        const bool hasNew = entry.image && !entry.image->isNull();
        std::int64_t stored = 0;
        if (hasNew && existing <= 0) {
            stored = storeNewImage(*entry.image);
            if (stored <= 0) {
                return false;
            }
            pictures.newFiles.push_back(Paths::imageFile(m_dbName, stored));
        } else if (hasNew) {
            // The picture keeps its number; the new one is written aside and
            // takes the old one's place with the commit.
            const std::string place = Paths::imageFile(m_dbName, existing);
            if (!storeReplacementImage(*entry.image, place)) {
                return false;
            }
            pictures.replacements.add(place);
            pictures.companionRemovals.push_back(place + "_hd");
            stored = existing;
        } else if (existing > 0) {
            pictures.removals.push_back(existing);
        }
        if (!update.bindInt64(1, stored) || !update.run()) {
            return false;
        }
        record.setValue(id, FieldValue::integer(stored));
        return true;
    }
    FieldValue value = storedForm(type, entry.value);
    const bool bound = type == FieldType::Choose ? update.bindInt64(1, value.integer())
                                                 : update.bindText(1, columnText(value));
    if (!bound || !update.run()) {
        return false;
    }
    if (type == FieldType::Password) {
        const FieldValue* current = record.value(id);
        value.setShown(current != nullptr && current->shown());
    }
    record.setValue(id, std::move(value));
    return true;
}

bool DBManager::modifyRecordFields(const std::vector<FieldId>& fieldIds,
                                   const std::vector<FieldChange>& entries, RecordId recordId)
{
    auto target = std::find_if(m_dbData.begin(), m_dbData.end(),
                               [recordId](const Record& record) { return record.recordId == recordId; });
    if (fieldIds.empty() || target == m_dbData.end()) {
        return false;
    }
    SqliteConnection db = connect();
    if (!db.isOpen() || !db.exec("begin immediate transaction")) {
        return false;
    }
    // Changes go to a copy that replaces the loaded record only after
    // commit; a field that cannot be written (its picture included) fails
    // the whole change, so a record is never half saved.
    Record changed = *target;
    PictureWork pictures;
    for (FieldId id : fieldIds) {
        const auto entry = std::find_if(entries.begin(), entries.end(),
                                        [id](const FieldChange& change) { return change.field.id == id; });
        if (entry == entries.end()) {
            continue;
        }
        PictureWork fieldPictures;
        if (!writeRecordField(db, *entry, changed, fieldPictures)) {
            fieldPictures.abandon();
            pictures.abandon();
            return fail(Failure::content("the field " + std::to_string(id) + " could not be written"));
        }
        pictures.merge(std::move(fieldPictures));
    }
    const std::int64_t now = Clock::nowSeconds();
    SqliteStatement stamp = db.prepare("update data_table set edit_date=? where id=?");
    if (!stamp.isValid() || !stamp.bindInt64(1, now) || !stamp.bindInt64(2, recordId) || !stamp.run()) {
        pictures.abandon();
        return fail(Failure::content("the record could not be written"));
    }
    // The new pictures are in their places while the journal can still
    // undo the change, so a stop at any point leaves the record and its
    // pictures both as before or both as after.
    if (!pictures.replacements.swapIn()) {
        pictures.abandon();
        return fail(FileManager::lastFailure());
    }
    if (!db.exec("commit", "failed to commit record change")) {
        pictures.abandon();
        return fail(Failure::content("the record could not be written"));
    }
    pictures.replacements.finish();
    for (const auto& place : pictures.replacements.places()) {
        ImageCache::sharedIstance().releaseImage(place);
    }
    changed.modified = std::to_string(now);
    for (const auto& companion : pictures.companionRemovals) {
        FileManager::removeFileEntry(companion);
    }
    for (std::int64_t number : pictures.removals) {
        removeImageFiles(number);
    }
    *target = std::move(changed);
    recordsChanged();
    return true;
}

bool DBManager::deleteRecordWithID(RecordId recordId)
{
    SqliteConnection db = connect();
    if (!db.isOpen()) {
        return false;
    }
    // The record's pictures are read from the file, so they go with it even
    // when the record was never loaded.
    std::vector<std::int64_t> pictures;
    for (const auto& definition : m_dbStructure) {
        if (definition.type == FieldType::Image) {
            readImageNumbers(db, definition.id, recordId, pictures);
        }
    }
    SqliteStatement remove = db.prepare("delete from data_table where id=?");
    if (!remove.isValid() || !remove.bindInt64(1, recordId) || !remove.run()) {
        devLog("Error DB: failed to delete record with message '" + db.errorMessage() + "'.");
        return false;
    }
    for (std::int64_t number : pictures) {
        removeImageFiles(number);
    }
    std::erase_if(m_dbData, [recordId](const Record& record) { return record.recordId == recordId; });
    recordsChanged();
    return true;
}

void DBManager::setPasswordShown(RecordId recordId, FieldId field, bool shown)
{
    for (auto& record : m_dbData) {
        if (record.recordId == recordId) {
            if (FieldValue* value = record.value(field);
                value && value->kind() == FieldValue::Kind::Password) {
                value->setShown(shown);
            }
            return;
        }
    }
}

bool DBManager::deleteAllRecords()
{
    SqliteConnection db = connect();
    if (!db.isOpen() || !db.exec("delete from data_table", "failed to delete all records")) {
        return false;
    }
    const std::string images = Paths::imagesFolder(m_dbName);
    FileManager::removeItem(images);
    FileManager::createDirectory(images);
    ImageCache::sharedIstance().releaseImages();
    m_dbData.clear();
    recordsChanged();
    return true;
}

std::int64_t DBManager::recordNum() const
{
    if (m_dbName.empty()) {
        return 0;
    }
    SqliteConnection db = connect();
    SqliteStatement count = db.prepare("select count(*) from data_table");
    if (!count.isValid() || count.step() != SqliteStatement::Step::Row) {
        return 0;
    }
    return count.columnInt64(0);
}

bool DBManager::shouldRebuildCalculationFields(FieldId id) const
{
    for (const auto& definition : m_dbStructure) {
        if (definition.type != FieldType::Calculation) {
            continue;
        }
        const auto operands = CalculationEngine::operandIds(definition.structure);
        if (std::find(operands.begin(), operands.end(), id) != operands.end()) {
            return true;
        }
    }
    return false;
}

std::vector<NumberFieldRef> DBManager::calculationFields() const
{
    std::vector<NumberFieldRef> numbers;
    for (const auto& definition : m_dbStructure) {
        if (definition.type == FieldType::Number) {
            numbers.push_back({definition.name, definition.id});
        }
    }
    return numbers;
}

bool DBManager::rebuildAllCalculation()
{
    SqliteConnection db = connect();
    if (!db.isOpen() || !db.exec("begin transaction")) {
        return false;
    }
    struct Result {
        std::size_t record;
        FieldId field;
        std::string text;
    };
    std::vector<Result> results;
    bool allWritten = true;
    for (const auto& definition : m_dbStructure) {
        if (definition.type != FieldType::Calculation) {
            continue;
        }
        const auto operands = CalculationEngine::operandIds(definition.structure);
        SqliteStatement update =
            db.prepare("update data_table set " + quotedColumn(definition.id) + "=? where id=?");
        if (!update.isValid()) {
            allWritten = false;
            continue;
        }
        for (std::size_t i = 0; i < m_dbData.size(); ++i) {
            const Record& record = m_dbData[i];
            CalculationEngine::Values values;
            for (FieldId operand : operands) {
                const FieldValue* value = record.value(operand);
                values[std::to_string(operand)] = value ? std::string(value->text()) : std::string();
            }
            std::string result = CalculationEngine::evaluate(definition.structure, values);
            // A record that cannot be written keeps its stored result; the
            // others are still written.
            if (update.bindText(1, result) && update.bindInt64(2, record.recordId) && update.run()) {
                results.push_back({i, definition.id, std::move(result)});
            } else {
                allWritten = false;
            }
            update.reset();
        }
    }
    if (!db.exec("commit", "failed to commit calculations")) {
        return false;
    }
    for (auto& result : results) {
        m_dbData[result.record].setValue(result.field, FieldValue::text(result.text));
    }
    recordsChanged();
    return allWritten;
}

} // namespace dossiva
