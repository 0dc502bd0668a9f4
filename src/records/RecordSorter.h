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

// The keys a sort compares, made for every record of a list and kept while
// the list stays as it was: sorting it again (the other way, or after a
// search) then neither folds a title nor reads a date, which on a large
// database is most of a sort's time. It keeps the keys of one sorting.
class KeptSortKeys {
public:
    // Makes the keys of `sorting` for `records` unless they are kept for the
    // same list and `revision` (see DBManager::dataRevision).
    void update(const std::vector<Record>& records, std::uint64_t revision, int sorting);
    bool has(int sorting) const { return m_sorting == sorting; }
    // A record's place in that list; nullopt for a record of another.
    std::optional<std::size_t> placeOf(const Record* record) const;
    // The keys of the record at a place, of the sorting they were made for.
    std::string_view title(std::size_t place) const;
    std::int64_t date(std::size_t place) const { return m_dates[place]; }

private:
    const Record* m_records = nullptr;
    std::size_t m_size = 0;
    std::uint64_t m_revision = 0;
    std::optional<int> m_sorting;
    std::string m_pool;              // folded titles, one after another
    std::vector<std::size_t> m_ends; // where each title ends in the pool
    std::vector<std::int64_t> m_dates;
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

    // With `kept`, the keys of records of its list are not made again.
    void sort(std::vector<const Record*>& records, const KeptSortKeys* kept = nullptr) const;

private:
    void sortByTitle(std::vector<const Record*>& records, const KeptSortKeys* kept) const;
    void sortByDate(std::vector<const Record*>& records, bool modification, const KeptSortKeys* kept) const;

    int m_sorting;
    bool m_ascending;
};

} // namespace dossiva
