#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace dossiva::fuzz {

// The fuzzer's bytes, taken from the front: a few choices first, then the
// rest as the input proper.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : m_rest(reinterpret_cast<const char*>(data), size)
    {
    }

    // A number below `count` from the next byte (0 when none is left).
    unsigned choose(unsigned count)
    {
        if (m_rest.empty() || count == 0) {
            return 0;
        }
        const auto byte = static_cast<unsigned char>(m_rest.front());
        m_rest.remove_prefix(1);
        return byte % count;
    }

    std::string_view rest() const { return m_rest; }

private:
    std::string_view m_rest;
};

} // namespace dossiva::fuzz
