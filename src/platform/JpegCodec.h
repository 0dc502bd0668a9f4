#pragma once

#include "platform/Image.h"

#include <cstdint>
#include <optional>

namespace dossiva {

// Reads JPEG pictures (greyscale, colour or CMYK) into opaque 8-bit RGBA.
class JpegCodec {
public:
    static bool hasSignature(const std::uint8_t* bytes, std::size_t length);
    static std::optional<Image> decode(const std::uint8_t* bytes, std::size_t length);
};

} // namespace dossiva
