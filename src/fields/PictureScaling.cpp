#include "fields/PictureScaling.h"

#include "platform/FileManager.h"
#include "platform/ImageLimits.h"

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

RecordPicture readForRecord(const std::string& path)
{
    std::optional<Image> picture;
    {
        // The file's bytes go before the picture is scaled.
        const auto bytes = FileManager::readFile(path, kMaxPictureFileBytes);
        if (!bytes) {
            return {std::nullopt, FileManager::lastFailure().reason};
        }
        picture = Image::decode(*bytes);
    }
    if (!picture) {
        return {std::nullopt, "it is not a TIFF, PNG or JPEG picture, or it has more than " +
                                  std::to_string(kMaxImagePixels / (1024 * 1024)) + " million pixels"};
    }
    auto scaled = scaledForRecord(*picture);
    if (!scaled) {
        return {std::nullopt, "it is too narrow or too flat to be drawn at the size of a record picture"};
    }
    return {std::move(scaled), {}};
}

std::string refusalMessage(const std::string& path, const RecordPicture& refused)
{
    return '"' + FileManager::lastPathComponent(path) +
           "\" cannot be a record's picture: " + refused.failure + ".";
}

} // namespace dossiva::PictureScaling
