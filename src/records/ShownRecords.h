#pragma once

#include "fields/FieldModel.h"
#include "records/RecordSorter.h"
#include "records/SearchTextIndex.h"

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace dossiva {

// The records the Use section shows: the open database's records, less
// those the search leaves out, in the order of the sort. It points into the
// store's records, so it is made again after the store's list changed size
// (a record added or deleted); a change of values keeps it valid.
class ShownRecords {
public:
    // Every record of the store, in storage order.
    void reset(const std::vector<Record>& records);
    // Keeps the shown records that match the search text, in their order.
    // `revision` names the state of the store's records (see
    // DBManager::dataRevision): while it stays, searches reuse the lowered
    // texts of the last one.
    void search(const std::vector<FieldDefinition>& structure, std::string_view text, bool protectionOn,
                std::uint64_t revision);
    // `revision` as for search: while it stays, sorts reuse the keys of the
    // last one.
    void sort(const RecordSorter& sorter, std::uint64_t revision);
    // The ids of the shown records, in order: what to show again once the
    // store's list has changed size.
    std::vector<RecordId> ids() const;
    // Shows the records of `order` that the store still has, in that order.
    void show(const std::vector<Record>& records, const std::vector<RecordId>& order);

    const std::vector<const Record*>& records() const { return m_records; }
    std::size_t size() const { return m_records.size(); }
    bool empty() const { return m_records.empty(); }
    const Record& at(std::size_t row) const { return *m_records[row]; }
    // The row a record is shown in, or nullopt when it is not shown.
    std::optional<std::size_t> rowOf(RecordId id) const;

private:
    const std::vector<Record>* m_store = nullptr;
    std::vector<const Record*> m_records;
    SearchTextCache m_searchTexts;
    KeptSortKeys m_sortKeys;
};

} // namespace dossiva
