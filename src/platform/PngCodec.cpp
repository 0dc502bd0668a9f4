#include "platform/PngCodec.h"

#include "platform/ImageLimits.h"
#include "platform/Log.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace dossiva {

namespace {

// Everything libpng's callbacks touch. It lives outside the functions that
// call setjmp, so a longjmp never skips a C++ destructor.
struct PngReader {
    const std::uint8_t* bytes = nullptr;
    std::size_t length = 0;
    std::size_t offset = 0;
    char error[256] = {};
    png_structp png = nullptr;
    png_infop info = nullptr;

    ~PngReader() { png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr); }
};

void onPngError(png_structp png, png_const_charp message)
{
    auto* reader = static_cast<PngReader*>(png_get_error_ptr(png));
    std::snprintf(reader->error, sizeof reader->error, "%s", message);
    png_longjmp(png, 1);
}

void onPngWarning(png_structp, png_const_charp)
{
    // Warnings (bad ancillary chunks and the like) do not stop the picture.
}

void readPngBytes(png_structp png, png_bytep out, std::size_t count)
{
    auto* reader = static_cast<PngReader*>(png_get_io_ptr(png));
    if (count > reader->length - reader->offset) {
        png_error(png, "the file ends early");
    }
    std::memcpy(out, reader->bytes + reader->offset, count);
    reader->offset += count;
}

// Asks libpng for 8-bit RGBA whatever the file holds.
void requestRgba8(png_structp png, png_infop info)
{
    const png_byte colourType = png_get_color_type(png, info);
    const png_byte bitDepth = png_get_bit_depth(png, info);
    const bool hasTransparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        png_set_palette_to_rgb(png);
    }
    if (colourType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) {
        png_set_expand_gray_1_2_4_to_8(png);
    }
    if (hasTransparency) {
        png_set_tRNS_to_alpha(png);
    }
    if (bitDepth == 16) {
        png_set_strip_16(png);
    }
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA) {
        png_set_gray_to_rgb(png);
    }
    if ((colourType & PNG_COLOR_MASK_ALPHA) == 0 && !hasTransparency) {
        png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
}

// The two phases of reading, split so that the pixel buffer can be sized (a
// C++ allocation) between them, outside any setjmp scope.
bool readPngHeader(PngReader* reader, png_uint_32* width, png_uint_32* height)
{
    if (setjmp(png_jmpbuf(reader->png))) {
        return false;
    }
    png_set_read_fn(reader->png, reader, readPngBytes);
    png_set_user_limits(reader->png, kMaxImageSide, kMaxImageSide);
    png_read_info(reader->png, reader->info);
    *width = png_get_image_width(reader->png, reader->info);
    *height = png_get_image_height(reader->png, reader->info);
    if (!isAcceptableImageSize(*width, *height)) {
        png_error(reader->png, "picture too large");
    }
    requestRgba8(reader->png, reader->info);
    if (png_get_rowbytes(reader->png, reader->info) != std::size_t{*width} * 4) {
        png_error(reader->png, "unexpected row layout");
    }
    return true;
}

bool readPngPixels(PngReader* reader, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(reader->png))) {
        return false;
    }
    png_read_image(reader->png, rows);
    return true;
}

} // namespace

bool PngCodec::hasSignature(const std::uint8_t* bytes, std::size_t length)
{
    return length >= 8 && png_sig_cmp(bytes, 0, 8) == 0;
}

std::optional<Image> PngCodec::decode(const std::uint8_t* bytes, std::size_t length)
{
    PngReader reader;
    reader.bytes = bytes;
    reader.length = length;
    reader.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &reader, onPngError, onPngWarning);
    if (reader.png == nullptr) {
        return std::nullopt;
    }
    reader.info = png_create_info_struct(reader.png);
    if (reader.info == nullptr) {
        return std::nullopt;
    }
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    if (!readPngHeader(&reader, &width, &height)) {
        devLog(std::string("PNG: ") + reader.error);
        return std::nullopt;
    }
    std::vector<std::uint8_t> rgba;
    std::vector<png_bytep> rows;
    try {
        rgba.resize(std::size_t{width} * height * 4);
        rows.resize(height);
    } catch (const std::bad_alloc&) {
        devLog("PNG: out of memory");
        return std::nullopt;
    }
    for (png_uint_32 y = 0; y < height; ++y) {
        rows[y] = rgba.data() + std::size_t{y} * width * 4;
    }
    if (!readPngPixels(&reader, rows.data())) {
        devLog(std::string("PNG: ") + reader.error);
        return std::nullopt;
    }
    return Image(static_cast<int>(width), static_cast<int>(height), std::move(rgba));
}

} // namespace dossiva
