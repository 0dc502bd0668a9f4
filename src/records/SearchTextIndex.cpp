#include "records/SearchTextIndex.h"

#include "records/CaseFolding.h"

#include <algorithm>
#include <cstring>

namespace dossiva {

const FieldValue* searchedValue(const Record& record, FieldId field, std::size_t position)
{
    if (position < record.values.size() && record.values[position].first == field) {
        return &record.values[position].second;
    }
    return record.value(field);
}

SearchTextIndex::SearchTextIndex(const std::vector<Record>& records, const std::vector<SearchedText>& fields)
{
    m_choiceCount = static_cast<std::size_t>(
        std::count_if(fields.begin(), fields.end(), [](const SearchedText& field) { return field.choice; }));
    m_ends.reserve(records.size());
    m_chosen.reserve(records.size() * m_choiceCount);
    std::string lowered;
    for (const Record& record : records) {
        for (const SearchedText& field : fields) {
            const FieldValue* value = searchedValue(record, field.id, field.position);
            if (field.choice) {
                m_chosen.push_back(value ? value->integer() : -1);
            } else if (value != nullptr) {
                CaseFolding::lowercase(value->text(), lowered);
                m_pool += lowered;
                m_pool += '\0';
            }
        }
        m_ends.push_back(m_pool.size());
    }
}

bool SearchTextIndex::markMatches(std::string_view query, const std::vector<std::vector<bool>>& matchingItems,
                                  std::vector<char>& found) const
{
    if (query.find('\0') != std::string_view::npos || matchingItems.size() != m_choiceCount) {
        return false;
    }
    found.assign(m_ends.size(), 0);
    // A match never spans a zero byte, so never two records: after one, the
    // search goes on at the next record.
    const char* const pool = m_pool.data();
    std::size_t from = 0;
    std::size_t record = 0;
    while (!query.empty() && from < m_pool.size()) {
        const void* hit = ::memmem(pool + from, m_pool.size() - from, query.data(), query.size());
        if (hit == nullptr) {
            break;
        }
        const auto at = static_cast<std::size_t>(static_cast<const char*>(hit) - pool);
        record = static_cast<std::size_t>(
            std::upper_bound(m_ends.begin() + static_cast<std::ptrdiff_t>(record), m_ends.end(), at) -
            m_ends.begin());
        found[record] = 1;
        from = m_ends[record];
    }
    for (std::size_t choice = 0; choice < m_choiceCount; ++choice) {
        markChoices(choice, matchingItems[choice], found);
    }
    return true;
}

void SearchTextIndex::markChoices(std::size_t choice, const std::vector<bool>& matchingItems,
                                  std::vector<char>& found) const
{
    if (std::find(matchingItems.begin(), matchingItems.end(), true) == matchingItems.end()) {
        return;
    }
    for (std::size_t record = 0; record < found.size(); ++record) {
        const std::int64_t item = m_chosen[record * m_choiceCount + choice];
        if (item >= 0 && static_cast<std::uint64_t>(item) < matchingItems.size() &&
            matchingItems[static_cast<std::size_t>(item)]) {
            found[record] = 1;
        }
    }
}

const SearchTextIndex& SearchTextCache::indexFor(const std::vector<Record>& records, std::uint64_t revision,
                                                 const std::vector<SearchedText>& fields)
{
    if (!m_built || m_records != records.data() || m_size != records.size() || m_revision != revision ||
        m_fields != fields) {
        m_index = SearchTextIndex(records, fields);
        m_built = true;
        m_records = records.data();
        m_size = records.size();
        m_revision = revision;
        m_fields = fields;
    }
    return m_index;
}

} // namespace dossiva
