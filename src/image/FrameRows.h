#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <type_traits>
#include <utility>

#include "image/Bitmap.h"

namespace quivane {

// Rows of pixels that something else holds: a bitmap's, a video decoder's
// frame or a file's pixel block, whose rows may be padded or run bottom-up
// in memory, so that a frame is read where it lies instead of being copied
// first. Row 0 is the top row; `stride` is the distance in bytes from a row
// to the one below it.
template <class Pixel>
class FrameRows {
public:
    FrameRows() = default;
    FrameRows(const Pixel* top, std::ptrdiff_t stride, int width, int height)
        : top_(reinterpret_cast<const std::uint8_t*>(top)), stride_(stride), width_(width), height_(height)
    {
    }
    // A bitmap's rows, as long as the bitmap stays as it is. Not explicit:
    // a bitmap is handed wherever rows are read.
    FrameRows(const Bitmap<Pixel>& bitmap)
        : FrameRows(bitmap.empty() ? nullptr : bitmap.row(0),
                    static_cast<std::ptrdiff_t>(bitmap.width()) * static_cast<std::ptrdiff_t>(sizeof(Pixel)),
                    bitmap.width(), bitmap.height())
    {
    }

    int width() const { return width_; }
    int height() const { return height_; }
    const Pixel* row(int y) const
    {
        return reinterpret_cast<const Pixel*>(top_ + static_cast<std::ptrdiff_t>(y) * stride_);
    }

    // The rows as a bitmap of their own.
    Bitmap<Pixel> copy() const
    {
        Bitmap<Pixel> bitmap;
        copyInto(bitmap);
        return bitmap;
    }
    // The same into `bitmap`'s storage, kept from frame to frame.
    void copyInto(Bitmap<Pixel>& bitmap) const
    {
        bitmap.reshape(width_, height_);
        for (int y = 0; y < height_; ++y)
            std::memcpy(static_cast<void*>(bitmap.row(y)), row(y), static_cast<std::size_t>(width_) * sizeof(Pixel));
    }

private:
    const std::uint8_t* top_ = nullptr;
    std::ptrdiff_t stride_ = 0;
    int width_ = 0;
    int height_ = 0;
};

using ColourRows = FrameRows<ColourPixel>;
using GreyRows = FrameRows<std::uint8_t>;

// A grey frame as the colour frame of three equal channels it stands for,
// into `colour`'s storage, kept from frame to frame.
void GreyAsColourInto(const GreyRows& grey, Bitmap24& colour);
Bitmap24 GreyAsColour(const GreyRows& grey);

// The pixel of a frame's rows, whether a bitmap's or rows held elsewhere.
template <class Frame>
using RowPixel = std::remove_cv_t<std::remove_pointer_t<decltype(std::declval<const Frame&>().row(0))>>;

// Rows and what keeps them: a decoder's frame stays as long as any copy of
// its keeper does, whatever the decoder reads next.
struct HeldRows {
    ColourRows rows;
    std::shared_ptr<const void> keeper;
};

}  // namespace quivane
