#include "records/RecordFilter.h"

#include "fields/FieldRules.h"
#include "fields/PasswordGuard.h"
#include "records/CaseFolding.h"

#include <algorithm>
#include <functional>

namespace dossiva {

RecordFilter::RecordFilter(const std::vector<FieldDefinition>& structure, std::string_view searchText,
                           bool protectionOn)
{
    const bool onlyBlanks =
        std::all_of(searchText.begin(), searchText.end(), [](char c) { return c == ' '; });
    if (onlyBlanks) {
        return;
    }
    m_query = CaseFolding::lowercase(searchText);
    for (std::size_t position = 0; position < structure.size(); ++position) {
        const FieldDefinition& field = structure[position];
        // A password that asks before it is shown must not be found either:
        // a search would tell its text letter by letter.
        if (!isSearched(field.type) ||
            (field.type == FieldType::Password &&
             PasswordGuard::isGuarded(PasswordGuard::askOption(field.structure), protectionOn))) {
            continue;
        }
        SearchedField searched{field.id, field.type, position, {}};
        // A choice matches through its item's text: each item is looked at
        // once here rather than once per record.
        if (field.type == FieldType::Choose) {
            for (const auto& item : choiceItems(field.structure)) {
                searched.matchingChoices.push_back(textMatches(item));
            }
        }
        m_fields.push_back(std::move(searched));
    }
}

bool RecordFilter::isSearched(int type)
{
    switch (type) {
    case FieldType::Main:
    case FieldType::SmallText:
    case FieldType::LargeText:
    case FieldType::Number:
    case FieldType::Choose:
    case FieldType::Calculation:
    case FieldType::Email:
    case FieldType::Link:
    case FieldType::Checkbox:
    case FieldType::Password:
        return true;
    default:
        return false;
    }
}

bool RecordFilter::textMatches(std::string_view text) const
{
    return CaseFolding::lowercaseContains(text, m_query, m_buffer);
}

bool RecordFilter::choiceMatches(const SearchedField& field, std::int64_t index) const
{
    return index >= 0 && static_cast<std::uint64_t>(index) < field.matchingChoices.size() &&
           field.matchingChoices[static_cast<std::size_t>(index)];
}

bool RecordFilter::matches(const Record& record) const
{
    if (!isFiltering()) {
        return true;
    }
    for (const auto& field : m_fields) {
        const FieldValue* value = searchedValue(record, field.id, field.position);
        if (value == nullptr) {
            continue;
        }
        if (field.type == FieldType::Choose ? choiceMatches(field, value->integer())
                                            : textMatches(value->text())) {
            return true;
        }
    }
    return false;
}

bool RecordFilter::matches(const StoredRow& row) const
{
    if (!isFiltering()) {
        return true;
    }
    for (const auto& field : m_fields) {
        if (field.type == FieldType::Choose ? choiceMatches(field, row.choice(field.position))
                                            : textMatches(row.text(field.position))) {
            return true;
        }
    }
    return false;
}

std::vector<const Record*> RecordFilter::filter(const std::vector<const Record*>& records) const
{
    if (!isFiltering()) {
        return records;
    }
    std::vector<const Record*> kept;
    for (const Record* record : records) {
        if (matches(*record)) {
            kept.push_back(record);
        }
    }
    return kept;
}

std::vector<const Record*> RecordFilter::filter(const std::vector<const Record*>& records,
                                                const std::vector<Record>& store,
                                                const SearchTextIndex& index) const
{
    std::vector<std::vector<bool>> matchingItems;
    for (const auto& field : m_fields) {
        if (field.type == FieldType::Choose) {
            matchingItems.push_back(field.matchingChoices);
        }
    }
    std::vector<char> found;
    if (!isFiltering() || !index.markMatches(m_query, matchingItems, found)) {
        return filter(records);
    }
    std::vector<const Record*> kept;
    const std::less<const Record*> before;
    for (const Record* record : records) {
        const bool indexed = found.size() == store.size() && !before(record, store.data()) &&
                             before(record, store.data() + store.size());
        if (indexed ? found[static_cast<std::size_t>(record - store.data())] != 0 : matches(*record)) {
            kept.push_back(record);
        }
    }
    return kept;
}

std::vector<SearchedText> RecordFilter::indexedFields() const
{
    std::vector<SearchedText> fields;
    for (const auto& field : m_fields) {
        fields.push_back({field.id, field.position, field.type == FieldType::Choose});
    }
    return fields;
}

std::vector<const Record*> recordPointers(const std::vector<Record>& records)
{
    std::vector<const Record*> pointers;
    pointers.reserve(records.size());
    for (const auto& record : records) {
        pointers.push_back(&record);
    }
    return pointers;
}

} // namespace dossiva
