#include "pipeline/RunNotes.h"

#include <string>

namespace quivane {
namespace {

std::string KernelSize(const Kernel& kernel)
{
    return "kernel " + std::to_string(kernel.rows()) + " x " + std::to_string(kernel.columns());
}

std::string Method(const CalculationSettings& s)
{
    const std::string param = std::to_string(s.combineParameter);
    switch (s.combineMethod) {
    case CombineMeanMethod: return "mean, weighted by the quality marks";
    case CombineMedianMethod: return s.combineParameter == 0 ? "median" : "median to mean, parameter " + param;
    case CombineMinMaxMethod: return "minimum or maximum, threshold " + param;
    case CombineMultiplyMethod: return "product, parameter " + param;
    default: return "none";
    }
}

std::string Deconvolution(const CalculationSettings& s, const Kernel& kernel)
{
    const char* method = s.deconvolutionMethod == DeconvolutionLR ? "LR" : "Cit";
    const int n = s.deconvolutionIterations;
    return std::string(method) + ", " + std::to_string(n) + (n == 1 ? " iteration, " : " iterations, ") +
           KernelSize(kernel);
}

int StepsAskedFor(const CalculationSettings& s)
{
    return (s.unsharpOn ? 1 : 0) + (s.deconvolutionOn ? s.deconvolutionIterations : 0) + (s.convolutionOn ? 1 : 0);
}

}  // namespace

PictureNotes DescribeRun(const CalculationRecord& record, int loadedPictures)
{
    if (!record.valid) {
        return {{"Frames", "FRAMES", std::to_string(loadedPictures)},
                {"Combine", "COMBINE", "none: the first picture as loaded"}};
    }
    const CalculationSettings& s = record.settings;
    PictureNotes notes = {
        {"Frames", "FRAMES", std::to_string(record.pictureCount)},
        {"Combine", "COMBINE", Method(s)},
        {"Kept frames", "KEPT", std::to_string(record.framesUsed)},
        {"Unsharp mask", "UNSHARP",
         s.unsharpOn ? "strength " + std::to_string(s.unsharpStrength) + ", " + KernelSize(record.kernels.unsharpMask())
                     : "off"},
        {"Deconvolution", "DECONV", s.deconvolutionOn ? Deconvolution(s, record.kernels.deconvolution()) : "off"},
        {"Convolution", "CONVOLVE", s.convolutionOn ? KernelSize(record.kernels.convolution()) : "off"},
    };
    if (!record.stoppedBy.empty()) {
        notes.push_back({"Stopped", "STOPPED",
                         record.stoppedBy + " after " + std::to_string(record.completedSteps) + " of " +
                             std::to_string(StepsAskedFor(s)) + " enhancement steps"});
    }
    return notes;
}

}  // namespace quivane
