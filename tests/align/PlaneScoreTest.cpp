#include "align/PlaneScore.h"

#include <gtest/gtest.h>

#include <random>

#include "cpu/SimdLevel.h"
#include "support/Pictures.h"

namespace quivane {
namespace {

using testing::RandomPicture;

// The search scores from luminance planes made once per picture; every
// score must be the number the pixel-by-pixel score gives, wherever the
// offsets push the reads past the edges, whatever the saturation, and when
// the reference is the picture itself.
TEST(PlaneScore, EqualsThePixelByPixelScoreOnRandomPictures)
{
    for (const SimdLevel level : ProcessorSimdLevels()) {
        const ScopedSimdLevel forced(level);
        SCOPED_TRACE(SimdLevelName(level));
        std::mt19937 random(17);
        const struct {
            int width, height;
            ComparedRegion region;
        } cases[] = {
            {192, 144, {}}, {300, 200, {}},           {300, 200, {192, 144, 10, 33}},
            {100, 80, {}},  {97, 61, {64, 48, 5, 3}}, {1, 1, {}},
        };
        std::uniform_int_distribution<int> near(-9, 9), far(-400, 400);
        for (const auto& c : cases) {
            const Picture reference = RandomPicture(c.width, c.height, random);
            Picture picture = RandomPicture(c.width, c.height, random);
            for (int saturation : {0, 35, 100, 250, 400}) {
                LuminancePlane stored, shown, selfShown;
                StoredLuminance(reference, stored);
                ShownLuminance(picture, saturation, shown);
                for (int round = 0; round < 12; ++round) {
                    auto offset = [&] { return round < 8 ? near(random) : far(random); };
                    Picture ref = reference;
                    ref.dx = offset(), ref.dy = offset();
                    picture.dx = offset(), picture.dy = offset();
                    ASSERT_EQ(ScorePlanes(stored, ref.dx, ref.dy, shown, picture.dx, picture.dy, c.region),
                              ScoreOffset(ref, picture, c.region, saturation))
                        << c.width << "x" << c.height << " saturation " << saturation << " round " << round;
                }
                // The reference searched against itself moves with it.
                StoredLuminance(picture, stored);
                ShownLuminance(picture, saturation, selfShown);
                EXPECT_EQ(ScorePlanes(stored, picture.dx, picture.dy, selfShown, picture.dx, picture.dy, c.region),
                          ScoreOffset(picture, picture, c.region, saturation));
            }
        }
        const Picture empty;
        LuminancePlane none, some;
        StoredLuminance(empty, none);
        StoredLuminance(RandomPicture(8, 8, random), some);
        EXPECT_EQ(ScorePlanes(none, 0, 0, some, 0, 0, {}), 0);
    }
}

// The shown luminance divides by each pixel's chroma luminance in float;
// truncating the float quotient must give the integer quotient for every
// product of two levels and every divisor a chroma luminance can take.
TEST(PlaneScore, FloatQuotientsOfLevelProductsAreExact)
{
    for (int divisor = 1; divisor <= 255; ++divisor)
        for (int a = 0; a <= 255; ++a)
            for (int b = 0; b <= 255; ++b) {
                const int exact = a * b / divisor;
                const int viaFloat =
                    static_cast<int>(static_cast<float>(a) * static_cast<float>(b) / static_cast<float>(divisor));
                if (viaFloat != exact) FAIL() << a << " * " << b << " / " << divisor;
            }
}

}  // namespace
}  // namespace quivane
