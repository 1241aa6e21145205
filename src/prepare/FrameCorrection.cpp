#include "prepare/FrameCorrection.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "image/DeepConversion.h"
#include "image/PixelHelpers.h"

namespace quivane {
namespace {

constexpr int ShiftFixRotation = 255;

std::uint8_t Subtract(int value, int dark) { return static_cast<std::uint8_t>(ClampByte(value - dark)); }

std::uint8_t Flatten(int value, int mean, int flat)
{
    return static_cast<std::uint8_t>(ClampByte(static_cast<int>(static_cast<long long>(value) * mean / NonZero(flat))));
}

std::uint16_t SubtractDeep(int value, int dark) { return static_cast<std::uint16_t>(ClampWord(value - dark)); }

std::uint16_t FlattenDeep(int value, int mean, int flat)
{
    return static_cast<std::uint16_t>(
        std::min<std::int64_t>(65535, static_cast<std::int64_t>(value) * mean / NonZero(flat)));
}

void SubtractDeepDarkFromFlat(CorrectionState& correction)
{
    DeepFrame& flat = correction.deepFlat;
    const DeepFrame& dark = correction.deepDark;
    const int width = std::min(flat.width, dark.width), height = std::min(flat.height, dark.height);
    if (width <= 1 || height <= 1) return;  // the 8-bit side has switched every correction off
    for (int y = 0; y < height; ++y) {
        std::uint16_t* f = flat.row(y);
        const std::uint16_t* d = dark.row(y);
        for (std::size_t i = 0; i < static_cast<std::size_t>(width) * 3; ++i) f[i] = SubtractDeep(f[i], d[i]);
    }
}

void MeasureDeepFlatField(CorrectionState& correction)
{
    const DeepFrame& flat = correction.deepFlat;
    correction.deepFlatMean = {1, 1, 1};
    if (flat.width <= 1 || flat.height <= 1) return;
    std::int64_t sums[3] = {1, 1, 1};
    for (std::size_t i = 0; i < flat.samples.size(); ++i) sums[i % 3] += flat.samples[i];
    const std::int64_t pixels = static_cast<std::int64_t>(flat.width) * flat.height;
    for (int c = 0; c < 3; ++c) correction.deepFlatMean[static_cast<std::size_t>(c)] = static_cast<int>(sums[c] / pixels);
}

}  // namespace

void SetCorrectionFrame(CorrectionState& correction, CorrectionFlag kind, const DeepFrame& frame)
{
    DeepFrame colour = ToColour(frame);
    Bitmap24 eight = ToBitmap24(colour);
    if (frame.bits > 8) correction.deepFiles = true;
    if (kind == CorrectFlatField) {
        correction.flatField = std::move(eight);
        correction.deepFlat = std::move(colour);
    } else if (kind == CorrectDarkFrame) {
        correction.darkFrame = std::move(eight);
        correction.deepDark = std::move(colour);
    }
}

void SubtractDarkFromFlat(CorrectionState& correction)
{
    Bitmap24& flat = correction.flatField;
    const Bitmap24& dark = correction.darkFrame;
    const int width = std::min(flat.width(), dark.width());
    const int height = std::min(flat.height(), dark.height());
    if (width <= 1 || height <= 1) {
        correction.flags = 0;
        return;
    }
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            ColourPixel& f = flat.at(x, y);
            const ColourPixel d = dark.at(x, y);
            f = ColourPixel{Subtract(f.blue, d.blue), Subtract(f.green, d.green), Subtract(f.red, d.red)};
        }
}

void MeasureFlatField(CorrectionState& correction)
{
    const Bitmap24& flat = correction.flatField;
    correction.flatMean = {1, 1, 1};
    if (flat.width() <= 1 || flat.height() <= 1) return;
    // 64-bit sums: a frame of up to 16384 x 16384 pixels would overflow 32 bits.
    std::int64_t blue = 1, green = 1, red = 1;
    for (int y = 0; y < flat.height(); ++y)
        for (const ColourPixel* p = flat.row(y); p != flat.row(y) + flat.width(); ++p) {
            blue += p->blue;
            green += p->green;
            red += p->red;
        }
    const std::int64_t pixels = static_cast<std::int64_t>(flat.width()) * flat.height();
    correction.flatMean = {static_cast<int>(blue / pixels), static_cast<int>(green / pixels),
                           static_cast<int>(red / pixels)};
}

void CorrectFrame(const CorrectionState& correction, Bitmap24& frame)
{
    const bool dark = correction.flags & CorrectDarkFrame;
    const bool flat = correction.flags & CorrectFlatField;
    int lastX = frame.width() - 1, lastY = frame.height() - 1;
    if (dark) {
        lastX = std::min(lastX, correction.darkFrame.width() - 1);
        lastY = std::min(lastY, correction.darkFrame.height() - 1);
    }
    if (flat) {
        lastX = std::min(lastX, correction.flatField.width() - 1);
        lastY = std::min(lastY, correction.flatField.height() - 1);
    }
    const int shift = correction.flags & ShiftFixActive ? ShiftFixRotation : 0;
    if (lastX <= 0 || lastY <= 0) return;

    const auto& mean = correction.flatMean;  // blue, green, red
    std::vector<ColourPixel> corrected(static_cast<std::size_t>(lastX) + 1);
    for (int y = 0; y <= lastY; ++y) {
        ColourPixel* row = frame.row(y);
        // The whole row is computed from the unchanged row before it is written back.
        for (int x = 0; x <= lastX; ++x) {
            ColourPixel p = row[(x + shift) % frame.width()];
            if (dark) {
                const ColourPixel d = correction.darkFrame.at(x, y);
                p = ColourPixel{Subtract(p.blue, d.blue), Subtract(p.green, d.green), Subtract(p.red, d.red)};
            }
            if (flat) {
                const ColourPixel f = correction.flatField.at(x, y);
                p = ColourPixel{Flatten(p.blue, mean[0], f.blue), Flatten(p.green, mean[1], f.green),
                                Flatten(p.red, mean[2], f.red)};
            }
            corrected[static_cast<std::size_t>(x)] = p;
        }
        std::copy(corrected.begin(), corrected.end(), row);
    }
}

void FinishCorrection(CorrectionState& correction)
{
    if ((correction.flags & CorrectFlatField) && (correction.flags & CorrectDarkFrame)) {
        SubtractDarkFromFlat(correction);
        SubtractDeepDarkFromFlat(correction);
    }
    if (correction.flags & CorrectFlatField) {
        MeasureFlatField(correction);
        MeasureDeepFlatField(correction);
    }
}

void CorrectFrame(const CorrectionState& correction, DeepFrame& frame)
{
    const bool dark = correction.flags & CorrectDarkFrame;
    const bool flat = correction.flags & CorrectFlatField;
    int lastX = frame.width - 1, lastY = frame.height - 1;
    if (dark) {
        lastX = std::min(lastX, correction.deepDark.width - 1);
        lastY = std::min(lastY, correction.deepDark.height - 1);
    }
    if (flat) {
        lastX = std::min(lastX, correction.deepFlat.width - 1);
        lastY = std::min(lastY, correction.deepFlat.height - 1);
    }
    const int shift = correction.flags & ShiftFixActive ? ShiftFixRotation : 0;
    if (lastX <= 0 || lastY <= 0 || frame.channels != 3) return;

    const auto& mean = correction.deepFlatMean;
    std::vector<std::uint16_t> corrected((static_cast<std::size_t>(lastX) + 1) * 3);
    for (int y = 0; y <= lastY; ++y) {
        std::uint16_t* row = frame.row(y);
        for (int x = 0; x <= lastX; ++x) {
            const std::uint16_t* p = row + 3 * static_cast<std::size_t>((x + shift) % frame.width);
            for (std::size_t c = 0; c < 3; ++c) {
                int v = p[c];
                const std::size_t at = 3 * static_cast<std::size_t>(x) + c;
                if (dark) v = SubtractDeep(v, correction.deepDark.row(y)[at]);
                if (flat) v = FlattenDeep(v, mean[c], correction.deepFlat.row(y)[at]);
                corrected[at] = static_cast<std::uint16_t>(v);
            }
        }
        std::copy(corrected.begin(), corrected.end(), row);
    }
}

}  // namespace quivane
