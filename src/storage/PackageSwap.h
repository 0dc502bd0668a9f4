#pragma once

#include <optional>
#include <string>

namespace dossiva {

// Replaces folders so that the old copy stays until the new one is in place:
// the old is moved aside, the new moved in, and only then the old deleted;
// when the new cannot be moved in, the old goes back. Database files are
// flushed, with their folders, before anything is renamed, and a database
// with a rollback journal beside it is never moved, so no journal can roll
// an old database into the new file.
class PackageSwap {
public:
    // Puts the staged folder at `target`, replacing whatever is there. False
    // when nothing was changed (or everything was put back); the staged
    // folder is then still where it was.
    static bool replace(const std::string& staged, const std::string& target);

    // Moves a folder to its aside name (PATH_old), removing a stale aside
    // copy first; the aside path, or nullopt when it could not be moved.
    static std::optional<std::string> moveAside(const std::string& path);
    // Moves an aside copy back to its place.
    static bool putBack(const std::string& aside, const std::string& path);
    static std::string asideName(const std::string& path) { return path + "_old"; }

    // Whether a package folder's database has a rollback journal beside it.
    static bool hasJournal(const std::string& folder);
    // Writes a package folder's database file and its folders to the disk.
    static bool flush(const std::string& folder);
    // Writes a folder's entries (names) to the disk.
    static bool flushFolder(const std::string& folder);
};

} // namespace dossiva
