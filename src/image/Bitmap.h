#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/Pixels.h"

namespace quivane {

// A plain value-type bitmap: contiguous rows, row 0 at the top, no padding
// between rows. Width and height are never negative; an empty bitmap has no
// pixels.
template <class Pixel>
class Bitmap {
public:
    Bitmap() = default;
    Bitmap(int width, int height) { resize(width, height); }

    // Reallocates to the new size; every pixel becomes zero.
    void resize(int width, int height)
    {
        width_ = width > 0 && height > 0 ? width : 0;
        height_ = width > 0 && height > 0 ? height : 0;
        pixels_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), Pixel{});
    }

    // The new size, keeping the storage: pixels that were there keep their
    // bytes, new ones are zero. For a reader that writes every pixel of a
    // frame into the same bitmap, frame after frame.
    void reshape(int width, int height)
    {
        width_ = width > 0 && height > 0 ? width : 0;
        height_ = width > 0 && height > 0 ? height : 0;
        pixels_.resize(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_));
    }

    // Keeps the top rows only, without moving them, so that a writer given
    // spare rows below the picture can have them cut off afterwards.
    void keepTopRows(int height)
    {
        if (height >= height_) return;
        height_ = height > 0 ? height : 0;
        if (height_ == 0) width_ = 0;
        pixels_.resize(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_));
    }

    int width() const { return width_; }
    int height() const { return height_; }
    bool empty() const { return pixels_.empty(); }

    Pixel* row(int y) { return pixels_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_); }
    const Pixel* row(int y) const
    {
        return pixels_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_);
    }
    Pixel& at(int x, int y) { return row(y)[x]; }
    const Pixel& at(int x, int y) const { return row(y)[x]; }

    friend bool operator==(const Bitmap&, const Bitmap&) = default;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<Pixel> pixels_;
};

using Bitmap8 = Bitmap<std::uint8_t>;  // grey
using Bitmap24 = Bitmap<ColourPixel>;
using Bitmap32 = Bitmap<PicturePixel>;

}  // namespace quivane
