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
// its own luminance. The chroma is 255 where 65280 / v has no fraction (and
// for the whites, v <= 3), else 254: v * trunc(65280 / v) lies within v
// below 65280 and at least 254 * 256. The vector path works from that and
// is used only when the table bears it out.
struct GreyPacking {
    std::array<std::uint32_t, 256> words{};
    std::array<std::uint8_t, 32> fullChroma{};  // bit v % 8 of byte v / 8: chroma 255
    bool twoChromas = true;
};

const GreyPacking& Greys()
{
    static const GreyPacking packing = [] {
        GreyPacking p;
        for (std::uint32_t v = 0; v < 256; ++v) {
            const std::uint32_t word = PackedWord(static_cast<int>(v), static_cast<int>(v), static_cast<int>(v));
            const std::uint32_t chroma = word & 0xFF;
            p.words[v] = word;
            p.twoChromas = p.twoChromas && (chroma == 254 || chroma == 255) && word == (chroma * 0x010101u | v << 24);
            if (chroma == 255) p.fullChroma[v / 8] = static_cast<std::uint8_t>(p.fullChroma[v / 8] | 1u << (v % 8));
        }
        return p;
    }();
    return packing;
}

void PackGreysByTable(const std::uint8_t* grey, std::uint8_t* target, int count)
{
    const GreyPacking& greys = Greys();
    for (int i = 0; i < count; ++i) std::memcpy(target + 4 * i, &greys.words[grey[i]], sizeof(std::uint32_t));
}

#if QUIVANE_X86_VECTORS

// Thirty-two greys at a time: each one's chroma bit picked from the table
// by byte shuffles, its chroma made from it, and the words woven from
// chroma and grey bytes.
QUIVANE_AVX2_TARGET void PackGreysAvx2(const std::uint8_t* grey, std::uint8_t* target, int count)
{
    const GreyPacking& greys = Greys();
    const __m256i table = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(greys.fullChroma.data()));
    const __m256i lowBytes = _mm256_permute2x128_si256(table, table, 0x00);
    const __m256i highBytes = _mm256_permute2x128_si256(table, table, 0x11);
    const __m256i bitOf = _mm256_setr_epi8(1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16,
                                           32, 64, -128, 1, 2, 4, 8, 16, 32, 64, -128);
    int i = 0;
    for (; i + 32 <= count; i += 32) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(grey + i));
        // Byte v / 8 of the table: the shuffles take its low four bits, v's top bit picks the half.
        const __m256i byteIndex = _mm256_and_si256(_mm256_srli_epi16(v, 3), _mm256_set1_epi8(0x0F));
        const __m256i bits = _mm256_blendv_epi8(_mm256_shuffle_epi8(lowBytes, byteIndex),
                                                _mm256_shuffle_epi8(highBytes, byteIndex), v);
        const __m256i bit = _mm256_shuffle_epi8(bitOf, _mm256_and_si256(v, _mm256_set1_epi8(7)));
        const __m256i full = _mm256_cmpeq_epi8(_mm256_and_si256(bits, bit), bit);
        const __m256i chroma = _mm256_sub_epi8(_mm256_set1_epi8(-2), full);  // 254, or 255 where full
        const __m256i pairsLow = _mm256_unpacklo_epi8(chroma, chroma), pairsHigh = _mm256_unpackhi_epi8(chroma, chroma);
        const __m256i endsLow = _mm256_unpacklo_epi8(chroma, v), endsHigh = _mm256_unpackhi_epi8(chroma, v);
        // Each holds four words of the first sixteen greys and four of the last.
        const __m256i a = _mm256_unpacklo_epi16(pairsLow, endsLow), b = _mm256_unpackhi_epi16(pairsLow, endsLow);
        const __m256i c = _mm256_unpacklo_epi16(pairsHigh, endsHigh), d = _mm256_unpackhi_epi16(pairsHigh, endsHigh);
        auto* out = reinterpret_cast<__m256i*>(target + 4 * i);
        _mm256_storeu_si256(out, _mm256_permute2x128_si256(a, b, 0x20));
        _mm256_storeu_si256(out + 1, _mm256_permute2x128_si256(c, d, 0x20));
        _mm256_storeu_si256(out + 2, _mm256_permute2x128_si256(a, b, 0x31));
        _mm256_storeu_si256(out + 3, _mm256_permute2x128_si256(c, d, 0x31));
    }
    PackGreysByTable(grey + i, target + 4 * i, count - i);
}

#endif

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
#if QUIVANE_X86_VECTORS
    if (ActiveSimdLevel() == SimdLevel::Avx2 && Greys().twoChromas) return PackGreysAvx2(grey, target, count);
#endif
    PackGreysByTable(grey, target, count);
}

void PackRow(const ColourPixel* in, PicturePixel* out, int count)
{
    static_assert(sizeof(ColourPixel) == 3 && sizeof(PicturePixel) == sizeof(std::uint32_t));
    OnActiveSimdLevel<PackColoursInPieces>(reinterpret_cast<const std::uint8_t*>(in),
                                           reinterpret_cast<std::uint8_t*>(out), count);
}

}  // namespace quivane
