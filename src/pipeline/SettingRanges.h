#pragma once

#include "combine/CombineMethodList.h"
#include "image/SettingRange.h"
#include "tone/ToneSettings.h"

namespace quivane {

// Every setting's range, declared once for the window's controls and the
// command line's checks: the preparation's here, the combine parameter's and
// the tone settings' beside their stages.
constexpr SettingRange WorkingWidthRange{64, 768, 64, 192};
constexpr SettingRange EnlargementRange{1, 6, 1, 2};

}  // namespace quivane
