#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace dossiva {

// A decoded picture: 8-bit RGBA pixels, rows top to bottom, no padding.
class Image {
public:
    Image() = default;
    Image(int width, int height, std::vector<std::uint8_t> rgba);

    int width() const { return m_width; }
    int height() const { return m_height; }
    bool isNull() const { return m_width <= 0 || m_height <= 0; }
    const std::vector<std::uint8_t>& rgba() const { return m_rgba; }

    // Reads TIFF, PNG or JPEG, recognised by their first bytes. Anything
    // else, or a damaged file, gives nullopt.
    static std::optional<Image> decode(const std::uint8_t* bytes, std::size_t length);
    static std::optional<Image> decode(const std::vector<std::uint8_t>& bytes)
    {
        return decode(bytes.data(), bytes.size());
    }
    // Reads a picture file of at most kMaxPictureFileBytes; with followLinks
    // false a link is refused rather than followed.
    static std::optional<Image> readFile(const std::string& path, bool followLinks = true);

    // The record-picture format: TIFF with JPEG compression at the given
    // quality (0-100), alpha flattened onto white.
    std::optional<std::vector<std::uint8_t>> encodeTiffJpeg(int quality = 80) const;
    // Writes encodeTiffJpeg() to path, replacing any file there. False on
    // any failure, with no partial file left behind.
    bool writeTiffJpeg(const std::string& path, int quality = 80) const;

    // A copy scaled to the given size (box-filtered when shrinking).
    Image scaled(int width, int height) const;

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<std::uint8_t> m_rgba;
};

using ImagePtr = std::shared_ptr<const Image>;

} // namespace dossiva
