#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <type_traits>
#include <vector>

#include "image/Pixels.h"

namespace quivane {

// Leaves the pixels a vector makes without arguments unwritten: a bitmap
// clears them itself, all at once, where the vector would write a pixel's
// bytes one by one (a 640 x 480 frame took a quarter of a millisecond).
// Copies still construct as usual.
template <class T>
struct UnwrittenAllocator : std::allocator<T> {
    UnwrittenAllocator() = default;
    template <class U>
    UnwrittenAllocator(const UnwrittenAllocator<U>&) noexcept
    {
    }
    template <class U>
    void construct(U*) noexcept
    {
        static_assert(std::is_trivially_copyable_v<U> && std::is_trivially_destructible_v<U>);
    }
};

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
        pixels_.resize(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_));
        clear(0);
    }

    // The new size, keeping the storage: pixels that were there keep their
    // bytes, new ones are zero. For a reader that writes every pixel of a
    // frame into the same bitmap, frame after frame.
    void reshape(int width, int height)
    {
        width_ = width > 0 && height > 0 ? width : 0;
        height_ = width > 0 && height > 0 ? height : 0;
        const std::size_t kept = pixels_.size();
        pixels_.resize(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_));
        if (pixels_.size() > kept) clear(kept);
    }

    // The new size, with no pixel written: for a writer that writes every
    // pixel before any is read, which clearing would only make pass over the
    // memory twice.
    void resizeForOverwrite(int width, int height)
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
    // Pixels from `first` on become zero; a pixel of zero bytes is a zero pixel.
    void clear(std::size_t first)
    {
        static_assert(std::is_trivially_copyable_v<Pixel>);
        if (pixels_.size() > first)
            std::memset(static_cast<void*>(pixels_.data() + first), 0, (pixels_.size() - first) * sizeof(Pixel));
    }

    int width_ = 0;
    int height_ = 0;
    std::vector<Pixel, UnwrittenAllocator<Pixel>> pixels_;
};

using Bitmap8 = Bitmap<std::uint8_t>;  // grey
using Bitmap24 = Bitmap<ColourPixel>;
using Bitmap32 = Bitmap<PicturePixel>;

}  // namespace quivane
