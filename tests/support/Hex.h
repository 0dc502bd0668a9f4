#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dossiva::test {

// Lower-case hex of bytes, two digits a byte: how bytes travel to and from
// the Python cross-checks, and how they read in a failure message.
std::string hex(std::string_view bytes);
std::string hex(const std::vector<std::uint8_t>& bytes);
// The bytes of such a text; a trailing odd digit or line break is ignored.
std::vector<std::uint8_t> fromHex(std::string_view text);

} // namespace dossiva::test
