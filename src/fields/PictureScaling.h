#pragma once

#include "platform/Image.h"

#include <optional>
#include <string>

namespace dossiva {

// The size a picture is given when it becomes a record's picture: a picture
// wider than high keeps its size up to 320 points wide and is narrowed to
// 320 beyond; any other picture is scaled, up or down, to 320 points high.
namespace PictureScaling {

inline constexpr int kLimit = 320;

struct Size {
    int width = 0;
    int height = 0;
    bool operator==(const Size&) const = default;
};

// The stored size of a picture of the given size; a side that would come
// out below one pixel is 0.
Size recordPictureSize(int width, int height);

// The picture redrawn at its stored size; nullopt when it cannot be drawn
// (no picture, or a size with a side of 0).
std::optional<Image> scaledForRecord(const Image& picture);

// A picture file made into a record's picture, or why it cannot be.
struct RecordPicture {
    std::optional<Image> picture;
    std::string failure; // readable, without a full stop; "" with a picture
};

// Reads a TIFF, PNG or JPEG file and scales it for a record. A file that
// cannot be read, that is no such picture, or whose size passes the byte or
// pixel budget is refused before its pixels are decoded; the full picture is
// held once, only while it is scaled.
RecordPicture readForRecord(const std::string& path);

// What the user reads when a file cannot be a record's picture.
inline constexpr const char* kRefusalTitle = "The picture cannot be used.";
std::string refusalMessage(const std::string& path, const RecordPicture& refused);

} // namespace PictureScaling
} // namespace dossiva
