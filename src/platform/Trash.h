#pragma once

#include "platform/Failure.h"

#include <optional>
#include <string>

namespace dossiva {

// The desktop's trash, as file managers keep it (the freedesktop.org trash
// standard): each trashed item sits in the trash's files/ folder, with
// a NAME.trashinfo file in info/ saying where it came from and when, so a
// file manager can list it and put it back.
//
// An item goes to the trash of its own volume, so it is renamed, never
// copied: the home trash ($XDG_DATA_HOME/Trash, by default
// ~/.local/share/Trash) for the volume of the user's data folder, and
// otherwise $topdir/.Trash/$uid (when the administrator made a shared,
// sticky .Trash) or $topdir/.Trash-$uid at the top of the item's volume.
class Trash {
public:
    // Uses the home trash below `dataHome`; without one, below
    // $XDG_DATA_HOME or ~/.local/share as the environment says now.
    explicit Trash(std::optional<std::string> dataHome = std::nullopt);

    // Moves a file or folder (a link as itself) into the trash. The item's
    // path inside the trash, or nullopt with lastFailure() set and the item
    // left where it was.
    std::optional<std::string> moveToTrash(const std::string& path);
    const Failure& lastFailure() const { return m_failure; }

private:
    struct Place {
        std::string folder;   // the trash folder, holding files/ and info/
        std::string recorded; // the item's path as its .trashinfo records it
    };
    std::optional<Place> placeFor(const std::string& item);
    std::optional<std::string> usableFolder(const std::string& folder, bool create);
    std::optional<std::string> topdirFolder(const std::string& topdir);
    bool fail(int error, const std::string& context);

    std::string m_dataHome;
    Failure m_failure;
};

} // namespace dossiva
