#include "records/RecordSorter.h"

#include "fields/TextNumbers.h"
#include "platform/UserDefaults.h"
#include "records/CaseFolding.h"

#include <algorithm>
#include <limits>
#include <string>
#include <string_view>

namespace dossiva {

namespace {

template <typename Key> struct Keyed {
    Key key;
    const Record* record;
};

// Sorts by precomputed keys, keeping the list order of equal keys.
template <typename Key>
void sortKeyed(std::vector<Keyed<Key>>& keyed, bool ascending, std::vector<const Record*>& records)
{
    if (ascending) {
        std::stable_sort(keyed.begin(), keyed.end(),
                         [](const auto& a, const auto& b) { return a.key < b.key; });
    } else {
        std::stable_sort(keyed.begin(), keyed.end(),
                         [](const auto& a, const auto& b) { return b.key < a.key; });
    }
    for (std::size_t i = 0; i < keyed.size(); ++i) {
        records[i] = keyed[i].record;
    }
}

// A stored date as a number; a missing date comes before every time.
std::int64_t dateKey(const std::string& seconds)
{
    return seconds.empty() ? std::numeric_limits<std::int64_t>::min() : leadingInteger(seconds);
}

} // namespace

RecordSorter::RecordSorter(int sorting, bool ascending) : m_sorting(sorting), m_ascending(ascending)
{
}

RecordSorter RecordSorter::fromSettings(const UserDefaults& defaults)
{
    return RecordSorter(static_cast<int>(defaults.integerForKey("Sorting")),
                        defaults.integerForKey("RecSortOrder") == 1);
}

void RecordSorter::sort(std::vector<const Record*>& records) const
{
    switch (m_sorting) {
    case ByTitle:
        sortByTitle(records);
        break;
    case ByModificationDate:
        sortByDate(records, true);
        break;
    default:
        sortByDate(records, false);
        break;
    }
}

void RecordSorter::sortByTitle(std::vector<const Record*>& records) const
{
    // The folded titles go into one pool; the keys are views into it, made
    // once the pool has stopped growing.
    std::string pool;
    std::vector<std::size_t> ends;
    ends.reserve(records.size());
    std::string folded;
    for (const Record* record : records) {
        const FieldValue* title = record->value(kTitleField);
        CaseFolding::fold(title ? title->text() : std::string_view(), folded);
        pool += folded;
        ends.push_back(pool.size());
    }
    std::vector<Keyed<std::string_view>> keyed;
    keyed.reserve(records.size());
    std::size_t start = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        keyed.push_back({std::string_view(pool).substr(start, ends[i] - start), records[i]});
        start = ends[i];
    }
    sortKeyed(keyed, m_ascending, records);
}

void RecordSorter::sortByDate(std::vector<const Record*>& records, bool modification) const
{
    std::vector<Keyed<std::int64_t>> keyed;
    keyed.reserve(records.size());
    for (const Record* record : records) {
        keyed.push_back({dateKey(modification ? record->modified : record->created), record});
    }
    sortKeyed(keyed, m_ascending, records);
}

} // namespace dossiva
