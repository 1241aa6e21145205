#pragma once

#include <string>

#include "pipeline/Calculation.h"
#include "enhance/Kernel.h"
#include "image/FinePicture.h"
#include "image/Picture.h"

namespace quivane {

struct LocalStacking;

// What a calculation run did, kept so that a deep save can redo it with the
// fractions the described arithmetic drops: the settings and kernels it ran
// with, the combination with its fractions, how far the enhancement got and
// the result picture exactly as the run left it.
struct CalculationRecord {
    bool valid = false;  // a run has combined since the pictures were loaded
    CalculationSettings settings;
    KernelSlots kernels;
    int pictureCount = 0;
    int framesUsed = 0;  // the pictures the method took (not "Dont", at most 7 for the product)
    FinePicture combined;
    // Write-backs into the result that completed: one per stage, one per
    // deconvolution iteration. Fewer than the settings ask for when an
    // arithmetic or range error abandoned the run.
    int completedSteps = 0;
    std::string stoppedBy;  // that error's text, or empty
    Picture result;         // as the run left it, offsets included
};

// Runs Calculate (with the local stack when `local` is given) and keeps its
// record in `record`: only once the combination completed, so a run that
// fails at its first pixel leaves the record of the run before, as it
// leaves that run's result picture. Where the local stack changed a pixel,
// the record keeps the pixel's level as its fine value.
void CalculateAndRecord(PictureSeries& pictures, int count, const CalculationSettings& settings,
                        const KernelSlots& kernels, CalculationObserver& observer, CalculationRecord& record,
                        const LocalStacking* local = nullptr);

}  // namespace quivane
