#include "records/ShownRecords.h"

#include "records/RecordFilter.h"
#include "records/RecordSorter.h"

#include <algorithm>
#include <unordered_map>

namespace dossiva {

void ShownRecords::reset(const std::vector<Record>& records)
{
    m_store = &records;
    m_records = recordPointers(records);
}

void ShownRecords::search(const std::vector<FieldDefinition>& structure, std::string_view text,
                          bool protectionOn, std::uint64_t revision)
{
    const RecordFilter filter(structure, text, protectionOn);
    if (!filter.isFiltering()) {
        return;
    }
    if (m_store == nullptr) {
        m_records = filter.filter(m_records);
        return;
    }
    m_records = filter.filter(m_records, *m_store,
                              m_searchTexts.indexFor(*m_store, revision, filter.indexedFields()));
}

void ShownRecords::sort(const RecordSorter& sorter, std::uint64_t revision)
{
    if (m_store == nullptr) {
        sorter.sort(m_records);
        return;
    }
    m_sortKeys.update(*m_store, revision, sorter.sorting());
    sorter.sort(m_records, &m_sortKeys);
}

std::vector<RecordId> ShownRecords::ids() const
{
    std::vector<RecordId> ids;
    ids.reserve(m_records.size());
    for (const Record* record : m_records) {
        ids.push_back(record->recordId);
    }
    return ids;
}

void ShownRecords::show(const std::vector<Record>& records, const std::vector<RecordId>& order)
{
    m_store = &records;
    std::unordered_map<RecordId, const Record*> byId;
    byId.reserve(records.size());
    for (const Record& record : records) {
        byId.emplace(record.recordId, &record);
    }
    m_records.clear();
    for (const RecordId id : order) {
        if (const auto found = byId.find(id); found != byId.end()) {
            m_records.push_back(found->second);
        }
    }
}

std::optional<std::size_t> ShownRecords::rowOf(RecordId id) const
{
    const auto found = std::find_if(m_records.begin(), m_records.end(),
                                    [id](const Record* record) { return record->recordId == id; });
    if (found == m_records.end()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(found - m_records.begin());
}

} // namespace dossiva
