#include "image/PackRow.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <cstdint>

#include "cpu/SimdTargets.h"

namespace quivane {
namespace {

// PackPixel's bytes for one pixel as a word, chroma blue lowest. The chroma
// scale is the truncated quotient 65280 / m, taken from a float division:
// a quotient's fraction is at least 1/m short of the next integer, and the
// float rounding moves it by at most half a step of 1/256 (quotients stay
// below 65536), so truncating never reaches that integer. A largest channel
// of 3 or less lifts every channel to 255 (white), and one of 255 gives a
// scale of 256, the colour itself. Written without branches, so that a loop
// of it becomes vector code.
inline std::uint32_t PackedWord(int b, int g, int r)
{
    constexpr int Numerator = 65280;
    const int m = b > g ? (b > r ? b : r) : (g > r ? g : r);
    const int d = m | static_cast<int>(m == 0);  // black turns white whatever its scale
    const int k = static_cast<int>(static_cast<float>(Numerator) / static_cast<float>(d));
    const int white = -static_cast<int>(m <= 3) & 255;
    const auto scaled = [&](int c) {
        const int v = (c * k) >> 8;
        const int limited = v < 255 ? v : 255;
        return static_cast<std::uint32_t>(limited > white ? limited : white);
    };
    const auto luminance = static_cast<std::uint32_t>((64 * r + 160 * g + 32 * b) >> 8);
    return scaled(b) | scaled(g) << 8 | scaled(r) << 16 | luminance << 24;
}

// A grey's word: its chroma byte three times, then the grey itself, which is
// its own luminance.
const std::array<std::uint32_t, 256>& GreyWords()
{
    static const std::array<std::uint32_t, 256> words = [] {
        std::array<std::uint32_t, 256> w{};
        for (std::uint32_t v = 0; v < 256; ++v)
            w[v] = PackedWord(static_cast<int>(v), static_cast<int>(v), static_cast<int>(v));
        return w;
    }();
    return words;
}

// A piece at a time: the channels are taken apart into lanes, packed as words
// and copied out, so neither the three-byte reads nor the four-byte writes
// go a byte at a time. Written so that the compiler makes vector code of it.
__attribute__((always_inline)) inline void PackColoursInPieces(const std::uint8_t* bgr, std::uint8_t* target,
                                                               int count)
{
    constexpr int Piece = 64;
    std::int32_t blue[Piece], green[Piece], red[Piece];
    for (int start = 0; start < count; start += Piece) {
        const int n = std::min(Piece, count - start);
        const std::uint8_t* bytes = bgr + 3 * static_cast<std::size_t>(start);
        for (int i = 0; i < n; ++i) {
            blue[i] = bytes[3 * i];
            green[i] = bytes[3 * i + 1];
            red[i] = bytes[3 * i + 2];
        }
        // Each word stored as the four bytes of its pixel: copying a piece of
        // words whole became a string move, slow to start for so few bytes.
        std::uint8_t* words = target + 4 * static_cast<std::size_t>(start);
        for (int i = 0; i < n; ++i) {
            const std::uint32_t word = PackedWord(blue[i], green[i], red[i]);
            std::memcpy(words + 4 * i, &word, sizeof word);
        }
    }
}

}  // namespace

void PackRow(const std::uint8_t* grey, PicturePixel* out, int count)
{
    auto* target = reinterpret_cast<std::uint8_t*>(out);
    const std::array<std::uint32_t, 256>& words = GreyWords();
    for (int i = 0; i < count; ++i) std::memcpy(target + 4 * i, &words[grey[i]], sizeof(std::uint32_t));
}

void PackRow(const ColourPixel* in, PicturePixel* out, int count)
{
    static_assert(sizeof(ColourPixel) == 3 && sizeof(PicturePixel) == sizeof(std::uint32_t));
    OnActiveSimdLevel<PackColoursInPieces>(reinterpret_cast<const std::uint8_t*>(in),
                                           reinterpret_cast<std::uint8_t*>(out), count);
}

}  // namespace quivane
