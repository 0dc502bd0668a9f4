#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace dossiva {

// A database this computer took from the companion: the companion copy's
// sync date as it was taken (-1 when it had none) and the moment of the take.
struct TakenCopy {
    std::int64_t companionSyncDate = -1;
    std::int64_t takenAt = 0;

    // The moment the companion's copy was last equal to this computer's: the
    // take, while the copy still carries the sync date it was taken with;
    // otherwise the copy changed since and its own sync date stands.
    std::int64_t referenceFor(std::int64_t companionSyncDate) const;
};

// What this computer remembers of the databases it took. A take writes
// nothing back to the companion, so its copy keeps its older sync date; the
// next merge would then count records the take brought here as new on the
// companion and bring back any deleted here since. Remembered per database in
// the preferences, until a send or merge leaves both copies with one date.
class TakenCopies {
public:
    static void remember(const std::string& packageName, const TakenCopy& copy);
    static void forget(const std::string& packageName);
    static std::optional<TakenCopy> find(const std::string& packageName);

    static constexpr const char* kKey = "SyncTakenCopies";
};

} // namespace dossiva
