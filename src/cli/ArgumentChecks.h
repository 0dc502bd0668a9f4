#pragma once

#include <CLI/CLI.hpp>

#include <charconv>
#include <cstdint>
#include <string>

namespace dossiva::cli {

// A size in bytes, a whole number of at least 1, checked as it is parsed.
inline CLI::Validator byteCount()
{
    return CLI::Validator(
        [](std::string& text) {
            std::uint64_t bytes = 0;
            const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), bytes);
            const bool whole = error == std::errc() && end == text.data() + text.size() && !text.empty();
            return whole && bytes > 0 ? std::string()
                                      : "takes a number of bytes, at least 1, not '" + text + "'";
        },
        "BYTES");
}

} // namespace dossiva::cli
