#pragma once

#include "combine/CombineMethodList.h"
#include "image/SettingRange.h"

namespace quivane {

// The ranges of the settings outside the stage list, declared once for the
// window's controls and the command line's checks.
constexpr SettingRange WorkingWidthRange{64, 768, 64, 192};
constexpr SettingRange EnlargementRange{1, 6, 1, 2};
constexpr SettingRange CombineParameterRange{CombineParameterMinimum, CombineParameterMaximum, CombineParameterStep,
                                             0};
constexpr SettingRange DisplayModeRange{0, 3, 1, 0};
// The window's bar moves five at a time; any whole percent is a setting.
constexpr SettingRange SaturationRange{0, 400, 1, 100};
constexpr SettingRange ClaheClipRange{0, 16, 1, 2};
constexpr SettingRange BiasGainRange{2, 254, 2, 128};

}  // namespace quivane
