#include "tone/RenderPicture.h"

#include <algorithm>
#include <vector>

#include "image/PixelHelpers.h"
#include "image/UnpackRow.h"
#include "tone/ToneCurves.h"

namespace quivane {
namespace {

// The luminance stages as one table: building it once per render keeps the
// per-pixel work to a lookup.
ToneTable LuminanceStages(int flags, const ToneSettings& tone)
{
    // The curves are computed only when asked for: the alignment search
    // renders a hundred times per picture without them.
    const bool biasGain = flags & FlagBiasGain;
    const ToneTable bias = biasGain ? BiasTable(tone.biasLevel) : ToneTable{};
    const ToneTable gain = biasGain ? GainTable(tone.gainLevel) : ToneTable{};
    ToneTable table{};
    for (int v = 0; v < 256; ++v) {
        int y = v;
        if (biasGain) y = bias[gain[static_cast<std::size_t>(y)]];
        if (flags & FlagLookupTable) y = LookUp(tone.lookupTable, y);
        if (flags & FlagMap0255) y = Map0255(y);
        table[static_cast<std::size_t>(v)] = static_cast<std::uint8_t>(y);
    }
    return table;
}

// What a mode shows of a pixel's colour.
ColourPixel Shown(ColourPixel colour, int mode)
{
    ColourPixel out = colour;
    switch (mode) {
    case ModeLuminance: GreyPixel(PixelLuminance(colour), out); break;
    case ModeHue: NormaliseChroma(colour, out); break;
    case ModeFullColour: break;
    case ModeSaturationLevel: {
        const int s = ClampByte(SaturationLevel(colour));
        const auto twice = static_cast<std::uint8_t>(ClampByte(2 * s));
        out = ColourPixel{static_cast<std::uint8_t>(s), twice, twice};
        break;
    }
    default: break;  // modes 4..15 show the colour unchanged
    }
    return out;
}

}  // namespace

void RenderPicture(const Picture& picture, Bitmap24& target, int startX, int startY, int flags,
                   const ToneSettings& tone)
{
    if (picture.bitmap.empty() || target.empty()) return;
    const Bitmap32& source = picture.bitmap;
    const Placement px = PlaceAxis(source.width(), target.width(), startX);
    const Placement py = PlaceAxis(source.height(), target.height(), startY);
    const ToneTable stages = LuminanceStages(flags, tone);
    const int mode = flags & ModeMask;

    // A row's pixels are gathered with their luminance staged, unpacked
    // together, and shown as the mode asks. Without stages, a row that lies
    // within the picture is unpacked where it is; a mode that shows the
    // colour unchanged has it unpacked into the target.
    bool staging = false;
    for (int v = 0; v < 256; ++v) staging = staging || stages[static_cast<std::size_t>(v)] != v;
    const int firstX = px.start + picture.dx;
    const bool gathered = staging || firstX < 0 || firstX + px.count > source.width();
    const bool unchanged = mode == ModeFullColour || mode > ModeSaturationLevel;
    thread_local std::vector<PicturePixel> staged;
    thread_local std::vector<ColourPixel> colours;
    staged.resize(static_cast<std::size_t>(std::max(px.count, 0)));
    colours.resize(staged.size());
    for (int y = 0; y < py.count; ++y) {
        const int sourceY = std::clamp(y + py.start + picture.dy, 0, source.height() - 1);
        const PicturePixel* sourceRow = source.row(sourceY);
        if (gathered) {
            for (int x = 0; x < px.count; ++x) {
                PicturePixel p = sourceRow[std::clamp(firstX + x, 0, source.width() - 1)];
                p.luminance = stages[p.luminance];
                staged[static_cast<std::size_t>(x)] = p;
            }
        }
        ColourPixel* targetRow = target.row(y + py.offset) + px.offset;
        UnpackRow(gathered ? staged.data() : sourceRow + firstX, px.count, tone.saturation,
                  unchanged ? targetRow : colours.data());
        if (!unchanged)
            for (int x = 0; x < px.count; ++x) targetRow[x] = Shown(colours[static_cast<std::size_t>(x)], mode);
    }
}

}  // namespace quivane
