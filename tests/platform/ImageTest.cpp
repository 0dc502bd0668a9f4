#include "platform/Image.h"

#include "platform/FileManager.h"

#include "support/Files.h"
#include "support/Hex.h"
#include "support/LogCapture.h"
#include "support/Pictures.h"
#include "support/TestHome.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace dossiva {
namespace {

using Pixel = std::array<int, 4>;

Pixel pixelAt(const Image& image, int x, int y)
{
    const std::size_t at = (static_cast<std::size_t>(y) * image.width() + x) * 4;
    const auto& rgba = image.rgba();
    return {rgba[at], rgba[at + 1], rgba[at + 2], rgba[at + 3]};
}

::testing::AssertionResult isNear(const Pixel& actual, const Pixel& expected, int tolerance)
{
    for (std::size_t c = 0; c < 4; ++c) {
        if (std::abs(actual[c] - expected[c]) > tolerance) {
            return ::testing::AssertionFailure() << ::testing::PrintToString(actual) << " is not within "
                                                 << tolerance << " of " << ::testing::PrintToString(expected);
        }
    }
    return ::testing::AssertionSuccess();
}

// Four 16x16 quadrants, so JPEG's 8x8 blocks and 2x2 chroma sampling never
// mix two colours at the points we check.
Image quadrants(const std::array<Pixel, 4>& colours)
{
    const int side = 32;
    std::vector<std::uint8_t> rgba;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const Pixel& colour = colours[(y < 16 ? 0 : 2) + (x < 16 ? 0 : 1)];
            rgba.insert(rgba.end(), colour.begin(), colour.end());
        }
    }
    return Image(side, side, rgba);
}

class ImageTest : public ::testing::Test {
protected:
    void TearDown() override { std::filesystem::remove_all(m_folder); }

    std::string pathFor(const std::string& name) const { return m_folder + "/" + name; }

    // Makes a picture with ImageMagick, an encoder independent of ours. A
    // format such as "PNG8:" chooses the kind of file the name's extension
    // leaves open.
    std::vector<std::uint8_t> convert(const std::string& arguments, const std::string& name,
                                      const std::string& format = "")
    {
        std::string output;
        const int status = test::runCommand(
            "convert " + arguments + " " + test::shellQuote(format + pathFor(name)) + " 2>&1", output);
        EXPECT_EQ(status, 0) << output;
        auto bytes = FileManager::readFile(pathFor(name));
        EXPECT_TRUE(bytes.has_value()) << name;
        return bytes.value_or(std::vector<std::uint8_t>{});
    }

    std::string m_folder = test::makeTempFolder("dossiva-image-");
    test::LogCapture m_log;
};

const std::array<Pixel, 4> kQuadrantColours = {
    Pixel{255, 0, 0, 255},    // opaque red
    Pixel{0, 0, 255, 128},    // half-transparent blue
    Pixel{0, 200, 0, 0},      // fully transparent green
    Pixel{250, 250, 40, 255}, // opaque yellow
};
// The same, as seen on white paper.
const std::array<Pixel, 4> kOnWhite = {
    Pixel{255, 0, 0, 255},
    Pixel{127, 127, 255, 255},
    Pixel{255, 255, 255, 255},
    Pixel{250, 250, 40, 255},
};
const std::array<std::array<int, 2>, 4> kQuadrantCentres = {{{8, 8}, {24, 8}, {8, 24}, {24, 24}}};
constexpr int kJpegTolerance = 10;

TEST_F(ImageTest, TiffJpegIsReadableByOthersWithTheRightTags)
{
    ASSERT_TRUE(quadrants(kQuadrantColours).writeTiffJpeg(pathFor("7")));
    // One directory, JPEG in YCbCr, no alpha, strips of whole 16-row blocks.
    std::string output;
    ASSERT_EQ(test::runCommand(
                  "identify -format '%n %w %h %C %[tiff:photometric] %[channels] %[tiff:rows-per-strip]' " +
                      test::shellQuote(pathFor("7")),
                  output),
              0);
    const std::size_t rows = output.rfind(' ');
    EXPECT_EQ(output.substr(0, rows), "1 32 32 JPEG YCBCR srgb");
    EXPECT_EQ(std::stoi(output.substr(rows + 1)) % 16, 0) << output;

    // The pixels, decoded by ImageMagick: alpha flattened onto white.
    ASSERT_EQ(test::runCommand("convert " + test::shellQuote(pathFor("7")) + " -depth 8 rgb:-", output), 0);
    ASSERT_EQ(output.size(), 32u * 32u * 3u);
    for (std::size_t q = 0; q < 4; ++q) {
        SCOPED_TRACE(q);
        const std::size_t at = (kQuadrantCentres[q][1] * 32u + kQuadrantCentres[q][0]) * 3u;
        const Pixel theirs = {static_cast<std::uint8_t>(output[at]),
                              static_cast<std::uint8_t>(output[at + 1]),
                              static_cast<std::uint8_t>(output[at + 2]), 255};
        EXPECT_TRUE(isNear(theirs, kOnWhite[q], kJpegTolerance));
    }
}

TEST_F(ImageTest, QualityChangesTheCompression)
{
    const Image picture(64, 64, test::noiseBytes(64 * 64 * 4, 7));
    const auto rough = picture.encodeTiffJpeg(10);
    const auto fine = picture.encodeTiffJpeg(95);
    ASSERT_TRUE(rough && fine);
    EXPECT_LT(rough->size() * 2, fine->size());
}

struct ForeignCase {
    const char* arguments;
    const char* format;
    const char* name;
    Pixel firstPixel;
    int tolerance;
};

TEST_F(ImageTest, DecodesPicturesMadeByImageMagick)
{
    // An odd size, so that interlacing passes and JPEG blocks end part-way.
    const int width = 33;
    const int height = 17;
    // clang-format off
    const std::vector<ForeignCase> cases = {
        {"xc:'rgba(255,0,0,0.5)'", "PNG32:", "rgba.png", {255, 0, 0, 128}, 1},
        {"xc:'rgb(10,200,30)'", "PNG24:", "rgb.png", {10, 200, 30, 255}, 0},
        {"xc:'rgb(10,200,30)'", "PNG8:", "palette.png", {10, 200, 30, 255}, 0},
        {"xc:none xc:red +append", "PNG8:", "palette-trns.png", {0, 0, 0, 0}, 0},
        {"xc:'gray(40%)' -colorspace Gray", "", "grey4.png", {102, 102, 102, 255}, 9},
        {"xc:white -colorspace Gray -depth 1", "", "grey1.png", {255, 255, 255, 255}, 0},
        {"xc:'rgba(128,128,128,0.5)' -colorspace Gray", "", "grey-alpha.png", {128, 128, 128, 128}, 1},
        {"xc:'rgb(10,200,30)' -depth 16", "PNG48:", "rgb16.png", {10, 200, 30, 255}, 1},
        {"xc:'rgb(10,200,30)' -interlace PNG", "PNG24:", "interlaced.png", {10, 200, 30, 255}, 0},
        {"xc:'rgb(0,128,255)' -quality 95", "", "colour.jpg", {0, 128, 255, 255}, 6},
        {"xc:'gray(40%)' -colorspace Gray -quality 95", "", "grey.jpg", {102, 102, 102, 255}, 3},
        {"xc:'rgb(0,128,255)' -colorspace CMYK -quality 95", "", "cmyk.jpg", {0, 128, 255, 255}, 8},
        {"xc:'rgb(0,128,255)' -interlace JPEG -quality 95", "", "progressive.jpg", {0, 128, 255, 255}, 6},
        {"xc:'rgba(0,0,255,0.5)' -type TrueColorAlpha -depth 8 -compress lzw", "", "alpha.tif", {0, 0, 255, 128}, 1},
        {"xc:'rgb(10,200,30)' -depth 16 -compress zip -define tiff:endian=msb", "", "msb.tif", {10, 200, 30, 255}, 1},
        {"xc:'rgb(0,128,255)' -compress jpeg -quality 95", "", "jpeg.tif", {0, 128, 255, 255}, 6},
        {"xc:'gray(40%)' -colorspace Gray -compress none", "", "grey.tif", {102, 102, 102, 255}, 1},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // "xc:none xc:red +append" doubles the width.
        const bool appended = std::string(c.arguments).find("+append") != std::string::npos;
        const std::string size =
            "-size " + std::to_string(appended ? width / 2 + 1 : width) + "x" + std::to_string(height) + " ";
        const auto image = Image::decode(convert(size + c.arguments, c.name, c.format));
        ASSERT_TRUE(image.has_value());
        EXPECT_EQ(image->width(), appended ? (width / 2 + 1) * 2 : width);
        EXPECT_EQ(image->height(), height);
        EXPECT_TRUE(isNear(pixelAt(*image, 0, 0), c.firstPixel, c.tolerance));
        EXPECT_TRUE(isNear(pixelAt(*image, image->width() - 1, height - 1),
                           appended ? Pixel{255, 0, 0, 255} : c.firstPixel, c.tolerance));
    }
}

TEST_F(ImageTest, KeepsTopLeftOrientationInEveryFormat)
{
    const std::string layout =
        "-size 16x16 \\( xc:red xc:lime +append \\) \\( xc:blue xc:yellow +append \\) -append";
    const std::array<Pixel, 4> expected = {Pixel{255, 0, 0, 255}, Pixel{0, 255, 0, 255},
                                           Pixel{0, 0, 255, 255}, Pixel{255, 255, 0, 255}};
    for (const char* name : {"layout.png", "layout.jpg", "layout.tif", "layout-jpeg.tif"}) {
        SCOPED_TRACE(name);
        const std::string extra = std::string(name) == "layout-jpeg.tif" ? " -compress jpeg" : "";
        convert(layout + extra, name);
        const auto image = Image::readFile(pathFor(name));
        ASSERT_TRUE(image.has_value());
        for (std::size_t q = 0; q < 4; ++q) {
            EXPECT_TRUE(isNear(pixelAt(*image, kQuadrantCentres[q][0], kQuadrantCentres[q][1]), expected[q],
                               kJpegTolerance))
                << "quadrant " << q;
        }
    }
}

TEST_F(ImageTest, RefusesGarbageAndCutOffFiles)
{
    std::vector<std::vector<std::uint8_t>> damaged = {
        {},
        test::noiseBytes(1000, 1),
        {'I', 'I', 42, 0},
        {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'},
        {0xFF, 0xD8, 0xFF},
    };
    // Right signatures, garbage after them.
    for (const std::vector<std::uint8_t>& magic :
         {std::vector<std::uint8_t>{'I', 'I', 42, 0}, std::vector<std::uint8_t>{'M', 'M', 0, 42},
          std::vector<std::uint8_t>{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'},
          std::vector<std::uint8_t>{0xFF, 0xD8, 0xFF, 0xE0}}) {
        auto bytes = magic;
        const auto tail = test::noiseBytes(2000, 2);
        bytes.insert(bytes.end(), tail.begin(), tail.end());
        damaged.push_back(bytes);
    }
    // Real files cut short at several points.
    const std::string detail = "-size 64x48 -seed 3 plasma:fractal";
    std::vector<std::vector<std::uint8_t>> whole = {
        convert(detail, "cut.png"), convert(detail + " -quality 90", "cut.jpg"),
        convert(detail + " -compress lzw", "cut.tif"),
        *Image(64, 48, test::noiseBytes(64 * 48 * 4, 3)).encodeTiffJpeg()};
    for (const auto& file : whole) {
        ASSERT_TRUE(Image::decode(file).has_value());
        for (const double fraction : {0.05, 0.25, 0.5, 0.75, 0.95}) {
            damaged.emplace_back(file.begin(),
                                 file.begin() + static_cast<std::ptrdiff_t>(file.size() * fraction));
        }
    }
    for (std::size_t i = 0; i < damaged.size(); ++i) {
        SCOPED_TRACE("case " + std::to_string(i) + ", " + std::to_string(damaged[i].size()) + " bytes");
        EXPECT_FALSE(Image::decode(damaged[i]).has_value());
    }
    EXPECT_FALSE(Image::decode(nullptr, 10).has_value());
    EXPECT_FALSE(m_log.messages().empty());
}

TEST_F(ImageTest, SurvivesFlippedBytes)
{
    const std::string detail = "-size 40x30 -seed 5 plasma:fractal";
    const std::vector<std::vector<std::uint8_t>> files = {
        convert(detail, "flip.png"), convert(detail + " -quality 90", "flip.jpg"),
        convert(detail + " -interlace JPEG", "flip-progressive.jpg"),
        convert(detail + " -compress lzw", "flip.tif"),
        *Image(40, 30, test::noiseBytes(40 * 30 * 4, 5)).encodeTiffJpeg()};
    std::mt19937 random(11);
    for (const auto& file : files) {
        for (int round = 0; round < 60; ++round) {
            auto bytes = file;
            for (int flips = 0; flips < 1 + round % 4; ++flips) {
                bytes[4 + random() % (bytes.size() - 4)] ^= static_cast<std::uint8_t>(1 + random() % 255);
            }
            // Whatever the damage, a picture that comes back is whole.
            if (const auto image = Image::decode(bytes)) {
                EXPECT_EQ(image->rgba().size(),
                          static_cast<std::size_t>(image->width()) * image->height() * 4);
            }
        }
    }
}

struct HugeCase {
    const char* kind;
    std::uint32_t width;
    std::uint32_t height;
};

// Builds files whose headers claim huge sizes over a few bytes of data.
std::vector<std::uint8_t> hugeHeader(const HugeCase& c)
{
    const std::string script =
        "import struct, sys, zlib\n"
        "kind, w, h = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])\n"
        "def chunk(name, data):\n"
        "    return struct.pack('>I', len(data)) + name + data + struct.pack('>I', zlib.crc32(name + data))\n"
        "if kind == 'png':\n"
        "    out = b'\\x89PNG\\r\\n\\x1a\\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 6, 0, 0, 0))\n"
        "    out += chunk(b'IDAT', zlib.compress(b'\\0' * 64)) + chunk(b'IEND', b'')\n"
        "else:\n"
        "    entries = [(256, 4, w), (257, 4, h), (258, 3, 8), (259, 3, 1), (262, 3, 2), (273, 4, 200),\n"
        "               (277, 3, 3), (278, 4, h), (279, 4, 64)]\n"
        "    ifd = struct.pack('<H', len(entries))\n"
        "    for tag, kind_, value in entries:\n"
        "        ifd += struct.pack('<HHI', tag, kind_, 1) + struct.pack('<I' if kind_ == 4 else '<HH', "
        "value, *(() if "
        "kind_ == 4 else (0,)))\n"
        "    out = b'II*\\0' + struct.pack('<I', 8) + ifd + struct.pack('<I', 0)\n"
        "    out += b'\\0' * (264 - len(out))\n"
        "print(out.hex())\n";
    std::string output;
    EXPECT_EQ(test::runPython(script, {c.kind, std::to_string(c.width), std::to_string(c.height)}, output),
              0);
    return test::fromHex(output);
}

// Rewrites the size in a JPEG's start-of-frame segment.
void claimJpegSize(std::vector<std::uint8_t>& jpeg, std::uint16_t width, std::uint16_t height)
{
    for (std::size_t i = 2; i + 9 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
            jpeg[i + 5] = static_cast<std::uint8_t>(height >> 8);
            jpeg[i + 6] = static_cast<std::uint8_t>(height);
            jpeg[i + 7] = static_cast<std::uint8_t>(width >> 8);
            jpeg[i + 8] = static_cast<std::uint8_t>(width);
            return;
        }
    }
    ADD_FAILURE() << "no start-of-frame segment";
}

TEST_F(ImageTest, RefusesHugeClaimedSizesBeforeAllocating)
{
    // With AddressSanitizer on, an attempt to allocate what these claim aborts the test.
    const std::vector<HugeCase> cases = {
        {"png", 100000, 100000},  {"png", 30000, 30000},  {"png", 40000, 1},
        {"tiff", 100000, 100000}, {"tiff", 30000, 30000}, {"tiff", 1, 40000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.kind) + " " + std::to_string(c.width) + "x" + std::to_string(c.height));
        const auto bytes = hugeHeader(c);
        ASSERT_FALSE(bytes.empty());
        EXPECT_FALSE(Image::decode(bytes).has_value());
    }
    // The same builder at a sane size makes a file we accept, so the refusals
    // above are about the size.
    EXPECT_TRUE(Image::decode(hugeHeader({"tiff", 4, 4})).has_value());

    const auto jpeg = convert("-size 16x16 xc:gray", "small.jpg");
    for (const auto& [width, height] :
         {std::pair{65000, 65000}, std::pair{30000, 30000}, std::pair{40000, 2}}) {
        auto claimed = jpeg;
        claimJpegSize(claimed, static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height));
        EXPECT_FALSE(Image::decode(claimed).has_value()) << width << "x" << height;
    }
}

TEST_F(ImageTest, WritesAtomicallyAndLeavesNothingOnFailure)
{
    const Image red = *test::solidPicture(32, 32, {255, 0, 0, 255});
    const Image blue = *test::solidPicture(32, 32, {0, 0, 255, 255});

    ASSERT_TRUE(red.writeTiffJpeg(pathFor("12")));
    ASSERT_TRUE(blue.writeTiffJpeg(pathFor("12"))); // replaces
    const auto reread = Image::readFile(pathFor("12"));
    ASSERT_TRUE(reread.has_value());
    EXPECT_TRUE(isNear(pixelAt(*reread, 8, 8), {0, 0, 255, 255}, kJpegTolerance));
    EXPECT_EQ(test::folderEntries(m_folder), std::vector<std::string>{"12"});

    EXPECT_FALSE(red.writeTiffJpeg(pathFor("missing-folder/13")));
    EXPECT_FALSE(Image().writeTiffJpeg(pathFor("14")));
    std::filesystem::create_directory(pathFor("folder"));
    EXPECT_FALSE(red.writeTiffJpeg(pathFor("folder")));
    EXPECT_EQ(test::folderEntries(m_folder), (std::vector<std::string>{"12", "folder"}));
    EXPECT_TRUE(std::filesystem::is_empty(pathFor("folder")));

    EXPECT_FALSE(Image::readFile(pathFor("nothing-here")).has_value());
}

TEST_F(ImageTest, PixelsThatDoNotFitTheSizeMakeANullImage)
{
    EXPECT_TRUE(Image(2, 2, std::vector<std::uint8_t>(15)).isNull());
    EXPECT_TRUE(Image(2, 2, std::vector<std::uint8_t>(17)).isNull());
    EXPECT_TRUE(Image(0, 2, {}).isNull());
    EXPECT_TRUE(Image(-1, -4, std::vector<std::uint8_t>(16)).isNull());
    EXPECT_FALSE(Image(2, 2, std::vector<std::uint8_t>(16)).isNull());
    EXPECT_FALSE(Image().encodeTiffJpeg().has_value());
}

struct ScaleCase {
    const char* what;
    Image source;
    int width;
    int height;
    std::vector<Pixel> expected; // row by row
    int tolerance;
};

Image rowOf(const std::vector<Pixel>& pixels)
{
    std::vector<std::uint8_t> rgba;
    for (const Pixel& p : pixels) {
        rgba.insert(rgba.end(), p.begin(), p.end());
    }
    return Image(static_cast<int>(pixels.size()), 1, rgba);
}

TEST_F(ImageTest, ScalesWithABoxFilterDownAndSmoothlyUp)
{
    const Pixel black{0, 0, 0, 255};
    const Pixel white{255, 255, 255, 255};
    const Pixel red{255, 0, 0, 255};
    const Pixel clear{0, 0, 0, 0};
    // clang-format off
    const std::vector<ScaleCase> cases = {
        {"halving averages pairs", rowOf({black, white, white, white}), 2, 1, {{128, 128, 128, 255}, white}, 1},
        {"every source pixel counts", rowOf({black, black, white}), 1, 1, {{85, 85, 85, 255}}, 1},
        {"thirds of pixels", rowOf({black, white}), 3, 1, {black, {128, 128, 128, 255}, white}, 1},
        {"transparency lends no colour", rowOf({red, clear}), 1, 1, {{255, 0, 0, 128}}, 1},
        {"one pixel fills", rowOf({red}), 3, 2, {red, red, red, red, red, red}, 0},
        {"ends stay put when enlarging", rowOf({black, white}), 4, 1, {black, {64, 64, 64, 255}, {191, 191, 191, 255}, white}, 1},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Image result = c.source.scaled(c.width, c.height);
        ASSERT_EQ(result.width(), c.width);
        ASSERT_EQ(result.height(), c.height);
        for (int i = 0; i < c.width * c.height; ++i) {
            EXPECT_TRUE(isNear(pixelAt(result, i % c.width, i / c.width), c.expected[i], c.tolerance)) << i;
        }
    }
    EXPECT_TRUE(rowOf({red}).scaled(0, 5).isNull());
    EXPECT_TRUE(Image().scaled(5, 5).isNull());
    EXPECT_TRUE(rowOf({red}).scaled(100000, 100000).isNull());
}

} // namespace
} // namespace dossiva
