#include "support/Pictures.h"

#include <memory>
#include <random>

namespace dossiva::test {

ImagePtr solidPicture(int width, int height, Rgba colour)
{
    std::vector<std::uint8_t> rgba;
    rgba.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    for (int i = 0; i < width * height; ++i) {
        rgba.insert(rgba.end(), colour.begin(), colour.end());
    }
    return std::make_shared<const Image>(width, height, std::move(rgba));
}

ImagePtr noisePicture(int width, int height, unsigned seed)
{
    std::vector<std::uint8_t> rgba = noiseBytes(static_cast<std::size_t>(width) * height * 4, seed);
    for (std::size_t alpha = 3; alpha < rgba.size(); alpha += 4) {
        rgba[alpha] = 255;
    }
    return std::make_shared<const Image>(width, height, std::move(rgba));
}

std::vector<std::uint8_t> noiseBytes(std::size_t length, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<std::uint8_t> bytes(length);
    for (auto& byte : bytes) {
        byte = static_cast<std::uint8_t>(random());
    }
    return bytes;
}

} // namespace dossiva::test
