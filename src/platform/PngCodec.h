#pragma once

#include "platform/Image.h"

#include <cstdint>
#include <optional>

namespace dossiva {

// Reads PNG pictures of every colour type and depth into 8-bit RGBA.
class PngCodec {
public:
    static bool hasSignature(const std::uint8_t* bytes, std::size_t length);
    static std::optional<Image> decode(const std::uint8_t* bytes, std::size_t length);
};

} // namespace dossiva
