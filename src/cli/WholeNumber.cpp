#include "cli/WholeNumber.h"

#include <charconv>

namespace dossiva::cli {

std::optional<long long> parseWholeNumber(std::string_view text)
{
    long long value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

} // namespace dossiva::cli
