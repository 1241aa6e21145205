#include "enhance/EnhancementStages.h"

#include "enhance/Convolution.h"
#include "enhance/Deconvolution.h"
#include "enhance/UnsharpMask.h"

namespace quivane {
namespace {

// The one place the order of the stages is written.
constexpr const EnhancementStage* Order[] = {&UnsharpMaskStage, &DeconvolutionStage, &ConvolutionStage};
static_assert(std::size(Order) == EnhancementStageCount);

}  // namespace

std::span<const EnhancementStage* const> EnhancementStages() { return Order; }

const EnhancementStage& StageOf(EnhancementStageId id)
{
    for (const EnhancementStage* stage : Order)
        if (stage->id == id) return *stage;
    return *Order[0];
}

EnhancementSettings::EnhancementSettings()
{
    for (const EnhancementStage* stage : Order) {
        StageSettings& s = (*this)[stage->id];
        for (std::size_t i = 0; i < stage->parameters.size(); ++i) s.values[i] = stage->parameters[i].range.start;
    }
}

int WriteBacksAskedFor(const EnhancementSettings& settings)
{
    int total = 0;
    for (const EnhancementStage* stage : Order)
        if (settings[stage->id].on) total += stage->writeBacks(settings[stage->id]);
    return total;
}

}  // namespace quivane
