#include "platform/TiffCodec.h"

#include "platform/ImageLimits.h"
#include "platform/Log.h"

#include <tiffio.h>

#include <algorithm>
#include <bit>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <string>

namespace dossiva {

namespace {

// libtiff refuses any single buffer above this, whatever a file claims.
constexpr tmsize_t kMaxTiffAllocation = tmsize_t{512} * 1024 * 1024;

// A TIFF file in memory: a read-only view for decoding, or a buffer that grows
// as libtiff writes (and seeks back to patch offsets) for encoding.
class MemoryStream {
public:
    MemoryStream(const std::uint8_t* bytes, std::size_t length) : m_view(bytes), m_size(length) {}
    MemoryStream() = default;

    std::vector<std::uint8_t> takeBytes() { return std::move(m_owned); }

    static tmsize_t read(thandle_t handle, void* out, tmsize_t count)
    {
        auto* self = static_cast<MemoryStream*>(handle);
        if (count < 0 || self->m_position >= self->m_size) {
            return 0;
        }
        const auto available = self->m_size - self->m_position;
        const auto n = std::min<std::uint64_t>(static_cast<std::uint64_t>(count), available);
        std::memcpy(out, self->data() + self->m_position, n);
        self->m_position += n;
        return static_cast<tmsize_t>(n);
    }

    static tmsize_t write(thandle_t handle, void* in, tmsize_t count)
    {
        auto* self = static_cast<MemoryStream*>(handle);
        if (self->m_view != nullptr || count < 0) {
            return -1;
        }
        const auto end = self->m_position + static_cast<std::uint64_t>(count);
        try {
            if (end > self->m_owned.size()) {
                self->m_owned.resize(end);
                self->m_size = end;
            }
        } catch (const std::exception&) {
            return -1; // exceptions must not unwind through libtiff's C frames
        }
        std::memcpy(self->m_owned.data() + self->m_position, in, static_cast<std::size_t>(count));
        self->m_position = end;
        return count;
    }

    static toff_t seek(thandle_t handle, toff_t offset, int whence)
    {
        auto* self = static_cast<MemoryStream*>(handle);
        std::uint64_t base = 0;
        if (whence == SEEK_CUR) {
            base = self->m_position;
        } else if (whence == SEEK_END) {
            base = self->m_size;
        } else if (whence != SEEK_SET) {
            return static_cast<toff_t>(-1);
        }
        // libtiff passes negative relative offsets as wrapped unsigned values.
        const std::uint64_t target = base + offset;
        if (target > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
            return static_cast<toff_t>(-1);
        }
        self->m_position = target;
        return target;
    }

    static toff_t size(thandle_t handle) { return static_cast<MemoryStream*>(handle)->m_size; }
    static int close(thandle_t) { return 0; }
    static int map(thandle_t, void**, toff_t*) { return 0; }
    static void unmap(thandle_t, void*, toff_t) {}

private:
    const std::uint8_t* data() const { return m_view != nullptr ? m_view : m_owned.data(); }

    const std::uint8_t* m_view = nullptr;
    std::vector<std::uint8_t> m_owned;
    std::uint64_t m_size = 0;
    std::uint64_t m_position = 0;
};

// libtiff's complaints about one file: the first error is kept for the
// developer log; warnings are silenced.
struct TiffErrors {
    bool failed = false;
    char message[512] = {};
};

int onTiffError(TIFF*, void* userData, const char* module, const char* format, va_list arguments)
{
    auto* errors = static_cast<TiffErrors*>(userData);
    if (!errors->failed) {
        errors->failed = true;
        char text[400];
        std::vsnprintf(text, sizeof text, format, arguments);
        std::snprintf(errors->message, sizeof errors->message, "%s: %s", module ? module : "libtiff", text);
    }
    return 1; // handled: keep libtiff's default handler off standard error
}

int onTiffWarning(TIFF*, void*, const char*, const char*, va_list)
{
    return 1;
}

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

TiffHandle openTiff(MemoryStream& stream, const char* mode, TiffErrors& errors)
{
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (options == nullptr) {
        return nullptr;
    }
    TIFFOpenOptionsSetErrorHandlerExtR(options, onTiffError, &errors);
    TIFFOpenOptionsSetWarningHandlerExtR(options, onTiffWarning, nullptr);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, kMaxTiffAllocation);
    TIFF* tiff = TIFFClientOpenExt("memory", mode, &stream, MemoryStream::read, MemoryStream::write,
                                   MemoryStream::seek, MemoryStream::close, MemoryStream::size,
                                   MemoryStream::map, MemoryStream::unmap, options);
    TIFFOpenOptionsFree(options);
    return TiffHandle(tiff);
}

void logFailure(const char* what, const TiffErrors& errors)
{
    devLog(std::string("TIFF: ") + what +
           (errors.failed ? std::string(": ") + errors.message : std::string()));
}

// libtiff hands back RGBA words with the colour multiplied by alpha; Image
// holds straight colour, as PNG does.
void unpremultiply(std::vector<std::uint8_t>& rgba)
{
    for (std::size_t i = 0; i + 3 < rgba.size(); i += 4) {
        const unsigned alpha = rgba[i + 3];
        if (alpha == 255 || alpha == 0) {
            continue;
        }
        for (std::size_t c = 0; c < 3; ++c) {
            rgba[i + c] = static_cast<std::uint8_t>(std::min(255u, (rgba[i + c] * 255u + alpha / 2) / alpha));
        }
    }
}

// Rows per strip must be a multiple of 16 for JPEG with 2x2 chroma
// subsampling; about 64 KiB of pixels per strip.
std::uint32_t rowsPerStrip(int width)
{
    const std::uint32_t rows = 65536u / (static_cast<std::uint32_t>(width) * 3u);
    return std::max<std::uint32_t>(16u, rows / 16u * 16u);
}

// White behind transparent parts, as the picture would look on paper.
void flattenRowOntoWhite(const std::uint8_t* rgba, int width, std::uint8_t* rgb)
{
    for (int x = 0; x < width; ++x) {
        const unsigned alpha = rgba[x * 4 + 3];
        for (int c = 0; c < 3; ++c) {
            const unsigned colour = rgba[x * 4 + c];
            rgb[x * 3 + c] =
                static_cast<std::uint8_t>((colour * alpha + 255u * (255u - alpha) + 127u) / 255u);
        }
    }
}

bool setJpegFields(TIFF* tiff, const Image& image, int quality)
{
    return TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(image.width())) &&
           TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(image.height())) &&
           TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8) && TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3) &&
           TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
           TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT) &&
           // The quality only exists once the JPEG codec is chosen.
           TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_JPEG) &&
           TIFFSetField(tiff, TIFFTAG_JPEGQUALITY, std::clamp(quality, 0, 100)) &&
           TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR) &&
           // We hand libtiff RGB rows and let libjpeg convert them to YCbCr.
           TIFFSetField(tiff, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB) &&
           TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, rowsPerStrip(image.width()));
}

} // namespace

bool TiffCodec::hasSignature(const std::uint8_t* bytes, std::size_t length)
{
    if (length < 4) {
        return false;
    }
    // Classic TIFF (42) and BigTIFF (43), in either byte order.
    return (bytes[0] == 'I' && bytes[1] == 'I' && (bytes[2] == 42 || bytes[2] == 43) && bytes[3] == 0) ||
           (bytes[0] == 'M' && bytes[1] == 'M' && bytes[2] == 0 && (bytes[3] == 42 || bytes[3] == 43));
}

std::optional<Image> TiffCodec::decode(const std::uint8_t* bytes, std::size_t length)
{
    MemoryStream stream(bytes, length);
    TiffErrors errors;
    // "m": no memory mapping, everything goes through the stream.
    TiffHandle tiff = openTiff(stream, "rm", errors);
    if (!tiff) {
        logFailure("cannot open", errors);
        return std::nullopt;
    }
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    if (!TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width) ||
        !TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height) || !isAcceptableImageSize(width, height)) {
        devLog("TIFF: missing or refused size " + std::to_string(width) + "x" + std::to_string(height));
        return std::nullopt;
    }
    char reason[1024] = {};
    if (!TIFFRGBAImageOK(tiff.get(), reason)) {
        devLog(std::string("TIFF: unsupported layout: ") + reason);
        return std::nullopt;
    }
    std::vector<std::uint8_t> rgba;
    try {
        rgba.resize(std::size_t{width} * height * 4);
    } catch (const std::bad_alloc&) {
        devLog("TIFF: out of memory");
        return std::nullopt;
    }
    // libtiff fills 32-bit words whose lowest byte is red: on a little-endian
    // machine that is R, G, B, A in memory.
    static_assert(std::endian::native == std::endian::little);
    auto* raster = reinterpret_cast<std::uint32_t*>(rgba.data());
    const int stopOnError = 1;
    if (!TIFFReadRGBAImageOriented(tiff.get(), width, height, raster, ORIENTATION_TOPLEFT, stopOnError) ||
        errors.failed) {
        logFailure("cannot read the pixels", errors);
        return std::nullopt;
    }
    unpremultiply(rgba);
    return Image(static_cast<int>(width), static_cast<int>(height), std::move(rgba));
}

std::optional<std::vector<std::uint8_t>> TiffCodec::encodeJpeg(const Image& image, int quality)
{
    if (image.isNull()) {
        return std::nullopt;
    }
    MemoryStream stream;
    TiffErrors errors;
    TiffHandle tiff = openTiff(stream, "w", errors);
    if (!tiff) {
        logFailure("cannot start a file", errors);
        return std::nullopt;
    }
    if (!setJpegFields(tiff.get(), image, quality)) {
        logFailure("cannot set the fields", errors);
        return std::nullopt;
    }
    const auto width = static_cast<std::size_t>(image.width());
    std::vector<std::uint8_t> row(width * 3);
    for (int y = 0; y < image.height(); ++y) {
        flattenRowOntoWhite(image.rgba().data() + static_cast<std::size_t>(y) * width * 4, image.width(),
                            row.data());
        if (TIFFWriteScanline(tiff.get(), row.data(), static_cast<std::uint32_t>(y), 0) < 0) {
            logFailure("cannot write a row", errors);
            return std::nullopt;
        }
    }
    if (!TIFFFlush(tiff.get())) {
        logFailure("cannot write the directory", errors);
        return std::nullopt;
    }
    tiff.reset();
    if (errors.failed) {
        logFailure("cannot finish the file", errors);
        return std::nullopt;
    }
    return stream.takeBytes();
}

} // namespace dossiva
