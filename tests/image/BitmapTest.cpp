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

}  // namespace
}  // namespace quivane
