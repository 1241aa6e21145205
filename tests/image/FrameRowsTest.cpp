#include "image/FrameRows.h"

#include <gtest/gtest.h>

#include <vector>

namespace quivane {
namespace {

// Rows of every length around the blocks the widening takes, read through a
// negative stride as a bottom-up file's are: each grey becomes the colour of
// three equal channels, and the rows land in order.
TEST(FrameRows, AGreyFrameWidensToItsColourOfThreeEqualChannels)
{
    for (int width : {1, 15, 16, 17, 31, 32, 33, 47, 640, 641}) {
        const int height = 3;
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(width * height));
        for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
        const std::uint8_t* last = bytes.data() + static_cast<std::ptrdiff_t>(width) * (height - 1);
        const Bitmap24 colour = GreyAsColour(GreyRows(last, -width, width, height));
        ASSERT_EQ(colour.width(), width);
        ASSERT_EQ(colour.height(), height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const std::uint8_t v = bytes[static_cast<std::size_t>((height - 1 - y) * width + x)];
                ASSERT_EQ(colour.at(x, y), (ColourPixel{v, v, v})) << width << " at " << x << "," << y;
            }
    }
}

}  // namespace
}  // namespace quivane
