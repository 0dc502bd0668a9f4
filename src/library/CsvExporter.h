#pragma once

#include "fields/FieldModel.h"
#include "platform/Alerts.h"
#include "platform/Failure.h"
#include "platform/TextEncoding.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace dossiva {

// Writes the open database's records to a CSV file: an optional header of
// field labels, then one row per record with one cell per field in form
// order (pictures and separators have none). Dates and times are written in
// the computer's time zone ("d MMMM yyyy", "HH:mm"), a choice as its item's
// text, a ticked checkbox as its caption and a password as its text.
class CsvExporter {
public:
    explicit CsvExporter(Alerts& alerts);

    // Writes the whole database in storage order, or the given records in
    // the given order. Shows progress, then "Success" or the failure with
    // the system's reason; a file that cannot be written whole leaves what
    // was at the path as it was.
    bool exportCSVFile(const std::string& path, TextEncoding encoding, bool fieldsLabel,
                       const std::optional<std::vector<RecordId>>& selectedRecords = std::nullopt);

private:
    enum class Outcome { Written, Unexpected, Unencodable };
    Outcome write(const std::string& path, TextEncoding encoding, bool fieldsLabel,
                  const std::optional<std::vector<RecordId>>& selectedRecords, Failure& why);

    Alerts& m_alerts;
};

} // namespace dossiva
