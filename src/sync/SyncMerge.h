#pragma once

#include "fields/FieldModel.h"
#include "sync/TakenCopies.h"

#include <cstdint>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace dossiva {

// A database copy read into memory: its fields, its records and the dates
// the merge compares (-1 when the copy has none).
struct DatabaseCopy {
    std::vector<FieldDefinition> structure;
    std::vector<Record> records;
    std::int64_t editDate = -1;
    std::int64_t syncDate = -1;
};

// Which copy a merged record comes from, so its pictures are read from that
// copy's files.
enum class RecordOrigin { Mac, Phone };

struct MergedRecord {
    const Record* record = nullptr;
    RecordOrigin origin = RecordOrigin::Mac;
    // Its id in the merged database. The records both copies held at the
    // reference time and the computer's own new ones keep theirs, so the two
    // copies still match record by record should only one of them get the
    // merged copy; the companion's new ones get ids neither copy uses.
    RecordId id = 0;
};

// The merge of a database held on both sides: this computer's package NAME
// and the companion's copy downloaded into NAME_temp (with its pictures in
// NAME_temp/images_temp). The merged database is built in NAME_temp (see
// MergedPackage); the computer's package is never written. It runs on a
// worker thread that owns the shared DBManager meanwhile, and stops early,
// as a failure, when a stop is requested.
class SyncMerge {
public:
    // Whether two structures differ: another number of fields, or a field of
    // the first without a field of the same id, name, type and options in
    // the second. Order and list-view state do not count; options compare by
    // value, so 180.0 is 180 and true is 1 whichever kind a writer stored.
    static bool checkStrctureDifferencesLocal(const std::vector<FieldDefinition>& local,
                                              const std::vector<FieldDefinition>& remote);

    // Reads a package (read-only) through DBManager; nullopt when its fields
    // or records cannot be read.
    static std::optional<DatabaseCopy> readCopy(const std::string& packageName);

    // The records the merged database gets, in order, by the rules of the
    // dates: T is the earlier of the two sync dates (a copy never synced
    // counts as synced now); records created after T on either side are all
    // kept, an identical one added on both sides once; older records take
    // the later change, the computer's on a tie, and are kept whenever both
    // sides hold them, alike or not; a record deleted on the companion goes
    // unless changed here after T. When neither copy was ever synced, every
    // record of both is kept, identical ones once. nullopt when stopped.
    static std::optional<std::vector<MergedRecord>>
    mergeRecords(const std::vector<Record>& local, const std::vector<Record>& remote,
                 std::int64_t lastSyncLocal, std::int64_t lastSyncRemote, std::int64_t now,
                 const std::stop_token& stop);

    // Builds the merged database of the package `name` in its staging folder
    // from the two copies' records and the computer's structure. The edit
    // dates do not change the result. True on success.
    static bool mergeDatabasesLocal(const std::vector<Record>& local, const std::vector<Record>& remote,
                                    const std::vector<FieldDefinition>& structure, const std::string& name,
                                    std::int64_t localEditDate, std::int64_t remoteEditDate,
                                    std::int64_t lastSyncLocal, std::int64_t lastSyncRemote,
                                    const std::stop_token& stop);

    // The worker's whole job: reads both copies again and merges them. The
    // companion's sync date counts as the moment of the take when this
    // computer took its copy since (see TakenCopies). True on success; false
    // when a copy cannot be read, the merge fails or it was stopped.
    static bool mergingThread(const std::string& name, const std::optional<TakenCopy>& taken,
                              const std::stop_token& stop);

    // The staging package of a package: NAME.dossiva_temp.
    static std::string stagingName(const std::string& packageName) { return packageName + "_temp"; }
    // Where the companion's pictures wait during a merge: a sub-folder of
    // the staging package.
    static constexpr const char* kPhonePicturesSubfolder = "images_temp";
    static std::string phonePicturesFolder(const std::string& packageName);
};

} // namespace dossiva
