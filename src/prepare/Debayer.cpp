#include "prepare/Debayer.h"

#include <cstdlib>

namespace quivane {
namespace {

enum Colour { Red = 0, Green = 1, Blue = 2 };

// The colour of the sample at (x, y) for each pattern, from its cell position.
Colour SiteColour(Mosaic pattern, int x, int y)
{
    static const Colour cells[4][4] = {
        {Red, Green, Green, Blue},   // RGGB
        {Green, Red, Blue, Green},   // GRBG
        {Green, Blue, Red, Green},   // GBRG
        {Blue, Green, Green, Red},   // BGGR
    };
    return cells[static_cast<int>(pattern) - 1][(y & 1) * 2 + (x & 1)];
}

// Samples of the mosaic with mirrored borders: -1 reads 1, width reads
// width - 2, so a sample read outside has the colour of the site it stands for.
class Mirrored {
public:
    explicit Mirrored(const DeepFrame& f) : f_(f) {}
    int operator()(int x, int y) const { return f_.at(Fold(x, f_.width), Fold(y, f_.height)); }

private:
    static int Fold(int i, int n)
    {
        if (n == 1) return 0;
        if (i < 0) return -i;
        if (i >= n) return 2 * (n - 1) - i;
        return i;
    }
    const DeepFrame& f_;
};

int GreenAt(const Mirrored& s, int x, int y)
{
    const int left = s(x - 1, y), right = s(x + 1, y), up = s(x, y - 1), down = s(x, y + 1);
    const int across = std::abs(left - right), along = std::abs(up - down);
    if (across < along) return (left + right + 1) / 2;
    if (along < across) return (up + down + 1) / 2;
    return (left + right + up + down + 2) / 4;
}

}  // namespace

Mosaic ChosenMosaic(BayerChoice choice, Mosaic fromFile)
{
    switch (choice) {
    case BayerChoice::Auto: return fromFile;
    case BayerChoice::None: return Mosaic::None;
    case BayerChoice::RGGB: return Mosaic::RGGB;
    case BayerChoice::GRBG: return Mosaic::GRBG;
    case BayerChoice::GBRG: return Mosaic::GBRG;
    case BayerChoice::BGGR: return Mosaic::BGGR;
    }
    return fromFile;
}

DeepFrame Debayer(const DeepFrame& mosaic, Mosaic pattern)
{
    if (mosaic.channels != 1 || pattern == Mosaic::None) return mosaic;
    DeepFrame colour(mosaic.width, mosaic.height, 3);
    colour.bits = mosaic.bits;
    const Mirrored s(mosaic);
    for (int y = 0; y < mosaic.height; ++y) {
        std::uint16_t* out = colour.row(y);
        for (int x = 0; x < mosaic.width; ++x, out += 3) {
            const int own = s(x, y);
            int rgb[3] = {own, own, own};
            if (SiteColour(pattern, x, y) == Green) {
                // Red and blue lie either left and right or above and below.
                const int across = (s(x - 1, y) + s(x + 1, y) + 1) / 2;
                const int along = (s(x, y - 1) + s(x, y + 1) + 1) / 2;
                const bool redAcross = SiteColour(pattern, x + 1, y) == Red;
                rgb[Red] = redAcross ? across : along;
                rgb[Blue] = redAcross ? along : across;
            } else {
                const int diagonal = (s(x - 1, y - 1) + s(x + 1, y - 1) + s(x - 1, y + 1) + s(x + 1, y + 1) + 2) / 4;
                const bool red = SiteColour(pattern, x, y) == Red;
                rgb[Red] = red ? own : diagonal;
                rgb[Blue] = red ? diagonal : own;
                rgb[Green] = GreenAt(s, x, y);
            }
            for (int c = 0; c < 3; ++c) out[c] = static_cast<std::uint16_t>(rgb[c]);
        }
    }
    return colour;
}

}  // namespace quivane
