#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dossiva {

// Where a listing line's name lies: its first byte and its length.
struct ListLineInfo {
    std::size_t nameStart = 0;
    std::size_t nameLength = 0;
};

// One entry of a parsed directory listing: {"name", "type", "date"}.
struct FtpEntry {
    std::string name;
    int type = 0;          // 4 directory, 8 regular file, 10 symbolic link
    std::int64_t date = 0; // modification time, seconds since 1970 (0 when unknown)
};

// What a listing line says about the entry it describes.
struct ListResource {
    int type = 0;                     // 4 directory, 8 regular file, 10 symbolic link (dirent numbers)
    std::optional<std::int64_t> date; // modification time, seconds since 1970 UTC
};

// Reads FTP directory listings. Two readers look at each line: one finds
// the entry's name in the four listing styles servers use (EPLF, Unix, VMS,
// DOS); the other tells the entry's kind and modification date.
class ListingParser {
public:
    // Turns a whole listing into its entries in order, skipping its first
    // line (never an entry on the companion). Lines that describe no entry,
    // or whose name cannot be found, are passed over; names stop at 2047
    // bytes. nullopt when a line is unreadable: the whole listing is
    // rejected.
    static std::optional<std::vector<FtpEntry>> parseList(std::string_view listing);

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
