#include "enhance/Kernel.h"

#include "image/ArithmeticErrors.h"
#include "image/PixelHelpers.h"

namespace quivane {

const std::array<const char*, 4> KernelKindNames = {"none", "Unsharp Mask", "Convolution", "Deconvolution"};

Kernel::Kernel(int columns, int rows)
    : columns_(columns > 0 ? columns : 0),
      rows_(rows > 0 ? rows : 0),
      elements_(static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_), 0)
{
}

std::size_t Kernel::index(int row, int column) const
{
    if (row < 0 || row >= rows_ || column < 0 || column >= columns_) throw RangeCheckError();
    return static_cast<std::size_t>(row) * static_cast<std::size_t>(columns_) + static_cast<std::size_t>(column);
}

std::uint8_t Kernel::at(int row, int column) const { return elements_[index(row, column)]; }

void Kernel::set(int row, int column, std::uint8_t value) { elements_[index(row, column)] = value; }

Kernel NewPSF(int columns, int rows) { return Kernel(columns, rows); }

std::string KernelSizeText(const Kernel& kernel)
{
    return "kernel " + std::to_string(kernel.rows()) + " x " + std::to_string(kernel.columns());
}

bool FitsPSF(const Bitmap24& picture)
{
    const int rows = picture.height() | 1;
    const int columns = picture.width() | 1;
    return rows >= MinPsfSize && rows <= MaxPsfSize && columns >= MinPsfSize && columns <= MaxPsfSize;
}

std::string LoadPSF(const Bitmap24& picture, int kind, KernelSlots& slots)
{
    const int rows = picture.height() | 1;
    const int columns = picture.width() | 1;
    if (!FitsPSF(picture)) {
        return "Error: wrong size PSFbitmap (<" + std::to_string(MinPsfSize) + " or >" +
               std::to_string(MaxPsfSize) + " pixels)";
    }
    // An even-sized picture has no pixels for the added last row or column;
    // those elements stay zero.
    Kernel kernel = NewPSF(columns, rows);
    for (int r = 0; r < picture.height(); ++r) {
        for (int c = 0; c < picture.width(); ++c) {
            kernel.set(r, c, static_cast<std::uint8_t>(PixelLuminance(picture.at(c, r))));
        }
    }
    if (kind > KernelNone && kind < static_cast<int>(slots.byKind.size())) {
        slots.byKind[static_cast<std::size_t>(kind)] = std::move(kernel);
    }
    const char* name = kind >= 0 && kind < static_cast<int>(KernelKindNames.size())
                           ? KernelKindNames[static_cast<std::size_t>(kind)]
                           : KernelKindNames[KernelNone];
    return std::string(name) + " (de)convolution, " + std::to_string(rows) + " x " + std::to_string(columns) +
           " PSF";
}

void MakeDefaultPSFBitmap(Bitmap24& picture)
{
    constexpr int size = 15;
    picture.resize(size, size);
    for (int i = 0; i < size; ++i) {
        for (int j = 0; j < size; ++j) {
            const bool onDiagonal = j == i || j == size - 1 - i;
            GreyPixel(onDiagonal ? 255 : 128, picture.at(j, i));
        }
    }
}

KernelSlots DefaultKernelSlots()
{
    Bitmap24 picture;
    MakeDefaultPSFBitmap(picture);
    KernelSlots slots;
    for (int kind : {UnsharpMaskKernel, ConvolutionKernel, DeconvolutionKernel}) {
        (void)LoadPSF(picture, kind, slots);  // the default always fits; nothing to report
    }
    return slots;
}

}  // namespace quivane
