#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "image/Bitmap.h"

namespace quivane {

// A kernel of unsigned bytes, indexed [row][column] with row 0 at the top.
// Whether a byte is a plain weight or the byte minus 128 is up to the stage
// that uses it.
class TPSF {
public:
    TPSF() = default;
    TPSF(int columns, int rows);

    int rows() const { return rows_; }
    int columns() const { return columns_; }
    // Out-of-range indices are a RangeCheckError, never a wrap.
    std::uint8_t at(int row, int column) const;
    void set(int row, int column, std::uint8_t value);

    friend bool operator==(const TPSF&, const TPSF&) = default;

private:
    std::size_t index(int row, int column) const;

    int columns_ = 0;
    int rows_ = 0;
    std::vector<std::uint8_t> elements_;
};

// A kernel of the given size with every element 0.
TPSF NewPSF(int columns, int rows);

enum PsfKind : int {
    PsfNone = 0,
    PsfUnsharpMask = 1,
    PsfConvolution = 2,
    PsfDeconvolution = 3,
    PsfReserved1 = 4,
    PsfReserved2 = 5
};

extern const std::array<const char*, 6> PSFKindNames;

// The kernel slots, one per kind 1..5 (kind 0 has none).
struct KernelSlots {
    std::array<TPSF, 6> byKind;

    TPSF& UmaPSF() { return byKind[PsfUnsharpMask]; }
    TPSF& ConPSF() { return byKind[PsfConvolution]; }
    TPSF& DecPSF() { return byKind[PsfDeconvolution]; }
};

constexpr int MinPsfSize = 3;
constexpr int MaxPsfSize = 31;

// Makes a kernel from the luminance of a 24-bit picture (sizes forced odd),
// stores it in the slot of `kind` when its size is within 3..31, and returns
// the size report or the wrong-size message. A refused picture leaves every
// slot as it was.
std::string LoadPSF(const Bitmap24& picture, int kind, KernelSlots& slots);

// Redraws `picture` as the built-in 15 x 15 kernel: a white X on mid-grey.
void MakeDefaultPSFBitmap(Bitmap24& picture);

}  // namespace quivane
