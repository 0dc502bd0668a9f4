#include "platform/Image.h"

#include "platform/FileManager.h"
#include "platform/ImageLimits.h"
#include "platform/JpegCodec.h"
#include "platform/Log.h"
#include "platform/PngCodec.h"
#include "platform/TiffCodec.h"

#include <algorithm>
#include <cmath>

namespace dossiva {

namespace {

// One source pixel's share in a destination pixel, along one axis.
struct Tap {
    int source;
    float weight;
};

// For each destination index along an axis, the source pixels it is made
// of: their covered fraction when shrinking (a box filter, so every source
// pixel counts), the two nearest centres when enlarging (bilinear).
std::vector<std::vector<Tap>> axisTaps(int from, int to)
{
    std::vector<std::vector<Tap>> taps(static_cast<std::size_t>(to));
    const double ratio = static_cast<double>(from) / to;
    for (int i = 0; i < to; ++i) {
        auto& list = taps[static_cast<std::size_t>(i)];
        if (to <= from) {
            const double low = i * ratio;
            const double high = (i + 1) * ratio;
            for (int s = static_cast<int>(low); s < from && s < high; ++s) {
                const double covered = std::min<double>(high, s + 1) - std::max<double>(low, s);
                if (covered > 0) {
                    list.push_back({s, static_cast<float>(covered / ratio)});
                }
            }
        } else {
            const double centre = std::clamp((i + 0.5) * ratio - 0.5, 0.0, from - 1.0);
            const int left = static_cast<int>(centre);
            const double fraction = centre - left;
            list.push_back({left, static_cast<float>(1.0 - fraction)});
            if (fraction > 0 && left + 1 < from) {
                list.push_back({left + 1, static_cast<float>(fraction)});
            }
        }
    }
    return taps;
}

// Resamples one RGBA row horizontally into premultiplied floats, so that
// transparent pixels lend no colour to their neighbours.
void resampleRow(const std::uint8_t* row, const std::vector<std::vector<Tap>>& columns,
                 std::vector<float>& out)
{
    std::fill(out.begin(), out.end(), 0.0f);
    for (std::size_t x = 0; x < columns.size(); ++x) {
        float* pixel = &out[x * 4];
        for (const Tap& tap : columns[x]) {
            const std::uint8_t* source = row + static_cast<std::size_t>(tap.source) * 4;
            const float alpha = source[3] * tap.weight;
            pixel[0] += source[0] * alpha / 255.0f;
            pixel[1] += source[1] * alpha / 255.0f;
            pixel[2] += source[2] * alpha / 255.0f;
            pixel[3] += alpha;
        }
    }
}

std::uint8_t toByte(float value)
{
    return static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L));
}

void storeRow(const std::vector<float>& premultiplied, std::uint8_t* out)
{
    for (std::size_t i = 0; i < premultiplied.size(); i += 4) {
        const float alpha = premultiplied[i + 3];
        const float unpremultiply = alpha > 0.0f ? 255.0f / alpha : 0.0f;
        for (std::size_t c = 0; c < 3; ++c) {
            out[i + c] = toByte(premultiplied[i + c] * unpremultiply);
        }
        out[i + 3] = toByte(alpha);
    }
}

} // namespace

Image::Image(int width, int height, std::vector<std::uint8_t> rgba)
{
    // Pixels that do not fill the size exactly make a null image rather than
    // reads past the end later.
    if (width <= 0 || height <= 0 ||
        rgba.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4) {
        return;
    }
    m_width = width;
    m_height = height;
    m_rgba = std::move(rgba);
}

std::optional<Image> Image::decode(const std::uint8_t* bytes, std::size_t length)
{
    if (bytes == nullptr) {
        return std::nullopt;
    }
    if (TiffCodec::hasSignature(bytes, length)) {
        return TiffCodec::decode(bytes, length);
    }
    if (PngCodec::hasSignature(bytes, length)) {
        return PngCodec::decode(bytes, length);
    }
    if (JpegCodec::hasSignature(bytes, length)) {
        return JpegCodec::decode(bytes, length);
    }
    return std::nullopt;
}

std::optional<Image> Image::readFile(const std::string& path, bool followLinks)
{
    const auto bytes = FileManager::readFile(path, kMaxPictureFileBytes, followLinks);
    if (!bytes) {
        return std::nullopt;
    }
    return decode(*bytes);
}

std::optional<std::vector<std::uint8_t>> Image::encodeTiffJpeg(int quality) const
{
    return TiffCodec::encodeJpeg(*this, quality);
}

bool Image::writeTiffJpeg(const std::string& path, int quality) const
{
    const auto bytes = encodeTiffJpeg(quality);
    return bytes && FileManager::writeFileAtomically(path, bytes->data(), bytes->size());
}

Image Image::scaled(int width, int height) const
{
    if (isNull() || width <= 0 || height <= 0 ||
        !isAcceptableImageSize(static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(height))) {
        return Image();
    }
    if (width == m_width && height == m_height) {
        return *this;
    }
    // Row by row: each destination row sums the horizontally resampled source
    // rows it covers, so memory stays at a few rows whatever the sizes.
    const auto columns = axisTaps(m_width, width);
    const auto rows = axisTaps(m_height, height);
    const std::size_t rowFloats = static_cast<std::size_t>(width) * 4;
    std::vector<float> line(rowFloats);
    std::vector<float> sum(rowFloats);
    std::vector<std::uint8_t> out(rowFloats * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        std::fill(sum.begin(), sum.end(), 0.0f);
        for (const Tap& rowTap : rows[static_cast<std::size_t>(y)]) {
            resampleRow(m_rgba.data() + static_cast<std::size_t>(rowTap.source) * m_width * 4, columns, line);
            for (std::size_t i = 0; i < rowFloats; ++i) {
                sum[i] += line[i] * rowTap.weight;
            }
        }
        storeRow(sum, out.data() + static_cast<std::size_t>(y) * rowFloats);
    }
    return Image(width, height, std::move(out));
}

} // namespace dossiva
