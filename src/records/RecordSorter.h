#pragma once

#include "fields/FieldModel.h"

#include <vector>

namespace dossiva {

class UserDefaults;

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

    void sort(std::vector<const Record*>& records) const;

private:
    void sortByTitle(std::vector<const Record*>& records) const;
    void sortByDate(std::vector<const Record*>& records, bool modification) const;

    int m_sorting;
    bool m_ascending;
};

} // namespace dossiva
