#pragma once

#include "fields/FieldModel.h"
#include "records/SearchTextIndex.h"
#include "storage/StoredRow.h"

#include <string>
#include <string_view>
#include <vector>

namespace dossiva {

// The search of the Use section: a record is kept when the text of one of
// its searched fields contains the search text, both in lower case, as a
// plain substring (blanks inside the search text count). Texts, numbers,
// calculations, e-mail addresses, links, checkboxes, the text of the chosen
// item and password texts are searched; dates, times, pictures and
// separators never are. A search text of nothing but blanks keeps every
// record.
class RecordFilter {
public:
    // With protection on, a password field that asks before showing its
    // text is not searched.
    RecordFilter(const std::vector<FieldDefinition>& structure, std::string_view searchText,
                 bool protectionOn);

    // False when every record matches.
    bool isFiltering() const { return !m_query.empty(); }
    bool matches(const Record& record) const;
    // The same for a row as it is read, before it becomes a record.
    bool matches(const StoredRow& row) const;
    // The matching records of the list, in its order.
    std::vector<const Record*> filter(const std::vector<const Record*>& records) const;
    // The same, reading the texts from an index built for indexedFields() over
    // `store`, the list every record of `records` belongs to.
    std::vector<const Record*> filter(const std::vector<const Record*>& records,
                                      const std::vector<Record>& store, const SearchTextIndex& index) const;
    // The searched fields, as an index for this filter is built for.
    std::vector<SearchedText> indexedFields() const;

    // Whether a field of the type is searched.
    static bool isSearched(int type);

private:
    struct SearchedField {
        FieldId id = 0;
        int type = 0;
        std::size_t position = 0;          // its index in the form
        std::vector<bool> matchingChoices; // choose fields: which items contain the text
    };

    bool textMatches(std::string_view text) const;
    bool choiceMatches(const SearchedField& field, std::int64_t index) const;

    std::string m_query; // lower case; empty when not filtering
    std::vector<SearchedField> m_fields;
    mutable std::string m_buffer; // reused for each lowered text: one filter serves one thread
};

// Every record of a list, as the filter and the sorter take them.
std::vector<const Record*> recordPointers(const std::vector<Record>& records);

} // namespace dossiva
