#include "pipeline/Calculation.h"

#include <algorithm>
#include <exception>
#include <vector>

#include "pipeline/CalculationRecord.h"
#include "combine/CombineMethods.h"
#include "combine/FineCombine.h"
#include "combine/LocalStack.h"
#include "combine/MedianRow.h"
#include "enhance/Convolution.h"
#include "enhance/Deconvolution.h"
#include "image/Plane.h"
#include "parallel/WorkerTeam.h"

namespace quivane {
namespace {

// The record a run is filling, if any: the combination with its fractions
// and a count of the write-backs that completed.
struct Recording {
    CalculationRecord* record = nullptr;
    bool combined = false;
    const LocalStacking* local = nullptr;  // finishes the combination inside the alignment points

    void wroteBack()
    {
        if (record) ++record->completedSteps;
    }
};

// Rows the combination hands its threads at a time.
constexpr int BandRows = 16;

// What a thread combining rows keeps from one row to the next; a cache line
// apart from the next thread's, so that two threads never write one line.
struct alignas(64) RowStorage {
    std::vector<int> sums;
    MedianRowWork median;
};

void CombineRow(PictureList& pictures, int count, const CalculationSettings& s, int y, PicturePixel* row, int width,
                RowStorage& storage)
{
    switch (s.combineMethod) {
    case CombineMeanMethod: CombineMeanRow(pictures, count, y, row, width, storage.sums); return;
    case CombineMedianMethod:
        CombineMedianRow(pictures, count, y, s.combineParameter, row, width, storage.median, storage.sums);
        return;
    default: break;
    }
    for (int x = 0; x < width; ++x) {
        switch (s.combineMethod) {
        case CombineMinMaxMethod: row[x] = CombineMinMax(pictures, count, x, y, s.combineParameter); break;
        case CombineMultiplyMethod: row[x] = CombineMultiply(pictures, count, x, y, s.combineParameter); break;
        default: break;
        }
    }
}

// The same row with its fractions; the bytes are those CombineRow writes.
void CombineFineRow(PictureList& pictures, int count, const CalculationSettings& s, int y, PicturePixel* row,
                    FinePixel* fineRow, int width, RowStorage& storage)
{
    switch (s.combineMethod) {
    case CombineMeanMethod: CombineMeanFineRow(pictures, count, y, row, fineRow, width, storage.sums); return;
    case CombineMedianMethod:
        CombineMedianFineRow(pictures, count, y, s.combineParameter, row, fineRow, width, storage.median,
                             storage.sums);
        return;
    default: break;
    }
    for (int x = 0; x < width; ++x) {
        FineCombination c{row[x], fineRow[x]};
        switch (s.combineMethod) {
        case CombineMinMaxMethod: c = CombineMinMaxFine(pictures, count, x, y, s.combineParameter); break;
        case CombineMultiplyMethod: c = CombineMultiplyFine(pictures, count, x, y, s.combineParameter); break;
        default: break;
        }
        row[x] = c.pixel;
        fineRow[x] = c.fine;
    }
}

void Combine(PictureList& pictures, int count, const CalculationSettings& s, CalculationObserver& observer,
             Recording& recording)
{
    Picture& result = pictures.front();
    const int width = result.bitmap.width();
    const int height = result.bitmap.height();
    FinePicture* fine = recording.record ? &recording.record->combined : nullptr;
    if (fine) fine->resize(width, height);
    // A method the run does not know leaves the rows as they were, and their
    // fine values say the same; every other method writes each fine value.
    const bool knownMethod = s.combineMethod >= CombineMeanMethod && s.combineMethod <= CombineMultiplyMethod;
    if (fine && !knownMethod) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const PicturePixel& p = result.bitmap.at(x, y);
                fine->at(x, y) = FinePixel{double(p.chromaBlue), double(p.chromaGreen), double(p.chromaRed),
                                           double(p.luminance)};
            }
    }
    observer.stageStarted(CalculationStage::Combine, height);
    // Every row reads the input pictures only and writes its own result
    // row, so the rows may be combined in any order on any thread. A failing
    // row (the median's picture limit) fails on the first band, before any
    // row is written. More threads than a band's rows would only wait.
    WorkerTeam team(s.threads > 0 ? s.threads : std::min(AvailableCores(), BandRows));
    std::vector<RowStorage> storage(static_cast<std::size_t>(team.size()));
    for (int first = 0; first < height; first += BandRows) {
        const int end = std::min(height, first + BandRows);
        observer.progressed(first);
        team.run(end - first, [&](int index, int worker) {
            const int y = first + index;
            RowStorage& kept = storage[static_cast<std::size_t>(worker)];
            if (fine) {
                CombineFineRow(pictures, count, s, y, result.bitmap.row(y), fine->row(y), width, kept);
            } else {
                CombineRow(pictures, count, s, y, result.bitmap.row(y), width, kept);
            }
        });
        // The band's other rows, done by now, are reported in order.
        for (int y = first + 1; y < end; ++y) observer.progressed(y);
    }
    if (recording.local) {
        StackLocally(pictures, count, *recording.local);
        // The local stack keeps whole levels: where it changed a pixel, the
        // pixel's fine value is its level.
        if (fine)
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x) {
                    const PicturePixel& p = result.bitmap.at(x, y);
                    const FinePixel f = fine->at(x, y);
                    const PicturePixel floors{static_cast<std::uint8_t>(f.chromaBlue),
                                              static_cast<std::uint8_t>(f.chromaGreen),
                                              static_cast<std::uint8_t>(f.chromaRed),
                                              static_cast<std::uint8_t>(f.luminance)};
                    if (!(floors == p))
                        fine->at(x, y) = FinePixel{double(p.chromaBlue), double(p.chromaGreen), double(p.chromaRed),
                                                   double(p.luminance)};
                }
    }
    recording.combined = true;
    observer.resultChanged(result);
}

void UnsharpMaskStage(Picture& result, const CalculationSettings& s, const KernelSlots& kernels,
                      CalculationObserver& observer, Plane& a, Plane& b, Recording& recording)
{
    observer.stageStarted(CalculationStage::UnsharpMask, 100);
    PictureToScratch(result, a);
    UnsharpMask(a, b, s.unsharpStrength, kernels.unsharpMask());
    ScratchToPicture(result, b, 1);
    recording.wroteBack();
    observer.resultChanged(result);
    CopyScratch(b, a);
}

void DeconvolutionStage(Picture& result, const CalculationSettings& s, const KernelSlots& kernels,
                        CalculationObserver& observer, Plane& observed, Plane& estimate, Recording& recording)
{
    observer.stageStarted(CalculationStage::Deconvolution, s.deconvolutionIterations);
    PictureToScratch(result, observed);
    CopyScratch(observed, estimate);
    // Made once for all the iterations, not once per iteration.
    DeconvolutionPlanes temporary;
    for (int d = 1; d <= s.deconvolutionIterations; ++d) {
        observer.progressed(d);
        if (s.deconvolutionMethod == DeconvolutionLR)
            DeconvolveLR(observed, estimate, kernels.deconvolution(), temporary);
        if (s.deconvolutionMethod == DeconvolutionCit)
            DeconvolveCit(observed, estimate, kernels.deconvolution(), temporary);
        // Only a completed iteration reaches the picture.
        ScratchToPicture(result, estimate, 1);
        recording.wroteBack();
        observer.resultChanged(result);
    }
    CopyScratch(estimate, observed);
}

void ConvolutionStage(Picture& result, const KernelSlots& kernels, CalculationObserver& observer, Plane& a, Plane& b,
                      Recording& recording)
{
    observer.stageStarted(CalculationStage::Convolution, 100);
    PictureToScratch(result, a);
    ConvolveWithFilter(a, b, kernels.convolution());
    ScratchToPicture(result, b, 1);
    recording.wroteBack();
    observer.resultChanged(result);
}

void Run(PictureList& pictures, int count, const CalculationSettings& settings, const KernelSlots& kernels,
         CalculationObserver& observer, Recording& recording)
{
    Plane a, b;
    Picture& result = pictures.front();
    Combine(pictures, count, settings, observer, recording);
    if (settings.unsharpOn) UnsharpMaskStage(result, settings, kernels, observer, a, b, recording);
    if (settings.deconvolutionOn) DeconvolutionStage(result, settings, kernels, observer, a, b, recording);
    if (settings.convolutionOn) ConvolutionStage(result, kernels, observer, a, b, recording);
}

// The pictures the method takes: the median every one, the others those not
// marked "Dont" (the mean those of a weight above 0), the product at most 7.
int FramesUsed(const PictureList& pictures, int count, int method)
{
    if (method == CombineMedianMethod) return count;
    int used = 0;
    for (int k = 1; k <= count; ++k) {
        const int quality = pictures[static_cast<std::size_t>(k)].quality;
        if (method == CombineMeanMethod ? quality >= 1 && quality <= 3 : quality != QualityDont) ++used;
    }
    return method == CombineMultiplyMethod ? std::min(used, 7) : used;
}

}  // namespace

void Calculate(PictureList& pictures, int count, const CalculationSettings& settings, const KernelSlots& kernels,
               CalculationObserver& observer)
{
    if (pictures.empty()) return;
    Recording none;
    Run(pictures, count, settings, kernels, observer, none);
}

void Calculate(PictureList& pictures, int count, const CalculationSettings& settings, const KernelSlots& kernels,
               CalculationObserver& observer, const LocalStacking& local)
{
    if (pictures.empty()) return;
    Recording onlyLocal{nullptr, false, &local};
    Run(pictures, count, settings, kernels, observer, onlyLocal);
}

void CalculateAndRecord(PictureList& pictures, int count, const CalculationSettings& settings,
                        const KernelSlots& kernels, CalculationObserver& observer, CalculationRecord& record,
                        const LocalStacking* local)
{
    if (pictures.empty()) return;
    CalculationRecord fresh;
    fresh.settings = settings;
    fresh.kernels = kernels;
    fresh.pictureCount = count;
    fresh.framesUsed = FramesUsed(pictures, count, settings.combineMethod);
    Recording recording{&fresh, false, local};
    auto keep = [&](const char* stoppedBy) {
        fresh.stoppedBy = stoppedBy;
        fresh.result = pictures.front();
        fresh.valid = true;
        record = std::move(fresh);
    };
    try {
        Run(pictures, count, settings, kernels, observer, recording);
    } catch (const std::exception& error) {
        if (recording.combined) keep(error.what());
        throw;
    }
    keep("");
}

}  // namespace quivane
