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
class Kernel {
public:
    Kernel() = default;
    Kernel(int columns, int rows);

    int rows() const { return rows_; }
    int columns() const { return columns_; }
    // Out-of-range indices are a RangeCheckError, never a wrap.
    std::uint8_t at(int row, int column) const;
    void set(int row, int column, std::uint8_t value);

    friend bool operator==(const Kernel&, const Kernel&) = default;

private:
    std::size_t index(int row, int column) const;

    int columns_ = 0;
    int rows_ = 0;
    std::vector<std::uint8_t> elements_;
};

// A kernel of the given size with every element 0.
Kernel NewPSF(int columns, int rows);

// What a kernel is for; the number is the kind the kernel buttons pass.
enum KernelKind : int { KernelNone = 0, UnsharpMaskKernel = 1, ConvolutionKernel = 2, DeconvolutionKernel = 3 };

// The names the size report uses, by kind.
extern const std::array<const char*, 4> KernelKindNames;

// One kernel per kind 1..3 (kind 0 has none).
struct KernelSlots {
    std::array<Kernel, 4> byKind;

    Kernel& unsharpMask() { return byKind[UnsharpMaskKernel]; }
    Kernel& convolution() { return byKind[ConvolutionKernel]; }
    Kernel& deconvolution() { return byKind[DeconvolutionKernel]; }
    const Kernel& unsharpMask() const { return byKind[UnsharpMaskKernel]; }
    const Kernel& convolution() const { return byKind[ConvolutionKernel]; }
    const Kernel& deconvolution() const { return byKind[DeconvolutionKernel]; }
};

// "kernel 15 x 15": rows, then columns, as saved files' notes name a kernel.
std::string KernelSizeText(const Kernel& kernel);

constexpr int MinPsfSize = 3;
constexpr int MaxPsfSize = 31;

// True when a picture of this size makes a kernel: its sides, forced odd,
// within MinPsfSize..MaxPsfSize.
bool FitsPSF(const Bitmap24& picture);

// Makes a kernel from the luminance of a 24-bit picture (sizes forced odd),
// stores it in the slot of `kind` when its size is within 3..31, and returns
// the size report or the wrong-size message. A refused picture leaves every
// slot as it was.
std::string LoadPSF(const Bitmap24& picture, int kind, KernelSlots& slots);

// Redraws `picture` as the built-in 15 x 15 kernel: a white X on mid-grey.
void MakeDefaultPSFBitmap(Bitmap24& picture);

// Every slot holding the built-in kernel.
KernelSlots DefaultKernelSlots();

}  // namespace quivane
