#pragma once

#include "tone/ToneCurves.h"

namespace quivane {

// The display's tone state: what the result box and saved files show.
struct ToneSettings {
    int biasLevel = 128;
    int gainLevel = 128;
    int saturation = 100;  // percent, 0..400
    // Before any table is loaded, switching the table on shows a negative.
    ToneTable lookupTable = NegativeLookupTable();
    // CLAHE's clip factor; 0 means plain adaptive equalisation.
    double clipFactor = 2.0;
};

}  // namespace quivane
