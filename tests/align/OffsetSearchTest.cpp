#include "align/OffsetSearch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "align/ComparisonOverlay.h"
#include "support/Pictures.h"
#include "tone/RenderPicture.h"

namespace quivane {
namespace {

using testing::RandomPicture;

// A disc on a dark sky, centred at (cx, cy).
Picture Disc(int width, int height, int cx, int cy)
{
    Picture picture;
    PreparePictureBitmap(picture, width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool inside = std::hypot(x - cx, y - cy) < 30.0;
            picture.bitmap.at(x, y) = PicturePixel{255, 255, 255, static_cast<std::uint8_t>(inside ? 210 : 15)};
        }
    return picture;
}

struct ScoreCase {
    int width;
    int saturation;
    int startX;
    int startY;
};

class ScoreMatchesTheView : public ::testing::TestWithParam<ScoreCase> {};

// The search scores without drawing; it must score exactly what the window
// shows: the picture rendered in black and white, compared by the overlay.
TEST_P(ScoreMatchesTheView, ScoreEqualsTheRenderedComparison)
{
    const ScoreCase c = GetParam();
    std::mt19937 random(static_cast<unsigned>(c.width * 7 + c.saturation));
    std::uniform_int_distribution<int> offset(-20, 20);
    const ComparedRegion region{192, 144, c.startX, c.startY};
    ToneSettings tone;
    tone.saturation = c.saturation;
    for (int round = 0; round < 4; ++round) {
        Picture reference = RandomPicture(c.width, c.width * 3 / 4, random);
        Picture picture = RandomPicture(c.width, c.width * 3 / 4, random);
        reference.dx = offset(random);
        reference.dy = offset(random);
        picture.dx = offset(random);
        picture.dy = offset(random);
        Bitmap24 view(192, 144);
        RenderPicture(picture, view, c.startX, c.startY, ModeLuminance, tone);
        const long long shown = DrawComparisonOverlay(reference, view, c.startX, c.startY, OverlayStyle::TwoTone);
        EXPECT_EQ(ScoreOffset(reference, picture, region, c.saturation), shown) << "round " << round;
    }
}

INSTANTIATE_TEST_SUITE_P(Pictures, ScoreMatchesTheView,
                         ::testing::Values(ScoreCase{128, 100, -1, -1}, ScoreCase{192, 0, -1, -1},
                                           ScoreCase{192, 250, -1, -1}, ScoreCase{256, 55, -1, -1},
                                           ScoreCase{384, 400, 40, 10}, ScoreCase{64, 100, -1, -1}));

TEST(AlignSeries, FindsAKnownShiftAndKeepsTheReferenceInPlace)
{
    PictureSeries pictures;
    testing::Append(pictures, Disc(192, 144, 96, 72));  // the result picture
    testing::Append(pictures, Disc(192, 144, 96, 72));
    testing::Append(pictures, Disc(192, 144, 102, 68));
    testing::Append(pictures, Disc(192, 144, 91, 75));
    AlignmentSettings settings;
    settings.reference = 1;
    int reported = 0;
    AlignSeries(pictures, 3, settings, [&](int n, const SearchBest&, long long score) {
        ++reported;
        EXPECT_EQ(n, reported);
        EXPECT_EQ(score, 0) << "picture " << n << " matches the reference exactly once aligned";
        return true;
    });
    EXPECT_EQ(reported, 3);
    EXPECT_EQ((std::pair{pictures.at(1).dx, pictures.at(1).dy}), (std::pair{0, 0}));
    EXPECT_EQ((std::pair{pictures.at(2).dx, pictures.at(2).dy}), (std::pair{6, -4}));
    EXPECT_EQ((std::pair{pictures.at(3).dx, pictures.at(3).dy}), (std::pair{-5, 3}));
}

TEST(AlignSeries, StopsWhenAskedAndRefusesAReferenceOutsideTheSeries)
{
    PictureSeries pictures = testing::SeriesOf(std::vector<Picture>(4, Disc(64, 48, 32, 24)));
    AlignmentSettings settings;
    settings.region = ComparedRegion{64, 48, -1, -1};
    int reported = 0;
    AlignSeries(pictures, 3, settings, [&](int, const SearchBest&, long long) { return ++reported < 2; });
    EXPECT_EQ(reported, 2);
    settings.reference = 4;
    AlignSeries(pictures, 3, settings, [&](int, const SearchBest&, long long) { return ++reported > 0; });
    EXPECT_EQ(reported, 2) << "nothing searched against a picture that is not loaded";
}

}  // namespace
}  // namespace quivane
