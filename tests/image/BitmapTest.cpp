#include "image/Bitmap.h"

#include <gtest/gtest.h>

namespace quivane {
namespace {

// Rows numbered by their blue value, so a row that moved or got lost shows.
Bitmap24 Numbered(int width, int height)
{
    Bitmap24 bitmap(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) bitmap.at(x, y) = ColourPixel{std::uint8_t(y), std::uint8_t(x), 7};
    return bitmap;
}

TEST(Bitmap, KeepingTopRowsEqualsABitmapMadeThatSize)
{
    // Cut-off rows must leave no trace: a bitmap with spare rows cut off
    // compares equal to one that never had them.
    const struct {
        int keep;
        int width, height;  // what remains
    } cases[] = {{3, 4, 3}, {1, 4, 1}, {5, 4, 5}, {9, 4, 5}, {0, 0, 0}, {-2, 0, 0}};
    for (const auto& c : cases) {
        Bitmap24 bitmap = Numbered(4, 5);
        bitmap.keepTopRows(c.keep);
        EXPECT_EQ(bitmap.width(), c.width) << c.keep;
        EXPECT_EQ(bitmap.height(), c.height) << c.keep;
        EXPECT_EQ(bitmap, Numbered(c.width, c.height)) << c.keep;
    }
}

// The bitmap clears its pixels itself rather than have each made in turn:
// a resize must still leave every pixel zero, and a reshape zero every pixel
// it adds while the kept ones keep their bytes.
TEST(Bitmap, ResizeClearsAndReshapeClearsOnlyWhatItAdds)
{
    Bitmap24 bitmap = Numbered(6, 5);
    bitmap.resize(7, 4);
    EXPECT_EQ(bitmap, Bitmap24(7, 4));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 7; ++x) EXPECT_EQ(bitmap.at(x, y), ColourPixel{}) << x << "," << y;

    bitmap = Numbered(4, 2);
    bitmap.reshape(4, 3);
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(bitmap.at(x, 1), Numbered(4, 2).at(x, 1));
        EXPECT_EQ(bitmap.at(x, 2), ColourPixel{});
    }
    const Bitmap24 copy = bitmap;
    EXPECT_EQ(copy, bitmap);
}

}  // namespace
}  // namespace quivane
