#pragma once

#include "image/SettingRange.h"
#include "tone/ToneCurves.h"

namespace quivane {

// The tone settings' values, declared once for the window's controls and the
// command line's checks; each start is the setting's default.
constexpr SettingRange DisplayModeRange{0, 3, 1, 0};
// The window's bar moves five at a time; any whole percent is a setting.
constexpr SettingRange SaturationRange{0, 400, 1, 100};
constexpr SettingRange ClaheClipRange{0, 16, 1, 2};
constexpr SettingRange BiasGainRange{2, 254, 2, 128};

// The display's tone state: what the result box and saved files show.
struct ToneSettings {
    int biasLevel = BiasGainRange.start;
    int gainLevel = BiasGainRange.start;
    int saturation = SaturationRange.start;  // percent
    // Before any table is loaded, switching the table on shows a negative.
    ToneTable lookupTable = NegativeLookupTable();
    // CLAHE's clip factor; 0 means plain adaptive equalisation.
    double clipFactor = ClaheClipRange.start;
};

}  // namespace quivane
