#include "pipeline/FineCalculation.h"

#include <cmath>
#include <exception>
#include <thread>

#include "enhance/EnhancementStages.h"
#include "image/FinePlane.h"

namespace quivane {
namespace {

// Each stage's exact pass, in the run's order, on the two planes the run
// reuses, until the recorded run's write-backs are used up.
void Replay(const CalculationRecord& record, FinePicture& picture)
{
    FinePlane a, b;
    FineStagePlanes planes{picture, record.result.dx, record.result.dy, a, b, record.kernels, record.completedSteps};
    for (const EnhancementStage* stage : EnhancementStages()) {
        const StageSettings& settings = record.settings.enhancement[stage->id];
        if (settings.on && planes.more()) stage->runFine(settings, planes);
    }
}

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
    Replay(record, start);
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
