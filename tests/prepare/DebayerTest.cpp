#include "prepare/Debayer.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "acquire/BmpReader.h"
#include "acquire/SerFile.h"

namespace quivane {
namespace {

namespace fs = std::filesystem;

// A mosaic of a flat colour seen through `pattern`.
DeepFrame FlatMosaic(Mosaic pattern, int width, int height, const int (&rgb)[3])
{
    static const int cells[4][4] = {{0, 1, 1, 2}, {1, 0, 2, 1}, {1, 2, 0, 1}, {2, 1, 1, 0}};
    DeepFrame f(width, height, 1);
    f.mosaic = pattern;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            f.row(y)[x] = static_cast<std::uint16_t>(rgb[cells[static_cast<int>(pattern) - 1][(y & 1) * 2 + (x & 1)]]);
    return f;
}

TEST(Debayer, AFlatColourComesBackEverywhereForEveryPatternAndOddSizes)
{
    const int rgb[3] = {50000, 20000, 3000};
    for (Mosaic pattern : {Mosaic::RGGB, Mosaic::GRBG, Mosaic::GBRG, Mosaic::BGGR}) {
        for (auto [w, h] : {std::pair{8, 6}, std::pair{7, 5}, std::pair{2, 2}}) {
            const DeepFrame colour = Debayer(FlatMosaic(pattern, w, h, rgb), pattern);
            ASSERT_EQ(colour.channels, 3);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    for (int c = 0; c < 3; ++c)
                        ASSERT_EQ(colour.at(x, y, c), rgb[c]) << static_cast<int>(pattern) << " " << x << "," << y;
        }
    }
}

TEST(Debayer, GreyAndColourFramesPassUnchanged)
{
    const int rgb[3] = {1, 2, 3};
    const DeepFrame mosaic = FlatMosaic(Mosaic::RGGB, 4, 4, rgb);
    EXPECT_EQ(Debayer(mosaic, Mosaic::None), mosaic);
    const DeepFrame colour(4, 4, 3);
    EXPECT_EQ(Debayer(colour, Mosaic::RGGB), colour);
}

// The captures' object is reddish: on it, R:G:B is 1.22 : 1.00 : 0.74. A
// wrong pattern swaps red and blue or casts green.
TEST(Debayer, CapturedMosaicsGiveTheObjectsColour)
{
    const fs::path captures = fs::path(QUIVANE_TESTDATA) / "captures";
    if (!fs::exists(captures)) FAIL() << "test material missing (set QUIVANE_TESTDATA_DIR): " << captures;
    for (const char* file : {"ser_rggb8/mars_rggb8.ser", "ser_bggr8/mars_bggr8.ser", "ser_rggb16/mars_rggb16_le_flag0.ser"}) {
        auto opened = SerFile::Open((captures / file).string(), MaxFrameSide);
        ASSERT_TRUE(std::holds_alternative<SerFile>(opened)) << file;
        const DeepFrame mosaic = std::get<DeepFrame>(std::get<SerFile>(opened).ReadFrame(0));
        const DeepFrame colour = Debayer(mosaic, mosaic.mosaic);
        double sum[3] = {0, 0, 0};
        for (int y = 0; y < colour.height; ++y)
            for (int x = 0; x < colour.width; ++x) {
                if (colour.at(x, y, 1) < 65535 / 8) continue;  // the sky
                for (int c = 0; c < 3; ++c) sum[c] += colour.at(x, y, c);
            }
        EXPECT_NEAR(sum[0] / sum[1], 1.22, 0.08) << file;
        EXPECT_NEAR(sum[2] / sum[1], 0.74, 0.08) << file;
    }
}

}  // namespace
}  // namespace quivane
