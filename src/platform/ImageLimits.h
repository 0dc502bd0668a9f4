#pragma once

#include <cstdint>

namespace dossiva {

// Pictures larger than this are refused before any pixel memory is reserved,
// so a damaged or hostile header cannot make us allocate gigabytes.
inline constexpr std::uint64_t kMaxImageSide = 32768;
inline constexpr std::uint64_t kMaxImagePixels = 256ull * 1024 * 1024;

inline bool isAcceptableImageSize(std::uint64_t width, std::uint64_t height)
{
    return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
           width * height <= kMaxImagePixels;
}

} // namespace dossiva
