#include "platform/JpegCodec.h"

#include "platform/ImageLimits.h"
#include "platform/Log.h"

#include <cstdio>
// jpeglib.h needs FILE and size_t declared first.
#include <jerror.h>
#include <jpeglib.h>

#include <csetjmp>
#include <new>
#include <string>
#include <vector>

namespace dossiva {

namespace {

// Progressive files keep all coefficients in memory; beyond this libjpeg
// gives up instead of allocating what a hostile header asks for.
constexpr long kMaxJpegMemory = 1024L * 1024 * 1024;
// A progressive file may hold thousands of tiny scans that each cost a pass
// over the picture; real files have about ten.
constexpr int kMaxJpegScans = 1000;

// Everything libjpeg's callbacks touch. It lives outside the functions that
// call setjmp, so a longjmp never skips a C++ destructor.
struct JpegReader {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errorManager{};
    jpeg_progress_mgr progress{};
    std::jmp_buf jump{};
    bool truncated = false;
    JDIMENSION width = 0; // the size the pixels are read at
    JDIMENSION height = 0;
    char error[JMSG_LENGTH_MAX] = {};

    ~JpegReader() { jpeg_destroy_decompress(&info); }
};

JpegReader* readerOf(j_common_ptr info)
{
    return static_cast<JpegReader*>(info->client_data);
}

void onJpegError(j_common_ptr info)
{
    JpegReader* reader = readerOf(info);
    info->err->format_message(info, reader->error);
    std::longjmp(reader->jump, 1);
}

void onJpegMessage(j_common_ptr info, int level)
{
    if (level >= 0) {
        return; // trace messages
    }
    // libjpeg pads a cut-off file, or one whose data ends before the picture
    // does, with grey and calls it a warning; for us such a picture is a
    // damaged one. Other warnings are harmless.
    if (info->err->msg_code == JWRN_JPEG_EOF || info->err->msg_code == JWRN_HIT_MARKER) {
        readerOf(info)->truncated = true;
    }
    ++info->err->num_warnings;
}

void onJpegProgress(j_common_ptr info)
{
    auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number > kMaxJpegScans) {
        std::snprintf(readerOf(info)->error, JMSG_LENGTH_MAX, "more than %d scans", kMaxJpegScans);
        std::longjmp(readerOf(info)->jump, 1);
    }
}

// The two phases of reading, split so that the pixel buffer can be sized (a
// C++ allocation) between them, outside any setjmp scope.
bool readJpegHeader(JpegReader* reader, const std::uint8_t* bytes, std::size_t length)
{
    if (setjmp(reader->jump)) {
        return false;
    }
    reader->info.err = jpeg_std_error(&reader->errorManager);
    reader->errorManager.error_exit = onJpegError;
    reader->errorManager.emit_message = onJpegMessage;
    // jpeg_create_decompress keeps err and client_data, so errors during it find us.
    reader->info.client_data = reader;
    jpeg_create_decompress(&reader->info);
    reader->info.mem->max_memory_to_use = kMaxJpegMemory;
    reader->progress.progress_monitor = onJpegProgress;
    reader->info.progress = &reader->progress;
    jpeg_mem_src(&reader->info, bytes, static_cast<unsigned long>(length));
    if (jpeg_read_header(&reader->info, TRUE) != JPEG_HEADER_OK) {
        std::snprintf(reader->error, JMSG_LENGTH_MAX, "no picture in the file");
        return false;
    }
    // A photograph larger than the pixel budget is read at a half, a quarter
    // or an eighth of its size, which libjpeg does without ever holding the
    // whole; anything still larger is refused.
    const std::uint64_t width = reader->info.image_width;
    const std::uint64_t height = reader->info.image_height;
    unsigned denominator = 1;
    while (denominator < 8 && !isAcceptableImageSize((width + denominator - 1) / denominator,
                                                     (height + denominator - 1) / denominator)) {
        denominator *= 2;
    }
    reader->info.scale_num = 1;
    reader->info.scale_denom = denominator;
    jpeg_calc_output_dimensions(&reader->info);
    if (!isAcceptableImageSize(reader->info.output_width, reader->info.output_height)) {
        std::snprintf(reader->error, JMSG_LENGTH_MAX, "picture too large");
        return false;
    }
    reader->width = reader->info.output_width;
    reader->height = reader->info.output_height;
    const bool cmyk = reader->info.jpeg_color_space == JCS_CMYK || reader->info.jpeg_color_space == JCS_YCCK;
    reader->info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGBA;
    return true;
}

// Fills four bytes per pixel: RGBA, or CMYK for CMYK files.
bool readJpegPixels(JpegReader* reader, std::uint8_t* pixels)
{
    if (setjmp(reader->jump)) {
        return false;
    }
    jpeg_start_decompress(&reader->info);
    if (reader->info.output_components != 4 || reader->info.output_width != reader->width ||
        reader->info.output_height != reader->height) {
        std::snprintf(reader->error, JMSG_LENGTH_MAX, "unexpected output layout");
        return false;
    }
    const std::size_t stride = std::size_t{reader->info.output_width} * 4;
    while (reader->info.output_scanline < reader->info.output_height && !reader->truncated) {
        JSAMPROW row = pixels + std::size_t{reader->info.output_scanline} * stride;
        jpeg_read_scanlines(&reader->info, &row, 1);
    }
    if (reader->truncated) {
        std::snprintf(reader->error, JMSG_LENGTH_MAX, "the file ends early");
        return false;
    }
    jpeg_finish_decompress(&reader->info);
    return !reader->truncated;
}

// Adobe applications store CMYK inverted (0 = full ink), which is what
// almost every CMYK JPEG in the wild is.
void cmykToRgba(std::vector<std::uint8_t>& pixels, bool inverted)
{
    for (std::size_t i = 0; i + 3 < pixels.size(); i += 4) {
        unsigned ink[4];
        for (int c = 0; c < 4; ++c) {
            ink[c] = inverted ? pixels[i + c] : 255u - pixels[i + c];
        }
        for (int c = 0; c < 3; ++c) {
            pixels[i + c] = static_cast<std::uint8_t>((ink[c] * ink[3] + 127u) / 255u);
        }
        pixels[i + 3] = 255;
    }
}

} // namespace

bool JpegCodec::hasSignature(const std::uint8_t* bytes, std::size_t length)
{
    return length >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
}

std::optional<Image> JpegCodec::decode(const std::uint8_t* bytes, std::size_t length)
{
    JpegReader reader;
    if (!readJpegHeader(&reader, bytes, length)) {
        devLog(std::string("JPEG: ") + reader.error);
        return std::nullopt;
    }
    const std::uint32_t width = reader.width;
    const std::uint32_t height = reader.height;
    std::vector<std::uint8_t> pixels;
    try {
        pixels.resize(std::size_t{width} * height * 4);
    } catch (const std::bad_alloc&) {
        devLog("JPEG: out of memory");
        return std::nullopt;
    }
    if (!readJpegPixels(&reader, pixels.data())) {
        devLog(std::string("JPEG: ") + reader.error);
        return std::nullopt;
    }
    if (reader.info.out_color_space == JCS_CMYK) {
        cmykToRgba(pixels, reader.info.saw_Adobe_marker != 0);
    }
    return Image(static_cast<int>(width), static_cast<int>(height), std::move(pixels));
}

} // namespace dossiva
