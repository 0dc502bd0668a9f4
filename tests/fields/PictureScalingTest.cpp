#include "fields/PictureScaling.h"

#include "support/CaseNames.h"

#include <gtest/gtest.h>

#include <string>

namespace dossiva {
namespace {

struct ScalingCase {
    const char* name;
    friend void PrintTo(const ScalingCase& c, std::ostream* os) { *os << c.name; }
    int width;
    int height;
    PictureScaling::Size stored;
};

Image solid(int width, int height)
{
    return Image(width, height,
                 std::vector<std::uint8_t>(
                     static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4, 200));
}

class PictureScalingTest : public testing::TestWithParam<ScalingCase> {};

TEST_P(PictureScalingTest, GivesTheStoredSize)
{
    const ScalingCase& c = GetParam();
    EXPECT_EQ(PictureScaling::recordPictureSize(c.width, c.height), c.stored);
    const auto scaled = PictureScaling::scaledForRecord(solid(c.width, c.height));
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
    EXPECT_FALSE(PictureScaling::scaledForRecord(solid(4000, 1)).has_value());
    EXPECT_FALSE(PictureScaling::scaledForRecord(Image()).has_value());
}

} // namespace
} // namespace dossiva
