#include "tone/DisplayNotes.h"

#include <cstdio>
#include <string>

#include "tone/RenderPicture.h"

namespace quivane {
namespace {

std::string Mode(int flags, int saturation)
{
    const std::string percent = ", saturation " + std::to_string(saturation) + "%";
    switch (flags & ModeMask) {
    case ModeLuminance: return "B&W (luminance)";
    case ModeHue: return "colour only (hue)" + percent;
    case ModeFullColour: return "full colour" + percent;
    case ModeSaturationLevel: return "saturation level" + percent;
    default: return "mode " + std::to_string(flags & ModeMask) + percent;
    }
}

std::string ClipFactors(const std::vector<ClaheStep>& steps)
{
    std::string text;
    for (const ClaheStep& step : steps) {
        char factor[32];
        std::snprintf(factor, sizeof factor, "%.1f", step.clipFactor);
        text += (text.empty() ? "clip factor " : ", then ") + std::string(factor);
        if (step.clipFactor < 1.0) text += " (no clipping)";
    }
    return text;
}

}  // namespace

PictureNotes DescribeDisplay(int flags, const ToneSettings& tone, const std::vector<ClaheStep>& equalisations)
{
    PictureNotes notes = {{"Display", "DISPLAY", Mode(flags, tone.saturation)}};
    if (!equalisations.empty()) notes.push_back({"CLAHE", "CLAHE", ClipFactors(equalisations)});
    if (flags & FlagBiasGain) {
        notes.push_back({"Bias/gain", "BIASGAIN",
                         "bias " + std::to_string(tone.biasLevel) + ", gain " + std::to_string(tone.gainLevel)});
    }
    if (flags & FlagLookupTable) notes.push_back({"Lookup table", "LUT", "on"});
    if (flags & FlagMap0255) notes.push_back({"Mapped to 15..240", "MAP0255", "on"});
    return notes;
}

}  // namespace quivane
