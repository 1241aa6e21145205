#include "prepare/Resample.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "cpu/SimdLevel.h"

namespace quivane {
namespace {

ColourPixel Grey(int v) { return {std::uint8_t(v), std::uint8_t(v), std::uint8_t(v)}; }

// Raw engine output keeps the picture the same on every standard library.
Bitmap24 Picture(int width, int height, unsigned seed, bool random = true, ColourPixel fill = {})
{
    std::mt19937 engine(seed);
    Bitmap24 bitmap(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const auto b = engine();
            bitmap.at(x, y) = random ? ColourPixel{std::uint8_t(b), std::uint8_t(b >> 8), std::uint8_t(b >> 16)} : fill;
        }
    return bitmap;
}

Bitmap24 Enlarged(const Bitmap24& source, int width, int height, std::size_t filter = Mitchell2)
{
    Bitmap24 destination(width, height);
    Resample(source, destination, ResampleFilters[filter].weightFunction, ResampleFilters[filter].support);
    return destination;
}

TEST(Resample, KernelTableHoldsTheKnownCurves)
{
    const double pi = 3.14159265358979323846;
    const struct {
        std::size_t f;
        float x;
        double w;
    } samples[] = {{0, 0.5f, 1},         {0, -0.5f, 0},        {1, -0.75f, 0.25},
                   {2, 0.25f, 0.84375},  {3, 1.0f, 0.125},     {3, -0.5f, 0.5},
                   {4, 0.0f, 2.0 / 3},   {4, -1.5f, 1.0 / 48}, {5, 0.5f, 2 / pi * std::sin(pi / 6) / (pi / 6)},
                   {5, 2.0f, 0},         {6, 0.0f, 8.0 / 9},   {7, -1.0f, 1.0 / 18},
                   {7, 1.5f, -5.0 / 144}};
    for (const auto& s : samples)
        EXPECT_NEAR(ResampleFilters[s.f].weightFunction(s.x), s.w, 2e-6) << ResampleFilters[s.f].name << " " << s.x;
    for (const ResampleFilter& f : ResampleFilters) EXPECT_EQ(f.weightFunction(f.support + 0.01f), 0.0f) << f.name;
    EXPECT_STREQ(ResampleFilters[Mitchell2].name, "Mitchell2");
    EXPECT_STREQ(ResampleFilters[4].name, "B-Spline");
}

TEST(Resample, SizeErrorsComeFirstFailingFirstAndTouchNothing)
{
    const char* smaller = "Destination bitmap smaller than Source bitmap";
    const char* big = "Destination bitmap too big";
    const struct {
        int sw, sh, dw, dh;
        const char* text;
    } cases[] = {{96, 72, 95, 144, smaller},
                 {96, 72, 192, 71, smaller},
                 {96, 72, 95, 800, smaller},
                 {96, 72, 769, 144, big},
                 {96, 72, 192, 769, big},
                 {0, 0, 769, 10, big},
                 {0, 0, 10, 10, "Source bitmap too small"},
                 {0, 0, 0, 0, "Source bitmap too small"},
                 {96, 72, 768, 768, "none"}};
    for (const auto& c : cases) {
        const Bitmap24 source = Picture(c.sw, c.sh, 1);
        Bitmap24 destination = Picture(c.dw, c.dh, 2);
        const Bitmap24 before = destination;
        std::string text = "none";
        try {
            Resample(source, destination, ResampleFilters[Mitchell2].weightFunction, 2.0f);
        } catch (const ResampleError& e) {
            text = e.what();
            EXPECT_EQ(destination, before);
        }
        EXPECT_EQ(text, c.text) << c.dw << "x" << c.dh;
    }
}

// A single row or column shows one pass alone: the other pass's taps all land
// on its one line. Below zero the mirror skips pixel 0, past the end it
// repeats the last pixel, so the two ends differ.
TEST(Resample, SameSizeMitchellBlursWithMirroredEdges)
{
    const int v[] = {10, 200, 30, 40, 250, 0, 90};
    const int forward[] = {31, 180, 40, 51, 224, 19, 85};   // (p[i-1] + 16 p[i] + p[i+1]) / 18
    const int backward[] = {80, 19, 224, 51, 40, 180, 21};  // the same line reversed, in green
    for (bool vertical : {false, true}) {
        Bitmap24 line = vertical ? Bitmap24(1, 7) : Bitmap24(7, 1);
        auto at = [vertical](Bitmap24& b, int i) -> ColourPixel& { return vertical ? b.at(0, i) : b.at(i, 0); };
        for (int i = 0; i < 7; ++i) at(line, i) = {std::uint8_t(v[i]), std::uint8_t(v[6 - i]), 255};
        Resample(line, line, ResampleFilters[Mitchell2].weightFunction, 2.0f);  // in place is allowed
        for (int i = 0; i < 7; ++i)
            EXPECT_EQ(at(line, i), (ColourPixel{std::uint8_t(forward[i]), std::uint8_t(backward[i]), 255})) << i;
    }
}

TEST(Resample, FlatPicturesStayFlatUnderEveryNormalisedKernel)
{
    for (int v : {100, 255})
        EXPECT_EQ(Enlarged(Picture(96, 72, 0, false, Grey(v)), 192, 144), Picture(192, 144, 0, false, Grey(v)));
    const ColourPixel p{100, 7, 255};
    for (std::size_t f = 0; f < ResampleFilters.size(); ++f) {
        const char* name = ResampleFilters[f].name;
        // A single pixel or line has to be stretched without reading past it.
        const Bitmap24 dot = Enlarged(Picture(1, 1, 0, false, p), 5, 7, f);
        const Bitmap24 wide = Enlarged(Picture(1, 6, 3), 7, 6, f);
        if (std::string(name) == "Lanczos3") {  // its weights only nearly sum to one
            EXPECT_LE(std::abs(dot.at(4, 6).blue - 100), 2);
            continue;
        }
        EXPECT_EQ(dot, Picture(5, 7, 0, false, p)) << name;
        for (int x = 1; x < 7; ++x) EXPECT_EQ(wide.at(x, 4), wide.at(0, 4)) << name;
        EXPECT_EQ(Enlarged(Picture(13, 9, 0, false, p), 41, 30, f), Picture(41, 30, 0, false, p)) << name;
    }
}

TEST(Resample, EndColumnsFallOnTheEndSourceColumns)
{
    const Bitmap24 source = Picture(96, 72, 3);
    EXPECT_EQ(Enlarged(source, 192, 144).at(0, 0), Enlarged(source, 96, 72).at(0, 0));
    // The last column's centre is 191 / (191/95) = 94.99999 in float: with
    // column 95 at 9 the sum is 8.49997, where 95 exactly would give 8.5000009.
    Bitmap24 edge(96, 72);
    for (int y = 0; y < 72; ++y) edge.at(95, y) = Grey(9);
    EXPECT_EQ(Enlarged(edge, 192, 144).at(191, 143), Grey(8));
    EXPECT_EQ(Enlarged(edge, 96, 72).at(95, 71), Grey(9));

    // A scale of exactly 9 puts columns 0 and 9 on the two source columns.
    const Bitmap24 pair = Picture(2, 1, 4);
    EXPECT_EQ(Enlarged(pair, 10, 1).at(0, 0), Enlarged(pair, 2, 1).at(0, 0));
    EXPECT_EQ(Enlarged(pair, 10, 1).at(9, 0), Enlarged(pair, 2, 1).at(1, 0));
}

TEST(Resample, SumsRoundHalfToEvenAndClampToBytes)
{
    Bitmap24 pair(2, 1);  // Triangle halfway between: 0.5 a + 0.5 b
    pair.at(0, 0) = {2, 3, 0};
    pair.at(1, 0) = {3, 4, 255};
    EXPECT_EQ(Enlarged(pair, 3, 1, 1).at(1, 0), (ColourPixel{2, 4, 128}));

    // Mitchell's negative lobes at a hard edge: with a scale of 4, output 10
    // sums to about -8.9 and output 18 to about 263.8.
    Bitmap24 step(8, 1);
    for (int x = 4; x < 8; ++x) step.at(x, 0) = Grey(255);
    const Bitmap24 result = Enlarged(step, 29, 1);
    EXPECT_EQ(result.at(10, 0), Grey(0));
    EXPECT_EQ(result.at(18, 0), Grey(255));
}

// Independent check against gross errors: the B = C = 1/3 kernel in double,
// positions from the ratio of spans, each pass rounded to bytes.
TEST(Resample, AgreesWithAStraightforwardReference)
{
    auto kernel = [](double a) {
        a = std::fabs(a);
        return a < 1   ? (7 * a * a * a - 12 * a * a + 16.0 / 3) / 6
               : a < 2 ? (-7.0 / 3 * a * a * a + 12 * a * a - 20 * a + 32.0 / 3) / 6
                       : 0.0;
    };
    auto pass = [&](auto read, int from, int to, auto write) {
        for (int i = 0; i < to; ++i) {
            const double c = double(i) * (from - 1) / (to - 1);
            double s[3] = {};
            for (int j = int(c) - 2; j <= int(c) + 3; ++j) {
                const ColourPixel p = read(j < 0 ? -j : j >= from ? 2 * from - 1 - j : j);
                const double w = kernel(c - j);
                s[0] += w * p.blue, s[1] += w * p.green, s[2] += w * p.red;
            }
            auto byte = [](double x) { return std::uint8_t(std::clamp(std::lround(x), 0L, 255L)); };
            write(i, ColourPixel{byte(s[0]), byte(s[1]), byte(s[2])});
        }
    };
    const Bitmap24 source = Picture(40, 30, 7);
    Bitmap24 work(97, 30), reference(97, 71);
    for (int y = 0; y < 30; ++y)
        pass([&](int n) { return source.at(n, y); }, 40, 97, [&](int i, ColourPixel p) { work.at(i, y) = p; });
    for (int x = 0; x < 97; ++x)
        pass([&](int n) { return work.at(x, n); }, 30, 71, [&](int i, ColourPixel p) { reference.at(x, i) = p; });

    const Bitmap24 result = Enlarged(source, 97, 71);
    int exact = 0;
    for (int y = 0; y < 71; ++y)
        for (int x = 0; x < 97; ++x) {
            const ColourPixel a = result.at(x, y), b = reference.at(x, y);
            ASSERT_LE(std::max({std::abs(a.blue - b.blue), std::abs(a.green - b.green), std::abs(a.red - b.red)}), 1);
            exact += a == b;
        }
    EXPECT_GT(exact, 97 * 71 * 98 / 100);  // float rounding moves only the odd sum across a half
}

// The enlargement sums whole rows at a time; each pixel must still take
// exactly the float steps of summing it alone, tap by tap, and round with
// nearbyint. The plain version below is that, written out pixel by pixel.
Bitmap24 PixelByPixel(const Bitmap24& source, int width, int height, const ResampleFilter& filter)
{
    auto taps = [&](int from, int to) {
        const float scale = static_cast<float>(from > 1 ? static_cast<long double>(to - 1) / (from - 1)
                                                        : static_cast<long double>(to) / from);
        std::vector<std::vector<std::pair<int, float>>> lists(static_cast<std::size_t>(to));
        for (int i = 0; i < to; ++i) {
            const float centre = static_cast<float>(i) / scale;
            for (int j = int(std::floor(centre - filter.support)); j <= int(std::ceil(centre + filter.support)); ++j) {
                const float w = filter.weightFunction(centre - static_cast<float>(j));
                const int mirrored = std::clamp(j < 0 ? -j : j >= from ? 2 * from - 1 - j : j, 0, from - 1);
                if (w != 0.0f) lists[static_cast<std::size_t>(i)].push_back({mirrored, w});
            }
        }
        return lists;
    };
    auto sum = [](const auto& list, auto read) {
        float s[3] = {0.0f, 0.0f, 0.0f};
        for (const auto& [n, w] : list) {
            const ColourPixel p = read(n);
            s[0] = s[0] + w * static_cast<float>(p.blue);
            s[1] = s[1] + w * static_cast<float>(p.green);
            s[2] = s[2] + w * static_cast<float>(p.red);
        }
        auto byte = [](float v) { return std::uint8_t(v > 255.0f ? 255 : v < 0.0f ? 0 : std::nearbyint(v)); };
        return ColourPixel{byte(s[0]), byte(s[1]), byte(s[2])};
    };
    const auto columns = taps(source.width(), width), rows = taps(source.height(), height);
    Bitmap24 work(width, source.height()), out(width, height);
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < width; ++x)
            work.at(x, y) = sum(columns[std::size_t(x)], [&](int n) { return source.at(n, y); });
    for (int x = 0; x < width; ++x)
        for (int y = 0; y < height; ++y)
            out.at(x, y) = sum(rows[std::size_t(y)], [&](int n) { return work.at(x, n); });
    return out;
}

// Sizes that put blocks of channels over both mirrored ends, rows too
// narrow to pick from, rows whose channels do not fill whole blocks, a scale
// of one, wide taps, and columns turned eight by eight up to one pixel
// before a bitmap's end.
TEST(Resample, EveryLevelGivesThePixelByPixelBytesOnRandomPictures)
{
    const int sizes[][4] = {{96, 72, 192, 144}, {37, 23, 191, 97}, {1, 5, 9, 5}, {64, 48, 768, 576},
                            {2, 3, 2, 7},       {5, 4, 16, 9},     {6, 2, 6, 2}, {50, 40, 50, 40},
                            {17, 3, 23, 3},     {25, 16, 49, 33},  {9, 8, 9, 8}};
    unsigned seed = 11;
    for (const SimdLevel level : ProcessorSimdLevels()) {
        const ScopedSimdLevel forced(level);
        for (std::size_t filter = 0; filter < ResampleFilters.size(); ++filter)
            for (const auto& size : sizes) {
                const Bitmap24 source = Picture(size[0], size[1], ++seed);
                const ResampleFilter& f = ResampleFilters[filter];
                Bitmap24 destination(size[2], size[3]);
                Resample(source, destination, f.weightFunction, f.support);
                ASSERT_EQ(destination, PixelByPixel(source, size[2], size[3], f))
                    << SimdLevelName(level) << " " << f.name << " " << size[0] << "x" << size[1];
            }
    }
}

// A grey picture enlarges channel by channel as its colour twin (three equal
// channels) does, so the grey enlargement must give the twin's every byte.
TEST(Resample, GreyLevelsEnlargeAsTheirColourTwins)
{
    const int sizes[][4] = {{96, 72, 192, 144}, {37, 23, 191, 97}, {1, 5, 9, 5}, {7, 1, 7, 1}};
    std::mt19937 engine(5);
    for (const SimdLevel level : ProcessorSimdLevels()) {
        const ScopedSimdLevel forced(level);
        for (std::size_t filter = 0; filter < ResampleFilters.size(); ++filter)
            for (const auto& size : sizes) {
                Bitmap8 grey(size[0], size[1]);
                Bitmap24 twin(size[0], size[1]);
                for (int y = 0; y < size[1]; ++y)
                    for (int x = 0; x < size[0]; ++x) {
                        grey.at(x, y) = static_cast<std::uint8_t>(engine());
                        twin.at(x, y) = Grey(grey.at(x, y));
                    }
                const ResampleFilter& f = ResampleFilters[filter];
                Bitmap8 enlarged(size[2], size[3]);
                Resample(grey, enlarged, f.weightFunction, f.support);
                const Bitmap24 expected = Enlarged(twin, size[2], size[3], filter);
                for (int y = 0; y < size[3]; ++y)
                    for (int x = 0; x < size[2]; ++x)
                        ASSERT_EQ(Grey(enlarged.at(x, y)), expected.at(x, y))
                            << SimdLevelName(level) << " " << f.name << " at " << x << "," << y;
            }
    }
}

}  // namespace
}  // namespace quivane
