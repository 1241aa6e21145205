#pragma once

#include <array>
#include <span>

#include "enhance/EnhancementStage.h"

namespace quivane {

// Every enhancement stage, in the order a calculation run applies them.
std::span<const EnhancementStage* const> EnhancementStages();

const EnhancementStage& StageOf(EnhancementStageId id);

// Each stage's settings, by stage.
class EnhancementSettings {
public:
    // Every stage off, its parameters at their start values.
    EnhancementSettings();

    StageSettings& operator[](EnhancementStageId id) { return stages_[static_cast<std::size_t>(id)]; }
    const StageSettings& operator[](EnhancementStageId id) const { return stages_[static_cast<std::size_t>(id)]; }

    friend bool operator==(const EnhancementSettings&, const EnhancementSettings&) = default;

private:
    std::array<StageSettings, EnhancementStageCount> stages_;
};

// The write-backs into the result the switched-on stages make between them.
int WriteBacksAskedFor(const EnhancementSettings& settings);

}  // namespace quivane
