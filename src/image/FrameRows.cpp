#include "image/FrameRows.h"

#include "cpu/SimdTargets.h"

namespace quivane {
namespace {

void WidenPlain(const std::uint8_t* grey, int count, ColourPixel* out)
{
    for (int x = 0; x < count; ++x) out[x] = ColourPixel{grey[x], grey[x], grey[x]};
}

#if QUIVANE_X86_VECTORS

// Sixteen greys make 48 bytes, each grey three times, by three shuffles
// (SSSE3, which every processor with AVX2 has).
QUIVANE_AVX2_TARGET void WidenShuffled(const std::uint8_t* grey, int count, ColourPixel* out)
{
    const __m128i first = _mm_setr_epi8(0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5);
    const __m128i second = _mm_setr_epi8(5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8, 9, 9, 9, 10, 10);
    const __m128i third = _mm_setr_epi8(10, 11, 11, 11, 12, 12, 12, 13, 13, 13, 14, 14, 14, 15, 15, 15);
    auto* bytes = reinterpret_cast<std::uint8_t*>(out);
    int x = 0;
    for (; x + 16 <= count; x += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(grey + x));
        auto* to = reinterpret_cast<__m128i*>(bytes + 3 * static_cast<std::size_t>(x));
        _mm_storeu_si128(to, _mm_shuffle_epi8(v, first));
        _mm_storeu_si128(to + 1, _mm_shuffle_epi8(v, second));
        _mm_storeu_si128(to + 2, _mm_shuffle_epi8(v, third));
    }
    WidenPlain(grey + x, count - x, out + x);
}

#endif

void Widen(const std::uint8_t* grey, int count, ColourPixel* out)
{
    static_assert(sizeof(ColourPixel) == 3);
#if QUIVANE_X86_VECTORS
    if (ActiveSimdLevel() == SimdLevel::Avx2) return WidenShuffled(grey, count, out);
#endif
    WidenPlain(grey, count, out);
}

}  // namespace

void GreyAsColourInto(const GreyRows& grey, Bitmap24& colour)
{
    colour.resizeForOverwrite(grey.width(), grey.height());
    for (int y = 0; y < grey.height(); ++y) Widen(grey.row(y), grey.width(), colour.row(y));
}

Bitmap24 GreyAsColour(const GreyRows& grey)
{
    Bitmap24 colour;
    GreyAsColourInto(grey, colour);
    return colour;
}

}  // namespace quivane
