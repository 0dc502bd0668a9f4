#include "sync/TakenCopies.h"

#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"

namespace dossiva {

namespace {

constexpr const char* kCompanionSyncDate = "companionSync";
constexpr const char* kTakenAt = "taken";

PropertyList::Dictionary stored()
{
    const auto value = UserDefaults::standard().object(TakenCopies::kKey);
    if (value && value->asDictionary()) {
        return *value->asDictionary();
    }
    return {};
}

void store(PropertyList::Dictionary copies)
{
    UserDefaults& defaults = UserDefaults::standard();
    if (copies.empty()) {
        defaults.remove(TakenCopies::kKey);
    } else {
        defaults.set(TakenCopies::kKey, PropertyList(std::move(copies)));
    }
    defaults.synchronize();
}

} // namespace

std::int64_t TakenCopy::referenceFor(std::int64_t date) const
{
    return date == companionSyncDate ? takenAt : date;
}

void TakenCopies::remember(const std::string& packageName, const TakenCopy& copy)
{
    PropertyList::Dictionary copies = stored();
    copies[packageName] = PropertyList(PropertyList::Dictionary{
        {kCompanionSyncDate, PropertyList(copy.companionSyncDate)}, {kTakenAt, PropertyList(copy.takenAt)}});
    store(std::move(copies));
}

void TakenCopies::forget(const std::string& packageName)
{
    PropertyList::Dictionary copies = stored();
    if (copies.erase(packageName) != 0) {
        store(std::move(copies));
    }
}

std::optional<TakenCopy> TakenCopies::find(const std::string& packageName)
{
    const PropertyList::Dictionary copies = stored();
    const auto found = copies.find(packageName);
    if (found == copies.end()) {
        return std::nullopt;
    }
    const PropertyList* companion = found->second.find(kCompanionSyncDate);
    const PropertyList* taken = found->second.find(kTakenAt);
    if (companion == nullptr || taken == nullptr) {
        return std::nullopt;
    }
    return TakenCopy{companion->toInteger(-1), taken->toInteger(0)};
}

} // namespace dossiva
