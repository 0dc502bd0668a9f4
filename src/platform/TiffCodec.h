#pragma once

#include "platform/Image.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace dossiva {

// Reads TIFF pictures and writes the record-picture format (TIFF holding
// JPEG-compressed YCbCr strips), all in memory, through libtiff.
class TiffCodec {
public:
    static bool hasSignature(const std::uint8_t* bytes, std::size_t length);
    static std::optional<Image> decode(const std::uint8_t* bytes, std::size_t length);
    static std::optional<std::vector<std::uint8_t>> encodeJpeg(const Image& image, int quality);
};

} // namespace dossiva
