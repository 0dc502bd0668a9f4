#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace dossiva {

// Where a listing line's name lies: its first byte and its length.
struct ListLineInfo {
    std::size_t nameStart = 0;
    std::size_t nameLength = 0;
};

// What a listing line says about the entry it describes.
struct ListResource {
    int type = 0;                     // 4 directory, 8 regular file, 10 symbolic link (dirent numbers)
    std::optional<std::int64_t> date; // modification time, seconds since 1970 UTC
};

// The two readers of FTP directory listings: one finds an entry's name in the
// four listing styles servers use (EPLF, Unix, VMS, DOS); the other tells an
// entry's kind and modification date, one line at a time.
class ListingParser {
public:
    // Finds the name in one line (given with its "\n"). The name runs to the
    // end of the line, so it may still end in "\n". False when the line is
    // not recognised.
    static bool parseListLine(std::string_view line, ListLineInfo& info);

    // Consumes the first line of text: returns the bytes it takes (the line
    // and its "\n"; a last line without "\n" counts whole), 0 when the text
    // is empty, or -1 when the line holds a NUL byte (no listing has one).
    // resource is set when the line describes an entry and cleared for
    // anything else (summary lines such as "total 12").
    static long parseResourceLine(std::string_view text, std::optional<ListResource>& resource);
};

} // namespace dossiva
