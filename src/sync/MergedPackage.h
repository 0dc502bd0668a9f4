#pragma once

#include "fields/FieldModel.h"
#include "sync/SyncMerge.h"

#include <cstdint>
#include <stop_token>
#include <string>
#include <vector>

namespace dossiva {

class DBManager;

// The merged copy of a database held on both sides, built in its staging
// folder NAME_temp. It starts from this computer's own database file, so it
// keeps the fields with their ids, the form's look and the creation date of
// the copy the user works with here; its records are replaced by the merged
// ones, under the ids they keep, and each picture file is copied byte for
// byte (with the full-size "_hd" file beside it) from the copy its record
// came from. Pictures are never decoded and encoded again, so nothing of
// them is lost from one sync to the next.
class MergedPackage {
public:
    explicit MergedPackage(std::string packageName);

    // Builds the package; `structure` is this computer's, as the records
    // were read with it. False when a step fails or a stop is requested.
    bool build(const std::vector<FieldDefinition>& structure, const std::vector<MergedRecord>& records,
               std::int64_t now, const std::stop_token& stop);

private:
    bool startFromComputersFile();
    // Inserts the records without their pictures; `written` gets the id
    // each was inserted under.
    bool writeRecords(DBManager& db, const std::vector<MergedRecord>& records, std::vector<RecordId>& written,
                      const std::stop_token& stop);
    // Gives each record its kept id and its pictures, in one transaction.
    bool finish(const std::vector<FieldDefinition>& structure, const std::vector<MergedRecord>& records,
                const std::vector<RecordId>& written, const std::stop_token& stop);

    std::string m_name;    // NAME.dossiva
    std::string m_staging; // NAME.dossiva_temp
};

} // namespace dossiva
