#include "tone/Clahe.h"

#include <array>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "tone/ClaheOnBytes.h"

namespace quivane {
namespace {

constexpr std::size_t Bin(int v) { return static_cast<std::size_t>(v); }

// Values come from luminance bytes, but a plane handed in directly may hold
// anything; an index outside the tables must fail, not read stray memory.
inline int CheckedLevel(int v)
{
    if (static_cast<unsigned>(v) > 255u) throw RangeCheckError();
    return v;
}

// Round half to even, clamped in floating point first so that a huge or
// non-finite product never reaches an undefined float-to-int conversion.
int RoundClamped(double v, int lo, int hi)
{
    const double rounded = std::nearbyint(v);
    if (!(rounded >= lo)) return lo;
    if (rounded >= hi) return hi;
    return static_cast<int>(rounded);
}

void CheckArea(int xStart, int yStart, int columns, int rows)
{
    if (xStart < 0 || yStart < 0 || columns < 0 || rows < 0 || xStart > ScratchColumns - columns ||
        yStart > ScratchRows - rows) {
        throw RangeCheckError();
    }
}

// Sub-region u (0..nr) along one axis. The half-size ones at both borders
// take a single region on that axis, so the picture's rim is never blended
// with anything beyond it.
struct SubRegion {
    int size;
    int before;  // region above / to the left
    int after;   // region below / to the right
};

SubRegion SubRegionAt(int u, int nr, int regionSize)
{
    if (u == 0) return {regionSize / 2, 0, 0};
    if (u == nr) return {regionSize / 2, nr - 1, nr - 1};
    return {regionSize, u - 1, u};
}

}  // namespace

int ClaheClipLimit(double clipFactor, int nrPixels)
{
    if (!(clipFactor >= 1.0)) return ClaheNoClipLimit;
    return RoundClamped(clipFactor * (nrPixels / 256), 0, 65535);
}

void MakeHistogram(const Plane& source, int rx, int ry, int xSize, int ySize, Histogram& histogram)
{
    ClearHistogram(histogram);
    const long long x0 = static_cast<long long>(rx) * xSize;
    const long long y0 = static_cast<long long>(ry) * ySize;
    if (x0 < 0 || y0 < 0 || x0 > ScratchColumns || y0 > ScratchRows) throw RangeCheckError();
    CheckArea(static_cast<int>(x0), static_cast<int>(y0), xSize, ySize);
    for (int y = 0; y < ySize; ++y) {
        const std::int16_t* samples = source.row(static_cast<int>(y0) + y) + x0;
        for (int x = 0; x < xSize; ++x) {
            std::uint16_t& count = histogram[Bin(CheckedLevel(samples[x]))];
            if (count == 65535) throw RangeCheckError();
            ++count;
        }
    }
}

void ClipHistogram(Histogram& histogram, int clipLimit)
{
    if (clipLimit < 0 || clipLimit > 65535) throw RangeCheckError();

    // At most 256 * 65535, so a signed 32-bit count suffices; signed so that
    // the spreading below simply does not run should it fall to zero or less.
    int excess = 0;
    for (const std::uint16_t count : histogram) excess += ClampWord(count - clipLimit);

    const int increment = excess / 256;
    const int upper = clipLimit - increment;
    for (std::uint16_t& count : histogram) {
        if (count > clipLimit) {
            count = static_cast<std::uint16_t>(clipLimit);
        } else if (count > upper) {
            // Charged by the distance above `upper`, not by what the bin
            // received; so the clipped total need not equal the region's
            // pixel count, which MapHistogram allows for.
            excess -= count - upper;
            count = static_cast<std::uint16_t>(clipLimit);
        } else {
            excess -= increment;
            count = static_cast<std::uint16_t>(count + increment);  // count <= upper, so stays <= clipLimit
        }
    }

    // Hand out what is left one count at a time, spread evenly over the range
    // and starting one bin further on each pass, so no level is favoured.
    for (int start = 0; excess > 0 && start < 256; ++start) {
        const int step = NonZero(256 / excess);
        for (int i = start; i < 256 && excess > 0; i += step) {
            std::uint16_t& count = histogram[Bin(i)];
            if (count < clipLimit) {
                ++count;
                --excess;
            }
        }
    }
}

void MapHistogram(Histogram& histogram, int nrPixels)
{
    if (nrPixels <= 0) throw RangeCheckError();
    const double scale = 255.0 / nrPixels;
    int sum = 0;
    for (std::uint16_t& count : histogram) {
        sum += count;
        // The clipped histogram need not add up to nrPixels, hence the clamp.
        count = static_cast<std::uint16_t>(RoundClamped(sum * scale, 0, 255));
    }
}

void InterpolateRegion(const Plane& source, Plane& destination, const Histogram& lu, const Histogram& ru,
                       const Histogram& lb, const Histogram& rb, int xStart, int yStart, int subX, int subY)
{
    CheckArea(xStart, yStart, subX, subY);
    if (subX == 0 || subY == 0) return;

    // The four mappings side by side, so each pixel reads one contiguous entry.
    std::array<std::array<std::int64_t, 4>, 256> table;
    for (std::size_t v = 0; v < 256; ++v) table[v] = {lu[v], ru[v], lb[v], rb[v]};

    const std::int64_t area = static_cast<std::int64_t>(subX) * subY;
    for (int y = 0; y < subY; ++y) {
        const std::int64_t ya = subY - y;
        const std::int16_t* in = source.row(yStart + y) + xStart;
        std::int16_t* out = destination.row(yStart + y) + xStart;
        for (int x = 0; x < subX; ++x) {
            const std::array<std::int64_t, 4>& m = table[Bin(CheckedLevel(in[x]))];
            const std::int64_t xa = subX - x;
            // Mappings from MapHistogram are bytes and never come close; the
            // checks only guard against arbitrary tables handed in directly.
            const std::int64_t sum = ya * (xa * m[0] + x * m[1]) + y * (xa * m[2] + x * m[3]);
            if (sum > INT32_MAX) throw IntegerOverflowError();
            const std::int64_t value = sum / area;
            if (value > 32767) throw RangeCheckError();
            out[x] = static_cast<std::int16_t>(value);
        }
    }
}

std::vector<ClaheTile> ClaheTiles(int nrX, int nrY, int xSize, int ySize)
{
    std::vector<ClaheTile> tiles;
    int yStart = 0;
    for (int uy = 0; uy <= nrY; ++uy) {
        const SubRegion sy = SubRegionAt(uy, nrY, ySize);
        int xStart = 0;
        for (int ux = 0; ux <= nrX; ++ux) {
            const SubRegion sx = SubRegionAt(ux, nrX, xSize);
            tiles.push_back(ClaheTile{xStart, yStart, sx.size, sy.size, sy.before * nrX + sx.before,
                                      sy.before * nrX + sx.after, sy.after * nrX + sx.before, sy.after * nrX + sx.after});
            xStart += sx.size;
        }
        yStart += sy.size;
    }
    return tiles;
}

std::vector<Histogram> ClaheMappings(const Plane& source, int width, int height, int nrX, int nrY, double clipFactor)
{
    if (width > ScratchColumns || height > ScratchRows || nrX < 1 || nrY < 1 || nrX > width || nrY > height) {
        throw RangeCheckError();
    }
    const int xSize = width / nrX;
    const int ySize = height / nrY;
    const int nrPixels = xSize * ySize;
    const int clipLimit = ClaheClipLimit(clipFactor, nrPixels);

    std::vector<Histogram> mappings(static_cast<std::size_t>(nrX) * static_cast<std::size_t>(nrY));
    for (int ry = 0; ry < nrY; ++ry) {
        for (int rx = 0; rx < nrX; ++rx) {
            Histogram& h = mappings[static_cast<std::size_t>(ry) * static_cast<std::size_t>(nrX) + static_cast<std::size_t>(rx)];
            MakeHistogram(source, rx, ry, xSize, ySize, h);
            ClipHistogram(h, clipLimit);
            MapHistogram(h, nrPixels);
        }
    }
    return mappings;
}

void Clahe(const Plane& source, Plane& destination, int width, int height, int nrX, int nrY, double clipFactor)
{
    // Every region's mapping first; the blend below needs up to four at once.
    const std::vector<Histogram> mappings = ClaheMappings(source, width, height, nrX, nrY, clipFactor);
    auto mapping = [&](int index) -> const Histogram& { return mappings[static_cast<std::size_t>(index)]; };
    for (const ClaheTile& t : ClaheTiles(nrX, nrY, width / nrX, height / nrY)) {
        InterpolateRegion(source, destination, mapping(t.lu), mapping(t.ru), mapping(t.lb), mapping(t.rb), t.xStart,
                          t.yStart, t.subX, t.subY);
    }
}

void ApplyClahe(Picture& picture, double clipFactor)
{
    if (EqualiseLuminanceBytes(picture, clipFactor)) return;
    Plane source;
    Plane destination;
    PictureToScratch(picture, source);
    Clahe(source, destination, source.width, source.height, ClaheRegionsX, ClaheRegionsY, clipFactor);
    ScratchToPicture(picture, destination, 1);
}

}  // namespace quivane
