#include "combine/CombineMethodList.h"

#include <algorithm>

#include "combine/CombineMethods.h"
#include "combine/FineCombine.h"

namespace quivane {
namespace {

// Pictures whose mark passes `takes`.
template <class Takes>
int Marked(const PictureSeries& pictures, int count, Takes takes)
{
    int used = 0;
    for (int k = 1; k <= count; ++k)
        if (takes(pictures.at(k).quality)) ++used;
    return used;
}

// The mean takes the pictures of a weight above 0.
int MeanFrames(const PictureSeries& pictures, int count)
{
    return Marked(pictures, count, [](int q) { return q >= 1 && q <= 3; });
}
int MedianFrames(const PictureSeries&, int count) { return count; }
int NotDontFrames(const PictureSeries& pictures, int count)
{
    return Marked(pictures, count, [](int q) { return q != QualityDont; });
}
// The product takes at most seven.
int ProductFrames(const PictureSeries& pictures, int count) { return std::min(NotDontFrames(pictures, count), 7); }

// Methods that combine a pixel at a time, a row of them.
template <PicturePixel (*Pixel)(const PictureSeries&, int, int, int, int)>
void PixelRow(const PictureSeries& pictures, int count, int y, int parameter, PicturePixel* out, int width,
              CombineRowWork&)
{
    for (int x = 0; x < width; ++x) out[x] = Pixel(pictures, count, x, y, parameter);
}

template <FineCombination (*Pixel)(const PictureSeries&, int, int, int, int)>
void PixelFineRow(const PictureSeries& pictures, int count, int y, int parameter, PicturePixel* out, FinePixel* fineOut,
                  int width, CombineRowWork&)
{
    for (int x = 0; x < width; ++x) {
        const FineCombination c = Pixel(pictures, count, x, y, parameter);
        out[x] = c.pixel;
        fineOut[x] = c.fine;
    }
}

void MeanRow(const PictureSeries& pictures, int count, int y, int, PicturePixel* out, int width, CombineRowWork& work)
{
    CombineMeanRow(pictures, count, y, out, width, work.sums);
}

void MeanFineRow(const PictureSeries& pictures, int count, int y, int, PicturePixel* out, FinePixel* fineOut, int width,
                 CombineRowWork& work)
{
    CombineMeanFineRow(pictures, count, y, out, fineOut, width, work.sums);
}

void MedianRow(const PictureSeries& pictures, int count, int y, int parameter, PicturePixel* out, int width,
               CombineRowWork& work)
{
    CombineMedianRow(pictures, count, y, parameter, out, width, work.median, work.sums);
}

void MedianFineRow(const PictureSeries& pictures, int count, int y, int parameter, PicturePixel* out,
                   FinePixel* fineOut, int width, CombineRowWork& work)
{
    CombineMedianFineRow(pictures, count, y, parameter, out, fineOut, width, work.median, work.sums);
}

std::string DescribeMean(int) { return "mean, weighted by the quality marks"; }
std::string DescribeMedian(int p) { return p == 0 ? "median" : "median to mean, parameter " + std::to_string(p); }
std::string DescribeMinMax(int p) { return "minimum or maximum, threshold " + std::to_string(p); }
std::string DescribeProduct(int p) { return "product, parameter " + std::to_string(p); }

constexpr CombineMethodDeclaration Methods[] = {
    {CombineMethod::Mean, "mean", 0, false, DescribeMean, MeanFrames, MeanRow, MeanFineRow},
    {CombineMethod::Median, "median", 0, true, DescribeMedian, MedianFrames, MedianRow, MedianFineRow},
    {CombineMethod::MinMax, "minmax", 128, true, DescribeMinMax, NotDontFrames, PixelRow<CombineMinMax>,
     PixelFineRow<CombineMinMaxFine>},
    {CombineMethod::Multiply, "multiply", 128, true, DescribeProduct, ProductFrames, PixelRow<CombineMultiply>,
     PixelFineRow<CombineMultiplyFine>},
};

}  // namespace

std::span<const CombineMethodDeclaration> CombineMethodList() { return Methods; }

const CombineMethodDeclaration& DeclarationOf(CombineMethod method)
{
    return Methods[static_cast<std::size_t>(method)];
}

std::optional<CombineMethod> CombineMethodAt(int index)
{
    if (index < 0 || index >= static_cast<int>(std::size(Methods))) return std::nullopt;
    return Methods[index].method;
}

}  // namespace quivane
