#pragma once

#include "platform/Image.h"

#include <cstdint>
#include <string>
#include <vector>

namespace dossiva {

// One database of the library.
struct LibraryEntry {
    std::string name;          // DBName: the package name, NAME.dossiva
    std::int64_t created = -1; // DBCre: seconds since 1970, -1 when unknown
    std::int64_t edited = -1;  // DBEdit
    ImagePtr background;       // DBImage: the form background, or null
};

// The databases of the Databases folder, as files.
class DatabaseLibrary {
public:
    // Lists the packages in the order of the Sorting and DBSortOrder
    // settings, reading each one's dates and background, and deletes the
    // "dossiva_temp" leftovers of an interrupted sync. No database is open
    // afterwards.
    static std::vector<LibraryEntry> loadDbArray();

    // Sorts by name (0, case-insensitive), edit date (1) or creation date (2).
    static void sort(std::vector<LibraryEntry>& entries, int sorting, bool ascending);

    // The package name for a name typed with or without its extension.
    static std::string packageName(const std::string& name);
};

} // namespace dossiva
