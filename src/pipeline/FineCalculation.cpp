#include "pipeline/FineCalculation.h"

#include <cmath>
#include <exception>
#include <thread>

#include "enhance/FineEnhancement.h"
#include "image/FinePlane.h"

namespace quivane {
namespace {

// Mirrors the described stages step for step, the planes reused between
// them as the described run reuses its two.
class Replay {
public:
    Replay(const CalculationRecord& record, FinePicture& picture)
        : r_(record), picture_(picture), dx_(record.result.dx), dy_(record.result.dy), left_(record.completedSteps)
    {
    }

    void run()
    {
        const CalculationSettings& s = r_.settings;
        if (s.unsharpOn && left_ > 0) unsharpMask();
        if (s.deconvolutionOn && left_ > 0) deconvolve();
        if (s.convolutionOn && left_ > 0) convolve();
    }

private:
    void unsharpMask()
    {
        FineToScratch(picture_, dx_, dy_, a_);
        UnsharpMaskFine(a_, b_, r_.settings.unsharpStrength, r_.kernels.unsharpMask());
        FineScratchToPicture(picture_, dx_, dy_, b_);
        --left_;
        CopyFineScratch(b_, a_);
    }

    void deconvolve()
    {
        FineToScratch(picture_, dx_, dy_, a_);
        CopyFineScratch(a_, b_);
        for (int d = 1; d <= r_.settings.deconvolutionIterations && left_ > 0; ++d) {
            if (r_.settings.deconvolutionMethod == DeconvolutionLR) DeconvolveLRFine(a_, b_, r_.kernels.deconvolution());
            if (r_.settings.deconvolutionMethod == DeconvolutionCit) DeconvolveCitFine(a_, b_, r_.kernels.deconvolution());
            FineScratchToPicture(picture_, dx_, dy_, b_);
            --left_;
        }
        CopyFineScratch(b_, a_);
    }

    void convolve()
    {
        FineToScratch(picture_, dx_, dy_, a_);
        ConvolveWithFilterFine(a_, b_, r_.kernels.convolution());
        FineScratchToPicture(picture_, dx_, dy_, b_);
        --left_;
    }

    const CalculationRecord& r_;
    FinePicture& picture_;
    int dx_, dy_;
    int left_;
    FinePlane a_, b_;
};

}  // namespace

FinePicture WholeLevels(const FinePicture& fine)
{
    FinePicture whole = fine;
    for (int y = 0; y < whole.height(); ++y)
        for (int x = 0; x < whole.width(); ++x) {
            FinePixel& p = whole.at(x, y);
            p = FinePixel{std::floor(p.chromaBlue), std::floor(p.chromaGreen), std::floor(p.chromaRed),
                          std::floor(p.luminance)};
        }
    return whole;
}

FinePicture EnhanceFine(const CalculationRecord& record, FinePicture start)
{
    Replay(record, start).run();
    return start;
}

FineRuns EnhanceBoth(const CalculationRecord& record)
{
    if (!record.valid) return {};
    FineRuns runs;
    // Whatever the second thread throws (memory running out) is thrown here.
    std::exception_ptr failure;
    std::thread second([&] {
        try {
            runs.fromBytes = EnhanceFine(record, WholeLevels(record.combined));
        } catch (...) {
            failure = std::current_exception();
        }
    });
    try {
        runs.fromFractions = EnhanceFine(record, record.combined);
    } catch (...) {
        second.join();
        throw;
    }
    second.join();
    if (failure) std::rethrow_exception(failure);
    return runs;
}

}  // namespace quivane
