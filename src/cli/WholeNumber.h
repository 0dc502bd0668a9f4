#pragma once

#include <optional>
#include <string_view>

namespace dossiva::cli {

// A whole number from decimal text (a record id, a field id, a position),
// nullopt for anything else.
std::optional<long long> parseWholeNumber(std::string_view text);

} // namespace dossiva::cli
