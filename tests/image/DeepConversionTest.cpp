#include "image/DeepConversion.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>

namespace quivane {
namespace {

// A deep frame becomes bytes by the top byte of every sample. That gives
// 8-bit data widened by 257 back exactly; deeper samples are cut, not
// rounded to the nearest byte (sample / 257), so a sample 0.6 or 0.9 of a
// byte step above a level stays on it until its top byte changes. The
// 8-bit way through preparation and the frame a viewer is shown both read
// these bytes, so a change here changes pictures.
TEST(ToBitmap24, EightBitDataComesBackAndDeeperSamplesKeepTheirTopByte)
{
    DeepFrame widened(256, 1, 1);
    for (int v = 0; v < 256; ++v) widened.samples[static_cast<std::size_t>(v)] = static_cast<std::uint16_t>(v * 257);
    const Bitmap24 back = ToBitmap24(widened);
    for (int v = 0; v < 256; ++v) EXPECT_EQ(back.at(v, 0), (ColourPixel{std::uint8_t(v), std::uint8_t(v), std::uint8_t(v)})) << v;

    const struct {
        std::uint16_t sample;
        double steps;  // sample / 257, for the reader
        int byte;
    } cases[] = {
        {4626, 18.0, 18},  {4627, 18.004, 18}, {4754, 18.498, 18}, {4755, 18.502, 18}, {4780, 18.6, 18},
        {4857, 18.9, 18},  {4863, 18.92, 18},  {4864, 18.93, 19},  {65279, 254.004, 254}, {65534, 254.996, 255},
        {65535, 255.0, 255},
    };
    DeepFrame grey(static_cast<int>(std::size(cases)), 1, 1);
    DeepFrame colour(static_cast<int>(std::size(cases)), 1, 3);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        grey.samples[i] = cases[i].sample;
        // Red the sample, green and blue two other levels, to show which channel lands where.
        colour.samples[3 * i] = cases[i].sample;
        colour.samples[3 * i + 1] = 257 * 7 + 200;
        colour.samples[3 * i + 2] = 129;
    }
    const Bitmap24 fromGrey = ToBitmap24(grey), fromColour = ToBitmap24(colour);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const std::string what = std::to_string(cases[i].sample) + " (" + std::to_string(cases[i].steps) + ")";
        const ColourPixel g = fromGrey.at(static_cast<int>(i), 0), c = fromColour.at(static_cast<int>(i), 0);
        EXPECT_EQ(g.red, cases[i].byte) << what;
        EXPECT_EQ(g.green, cases[i].byte) << what;
        EXPECT_EQ(g.blue, cases[i].byte) << what;
        EXPECT_EQ(c.red, cases[i].byte) << what;
        EXPECT_EQ(c.green, 7) << what;  // 7.78 of a byte step
        EXPECT_EQ(c.blue, 0) << what;   // 0.502 of a byte step
    }
}

}  // namespace
}  // namespace quivane
