#include "pipeline/RunNotes.h"

#include <string>

namespace quivane {

PictureNotes DescribeRun(const CalculationRecord& record, int loadedPictures)
{
    if (!record.valid) {
        return {{"Frames", "FRAMES", std::to_string(loadedPictures)},
                {"Combine", "COMBINE", "none: the first picture as loaded"}};
    }
    const CalculationSettings& s = record.settings;
    PictureNotes notes = {
        {"Frames", "FRAMES", std::to_string(record.pictureCount)},
        {"Combine", "COMBINE", DeclarationOf(s.combineMethod).describe(s.combineParameter)},
        {"Kept frames", "KEPT", std::to_string(record.framesUsed)},
    };
    for (const EnhancementStage* stage : EnhancementStages()) {
        const StageSettings& settings = s.enhancement[stage->id];
        notes.push_back({std::string(stage->title), std::string(stage->noteKey),
                         settings.on ? stage->describe(settings, record.kernels.byKind[stage->kernel]) : "off"});
    }
    if (!record.stoppedBy.empty()) {
        notes.push_back({"Stopped", "STOPPED",
                         record.stoppedBy + " after " + std::to_string(record.completedSteps) + " of " +
                             std::to_string(WriteBacksAskedFor(s.enhancement)) + " enhancement steps"});
    }
    return notes;
}

}  // namespace quivane
