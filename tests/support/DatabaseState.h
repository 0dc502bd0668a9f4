#pragma once

#include <string>

namespace dossiva::test {

// Whether a record's creation and modification dates count in its state: a
// command run twice stamps its records with two different "now"s.
enum class RecordDates { Compared, Ignored };

// A database package as crash and fault checks compare it: "absent",
// "corrupt", or its field labels and its records (in order of their content,
// ids aside), each picture a record names as a digest of its file and of its
// full-size file ("missing" when it is not there). The sqlite3 shell reads
// it, not this program.
std::string databaseState(const std::string& package, RecordDates dates = RecordDates::Compared);

// A digest of a file's bytes, or "missing".
std::string fileDigest(const std::string& path);

} // namespace dossiva::test
