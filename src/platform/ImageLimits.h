#pragma once

#include <cstdint>

namespace dossiva {

// Pictures larger than this are refused before any pixel memory is reserved,
// so a damaged or hostile header cannot make us allocate gigabytes: 64
// megapixels (256 MB of pixels) holds any camera's photograph, which JPEG
// reads at a reduced size when it is larger still.
inline constexpr std::uint64_t kMaxImageSide = 32768;
inline constexpr std::uint64_t kMaxImagePixels = 64ull * 1024 * 1024;
// Picture files larger than this are not read at all: a record picture is a
// few hundred kilobytes, a photograph a few tens of megabytes.
inline constexpr std::uint64_t kMaxPictureFileBytes = 128ull * 1024 * 1024;

inline bool isAcceptableImageSize(std::uint64_t width, std::uint64_t height)
{
    return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
           width * height <= kMaxImagePixels;
}

} // namespace dossiva
