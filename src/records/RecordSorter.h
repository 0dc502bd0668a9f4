#pragma once

#include "fields/FieldModel.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dossiva {

class UserDefaults;

// The folded titles of every record of a list, kept while the list stays as
// it was: sorting it again by title (the other way, or after a search) then
// folds nothing, which on a large database is most of a sort's time.
class FoldedTitles {
public:
    // Folds the titles of `records` unless they are those of the last call
    // with the same list and `revision` (see DBManager::dataRevision).
    void update(const std::vector<Record>& records, std::uint64_t revision);
    // The folded title of a record of that list; nullopt for any other.
    std::optional<std::string_view> of(const Record* record) const;

private:
    bool m_built = false;
    const Record* m_records = nullptr;
    std::size_t m_size = 0;
    std::uint64_t m_revision = 0;
    std::string m_pool;
    std::vector<std::size_t> m_ends; // where each record's title ends in the pool
};

// The order of the Use section's records: by title (the main field,
// case-insensitively), by modification date or by creation date, ascending
// or descending. Dates compare as the numbers of seconds they are, so a
// record never modified ("0") comes before every modified one and times
// before September 2001 keep their place. Records with equal keys keep
// their order in the list.
class RecordSorter {
public:
    // The values of the "Sorting" setting.
    enum Sorting { ByTitle = 0, ByModificationDate = 1, ByCreationDate = 2 };

    // The main field, whose value is a record's title.
    static constexpr FieldId kTitleField = 1;

    RecordSorter(int sorting, bool ascending);
    // The order the user chose: "Sorting", and "RecSortOrder" (1 ascending).
    static RecordSorter fromSettings(const UserDefaults& defaults);

    int sorting() const { return m_sorting; }
    bool ascending() const { return m_ascending; }

    // With `titles`, the titles of records of its list are not folded again.
    void sort(std::vector<const Record*>& records, const FoldedTitles* titles = nullptr) const;

private:
    void sortByTitle(std::vector<const Record*>& records, const FoldedTitles* titles) const;
    void sortByDate(std::vector<const Record*>& records, bool modification) const;

    int m_sorting;
    bool m_ascending;
};

} // namespace dossiva
