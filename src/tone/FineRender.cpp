#include "tone/FineRender.h"

#include <algorithm>

#include "image/Placement.h"
#include "tone/Clahe.h"
#include "tone/FineToneCurves.h"
#include "tone/RenderPicture.h"

namespace quivane {
namespace {

double ClampLevel(double v) { return v > 255.0 ? 255.0 : (v > 0.0 ? v : 0.0); }

// A level the described helpers would truncate to 0 and then take as 1.
double AtLeastOne(double v) { return v < 1.0 ? 1.0 : v; }

struct Colour {
    double blue, green, red;
};

double Luminance(double red, double green, double blue) { return (64.0 * red + 160.0 * green + 32.0 * blue) / 256.0; }

// UnpackPixel without truncation.
Colour Unpack(const FinePixel& p, double luminance, int saturation)
{
    const double lum = AtLeastOne(Luminance(p.chromaRed, p.chromaGreen, p.chromaBlue));
    auto channel = [&](double c) {
        const double saturated = ClampLevel(lum + (c - lum) * saturation / 100.0);
        return ClampLevel(saturated * luminance / lum);
    };
    return Colour{channel(p.chromaBlue), channel(p.chromaGreen), channel(p.chromaRed)};
}

// NormaliseChroma without truncation: the largest channel becomes 255.
Colour Normalise(const Colour& c)
{
    const double m = std::max({c.blue, c.green, c.red});
    if (m <= 3.0) return Colour{255, 255, 255};
    return Colour{c.blue * 255.0 / m, c.green * 255.0 / m, c.red * 255.0 / m};
}

double SaturationLevel(const Colour& c)
{
    const double lo = AtLeastOne(std::min({c.blue, c.green, c.red}));
    const double hi = AtLeastOne(std::max({c.blue, c.green, c.red}));
    return 255.0 - lo * 255.0 / hi;
}

double ToneStages(double y, int flags, const ToneSettings& tone)
{
    if (flags & FlagBiasGain) y = BiasCurveFine(GainCurveFine(y, tone.gainLevel), tone.biasLevel);
    if (flags & FlagLookupTable) y = LookUpFine(tone.lookupTable, y);
    if (flags & FlagMap0255) y = Map0255Fine(y);
    return y;
}

void Put(LevelPicture& out, int x, int y, const Colour& c)
{
    out.at(x, y, 0) = static_cast<float>(c.red);
    out.at(x, y, 1) = static_cast<float>(c.green);
    out.at(x, y, 2) = static_cast<float>(c.blue);
}

}  // namespace

LevelPicture RenderFine(const FinePicture& picture, int dx, int dy, int width, int height, int flags,
                        const ToneSettings& tone)
{
    const int mode = flags & ModeMask;
    LevelPicture out(width, height, mode == ModeLuminance ? 1 : 3);
    if (picture.empty() || width <= 0 || height <= 0) return out;
    const Placement px = PlaceAxis(picture.width(), width, -1);
    const Placement py = PlaceAxis(picture.height(), height, -1);
    for (int y = 0; y < py.count; ++y) {
        const FinePixel* row = picture.row(std::clamp(y + py.start + dy, 0, picture.height() - 1));
        for (int x = 0; x < px.count; ++x) {
            const FinePixel& p = row[std::clamp(x + px.start + dx, 0, picture.width() - 1)];
            const Colour u = Unpack(p, ToneStages(p.luminance, flags, tone), tone.saturation);
            const int tx = x + px.offset, ty = y + py.offset;
            switch (mode) {
            case ModeLuminance: out.at(tx, ty) = static_cast<float>(Luminance(u.red, u.green, u.blue)); break;
            case ModeHue: Put(out, tx, ty, Normalise(u)); break;
            case ModeSaturationLevel: {
                const double s = SaturationLevel(u);
                const double twice = std::min(255.0, 2.0 * s);
                Put(out, tx, ty, Colour{s, twice, twice});
                break;
            }
            default: Put(out, tx, ty, u); break;  // full colour; modes 4..15 show the colour too
            }
        }
    }
    return out;
}

std::optional<LevelPicture> RenderGained(const Bitmap24& shown, const FinePicture& fromFractions,
                                         const FinePicture& fromBytes, const Picture& runResult,
                                         const std::vector<ClaheStep>& steps, const Picture& current, int flags,
                                         const ToneSettings& tone)
{
    if (fromFractions.empty() || fromFractions.width() != fromBytes.width() ||
        fromFractions.height() != fromBytes.height()) {
        return std::nullopt;
    }
    FinePicture withFractions = fromFractions;
    FinePicture withoutFractions = fromBytes;
    Picture bytes = runResult;
    for (const ClaheStep& step : steps) {
        bytes.dx = step.dx;
        bytes.dy = step.dy;
        ApplyClaheFine(bytes, withFractions, step.clipFactor);
        ApplyClaheFine(bytes, withoutFractions, step.clipFactor);
        ApplyClahe(bytes, step.clipFactor);
    }
    if (bytes.bitmap != current.bitmap) return std::nullopt;

    const int width = shown.width(), height = shown.height();
    const LevelPicture gained = RenderFine(withFractions, current.dx, current.dy, width, height, flags, tone);
    const LevelPicture base = RenderFine(withoutFractions, current.dx, current.dy, width, height, flags, tone);
    LevelPicture out = LevelsOf(shown, gained.channels == 1);
    for (std::size_t i = 0; i < out.levels.size(); ++i) {
        const float v = out.levels[i] + (gained.levels[i] - base.levels[i]);
        out.levels[i] = v > 255.0f ? 255.0f : (v > 0.0f ? v : 0.0f);
    }
    return out;
}

}  // namespace quivane
