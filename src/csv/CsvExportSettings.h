#pragma once

#include "platform/UserDefaults.h"

namespace dossiva {

// The export sheet's last choices, stored under "csv export".
struct CsvExportChoices {
    bool labels = true; // "labels": write a header row of field labels
    int encoding = 1;   // "encoding": the encoding pop-up tag (1 is UTF-8)
    int records = 1;    // "records": 0 the selected records, 1 the whole database
};

// Reads and writes the CSV export settings, for the export sheet and the
// command line alike.
class CsvExportSettings {
public:
    static constexpr const char* kChoicesKey = "csv export";
    static constexpr const char* kShowSheetKey = "Export CSV";

    // The stored choices; each one missing or out of range reads as its
    // default.
    static CsvExportChoices load(const UserDefaults& defaults = UserDefaults::standard());
    static void store(const CsvExportChoices& choices, UserDefaults& defaults = UserDefaults::standard());
    // Whether Export CSV shows its sheet first: yes unless "Export CSV" is
    // present and false.
    static bool showsSheet(const UserDefaults& defaults = UserDefaults::standard());
};

} // namespace dossiva
