#include "sync/MergedPackage.h"

#include "fields/TextNumbers.h"
#include "platform/FileManager.h"
#include "platform/JpegCodec.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/PngCodec.h"
#include "platform/TiffCodec.h"
#include "storage/DBManager.h"
#include "storage/SqliteConnection.h"
#include "sync/DownloadLimits.h"
#include "sync/PackageFiles.h"

#include <limits>
#include <optional>
#include <set>
#include <unistd.h>

namespace dossiva {

namespace {

// Records go to the store in batches of one transaction each.
constexpr std::size_t kBatchRecords = 20000;
// The full-size picture the companion keeps beside a record's picture.
constexpr const char* kFullSizeSuffix = "_hd";

// The value a record gives a field of the merged database when it has none.
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

// Whether an open file begins as a TIFF, PNG or JPEG picture does. Only the
// first bytes are looked at: the picture is carried, not decoded.
bool looksLikePicture(const FileHandle& file)
{
    std::uint8_t head[16] = {};
    const ssize_t got = ::pread(file.fd(), head, sizeof head, 0);
    if (got <= 0) {
        return false;
    }
    const auto length = static_cast<std::size_t>(got);
    return TiffCodec::hasSignature(head, length) || PngCodec::hasSignature(head, length) ||
           JpegCodec::hasSignature(head, length);
}

// Copies the picture files of the merged records into the merged package's
// pictures folder. Each record's picture keeps its number when no picture
// copied before holds it, and otherwise takes the lowest free one; the
// computer's records are served first, so their numbers change least.
class PictureCarrier {
public:
    PictureCarrier(const std::string& name, const std::string& staging)
        : m_mac(PackageFiles::open(Paths::packagePath(name))),
          m_phone(PackageFiles::open(Paths::packagePath(staging))), m_target(Paths::imagesFolder(staging))
    {
    }

    // The number the picture has in the merged package; 0 when the copy has
    // no picture file of that number (a missing file stores no picture); -1
    // when the merged package cannot take it, which fails the merge rather
    // than lose the picture.
    std::int64_t carry(RecordOrigin origin, std::int64_t number)
    {
        const bool mac = origin == RecordOrigin::Mac;
        std::optional<PackageFiles>& files = mac ? m_mac : m_phone;
        const std::string subfolder = mac ? "images" : SyncMerge::kPhonePicturesSubfolder;
        if (number <= 0 || !files) {
            return 0;
        }
        const std::string source = std::to_string(number);
        const FileHandle picture = files->openFile(subfolder, source);
        if (!picture.isOpen() || !looksLikePicture(picture)) {
            devLog("Sync: picture " + source + (picture.isOpen() ? " is no picture" : " cannot be read") +
                   "; the merged record has none");
            return 0;
        }
        const std::int64_t kept = m_used.count(number) == 0 ? number : freeNumber();
        const FileHandle::Copy copied = copy(picture, pathOf(kept), source);
        if (copied != FileHandle::Copy::Done) {
            return copied == FileHandle::Copy::TargetFailed ? -1 : 0;
        }
        m_used.insert(kept);
        // The full-size file is the companion's own, in whatever format it
        // keeps: it goes along as it is.
        const FileHandle full = files->openFile(subfolder, source + kFullSizeSuffix);
        if (full.isOpen() && copy(full, pathOf(kept) + kFullSizeSuffix, source + kFullSizeSuffix) ==
                                 FileHandle::Copy::TargetFailed) {
            return -1;
        }
        return kept;
    }

    // Every file written, for when the merged package is given up.
    const std::vector<std::string>& written() const { return m_written; }

private:
    FileHandle::Copy copy(const FileHandle& file, const std::string& target, const std::string& source)
    {
        std::string why;
        const FileHandle::Copy copied = file.copyTo(target, DownloadLimits::kDefaultPictureBytes, &why);
        if (copied != FileHandle::Copy::Done) {
            devLog("Sync: picture file " + source + " " + why +
                   (copied == FileHandle::Copy::TargetFailed ? "; the merge stops"
                                                             : "; the merged copy is without it"));
            return copied;
        }
        m_written.push_back(target);
        return copied;
    }

    std::int64_t freeNumber()
    {
        while (m_used.count(m_nextFree) != 0 || FileManager::exists(pathOf(m_nextFree))) {
            ++m_nextFree;
        }
        return m_nextFree;
    }

    std::string pathOf(std::int64_t number) const { return m_target + "/" + std::to_string(number); }

    std::optional<PackageFiles> m_mac;
    std::optional<PackageFiles> m_phone;
    std::string m_target;
    std::set<std::int64_t> m_used;
    std::int64_t m_nextFree = 1;
    std::vector<std::string> m_written;
};

} // namespace

MergedPackage::MergedPackage(std::string packageName)
    : m_name(std::move(packageName)), m_staging(SyncMerge::stagingName(m_name))
{
}

bool MergedPackage::build(const std::vector<FieldDefinition>& structure,
                          const std::vector<MergedRecord>& records, std::int64_t now,
                          const std::stop_token& stop)
{
    if (!startFromComputersFile() || stop.stop_requested()) {
        return false;
    }
    // The merged copy is written through a store of its own, never the
    // shared one the screens read.
    DBManager db;
    if (!db.openDB(m_staging)) {
        return false;
    }
    // The records were read with this structure; a file that changed since
    // is not merged into.
    const auto& fields = db.dbStructure();
    if (fields.size() != structure.size() ||
        !std::equal(fields.begin(), fields.end(), structure.begin(),
                    [](const FieldDefinition& a, const FieldDefinition& b) { return a.id == b.id; })) {
        devLog("Sync: the structure of " + m_name + " changed during the merge");
        return false;
    }
    // A copy without its dates row gets one, dated now.
    const bool dated = db.setEditDate(static_cast<double>(now)) ||
                       (db.createGeneralInfoTable() && db.setEditDate(static_cast<double>(now)));
    std::vector<RecordId> written;
    if (!dated || !db.setSyncDate(static_cast<double>(now)) || !writeRecords(db, records, written, stop) ||
        !finish(structure, records, written, stop)) {
        return false;
    }
    // The computer's file may hold what was deleted from it; none of that
    // goes to the companion.
    SqliteConnection file(Paths::databaseFile(m_staging), SqliteConnection::Mode::ReadWrite);
    return file.isOpen() && file.exec("vacuum", "failed to compact the merged copy");
}

bool MergedPackage::startFromComputersFile()
{
    const std::string target = Paths::databaseFile(m_staging);
    // The companion's file is in memory already; the merged database takes
    // its place.
    if (!FileManager::removeItem(target) || !FileManager::removeItem(target + "-journal")) {
        return false;
    }
    std::string why;
    auto files = PackageFiles::open(Paths::packagePath(m_name), &why);
    const FileHandle source = files ? files->openFile("", "database.db") : FileHandle();
    if (!source.isOpen() ||
        source.copyTo(target, std::numeric_limits<std::uint64_t>::max(), &why) != FileHandle::Copy::Done) {
        devLog("Sync: the database of " + m_name + " cannot be copied for the merge: " +
               (files && !files->skipped().empty() ? describeSkipped(files->skipped().back()) : why));
        return false;
    }
    SqliteConnection db(target, SqliteConnection::Mode::ReadWrite);
    return db.isOpen() && db.exec("delete from data_table", "failed to empty the merged copy");
}

bool MergedPackage::writeRecords(DBManager& db, const std::vector<MergedRecord>& records,
                                 std::vector<RecordId>& written, const std::stop_token& stop)
{
    const auto& fields = db.dbStructure();
    std::vector<std::vector<FieldChange>> batch;
    const auto flush = [&] {
        if (batch.empty()) {
            return true;
        }
        const bool added = db.addRecordsToDb(batch);
        batch.clear();
        return added;
    };
    for (const MergedRecord& merged : records) {
        if (stop.stop_requested()) {
            return false;
        }
        std::vector<FieldChange> entries;
        entries.reserve(fields.size() + 2);
        for (const FieldDefinition& field : fields) {
            FieldChange change{{field.id, field.type}, emptyValue(field.type), nullptr};
            // Pictures are carried afterwards, file by file.
            if (field.type != FieldType::Image) {
                if (const FieldValue* value = merged.record->value(field.id)) {
                    change.value = *value;
                }
            }
            entries.push_back(std::move(change));
        }
        entries.push_back(FieldChange::created(leadingInteger(merged.record->created)));
        entries.push_back(FieldChange::modified(leadingInteger(merged.record->modified)));
        batch.push_back(std::move(entries));
        if (batch.size() >= kBatchRecords && !flush()) {
            return false;
        }
    }
    if (!flush()) {
        return false;
    }
    for (const Record& record : db.dbData()) {
        written.push_back(record.recordId);
    }
    return written.size() == records.size();
}

bool MergedPackage::finish(const std::vector<FieldDefinition>& structure,
                           const std::vector<MergedRecord>& records, const std::vector<RecordId>& written,
                           const std::stop_token& stop)
{
    SqliteConnection db(Paths::databaseFile(m_staging), SqliteConnection::Mode::ReadWrite);
    // The write lock comes before any picture file, as for every writer.
    if (!db.isOpen() || !db.exec("begin immediate transaction")) {
        return false;
    }
    // Every row moves out of the way first, so no kept id meets a row that
    // has not moved yet.
    SqliteStatement renumber = db.prepare("update data_table set id=? where id=?");
    if (!db.exec("update data_table set id=-id") || !renumber.isValid()) {
        return false;
    }
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (stop.stop_requested() || !renumber.bindInt64(1, records[i].id) ||
            !renumber.bindInt64(2, -written[i]) || !renumber.run() || !renumber.reset()) {
            return false;
        }
    }
    PictureCarrier pictures(m_name, m_staging);
    const auto abandon = [&] {
        for (const auto& file : pictures.written()) {
            FileManager::removeFileEntry(file);
        }
        return false;
    };
    for (const RecordOrigin origin : {RecordOrigin::Mac, RecordOrigin::Phone}) {
        for (const FieldDefinition& field : structure) {
            if (field.type != FieldType::Image) {
                continue;
            }
            SqliteStatement update =
                db.prepare("update data_table set \"" + std::to_string(field.id) + "\"=? where id=?");
            if (!update.isValid()) {
                return abandon();
            }
            for (const MergedRecord& merged : records) {
                if (merged.origin != origin) {
                    continue;
                }
                const FieldValue* value = merged.record->value(field.id);
                const std::int64_t number = pictures.carry(origin, value ? value->integer() : 0);
                if (number < 0 || stop.stop_requested()) {
                    return abandon();
                }
                // Picture numbers go in as text, as they do on insert.
                if (number > 0 && (!update.bindText(1, std::to_string(number)) ||
                                   !update.bindInt64(2, merged.id) || !update.run() || !update.reset())) {
                    return abandon();
                }
            }
        }
    }
    return db.exec("commit", "failed to commit the merged records") || abandon();
}

} // namespace dossiva
