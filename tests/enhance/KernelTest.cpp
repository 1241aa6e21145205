#include "enhance/Kernel.h"

#include "image/ArithmeticErrors.h"

#include <gtest/gtest.h>
#include "support/Pictures.h"

namespace quivane {
namespace {

using testing::GreyBitmap;

const std::string WrongSize = "Error: wrong size PSFbitmap (<3 or >31 pixels)";

TEST(Psf, DefaultPictureIsAWhiteXOnMidGrey)
{
    Bitmap24 picture;
    MakeDefaultPSFBitmap(picture);
    ASSERT_EQ(picture.width(), 15);
    ASSERT_EQ(picture.height(), 15);
    int white = 0;
    for (int i = 0; i < 15; ++i)
        for (int j = 0; j < 15; ++j) {
            const int level = picture.at(j, i).green;
            EXPECT_EQ(level, (j == i || j == 14 - i) ? 255 : 128);
            white += level == 255;
        }
    EXPECT_EQ(white, 29);
}

TEST(Psf, GreyPictureBecomesAKernelOfItsLevelsWithRowsFirstInTheReport)
{
    KernelSlots slots;
    EXPECT_EQ(LoadPSF(GreyBitmap(15, 15, 77), DeconvolutionKernel, slots),
              "Deconvolution (de)convolution, 15 x 15 PSF");
    ASSERT_EQ(slots.deconvolution().rows(), 15);
    EXPECT_EQ(slots.deconvolution().at(7, 7), 77);
    EXPECT_EQ(slots.unsharpMask().rows(), 0) << "other kinds keep their kernels";

    EXPECT_EQ(LoadPSF(GreyBitmap(7, 5, 1), ConvolutionKernel, slots), "Convolution (de)convolution, 5 x 7 PSF");
    EXPECT_EQ(slots.convolution().rows(), 5);
    EXPECT_EQ(slots.convolution().columns(), 7);
}

TEST(Psf, SizesAreMadeOddAndLimitedToThreeToThirtyOne)
{
    struct Case {
        int width, height;
        bool accepted;
    };
    for (const Case c : {Case{3, 3, true}, Case{31, 31, true}, Case{32, 5, false}, Case{5, 1, false},
                         Case{2, 2, true}, Case{0, 0, false}}) {
        KernelSlots slots;
        const std::string report = LoadPSF(GreyBitmap(c.width, c.height, 200), UnsharpMaskKernel, slots);
        EXPECT_EQ(report == WrongSize, !c.accepted) << c.width << " x " << c.height << ": " << report;
        EXPECT_EQ(slots.unsharpMask().rows() != 0, c.accepted);
    }
}

TEST(Psf, EvenSizedPictureGetsZeroElementsInItsAddedRowAndColumn)
{
    KernelSlots slots;
    EXPECT_EQ(LoadPSF(GreyBitmap(2, 2, 90), UnsharpMaskKernel, slots), "Unsharp Mask (de)convolution, 3 x 3 PSF");
    EXPECT_EQ(slots.unsharpMask().at(1, 1), 90);
    EXPECT_EQ(slots.unsharpMask().at(2, 0), 0);
    EXPECT_EQ(slots.unsharpMask().at(0, 2), 0);
}

TEST(Psf, RefusedPictureKeepsThePreviousKernel)
{
    KernelSlots slots;
    (void)LoadPSF(GreyBitmap(5, 5, 10), ConvolutionKernel, slots);
    const Kernel before = slots.convolution();
    EXPECT_EQ(LoadPSF(GreyBitmap(40, 40, 99), ConvolutionKernel, slots), WrongSize);
    EXPECT_EQ(slots.convolution(), before);
}

TEST(Psf, KernelIndexOutsideItsSizeIsAnError)
{
    Kernel kernel = NewPSF(3, 5);
    EXPECT_THROW((void)kernel.at(5, 0), RangeCheckError);
    EXPECT_THROW(kernel.set(0, 3, 1), RangeCheckError);
    EXPECT_THROW((void)kernel.at(-1, 0), RangeCheckError);
}

}  // namespace
}  // namespace quivane
