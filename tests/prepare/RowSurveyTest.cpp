#include "prepare/RowSurvey.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "cpu/SimdLevel.h"
#include "image/PixelHelpers.h"
#include "prepare/FramePreparation.h"

namespace quivane {
namespace {

RowSurvey Reference(const std::vector<std::uint8_t>& luminance, int threshold)
{
    RowSurvey r;
    for (std::size_t x = 0; x < luminance.size(); ++x) {
        const int v = luminance[x];
        r.minimum = std::min(r.minimum, v);
        r.maximum = std::max(r.maximum, v);
        if (v > threshold) {
            r.total += v;
            r.sumX += static_cast<std::int64_t>(x) * v;
        }
    }
    return r;
}

void ExpectSame(const RowSurvey& got, const RowSurvey& want, const std::string& what)
{
    EXPECT_EQ(got.minimum, want.minimum) << what;
    EXPECT_EQ(got.maximum, want.maximum) << what;
    EXPECT_EQ(got.total, want.total) << what;
    EXPECT_EQ(got.sumX, want.sumX) << what;
}

// Rows of random bytes and colours of many widths, past the 4096-column
// pieces too, at thresholds from below 0 to above 255, with some rows all at
// the brightest level (the largest sums) and some of one level (no range):
// the vector passes must give the sums of adding pixel by pixel, and a
// colour row's survey those of its luminance; a grey row's range alone is
// the survey's.
TEST(RowSurvey, GreyAndColourRowsSumAsPixelByPixel)
{
    for (const SimdLevel level : ProcessorSimdLevels()) {
        const ScopedSimdLevel forced(level);
        SCOPED_TRACE(SimdLevelName(level));
        std::mt19937 random(5);
        const int widths[] = {1, 31, 32, 33, 95, 640, 4095, 4096, 4097, 9000};
        const int thresholds[] = {-3, 0, 1, 100, 254, 255, 400};
        int kind = 0;
        for (const int width : widths) {
            for (const int threshold : thresholds) {
                ++kind;
                std::vector<std::uint8_t> grey(static_cast<std::size_t>(width));
                std::vector<ColourPixel> colour(static_cast<std::size_t>(width));
                std::vector<std::uint8_t> luminance(static_cast<std::size_t>(width));
                for (int x = 0; x < width; ++x) {
                    const auto at = static_cast<std::size_t>(x);
                    grey[at] = kind % 5 == 0 ? 255 : kind % 7 == 0 ? 77 : static_cast<std::uint8_t>(random());
                    colour[at] = kind % 5 == 0 ? ColourPixel{255, 255, 255}
                                               : ColourPixel{static_cast<std::uint8_t>(random()),
                                                             static_cast<std::uint8_t>(random()),
                                                             static_cast<std::uint8_t>(random())};
                    luminance[at] = static_cast<std::uint8_t>(PixelLuminance(colour[at]));
                }
                const std::string what = "width " + std::to_string(width) + " threshold " + std::to_string(threshold);
                const RowSurvey greyWant = Reference(grey, threshold);
                ExpectSame(SurveyRow(grey.data(), width, threshold), greyWant, "grey " + what);
                const ByteRange range = RowRange(grey.data(), width);
                EXPECT_EQ(range.smallest, greyWant.minimum) << what;
                EXPECT_EQ(range.largest, greyWant.maximum) << what;
                // A colour row is surveyed by its luminance, as the one row of a frame.
                const RowSurvey want = Reference(luminance, threshold);
                const FrameSurvey got = SurveyFrame(ColourRows(colour.data(), 0, width, 1), threshold);
                EXPECT_EQ(got.minimum, want.minimum) << "colour " << what;
                EXPECT_EQ(got.maximum, want.maximum) << "colour " << what;
                const std::int64_t total = want.total > 0 ? want.total : 1;
                EXPECT_EQ(got.centreX, static_cast<double>(want.sumX) / static_cast<double>(total))
                    << "colour " << what;
            }
        }
    }
}

// Rows of a narrow band of levels with their smallest and largest placed at
// every column in turn, at widths around the blocks and the overlapping
// last block: the range found is the row's.
TEST(RowSurvey, ARowsRangeIsFoundWhereverItsEndsLie)
{
    for (const SimdLevel level : ProcessorSimdLevels()) {
        const ScopedSimdLevel forced(level);
        SCOPED_TRACE(SimdLevelName(level));
        std::mt19937 random(8);
        for (int width = 1; width <= 200; width += (width < 70 ? 1 : 13)) {
            for (int at = 0; at < width; ++at) {
                std::vector<std::uint8_t> row(static_cast<std::size_t>(width));
                for (auto& v : row) v = static_cast<std::uint8_t>(100 + random() % 20);
                row[static_cast<std::size_t>(at)] = static_cast<std::uint8_t>(at % 2 ? 0 : 255);
                row[static_cast<std::size_t>(width - 1 - at)] = at % 2 ? 254 : 1;
                const RowSurvey want = Reference(row, 255);
                const ByteRange got = RowRange(row.data(), width);
                ASSERT_EQ(got.smallest, want.minimum) << "width " << width << " at " << at;
                ASSERT_EQ(got.largest, want.maximum) << "width " << width << " at " << at;
            }
        }
    }
}

}  // namespace
}  // namespace quivane
