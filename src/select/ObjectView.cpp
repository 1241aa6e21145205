#include "select/ObjectView.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <type_traits>

#include "image/LuminanceRow.h"
#include "image/PixelHelpers.h"

namespace quivane {
namespace {

// Divided rather than multiplied by the reciprocal, so that 8-bit data
// widened by 257 comes back exactly.
constexpr float DeepPerByte = 257.0f;

// Each kind of frame reads a run of a row as levels on the 8-bit scale.
template <class Frame>
struct RowPixels {
    using Pixel = RowPixel<Frame>;
    const Frame& frame;
    int width() const { return frame.width(); }
    int height() const { return frame.height(); }
    void read(int x, int y, int count, float* out) const
    {
        const Pixel* row = frame.row(y) + x;
        if constexpr (std::is_same_v<Pixel, ColourPixel>) {
            // The border's columns come a pixel at a time.
            if (count == 1) {
                out[0] = static_cast<float>(PixelLuminance(row[0]));
                return;
            }
            // Luminance bytes a piece at a time, many pixels at once.
            constexpr int Piece = 256;
            std::array<std::uint8_t, Piece> levels;
            for (int start = 0; start < count; start += Piece) {
                const int n = std::min(Piece, count - start);
                LuminanceRow(row + start, n, levels.data());
                for (int i = 0; i < n; ++i) out[start + i] = static_cast<float>(levels[static_cast<std::size_t>(i)]);
            }
        } else {
            for (int i = 0; i < count; ++i) out[i] = static_cast<float>(row[i]);
        }
    }
};

struct DeepPixels {
    const DeepFrame& frame;
    int width() const { return frame.width; }
    int height() const { return frame.height; }
    void read(int x, int y, int count, float* out) const
    {
        const std::uint16_t* row = frame.row(y);
        if (frame.channels == 1) {
            for (int i = 0; i < count; ++i) out[i] = static_cast<float>(row[x + i]) / DeepPerByte;
            return;
        }
        const std::uint16_t* rgb = row + 3 * static_cast<std::size_t>(x);
        for (int i = 0; i < count; ++i, rgb += 3)
            out[i] = static_cast<float>(Luminance(rgb[0], rgb[1], rgb[2])) / DeepPerByte;
    }
};

// The window's corner keeps it inside the frame where the frame allows, so a
// centre near an edge still gets a full-sized window.
int WindowStart(double centre, int side, int frameSide)
{
    const int start = static_cast<int>(std::lround(centre)) - side / 2;
    return std::clamp(start, 0, std::max(0, frameSide - side));
}

template <class Pixels>
ObjectView View(const Pixels& pixels, double centreX, double centreY, float threshold, int side)
{
    ObjectView view;
    view.threshold = threshold;
    view.centreX = centreX;
    view.centreY = centreY;
    view.frameWidth = pixels.width();
    view.frameHeight = pixels.height();
    if (pixels.width() <= 0 || pixels.height() <= 0) return view;

    LumaPlane& w = view.window;
    w.width = std::min(std::max(1, side), pixels.width());
    w.height = std::min(std::max(1, side), pixels.height());
    w.left = WindowStart(centreX, w.width, pixels.width());
    w.top = WindowStart(centreY, w.height, pixels.height());
    w.levels.resize(static_cast<std::size_t>(w.width) * static_cast<std::size_t>(w.height));
    for (int y = 0; y < w.height; ++y)
        pixels.read(w.left, w.top + y, w.width, &w.levels[static_cast<std::size_t>(y) * static_cast<std::size_t>(w.width)]);

    const int width = pixels.width(), height = pixels.height();
    view.border.resize(2 * static_cast<std::size_t>(width + height));
    float* border = view.border.data();
    pixels.read(0, 0, width, border);
    pixels.read(0, height - 1, width, border + width);
    for (int y = 0; y < height; ++y) {
        pixels.read(0, y, 1, border + 2 * width + y);
        pixels.read(width - 1, y, 1, border + 2 * width + height + y);
    }
    return view;
}

}  // namespace

ObjectSurvey AtFrameMiddle(ObjectSurvey survey, int width, int height)
{
    survey.frame.centreX = width / 2;
    survey.frame.centreY = height / 2;
    return survey;
}

ObjectView ViewObject(const ColourRows& frame, const ObjectSurvey& survey, int side)
{
    return View(RowPixels<ColourRows>{frame}, survey.frame.centreX, survey.frame.centreY,
                static_cast<float>(survey.threshold), side);
}

ObjectView ViewObject(const GreyRows& frame, const ObjectSurvey& survey, int side)
{
    return View(RowPixels<GreyRows>{frame}, survey.frame.centreX, survey.frame.centreY,
                static_cast<float>(survey.threshold), side);
}

ObjectView ViewObject(const DeepFrame& frame, const ObjectSurvey& survey, int side)
{
    // The threshold was found on the frame's own range stretched onto 0..255.
    const double low = survey.frame.minimum, high = std::max(survey.frame.maximum, survey.frame.minimum);
    const double threshold = low + survey.threshold * (high - low) / 255.0;
    return View(DeepPixels{frame}, survey.frame.centreX, survey.frame.centreY,
                static_cast<float>(threshold / DeepPerByte), side);
}

}  // namespace quivane
