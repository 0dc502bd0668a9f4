#pragma once

#include "fields/FieldModel.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dossiva {

// A searched field, where the loader puts its value in a record (its place
// in the form), and whether it is a choice, found through its item's text.
struct SearchedText {
    FieldId id = 0;
    std::size_t position = 0;
    bool choice = false;
    bool operator==(const SearchedText&) const = default;
};

// The lowered texts of the searched fields of every record of a list, in
// one pool, and the item each record chose in each searched choice. A search then reads one block of memory
// instead of lowering every value of every record again, which on a large database is the difference between
// a search that keeps up with typing and one that lags. It holds one state of one list for one set of fields;
// SearchTextCache builds it again when either changes.
class SearchTextIndex {
public:
    SearchTextIndex() = default;
    SearchTextIndex(const std::vector<Record>& records, const std::vector<SearchedText>& fields);

    // Sets found[i] for each record i of the list one of whose texts holds
    // `query` (lowered), or whose chosen item is one of `matchingItems`
    // (one list per choice field, in the order of the fields). False, with
    // nothing set, for a query the pool cannot answer: one holding the zero
    // byte that ends each text.
    bool markMatches(std::string_view query, const std::vector<std::vector<bool>>& matchingItems,
                     std::vector<char>& found) const;

private:
    void markChoices(std::size_t choice, const std::vector<bool>& matchingItems,
                     std::vector<char>& found) const;

    std::string m_pool;              // each text of each record, each followed by a zero byte
    std::vector<std::size_t> m_ends; // where each record's texts end in the pool
    std::size_t m_choiceCount = 0;
    std::vector<std::int64_t> m_chosen; // record by record, the item of each choice field
};

// The index of the last list searched, kept while that list and the
// searched fields stay as they were.
class SearchTextCache {
public:
    // `revision` names the state of the list (see DBManager::dataRevision).
    const SearchTextIndex& indexFor(const std::vector<Record>& records, std::uint64_t revision,
                                    const std::vector<SearchedText>& fields);

private:
    bool m_built = false;
    const Record* m_records = nullptr;
    std::size_t m_size = 0;
    std::uint64_t m_revision = 0;
    std::vector<SearchedText> m_fields;
    SearchTextIndex m_index;
};

// The value of a field in a loaded record: where the loader put it (form
// order) when it is there, else looked up.
const FieldValue* searchedValue(const Record& record, FieldId field, std::size_t position);

} // namespace dossiva
