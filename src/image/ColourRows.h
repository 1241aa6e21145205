#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <type_traits>
#include <utility>

#include "image/Bitmap.h"

namespace quivane {

// Rows of colour pixels that something else holds: a bitmap's, or a video
// decoder's frame, whose rows may be padded or run bottom-up in memory, so
// that a frame is read where it lies instead of being copied first. Row 0
// is the top row; `stride` is the distance in bytes from a row to the one
// below it.
class ColourRows {
public:
    ColourRows() = default;
    ColourRows(const ColourPixel* top, std::ptrdiff_t stride, int width, int height)
        : top_(reinterpret_cast<const std::uint8_t*>(top)), stride_(stride), width_(width), height_(height)
    {
    }
    // A bitmap's rows, as long as the bitmap stays as it is. Not explicit:
    // a bitmap is handed wherever colour rows are read.
    ColourRows(const Bitmap24& bitmap)
        : ColourRows(bitmap.empty() ? nullptr : bitmap.row(0),
                     static_cast<std::ptrdiff_t>(bitmap.width()) * static_cast<std::ptrdiff_t>(sizeof(ColourPixel)),
                     bitmap.width(), bitmap.height())
    {
    }

    int width() const { return width_; }
    int height() const { return height_; }
    const ColourPixel* row(int y) const
    {
        return reinterpret_cast<const ColourPixel*>(top_ + static_cast<std::ptrdiff_t>(y) * stride_);
    }

    // The rows as a bitmap of their own.
    Bitmap24 copy() const
    {
        Bitmap24 bitmap;
        copyInto(bitmap);
        return bitmap;
    }
    // The same into `bitmap`'s storage, kept from frame to frame.
    void copyInto(Bitmap24& bitmap) const
    {
        bitmap.reshape(width_, height_);
        for (int y = 0; y < height_; ++y)
            std::memcpy(static_cast<void*>(bitmap.row(y)), row(y),
                        static_cast<std::size_t>(width_) * sizeof(ColourPixel));
    }

private:
    const std::uint8_t* top_ = nullptr;
    std::ptrdiff_t stride_ = 0;
    int width_ = 0;
    int height_ = 0;
};

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
