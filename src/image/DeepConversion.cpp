#include "image/DeepConversion.h"

namespace quivane {

Bitmap24 ToBitmap24(const DeepFrame& frame)
{
    Bitmap24 out(frame.width, frame.height);
    const bool grey = frame.channels == 1;
    for (int y = 0; y < frame.height; ++y) {
        const std::uint16_t* in = frame.row(y);
        ColourPixel* row = out.row(y);
        for (int x = 0; x < frame.width; ++x, in += frame.channels) {
            const auto top = [&](int c) { return static_cast<std::uint8_t>(in[grey ? 0 : c] >> 8); };
            row[x] = ColourPixel{top(2), top(1), top(0)};
        }
    }
    return out;
}

DeepFrame ToDeepFrame(const ColourRows& frame)
{
    DeepFrame out(frame.width(), frame.height(), 3);
    for (int y = 0; y < frame.height(); ++y) {
        const ColourPixel* in = frame.row(y);
        std::uint16_t* row = out.row(y);
        for (int x = 0; x < frame.width(); ++x, row += 3) {
            row[0] = static_cast<std::uint16_t>(in[x].red * 257);
            row[1] = static_cast<std::uint16_t>(in[x].green * 257);
            row[2] = static_cast<std::uint16_t>(in[x].blue * 257);
        }
    }
    return out;
}

DeepFrame ToColour(const DeepFrame& frame)
{
    if (frame.channels == 3) return frame;
    DeepFrame out(frame.width, frame.height, 3);
    out.bits = frame.bits;
    for (std::size_t i = 0; i < frame.samples.size(); ++i) {
        out.samples[3 * i] = out.samples[3 * i + 1] = out.samples[3 * i + 2] = frame.samples[i];
    }
    return out;
}

const DeepFrame& AsColour(const DeepFrame& frame, DeepFrame& widened)
{
    if (frame.channels == 3) return frame;
    widened = ToColour(frame);
    return widened;
}

}  // namespace quivane
