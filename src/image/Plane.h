#pragma once

#include <cstdint>
#include <memory>

#include "image/ArithmeticErrors.h"
#include "image/Picture.h"

namespace quivane {

constexpr int ScratchColumns = 768;
constexpr int ScratchRows = 576;

// A working plane of 16-bit signed samples with a fixed capacity of
// 768 x 576, heap-allocated in one piece; only the top-left Width x Height
// samples are in use. Enhancement and CLAHE work on the result picture's
// luminance copied into planes, so intermediate values may leave 0..255.
// Sample (x, y) is column x of row y; rows are stored contiguously so that
// a row is one cache-friendly run.
class Plane {
public:
    Plane() : samples_(new std::int16_t[static_cast<std::size_t>(ScratchColumns) * ScratchRows]()) {}

    int height = 0;
    int width = 0;

    // Checked access: an index outside the capacity or a value outside
    // -32768..32767 is a RangeCheckError, never a wrap.
    int at(int x, int y) const { return samples_[index(x, y)]; }
    void set(int x, int y, long long value)
    {
        if (value < -32768 || value > 32767) throw RangeCheckError();
        samples_[index(x, y)] = static_cast<std::int16_t>(value);
    }

    // Unchecked row access for inner loops whose bounds are proven beforehand.
    const std::int16_t* row(int y) const { return samples_.get() + static_cast<std::size_t>(y) * ScratchColumns; }
    std::int16_t* row(int y) { return samples_.get() + static_cast<std::size_t>(y) * ScratchColumns; }

private:
    static std::size_t index(int x, int y)
    {
        if (x < 0 || x >= ScratchColumns || y < 0 || y >= ScratchRows) throw RangeCheckError();
        return static_cast<std::size_t>(y) * ScratchColumns + static_cast<std::size_t>(x);
    }

    std::unique_ptr<std::int16_t[]> samples_;
};

// The picture's luminance (read through its offsets, edges repeated) into
// the plane, whose size becomes the picture's (at most 768 x 576).
void PictureToScratch(const Picture& picture, Plane& plane);

// The plane divided by `divisor` (truncating), clamped to 0..255, into the
// picture's luminance; the colour bytes are not touched.
void ScratchToPicture(Picture& picture, Plane& plane, int divisor);

// Size and the samples in use; samples outside that area are not touched.
void CopyScratch(const Plane& source, Plane& destination);

}  // namespace quivane
