#include "pipeline/Calculation.h"

#include <algorithm>
#include <exception>
#include <vector>

#include "pipeline/CalculationRecord.h"
#include "combine/LocalStack.h"
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

void Combine(PictureSeries& pictures, int count, const CalculationSettings& s, CalculationObserver& observer,
             Recording& recording)
{
    Picture& result = pictures.result();
    const int width = result.bitmap.width();
    const int height = result.bitmap.height();
    FinePicture* fine = recording.record ? &recording.record->combined : nullptr;
    if (fine) fine->resize(width, height);
    observer.stageStarted(CombineProgressText, height);
    const CombineMethodDeclaration& method = DeclarationOf(s.combineMethod);
    // Every row reads the input pictures only and writes its own result
    // row, so the rows may be combined in any order on any thread. A failing
    // row (the median's picture limit) fails on the first band, before any
    // row is written. More threads than a band's rows would only wait.
    WorkerTeam team(s.threads > 0 ? s.threads : std::min(AvailableCores(), BandRows));
    std::vector<CombineRowWork> storage(static_cast<std::size_t>(team.size()));
    for (int first = 0; first < height; first += BandRows) {
        const int end = std::min(height, first + BandRows);
        observer.progressed(first);
        team.run(end - first, [&](int index, int worker) {
            const int y = first + index;
            CombineRowWork& kept = storage[static_cast<std::size_t>(worker)];
            if (fine) {
                method.fineRow(pictures, count, y, s.combineParameter, result.bitmap.row(y), fine->row(y), width,
                               kept);
            } else {
                method.row(pictures, count, y, s.combineParameter, result.bitmap.row(y), width, kept);
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

void Run(PictureSeries& pictures, int count, const CalculationSettings& settings, const KernelSlots& kernels,
         CalculationObserver& observer, Recording& recording)
{
    Plane a, b;
    Picture& result = pictures.result();
    Combine(pictures, count, settings, observer, recording);
    StagePlanes planes{result, a, b, kernels, [&](int position) { observer.progressed(position); },
                       [&] {
                           recording.wroteBack();
                           observer.resultChanged(result);
                       }};
    for (const EnhancementStage* stage : EnhancementStages()) {
        const StageSettings& stageSettings = settings.enhancement[stage->id];
        if (!stageSettings.on) continue;
        observer.stageStarted(stage->progressText, stage->progressSteps(stageSettings));
        stage->runBytes(stageSettings, planes);
    }
}

}  // namespace

void Calculate(PictureSeries& pictures, int count, const CalculationSettings& settings, const KernelSlots& kernels,
               CalculationObserver& observer)
{
    if (pictures.empty()) return;
    Recording none;
    Run(pictures, count, settings, kernels, observer, none);
}

void Calculate(PictureSeries& pictures, int count, const CalculationSettings& settings, const KernelSlots& kernels,
               CalculationObserver& observer, const LocalStacking& local)
{
    if (pictures.empty()) return;
    Recording onlyLocal{nullptr, false, &local};
    Run(pictures, count, settings, kernels, observer, onlyLocal);
}

void CalculateAndRecord(PictureSeries& pictures, int count, const CalculationSettings& settings,
                        const KernelSlots& kernels, CalculationObserver& observer, CalculationRecord& record,
                        const LocalStacking* local)
{
    if (pictures.empty()) return;
    CalculationRecord fresh;
    fresh.settings = settings;
    fresh.kernels = kernels;
    fresh.pictureCount = count;
    fresh.framesUsed = DeclarationOf(settings.combineMethod).framesUsed(pictures, count);
    Recording recording{&fresh, false, local};
    auto keep = [&](const char* stoppedBy) {
        fresh.stoppedBy = stoppedBy;
        fresh.result = pictures.result();
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
