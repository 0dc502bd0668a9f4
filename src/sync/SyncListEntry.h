#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace dossiva {

// Where a database of a sync is, or which copy the user chose ("t").
namespace SyncSide {
inline constexpr int Mac = 0;      // only on this computer, or decided for its copy
inline constexpr int Phone = 1;    // only on the companion, or decided for its copy
inline constexpr int Both = 2;     // on both sides: merge
inline constexpr int Conflict = 3; // on both sides with different structures: ask
} // namespace SyncSide

// One side of a structure conflict: {"r", "f", "d"}.
struct ConflictCopy {
    std::int64_t records = 0;             // r
    std::int64_t fields = 0;              // f
    std::optional<std::int64_t> editDate; // d; none when the copy was never edited
};

// One database of a sync: {"n", "t", "c", "o"}.
struct SyncListEntry {
    std::string name;         // n: the package name, NAME.dossiva
    int side = SyncSide::Mac; // t
    bool ticked = false;      // c
    // o: the computer's copy first, the companion's second; present only once
    // the structures were found to differ.
    std::optional<std::array<ConflictCopy, 2>> conflict;
};

} // namespace dossiva
