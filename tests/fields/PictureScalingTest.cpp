#include "fields/PictureScaling.h"

#include "platform/FileManager.h"
#include "support/CaseNames.h"
#include "support/Pictures.h"
#include "support/TestHome.h"

#include <gtest/gtest.h>

#include <string>

namespace dossiva {
namespace {

using test::PrintTo;

struct ScalingCase {
    const char* name;
    int width;
    int height;
    PictureScaling::Size stored;
};

class PictureScalingTest : public testing::TestWithParam<ScalingCase> {};

TEST_P(PictureScalingTest, GivesTheStoredSize)
{
    const ScalingCase& c = GetParam();
    EXPECT_EQ(PictureScaling::recordPictureSize(c.width, c.height), c.stored);
    const auto scaled = PictureScaling::scaledForRecord(*test::solidPicture(c.width, c.height));
    ASSERT_TRUE(scaled.has_value());
    EXPECT_EQ(scaled->width(), c.stored.width);
    EXPECT_EQ(scaled->height(), c.stored.height);
}

INSTANTIATE_TEST_SUITE_P(Sizes, PictureScalingTest,
                         testing::Values(ScalingCase{"WideAndSmallKeepsItsSize", 200, 100, {200, 100}},
                                         ScalingCase{"WideAndLargeIsNarrowed", 640, 480, {320, 240}},
                                         ScalingCase{"WideExactlyAtTheLimit", 320, 10, {320, 10}},
                                         ScalingCase{"HighIsScaledUpTo320", 100, 200, {160, 320}},
                                         ScalingCase{"HighAndLargeIsScaledDown", 480, 960, {160, 320}},
                                         ScalingCase{"SquareIsScaledUp", 50, 50, {320, 320}},
                                         ScalingCase{"SquareIsScaledDown", 1000, 1000, {320, 320}},
                                         ScalingCase{"FractionsAreCut", 333, 100, {320, 96}}),
                         test::NameOfCase());

TEST(PictureScalingTest, APictureThatCannotBeDrawnIsRefused)
{
    // A picture so flat that its stored height would be less than a pixel.
    EXPECT_EQ(PictureScaling::recordPictureSize(4000, 1), (PictureScaling::Size{320, 0}));
    EXPECT_FALSE(PictureScaling::scaledForRecord(*test::solidPicture(4000, 1)).has_value());
    EXPECT_FALSE(PictureScaling::scaledForRecord(Image()).has_value());
}

TEST(PictureScalingTest, FilesBecomeRecordPicturesOrSayWhyNot)
{
    const std::string folder = test::makeTempFolder("picture-files");
    const std::string photo = folder + "/photo.TIF";
    ASSERT_TRUE(test::solidPicture(640, 480)->writeTiffJpeg(photo));
    const std::string text = folder + "/notes.png";
    ASSERT_TRUE(FileManager::writeFileAtomically(text, std::string("not a picture")));
    const std::string flat = folder + "/flat.tiff";
    ASSERT_TRUE(test::solidPicture(4000, 1)->writeTiffJpeg(flat));

    const auto read = PictureScaling::readForRecord(photo);
    ASSERT_TRUE(read.picture.has_value()) << read.failure;
    EXPECT_EQ(read.picture->width(), 320);
    EXPECT_EQ(read.picture->height(), 240);

    const struct {
        std::string path;
        const char* says;
    } refused[] = {
        {text, "not a TIFF, PNG or JPEG picture"},
        {flat, "too narrow or too flat"},
        {folder + "/missing.png", "missing.png"},
    };
    for (const auto& c : refused) {
        const auto result = PictureScaling::readForRecord(c.path);
        EXPECT_FALSE(result.picture.has_value()) << c.path;
        EXPECT_NE(result.failure.find(c.says), std::string::npos) << result.failure;
    }
    FileManager::removeItem(folder);
}

} // namespace
} // namespace dossiva
