#pragma once

#include <string>

namespace dossiva {

// Whether a file that came from elsewhere (an imported package or template, a
// download) is a database this program can use: it opens read-only with the
// defensive settings, passes SQLite's quick check, and has the tables of a
// package. Templates need fields_table and data_table; general_info and
// layout_info are optional.
bool isUsableDatabaseFile(const std::string& path);

} // namespace dossiva
