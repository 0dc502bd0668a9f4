#include "fields/PictureScaling.h"

#include <cstdint>

namespace dossiva::PictureScaling {

namespace {

// side × 320 / other, cut toward zero as the bitmap's pixel count is.
int scaledSide(int side, int other)
{
    return static_cast<int>(static_cast<std::int64_t>(side) * kLimit / other);
}

} // namespace

Size recordPictureSize(int width, int height)
{
    if (width <= 0 || height <= 0) {
        return {};
    }
    if (width > height) {
        return width > kLimit ? Size{kLimit, scaledSide(height, width)} : Size{width, height};
    }
    return {scaledSide(width, height), kLimit};
}

std::optional<Image> scaledForRecord(const Image& picture)
{
    const Size size = recordPictureSize(picture.width(), picture.height());
    if (picture.isNull() || size.width <= 0 || size.height <= 0) {
        return std::nullopt;
    }
    Image scaled = picture.scaled(size.width, size.height);
    if (scaled.isNull()) {
        return std::nullopt;
    }
    return scaled;
}

} // namespace dossiva::PictureScaling
