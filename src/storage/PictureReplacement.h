#pragma once

#include <string>
#include <vector>

namespace dossiva {

// Replaces record pictures under the numbers they keep, in step with the
// database change that goes with them. Each new picture is written aside
// (writtenName(), "N.new"); just before the commit it takes its place and the
// old one is kept as "N.old" until the change has committed. A program
// stopped between the two leaves the database's journal behind, and SQLite
// puts the records back from it: settle() puts the old pictures back to
// match. Without a journal the change committed, and the old files go.
class PictureReplacement {
public:
    static std::string writtenName(const std::string& place);

    // A picture written at writtenName(place), to replace the one at place.
    void add(const std::string& place);
    void merge(PictureReplacement&& other);
    const std::vector<std::string>& places() const { return m_places; }

    // Moves every new picture into its place, the old ones aside; on a
    // failure puts back what it moved and gives false.
    bool swapIn();
    // The change did not commit: the old pictures go back, the new ones go.
    void undo();
    // The change committed: the old pictures go.
    void finish() const;

    // Puts a package's pictures in order after a program was stopped while
    // replacing some (run before SQLite opens the database, which removes
    // the journal as it rolls back).
    static void settle(const std::string& package);

private:
    std::vector<std::string> m_places;
    std::size_t m_swapped = 0;
};

} // namespace dossiva
