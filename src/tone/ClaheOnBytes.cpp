#include "tone/ClaheOnBytes.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

#include "image/Plane.h"
#include "tone/Clahe.h"

namespace quivane {
namespace {

static_assert(std::endian::native == std::endian::little, "a pixel read as a word has its luminance on top");
static_assert(sizeof(PicturePixel) == 4);

// Level counts of one band of regions, kept four times over so that a run of
// equal levels (the dark sky) does not wait on its own last count.
constexpr int Copies = 4;

// Every region's mapping, by index ry * ClaheRegionsX + rx, as ClaheMappings
// makes them from a plane. A region holds at most 96 x 96 pixels here, so no
// count comes near the 16-bit limit.
std::vector<Histogram> Mappings(const Bitmap32& bitmap, int xSize, int ySize, double clipFactor)
{
    const int nrPixels = xSize * ySize;
    const int clipLimit = ClaheClipLimit(clipFactor, nrPixels);
    std::vector<Histogram> mappings(ClaheRegionsX * ClaheRegionsY);
    std::vector<std::array<std::array<std::uint16_t, 256>, Copies>> counts(ClaheRegionsX);
    for (int ry = 0; ry < ClaheRegionsY; ++ry) {
        for (auto& region : counts)
            for (auto& copy : region) copy.fill(0);
        for (int y = ry * ySize; y < (ry + 1) * ySize; ++y) {
            const PicturePixel* row = bitmap.row(y);
            for (int rx = 0; rx < ClaheRegionsX; ++rx) {
                auto& copies = counts[static_cast<std::size_t>(rx)];
                const PicturePixel* p = row + rx * xSize;
                int x = 0;
                for (; x + Copies <= xSize; x += Copies)
                    for (int c = 0; c < Copies; ++c) ++copies[c][p[x + c].luminance];
                for (; x < xSize; ++x) ++copies[0][p[x].luminance];
            }
        }
        for (int rx = 0; rx < ClaheRegionsX; ++rx) {
            Histogram& h = mappings[static_cast<std::size_t>(ry * ClaheRegionsX + rx)];
            const auto& copies = counts[static_cast<std::size_t>(rx)];
            for (std::size_t v = 0; v < 256; ++v)
                h[v] = static_cast<std::uint16_t>(copies[0][v] + copies[1][v] + copies[2][v] + copies[3][v]);
            ClipHistogram(h, clipLimit);
            MapHistogram(h, nrPixels);
        }
    }
    return mappings;
}

// One row of a sub-region: each pixel's level through the four mappings
// (packed a byte each in `table`, upper-left lowest), blended by the
// distances `ya` and `y` to the sub-region's lower and upper edge along the
// row and divided by the sub-region's area. The blend is at most
// 255 * 96 * 96, below 2^24, so it and the area are exact floats, and a
// correctly rounded float quotient q + r / area (r < area <= 9216) stays
// below q + 1 by more than q + 1 can round: its truncation is the integer
// quotient.
void BlendRow(PicturePixel* pixels, int subX, int ya, int y, float area, const std::uint32_t* table,
              std::uint32_t* entries)
{
    for (int x = 0; x < subX; ++x) entries[x] = table[pixels[x].luminance];
    for (int x = 0; x < subX; ++x) {
        const std::uint32_t m = entries[x];
        const int lu = static_cast<int>(m & 0xFF), ru = static_cast<int>(m >> 8 & 0xFF);
        const int lb = static_cast<int>(m >> 16 & 0xFF), rb = static_cast<int>(m >> 24);
        const int blend = (subX - x) * (ya * lu + y * lb) + x * (ya * ru + y * rb);
        const auto level = static_cast<std::uint32_t>(static_cast<int>(static_cast<float>(blend) / area));
        std::uint32_t word;
        std::memcpy(&word, pixels + x, sizeof word);
        word = (word & 0x00FFFFFFu) | level << 24;
        std::memcpy(static_cast<void*>(pixels + x), &word, sizeof word);
    }
}

}  // namespace

bool EqualiseLuminanceBytes(Picture& picture, double clipFactor)
{
    Bitmap32& bitmap = picture.bitmap;
    const int width = bitmap.width(), height = bitmap.height();
    if (picture.dx != 0 || picture.dy != 0 || width > ScratchColumns || height > ScratchRows ||
        width < ClaheRegionsX || height < ClaheRegionsY)
        return false;
    const int xSize = width / ClaheRegionsX, ySize = height / ClaheRegionsY;
    const std::vector<Histogram> mappings = Mappings(bitmap, xSize, ySize, clipFactor);

    std::array<std::uint32_t, 256> table;
    std::vector<std::uint32_t> entries(static_cast<std::size_t>(width));
    int coveredX = 0, coveredY = 0;
    for (const ClaheTile& t : ClaheTiles(ClaheRegionsX, ClaheRegionsY, xSize, ySize)) {
        coveredX = std::max(coveredX, t.xStart + t.subX);
        coveredY = std::max(coveredY, t.yStart + t.subY);
        if (t.subX == 0 || t.subY == 0) continue;
        const Histogram* m[4] = {&mappings[static_cast<std::size_t>(t.lu)], &mappings[static_cast<std::size_t>(t.ru)],
                                 &mappings[static_cast<std::size_t>(t.lb)], &mappings[static_cast<std::size_t>(t.rb)]};
        for (std::size_t v = 0; v < 256; ++v)
            table[v] = std::uint32_t{(*m[0])[v]} | std::uint32_t{(*m[1])[v]} << 8 | std::uint32_t{(*m[2])[v]} << 16 |
                       std::uint32_t{(*m[3])[v]} << 24;
        const auto area = static_cast<float>(t.subX * t.subY);
        for (int y = 0; y < t.subY; ++y)
            BlendRow(bitmap.row(t.yStart + y) + t.xStart, t.subX, t.subY - y, y, area, table.data(), entries.data());
    }
    // What no sub-region reaches comes back from a fresh plane: level 0.
    for (int y = 0; y < height; ++y) {
        PicturePixel* row = bitmap.row(y);
        for (int x = y < coveredY ? coveredX : 0; x < width; ++x) row[x].luminance = 0;
    }
    return true;
}

}  // namespace quivane
