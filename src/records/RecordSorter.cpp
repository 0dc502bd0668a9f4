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

// The folded titles of the records, in their order: the kept ones when every
// record has one there, else folded into `pool`.
std::vector<std::string_view> foldedTitles(const std::vector<const Record*>& records,
                                           const FoldedTitles* kept, std::string& pool)
{
    std::vector<std::string_view> titles;
    titles.reserve(records.size());
    if (kept != nullptr) {
        for (const Record* record : records) {
            const std::optional<std::string_view> title = kept->of(record);
            if (!title) {
                break;
            }
            titles.push_back(*title);
        }
        if (titles.size() == records.size()) {
            return titles;
        }
        titles.clear();
    }
    std::vector<std::size_t> ends;
    foldTitles(records, pool, ends);
    std::size_t start = 0;
    for (const std::size_t end : ends) {
        titles.push_back(std::string_view(pool).substr(start, end - start));
        start = end;
    }
    return titles;
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

void RecordSorter::sort(std::vector<const Record*>& records, const FoldedTitles* titles) const
{
    switch (m_sorting) {
    case ByTitle:
        sortByTitle(records, titles);
        break;
    case ByModificationDate:
        sortByDate(records, true);
        break;
    default:
        sortByDate(records, false);
        break;
    }
}

void RecordSorter::sortByTitle(std::vector<const Record*>& records, const FoldedTitles* titles) const
{
    std::string pool;
    const std::vector<std::string_view> folded = foldedTitles(records, titles, pool);
    std::vector<Keyed<TitleKey>> keyed;
    keyed.reserve(records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        keyed.push_back({TitleKey(folded[i]), records[i]});
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

void FoldedTitles::update(const std::vector<Record>& records, std::uint64_t revision)
{
    if (m_built && m_records == records.data() && m_size == records.size() && m_revision == revision) {
        return;
    }
    m_pool.clear();
    m_ends.clear();
    foldTitles(recordPointers(records), m_pool, m_ends);
    m_built = true;
    m_records = records.data();
    m_size = records.size();
    m_revision = revision;
}

std::optional<std::string_view> FoldedTitles::of(const Record* record) const
{
    const std::less<const Record*> before;
    if (!m_built || before(record, m_records) || !before(record, m_records + m_size)) {
        return std::nullopt;
    }
    const auto index = static_cast<std::size_t>(record - m_records);
    const std::size_t start = index == 0 ? 0 : m_ends[index - 1];
    return std::string_view(m_pool).substr(start, m_ends[index] - start);
}

} // namespace dossiva
