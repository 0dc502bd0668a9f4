#pragma once

#include "platform/Image.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace dossiva::test {

using Rgba = std::array<std::uint8_t, 4>;

// A picture of one colour.
ImagePtr solidPicture(int width, int height, Rgba colour = {200, 40, 200, 255});
// An opaque picture of noise, which JPEG cannot make small.
ImagePtr noisePicture(int width, int height, unsigned seed = 7);
// Bytes of noise, the same for the same seed.
std::vector<std::uint8_t> noiseBytes(std::size_t length, unsigned seed);

} // namespace dossiva::test
