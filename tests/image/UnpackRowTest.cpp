#include "image/UnpackRow.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace quivane {
namespace {

// Random pixels, and every luminance over chromas that put each channel at
// its extremes, at saturations below, at and above 100 %, at every length of
// a row's tail: every pixel as UnpackPixel gives it, and nothing written
// past the row.
TEST(UnpackRow, GivesEachPixelAsUnpackPixelDoes)
{
    std::mt19937 random(3);
    std::vector<PicturePixel> row(300);
    for (std::size_t i = 0; i < row.size(); ++i) {
        const auto byte = [&] { return static_cast<std::uint8_t>(random()); };
        row[i] = i < 256 ? PicturePixel{static_cast<std::uint8_t>(i % 3 ? 255 : 0), byte(), static_cast<std::uint8_t>(i % 5),
                                        static_cast<std::uint8_t>(i)}
                         : PicturePixel{byte(), byte(), byte(), byte()};
    }
    const ColourPixel untouched{1, 2, 3};
    for (int saturation : {0, 1, 35, 99, 100, 101, 250, 400})
        for (int length : {300, 299, 256, 130, 129, 128, 127, 65, 64, 63, 1, 0}) {
            std::vector<ColourPixel> out(static_cast<std::size_t>(length) + 1, untouched);
            UnpackRow(row.data() + 300 - length, length, saturation, out.data());
            for (int x = 0; x < length; ++x) {
                ColourPixel expected;
                UnpackPixel(row[static_cast<std::size_t>(300 - length + x)], saturation, expected);
                ASSERT_EQ(out[static_cast<std::size_t>(x)], expected)
                    << "saturation " << saturation << " length " << length << " at " << x;
            }
            EXPECT_EQ(out[static_cast<std::size_t>(length)], untouched);
        }
}

}  // namespace
}  // namespace quivane
