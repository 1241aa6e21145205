#include "image/PackRow.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace quivane {
namespace {

// PackPixel's bytes for one pixel as a word, chroma blue lowest. The chroma
// scale 65280 / m comes from a float division corrected by one either way,
// so it is the truncated quotient without a table to look up per pixel; a
// largest channel of 3 or less lifts every channel to 255 (white), and one of
// 255 gives a scale of 256, the colour itself. Written without branches, so
// that a loop of it becomes vector code.
inline std::uint32_t PackedWord(int b, int g, int r)
{
    constexpr int Numerator = 65280;
    const int m = b > g ? (b > r ? b : r) : (g > r ? g : r);
    const int d = m | static_cast<int>(m == 0);  // black turns white whatever its scale
    int k = static_cast<int>(static_cast<float>(Numerator) / static_cast<float>(d));
    k += static_cast<int>((k + 1) * d <= Numerator);
    k -= static_cast<int>(k * d > Numerator);
    const int white = -static_cast<int>(m <= 3) & 255;
    const auto scaled = [&](int c) {
        const int v = (c * k) >> 8;
        const int limited = v < 255 ? v : 255;
        return static_cast<std::uint32_t>(limited > white ? limited : white);
    };
    const auto luminance = static_cast<std::uint32_t>((64 * r + 160 * g + 32 * b) >> 8);
    return scaled(b) | scaled(g) << 8 | scaled(r) << 16 | luminance << 24;
}

}  // namespace

// A piece at a time: the channels are taken apart into lanes, packed as words
// and copied out, so neither the three-byte reads nor the four-byte writes
// go a byte at a time. Built for AVX2 as well, and chosen when the program
// starts.
__attribute__((target_clones("avx2", "default"))) void PackRow(const ColourPixel* in, PicturePixel* out, int count)
{
    constexpr int Piece = 64;
    static_assert(sizeof(PicturePixel) == sizeof(std::uint32_t));
    std::int32_t blue[Piece], green[Piece], red[Piece];
    std::uint32_t words[Piece];
    for (int start = 0; start < count; start += Piece) {
        const int n = std::min(Piece, count - start);
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(in + start);
        for (int i = 0; i < n; ++i) {
            blue[i] = bytes[3 * i];
            green[i] = bytes[3 * i + 1];
            red[i] = bytes[3 * i + 2];
        }
        for (int i = 0; i < n; ++i) words[i] = PackedWord(blue[i], green[i], red[i]);
        std::memcpy(out + start, words, sizeof(std::uint32_t) * static_cast<std::size_t>(n));
    }
}

}  // namespace quivane
