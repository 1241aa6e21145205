// Rendering's tone stages and display modes against a per-pixel twin written
// from the formulas alone. The stage folds the curves into one table per
// render and shares the pixel helpers with the rest of the program; the twin
// recomputes everything for every pixel, so a fault in the table or in a
// shared helper shows up as a difference.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "tone/RenderPicture.h"

namespace quivane {
namespace {

// ---- the twin ---------------------------------------------------------------

int Clamp255(int v) { return std::min(255, std::max(0, v)); }

int RoundHalfEvenToByte(double v)
{
    const double below = std::floor(v);
    const double fraction = v - below;
    double rounded = below;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(below, 2.0) != 0.0)) rounded = below + 1;
    return static_cast<int>(std::clamp(rounded, 0.0, 255.0));
}

// Contrast about the middle; 128 is the identity level.
int TwinGain(int a, int level)
{
    const double d = (256.0 / (256 - level) - 2.0) * (1.0 - a / 128.0);
    if (a < 128) return RoundHalfEvenToByte(a / (d + 1.0));
    return RoundHalfEvenToByte((256.0 * d - a) / (d - 1.0));
}

// Darkens below level 128, lightens above.
int TwinBias(int a, int level)
{
    const double x = (256.0 / level - 2.0) * (1.0 - a / 256.0);
    return RoundHalfEvenToByte(a / (x + 1.0));
}

int TwinToneStages(int y, int flags, const ToneSettings& tone)
{
    if (flags & FlagBiasGain) y = TwinBias(TwinGain(y, tone.gainLevel), tone.biasLevel);
    if (flags & FlagLookupTable) y = tone.lookupTable[static_cast<std::size_t>(y)];
    if (flags & FlagMap0255) y = y * 225 / 255 + 15;
    return y;
}

// Weights 1/4 red, 5/8 green, 1/8 blue, truncated.
int TwinLuminance(int red, int green, int blue) { return (64 * red + 160 * green + 32 * blue) / 256; }

ColourPixel Colour(int blue, int green, int red)
{
    return ColourPixel{static_cast<std::uint8_t>(blue), static_cast<std::uint8_t>(green),
                       static_cast<std::uint8_t>(red)};
}

ColourPixel TwinDisplay(PicturePixel p, int luminance, int mode, int saturation)
{
    // The chroma's own luminance scales the colour to the stored one; a black
    // chroma divides by one instead of zero.
    const int chromaLuminance = std::max(1, TwinLuminance(p.chromaRed, p.chromaGreen, p.chromaBlue));
    auto channel = [&](int c) {
        const int saturated = Clamp255(chromaLuminance + (c - chromaLuminance) * saturation / 100);
        return Clamp255(saturated * luminance / chromaLuminance);
    };
    const int blue = channel(p.chromaBlue), green = channel(p.chromaGreen), red = channel(p.chromaRed);

    switch (mode) {
    case ModeLuminance: {
        const int grey = TwinLuminance(red, green, blue);
        return Colour(grey, grey, grey);
    }
    case ModeHue: {
        const int top = std::max({blue, green, red});
        if (top <= 3) return Colour(255, 255, 255);
        if (top == 255) return Colour(blue, green, red);
        const int k = 65280 / top;
        return Colour(std::min(255, blue * k / 256), std::min(255, green * k / 256), std::min(255, red * k / 256));
    }
    case ModeSaturationLevel: {
        const int lo = std::max(1, std::min({blue, green, red}));
        const int hi = std::max(1, std::max({blue, green, red}));
        const int level = Clamp255(255 - lo * 255 / hi);
        return Colour(level, Clamp255(2 * level), Clamp255(2 * level));
    }
    default:
        return Colour(blue, green, red);
    }
}

// ---- inputs -----------------------------------------------------------------

std::uint8_t RandomByte(std::mt19937& rng)
{
    return static_cast<std::uint8_t>(std::uniform_int_distribution<int>(0, 255)(rng));
}

// Every luminance 0..255 across each row, on chromas at the edges of the
// helpers' ranges (black, near-black around the cut-off 3, white, primaries,
// a largest channel of 254 or 255) and on random ones.
Picture RampPicture(std::mt19937& rng)
{
    const std::vector<std::array<int, 3>> chromas{{0, 0, 0},       {1, 0, 0},       {3, 3, 3},     {4, 4, 4},
                                                  {255, 255, 255}, {254, 254, 254}, {0, 0, 255},   {0, 255, 0},
                                                  {255, 0, 0},     {255, 254, 0},   {128, 255, 40}};
    const int rows = static_cast<int>(chromas.size()) + 3;
    Picture picture;
    PreparePictureBitmap(picture, 256, rows);
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < 256; ++x) {
            PicturePixel& p = picture.bitmap.at(x, y);
            if (y < static_cast<int>(chromas.size())) {
                const auto& c = chromas[static_cast<std::size_t>(y)];
                p = PicturePixel{static_cast<std::uint8_t>(c[0]), static_cast<std::uint8_t>(c[1]),
                                 static_cast<std::uint8_t>(c[2]), 0};
            } else {
                p = PicturePixel{RandomByte(rng), RandomByte(rng), RandomByte(rng), 0};
            }
            p.luminance = static_cast<std::uint8_t>(x);
        }
    }
    return picture;
}

Picture RandomPicture(std::mt19937& rng, int width, int height)
{
    Picture picture;
    PreparePictureBitmap(picture, width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.bitmap.at(x, y) = PicturePixel{RandomByte(rng), RandomByte(rng), RandomByte(rng), RandomByte(rng)};
    return picture;
}

std::vector<ToneSettings> ToneCases(std::mt19937& rng)
{
    std::vector<std::array<int, 2>> levels;
    for (int bias : {2, 128, 254})
        for (int gain : {2, 128, 254}) levels.push_back({bias, gain});
    std::uniform_int_distribution<int> level(2, 254);
    for (int i = 0; i < 6; ++i) levels.push_back({level(rng), level(rng)});
    levels.push_back({64, 192});  // gain 192 sends 64 to exactly 32 through d + 1 = 2

    std::vector<ToneSettings> cases;
    for (const auto& [bias, gain] : levels) {
        ToneSettings tone;
        tone.biasLevel = bias;
        tone.gainLevel = gain;
        // The start-up negative table in one case, random tables elsewhere.
        if (!cases.empty())
            for (std::uint8_t& entry : tone.lookupTable) entry = RandomByte(rng);
        cases.push_back(tone);
    }
    return cases;
}

// ---- comparison -------------------------------------------------------------

std::string FlagNames(int flags)
{
    std::string s = "mode " + std::to_string(flags & ModeMask);
    if (flags & FlagBiasGain) s += " | bias-gain";
    if (flags & FlagLookupTable) s += " | table";
    if (flags & FlagMap0255) s += " | 15..240";
    return s;
}

void ExpectRenderMatchesTwin(const Picture& original, int flags, const ToneSettings& tone, int& cases)
{
    Picture picture = original;
    Bitmap24 target(picture.bitmap.width(), picture.bitmap.height());
    RenderPicture(picture, target, -1, -1, flags, tone);
    ++cases;

    int differing = 0;
    std::ostringstream first;
    for (int y = 0; y < target.height(); ++y) {
        for (int x = 0; x < target.width(); ++x) {
            const PicturePixel p = original.bitmap.at(x, y);
            const int luminance = TwinToneStages(p.luminance, flags, tone);
            const ColourPixel expected = TwinDisplay(p, luminance, flags & ModeMask, tone.saturation);
            const ColourPixel actual = target.at(x, y);
            if (actual != expected && differing++ == 0) {
                first << "first at (" << x << ", " << y << "), pixel chroma b/g/r " << int{p.chromaBlue} << "/"
                      << int{p.chromaGreen} << "/" << int{p.chromaRed} << " luminance " << int{p.luminance}
                      << " -> tone stages " << luminance << "; stage b/g/r " << int{actual.blue} << "/"
                      << int{actual.green} << "/" << int{actual.red} << ", twin " << int{expected.blue} << "/"
                      << int{expected.green} << "/" << int{expected.red};
            }
        }
    }
    EXPECT_EQ(differing, 0) << FlagNames(flags) << ", saturation " << tone.saturation << ", bias " << tone.biasLevel
                            << ", gain " << tone.gainLevel << ": " << differing << " pixels differ; " << first.str();
}

// Each switch combination on its own, so a failure names the stages involved.
class ToneTableTwin : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(ToneTableTwin, RenderMatchesThePerPixelTwin)
{
    const auto [switches, mode] = GetParam();
    const int flags = mode | ((switches & 1) ? FlagBiasGain : 0) | ((switches & 2) ? FlagLookupTable : 0) |
                      ((switches & 4) ? FlagMap0255 : 0);
    std::mt19937 rng(static_cast<unsigned>(1000 + flags));
    int cases = 0;
    for (ToneSettings tone : ToneCases(rng)) {
        const Picture ramp = RampPicture(rng);
        const Picture random = RandomPicture(rng, 24, 16);
        for (int saturation : {0, 1, 55, 100, 101, 250, 400}) {
            tone.saturation = saturation;
            ExpectRenderMatchesTwin(ramp, flags, tone, cases);
            ExpectRenderMatchesTwin(random, flags, tone, cases);
        }
    }
    RecordProperty("renders", cases);
}

INSTANTIATE_TEST_SUITE_P(AllSwitchesAndModes, ToneTableTwin,
                         ::testing::Combine(::testing::Range(0, 8), ::testing::Range(0, 4)),
                         [](const ::testing::TestParamInfo<std::tuple<int, int>>& info) {
                             const int switches = std::get<0>(info.param);
                             return "Mode" + std::to_string(std::get<1>(info.param)) +
                                    ((switches & 1) ? "_BiasGain" : "") + ((switches & 2) ? "_Table" : "") +
                                    ((switches & 4) ? "_Map0255" : "");
                         });

}  // namespace
}  // namespace quivane
