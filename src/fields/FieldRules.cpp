#include "fields/FieldRules.h"

#include "fields/TextNumbers.h"

#include <algorithm>

namespace dossiva {

std::string uniqueFieldName(const std::string& baseTitle, const std::vector<std::string>& existingNames)
{
    const auto taken = [&](const std::string& name) {
        return std::find(existingNames.begin(), existingNames.end(), name) != existingNames.end();
    };
    if (!taken(baseTitle)) {
        return baseTitle;
    }
    for (std::size_t n = 1;; ++n) {
        std::string candidate = baseTitle + " " + std::to_string(n);
        if (!taken(candidate)) {
            return candidate;
        }
    }
}

std::optional<std::int64_t> combineDateTime(std::string_view datePart, std::string_view timePart,
                                            std::int64_t nowSeconds)
{
    if (datePart.empty() && timePart.empty()) {
        return std::nullopt;
    }
    const std::int64_t d = datePart.empty() ? nowSeconds : leadingInteger(datePart);
    const std::int64_t t = timePart.empty() ? nowSeconds : leadingInteger(timePart);
    // The day boundary is taken on the UTC second count with C's truncating
    // remainder, as the stored values have always been combined.
    const std::int64_t day = d - d % 86400;
    const std::int64_t timeOfDay = t % 86400;
    std::int64_t moment = 0;
    if (__builtin_add_overflow(day, timeOfDay, &moment)) {
        // Only second counts at the very ends of the range get here; there
        // is no moment to show.
        return std::nullopt;
    }
    return moment;
}

std::int64_t remapChoices(const std::vector<std::string>& oldItems, const std::vector<std::string>& newItems,
                          std::int64_t value)
{
    if (value < 0) {
        return value;
    }
    if (static_cast<std::uint64_t>(value) >= oldItems.size()) {
        // The record points past the old list: there is no text to follow.
        return -1;
    }
    const auto index = static_cast<std::size_t>(value);
    const auto found = std::find(newItems.begin(), newItems.end(), oldItems[index]);
    if (found != newItems.end()) {
        return static_cast<std::int64_t>(found - newItems.begin());
    }
    // Its text is gone. When a new text took its place in a list that kept
    // its length, the item was renamed: the records that chose it keep it.
    const bool renamedInPlace =
        oldItems.size() == newItems.size() &&
        std::find(oldItems.begin(), oldItems.end(), newItems[index]) == oldItems.end();
    return renamedInPlace ? value : -1;
}

std::string newChoiceItem(const std::vector<std::string>& items)
{
    for (std::size_t n = items.size() + 1;; ++n) {
        std::string candidate = "Item " + std::to_string(n);
        if (std::find(items.begin(), items.end(), candidate) == items.end()) {
            return candidate;
        }
    }
}

bool hasRepeatedItem(const std::vector<std::string>& items)
{
    std::vector<std::string> sorted = items;
    std::sort(sorted.begin(), sorted.end());
    return std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end();
}

bool isCheckboxTrue(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r')) {
        ++i;
    }
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    while (i < text.size() && text[i] == '0') {
        ++i;
    }
    if (i == text.size()) {
        return false;
    }
    const char c = text[i];
    return c == 'Y' || c == 'y' || c == 'T' || c == 't' || (c >= '1' && c <= '9');
}

std::vector<std::string> choiceItems(const PropertyList& structure)
{
    std::vector<std::string> items;
    if (const PropertyList::Array* array = structure.asArray()) {
        for (const auto& item : *array) {
            items.push_back(item.toString());
        }
    }
    return items;
}

} // namespace dossiva
