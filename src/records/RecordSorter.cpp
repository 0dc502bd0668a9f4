#include "records/RecordSorter.h"

#include "fields/TextNumbers.h"
#include "platform/UserDefaults.h"
#include "records/CaseFolding.h"
#include "records/RecordFilter.h"

#include <algorithm>
#include <cstdint>
#include <functional>
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

// A folded title that compares as its bytes do, mostly by its first sixteen
// bytes held as two numbers: a sort compares each title some twenty times,
// and numbers beside each other in memory compare faster than texts spread
// over the pool.
class TitleKey {
public:
    explicit TitleKey(std::string_view text) : m_text(text)
    {
        m_head[0] = bigEndianWord(text, 0);
        m_head[1] = bigEndianWord(text, 8);
    }
    bool operator<(const TitleKey& other) const
    {
        if (m_head[0] != other.m_head[0]) {
            return m_head[0] < other.m_head[0];
        }
        if (m_head[1] != other.m_head[1]) {
            return m_head[1] < other.m_head[1];
        }
        return m_text < other.m_text;
    }

private:
    // Eight bytes from `from`, the first the highest, missing ones zero.
    static std::uint64_t bigEndianWord(std::string_view text, std::size_t from)
    {
        std::uint64_t word = 0;
        for (std::size_t i = 0; i < 8; ++i) {
            word <<= 8;
            if (from + i < text.size()) {
                word |= static_cast<unsigned char>(text[from + i]);
            }
        }
        return word;
    }

    std::uint64_t m_head[2];
    std::string_view m_text;
};

// How many records ahead the title sort asks for values.
constexpr std::size_t kLookAhead = 8;

// A stored date as a number; a missing date comes before every time.
std::int64_t dateKey(const std::string& seconds)
{
    return seconds.empty() ? std::numeric_limits<std::int64_t>::min() : leadingInteger(seconds);
}

// Appends the folded title of each record to `pool`, and where it ends to
// `ends`.
void foldTitles(const std::vector<const Record*>& records, std::string& pool, std::vector<std::size_t>& ends)
{
    ends.reserve(ends.size() + records.size());
    std::string folded;
    for (std::size_t i = 0; i < records.size(); ++i) {
        // Each record's values lie apart on the heap, and waiting for them
        // took most of the time: the values of a record a few ahead are
        // asked for while this title is folded.
        if (i + kLookAhead < records.size()) {
            __builtin_prefetch(records[i + kLookAhead]->values.data());
        }
        const FieldValue* title = records[i]->value(RecordSorter::kTitleField);
        CaseFolding::fold(title ? title->text() : std::string_view(), folded);
        pool += folded;
        ends.push_back(pool.size());
    }
}

// The folded titles of the records, in their order, as views into `pool`.
std::vector<std::string_view> foldedTitles(const std::vector<const Record*>& records, std::string& pool)
{
    std::vector<std::size_t> ends;
    foldTitles(records, pool, ends);
    std::vector<std::string_view> titles;
    titles.reserve(records.size());
    std::size_t start = 0;
    for (const std::size_t end : ends) {
        titles.push_back(std::string_view(pool).substr(start, end - start));
        start = end;
    }
    return titles;
}

// The place of each record in the kept list, when the kept keys are those
// of `sorting` and every record is of that list.
std::optional<std::vector<std::size_t>> keptPlaces(const std::vector<const Record*>& records,
                                                   const KeptSortKeys* kept, int sorting)
{
    if (kept == nullptr || !kept->has(sorting)) {
        return std::nullopt;
    }
    std::vector<std::size_t> places;
    places.reserve(records.size());
    for (const Record* record : records) {
        const std::optional<std::size_t> place = kept->placeOf(record);
        if (!place) {
            return std::nullopt;
        }
        places.push_back(*place);
    }
    return places;
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

void RecordSorter::sort(std::vector<const Record*>& records, const KeptSortKeys* kept) const
{
    switch (m_sorting) {
    case ByTitle:
        sortByTitle(records, kept);
        break;
    case ByModificationDate:
        sortByDate(records, true, kept);
        break;
    default:
        sortByDate(records, false, kept);
        break;
    }
}

void RecordSorter::sortByTitle(std::vector<const Record*>& records, const KeptSortKeys* kept) const
{
    std::vector<Keyed<TitleKey>> keyed;
    keyed.reserve(records.size());
    std::string pool;
    if (const auto places = keptPlaces(records, kept, ByTitle)) {
        for (std::size_t i = 0; i < records.size(); ++i) {
            keyed.push_back({TitleKey(kept->title((*places)[i])), records[i]});
        }
    } else {
        const std::vector<std::string_view> folded = foldedTitles(records, pool);
        for (std::size_t i = 0; i < records.size(); ++i) {
            keyed.push_back({TitleKey(folded[i]), records[i]});
        }
    }
    sortKeyed(keyed, m_ascending, records);
}

void RecordSorter::sortByDate(std::vector<const Record*>& records, bool modification,
                              const KeptSortKeys* kept) const
{
    std::vector<Keyed<std::int64_t>> keyed;
    keyed.reserve(records.size());
    if (const auto places = keptPlaces(records, kept, modification ? ByModificationDate : ByCreationDate)) {
        for (std::size_t i = 0; i < records.size(); ++i) {
            keyed.push_back({kept->date((*places)[i]), records[i]});
        }
    } else {
        for (const Record* record : records) {
            keyed.push_back({dateKey(modification ? record->modified : record->created), record});
        }
    }
    sortKeyed(keyed, m_ascending, records);
}

void KeptSortKeys::update(const std::vector<Record>& records, std::uint64_t revision, int sorting)
{
    if (m_records == records.data() && m_size == records.size() && m_revision == revision &&
        m_sorting == sorting) {
        return;
    }
    m_pool.clear();
    m_ends.clear();
    m_dates.clear();
    if (sorting == RecordSorter::ByTitle) {
        foldTitles(recordPointers(records), m_pool, m_ends);
    } else {
        m_dates.reserve(records.size());
        for (const Record& record : records) {
            m_dates.push_back(
                dateKey(sorting == RecordSorter::ByModificationDate ? record.modified : record.created));
        }
    }
    m_records = records.data();
    m_size = records.size();
    m_revision = revision;
    m_sorting = sorting;
}

std::optional<std::size_t> KeptSortKeys::placeOf(const Record* record) const
{
    const std::less<const Record*> before;
    if (!m_sorting || before(record, m_records) || !before(record, m_records + m_size)) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(record - m_records);
}

std::string_view KeptSortKeys::title(std::size_t place) const
{
    const std::size_t start = place == 0 ? 0 : m_ends[place - 1];
    return std::string_view(m_pool).substr(start, m_ends[place] - start);
}

} // namespace dossiva
