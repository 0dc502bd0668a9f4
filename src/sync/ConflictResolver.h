#pragma once

#include "sync/SyncListEntry.h"

#include <optional>
#include <string>
#include <vector>

namespace dossiva {

// What one side's box of the conflict resolver shows.
struct ConflictBox {
    std::string records; // the record count
    std::string fields;  // the field count
    std::string edited;  // "Edited: " and the edit date, or "Edited: " alone
};

// One page of the conflict resolver: the texts, the buttons' state and the
// selected box.
struct ConflictPage {
    std::string title;   // "There are %d conflicts involving database synchronization."
    std::string counter; // "%d of %d"
    std::string name;    // the database's name without its extension
    bool previousEnabled = false;
    std::string nextTitle; // "Sync" on the last conflict, "Next" otherwise
    ConflictBox mac;
    ConflictBox phone;
    int selected = SyncSide::Mac; // SyncSide::Mac or SyncSide::Phone
};

// Walks the user through the databases whose structures differ, one at a
// time, and records for each which whole copy is kept ("t" 0 for the
// computer's, 1 for the companion's).
class ConflictResolver {
public:
    // The entries must outlive the resolver and keep their number.
    explicit ConflictResolver(std::vector<SyncListEntry>& entries);

    ConflictPage page() const;
    std::size_t position() const { return m_position; }

    void selectMac() { m_selected = SyncSide::Mac; }
    void selectPhone() { m_selected = SyncSide::Phone; }
    // Records the selected copy for the shown conflict and moves to the next;
    // true when that was the last one.
    bool next();
    // Moves back one conflict without recording a choice. The box selected
    // on every page left stays selected when the page comes back.
    void previous();

    // The box preselected for a conflict: the copy edited later, the
    // companion's when only it has an edit date, else the computer's.
    static int preselected(const SyncListEntry& entry);
    static ConflictBox box(const ConflictCopy& copy);

private:
    void leave();
    void show(std::size_t position);

    std::vector<SyncListEntry>& m_entries;
    std::size_t m_position = 0;
    int m_selected = SyncSide::Mac;
    // The box selected when each page was last left; none before.
    std::vector<std::optional<int>> m_kept;
};

} // namespace dossiva
