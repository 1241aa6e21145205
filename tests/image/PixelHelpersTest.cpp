#include "image/PixelHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "cpu/SimdLevel.h"
#include "image/LuminanceRow.h"
#include "image/PackRow.h"
#include "image/PictureMemory.h"

namespace quivane {
namespace {

ColourPixel Bgr(int b, int g, int r)
{
    return ColourPixel{static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(r)};
}

TEST(PixelHelpers, ClampsKeepTheirDocumentedBounds)
{
    EXPECT_EQ(ClampByte(-1), 0);
    EXPECT_EQ(ClampByte(256), 255);
    EXPECT_EQ(ClampWord(70000), 65535);
    EXPECT_EQ(ClampWord(-3), 0);
    EXPECT_EQ(ClampSample(-32768), -32767);
    EXPECT_EQ(ClampSample(40000), 32767);
    EXPECT_EQ(NonZero(0), 1);
    EXPECT_EQ(NonZero(-4), -4);
}

TEST(PixelHelpers, LuminanceOfPureColours)
{
    EXPECT_EQ(Luminance(255, 255, 255), 255);
    EXPECT_EQ(Luminance(255, 0, 0), 63);
    EXPECT_EQ(Luminance(0, 255, 0), 159);
    EXPECT_EQ(Luminance(0, 0, 255), 31);
    EXPECT_EQ(PixelLuminance(Bgr(0, 0, 255)), 63);  // the pixel's bytes are blue, green, red
}

TEST(PixelHelpers, NormaliseChromaScalesTheLargestChannelToFullBrightness)
{
    ColourPixel out;
    NormaliseChroma(Bgr(3, 2, 1), out);
    EXPECT_EQ(out, Bgr(255, 255, 255)) << "near-black carries no hue";
    NormaliseChroma(Bgr(4, 0, 0), out);
    EXPECT_EQ(out, Bgr(255, 0, 0));
    NormaliseChroma(Bgr(255, 17, 90), out);
    EXPECT_EQ(out, Bgr(255, 17, 90));
    NormaliseChroma(Bgr(10, 20, 40), out);
    EXPECT_EQ(out, Bgr(63, 127, 255));
    NormaliseChroma(Bgr(100, 0, 0), out);
    EXPECT_EQ(out.blue, 254) << "the truncated factor leaves 254 for m = 100";
}

TEST(PixelHelpers, PackPixelSplitsChromaAndLuminance)
{
    EXPECT_EQ(PackPixel(Bgr(0, 0, 0)), (PicturePixel{255, 255, 255, 0}));
    EXPECT_EQ(PackPixel(Bgr(255, 255, 255)), (PicturePixel{255, 255, 255, 255}));
    EXPECT_EQ(PackPixel(Bgr(0, 0, 255)), (PicturePixel{0, 0, 255, 63}));
    EXPECT_EQ(PackPixel(Bgr(10, 20, 40)), (PicturePixel{63, 127, 255, 23}));
}

// Every colour there is, a row of 256 at a time and at odd row lengths and
// offsets, so the vector body and the tail both see every case; at every
// level the processor has, and nothing written past the row.
TEST(PixelHelpers, PackRowPacksEveryColourAsPackPixelDoes)
{
    std::vector<ColourPixel> row(256);
    std::vector<PicturePixel> packed(257);
    const PicturePixel untouched{1, 2, 3, 4};
    for (const SimdLevel level : ProcessorSimdLevels()) {
        const ScopedSimdLevel forced(level);
        SCOPED_TRACE(SimdLevelName(level));
        for (int red = 0; red < 256; ++red) {
            for (int green = 0; green < 256; ++green) {
                for (int blue = 0; blue < 256; ++blue) row[static_cast<std::size_t>(blue)] = Bgr(blue, green, red);
                const int length = 256 - (green % 7) - (red % 17);
                const int offset = green % 3;
                const auto count = static_cast<std::size_t>(length - offset);
                packed[count] = untouched;
                PackRow(row.data() + offset, packed.data(), length - offset);
                for (std::size_t i = 0; i < count; ++i) {
                    if (packed[i] != PackPixel(row[i + static_cast<std::size_t>(offset)]))
                        FAIL() << "red " << red << " green " << green << " blue " << i + static_cast<std::size_t>(offset);
                }
                ASSERT_EQ(packed[count], untouched) << "nothing past the row";
            }
        }
    }
}

// Every grey in the vector body and in every length of tail after it, at
// every level.
TEST(PixelHelpers, AGreyPacksAsItsColourPixelOfThreeEqualChannels)
{
    std::vector<std::uint8_t> greys(300);
    for (std::size_t i = 0; i < greys.size(); ++i) greys[i] = static_cast<std::uint8_t>(255 - i % 256);
    for (const SimdLevel level : ProcessorSimdLevels()) {
        const ScopedSimdLevel forced(level);
        for (int length : {300, 288, 0, 1, 31, 32, 33, 63, 70}) {
            std::vector<PicturePixel> packed(greys.size() + 1, PicturePixel{1, 2, 3, 4});
            PackRow(greys.data() + 300 - length, packed.data(), length);
            for (int i = 0; i < length; ++i) {
                const std::uint8_t v = greys[static_cast<std::size_t>(300 - length + i)];
                ASSERT_EQ(packed[static_cast<std::size_t>(i)], PackPixel(Bgr(v, v, v)))
                    << SimdLevelName(level) << " " << length << " " << i;
            }
            EXPECT_EQ(packed[static_cast<std::size_t>(length)], (PicturePixel{1, 2, 3, 4})) << "nothing past the row";
        }
    }
}

// Every colour there is, with row ends that leave every length of tail after
// the vector body, read from memory that ends with the row; the range given
// is the row's. Blues run down the row in some rows and up in others, so the
// extremes fall in the body and in the tail.
template <class Row>
void ExpectEveryColoursLuminance(const Row& rowLuminance)
{
    std::vector<std::uint8_t> luminance(256);
    for (int red = 0; red < 256; ++red) {
        for (int green = 0; green < 256; ++green) {
            const int length = 256 - (green % 37);
            const int offset = red % 3;
            const bool down = (red + green) % 2 == 1;
            const auto blue = [&](int x) { return down ? 255 - x : x; };
            std::vector<ColourPixel> row(static_cast<std::size_t>(length));
            for (int x = 0; x < length; ++x) row[static_cast<std::size_t>(x)] = Bgr(blue(x), green, red);
            const ByteRange range = rowLuminance(row.data() + offset, length - offset, luminance.data());
            ByteRange expected;
            for (int x = offset; x < length; ++x) {
                const int level = Luminance(red, green, blue(x));
                if (luminance[static_cast<std::size_t>(x - offset)] != level)
                    FAIL() << "red " << red << " green " << green << " blue " << blue(x);
                expected.smallest = std::min(expected.smallest, level);
                expected.largest = std::max(expected.largest, level);
            }
            if (range.smallest != expected.smallest || range.largest != expected.largest)
                FAIL() << "range of red " << red << " green " << green;
        }
    }
    // Rows too short for a block, or for more than one.
    for (int length = 0; length <= 70; ++length) {
        std::vector<ColourPixel> row(static_cast<std::size_t>(length));
        for (int x = 0; x < length; ++x) row[static_cast<std::size_t>(x)] = Bgr(x * 37 % 256, x * 11 % 256, x * 3);
        const ByteRange range = rowLuminance(row.data(), length, luminance.data());
        ByteRange expected;
        for (int x = 0; x < length; ++x) {
            const int level = PixelLuminance(row[static_cast<std::size_t>(x)]);
            ASSERT_EQ(luminance[static_cast<std::size_t>(x)], level) << length;
            expected.smallest = std::min(expected.smallest, level);
            expected.largest = std::max(expected.largest, level);
        }
        EXPECT_EQ(range.smallest, expected.smallest) << length;
        EXPECT_EQ(range.largest, expected.largest) << length;
    }
}

// Every level the processor has gives the plain loop's bytes.
TEST(PixelHelpers, LuminanceRowGivesEachColoursLuminanceAndTheirRange)
{
    for (const SimdLevel level : ProcessorSimdLevels()) {
        const ScopedSimdLevel forced(level);
        SCOPED_TRACE(SimdLevelName(level));
        ExpectEveryColoursLuminance(LuminanceRow);
    }
}

TEST(PixelHelpers, UnpackPixelRestoresTheColourAtFullSaturation)
{
    ColourPixel out;
    UnpackPixel(PackPixel(Bgr(10, 20, 40)), 100, out);
    EXPECT_EQ(out, Bgr(9, 19, 38));
}

TEST(PixelHelpers, UnpackPixelOfWhiteChromaIsGreyAtAnySaturation)
{
    for (int saturation : {0, 100, 250, 400}) {
        for (int y : {0, 1, 77, 255}) {
            ColourPixel out;
            UnpackPixel(PicturePixel{255, 255, 255, static_cast<std::uint8_t>(y)}, saturation, out);
            EXPECT_EQ(out, Bgr(y, y, y)) << "saturation " << saturation << " luminance " << y;
        }
    }
}

TEST(PixelHelpers, UnpackPixelAtZeroSaturationIsGreyAndAboveHundredSaturates)
{
    ColourPixel out;
    UnpackPixel(PicturePixel{63, 127, 255, 100}, 0, out);
    EXPECT_EQ(out.blue, out.green);
    EXPECT_EQ(out.green, out.red);
    UnpackPixel(PicturePixel{63, 127, 255, 200}, 400, out);
    EXPECT_EQ(out.red, 255);
    EXPECT_EQ(out.blue, 0);
}

TEST(PixelHelpers, UnpackPixelTruncatesNegativeSaturationStepsTowardZero)
{
    // Chroma (blue 0, green 0, red 255): L = 63; at 1 % the blue channel is
    // 63 + (-63 * 1) / 100 = 63 + 0 (toward zero, not -1), the red one
    // 63 + (192 * 1) / 100 = 64.
    ColourPixel out;
    UnpackPixel(PicturePixel{0, 0, 255, 63}, 1, out);
    EXPECT_EQ(out, Bgr(63, 63, 64));
}

TEST(PixelHelpers, SaturationLevel)
{
    EXPECT_EQ(SaturationLevel(Bgr(0, 0, 255)), 254);
    EXPECT_EQ(SaturationLevel(Bgr(0, 0, 0)), 0);
    EXPECT_EQ(SaturationLevel(Bgr(90, 90, 90)), 0);
    EXPECT_EQ(SaturationLevel(Bgr(50, 100, 200)), 255 - 50 * 255 / 200);
}

TEST(PixelHelpers, Map0255Ends)
{
    EXPECT_EQ(Map0255(0), 15);
    EXPECT_EQ(Map0255(128), 127);
    EXPECT_EQ(Map0255(255), 240);
}

TEST(PixelHelpers, MaxPicturesForEveryResultWidth)
{
    const int expected[12] = {4096, 1024, 455, 256, 163, 113, 83, 64, 50, 40, 33, 28};
    for (int i = 0; i < 12; ++i) {
        const int width = 64 * (i + 1);
        EXPECT_EQ(ComputeMaxPictures(width, width * 3 / 4), expected[i]) << "width " << width;
    }
    // A larger memory holds a real capture's thousands of frames, without
    // overflowing on the way.
    EXPECT_EQ(ComputeMaxPictures(192, 144, 4096), 38836);
    EXPECT_EQ(ComputeMaxPictures(64, 48, 1 << 30), 1 << 30);
    EXPECT_GE(MachineMemoryMiB(), DefaultPictureMemoryMiB);
}

}  // namespace
}  // namespace quivane
