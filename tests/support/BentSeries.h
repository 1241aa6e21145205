#pragma once

// The shared bent/unbent Saturn pair: 40 frames bent by a smooth random
// displacement field and their unbent twins (same shift, blur and noise).
// The packed frames are unpacked once per process into a temporary folder
// and loaded through the series loader at the window's start settings, so
// the pictures are what the program stacks.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "acquire/SequenceNames.h"
#include "pipeline/SeriesLoading.h"
#include "align/OffsetSearch.h"
#include "pipeline/Calculation.h"
#include "image/PictureMemory.h"
#include "image/PixelHelpers.h"
#include "support/TempFolder.h"
#include "tone/RenderPicture.h"

namespace quivane::testing {

inline std::filesystem::path BentArchive()
{
    return std::filesystem::path(QUIVANE_TESTDATA) / "bent" / "saturn" / "frames.tar.xz";
}

// The unpacked folder (holding bent/ and unbent/), or an empty path when the
// material is missing or does not unpack; tests must then fail.
inline std::filesystem::path UnpackedBentSeries()
{
    static std::unique_ptr<TempFolder> folder;
    static bool tried = false;
    if (!tried) {
        tried = true;
        if (!std::filesystem::exists(BentArchive())) return {};
        folder = std::make_unique<TempFolder>("bent");
        const std::string command =
            "tar xJf '" + BentArchive().string() + "' -C '" + folder->path().string() + "' 2>/dev/null";
        if (std::system(command.c_str()) != 0) folder.reset();
    }
    return folder ? folder->path() : std::filesystem::path{};
}

// One series ("bent" or "unbent") as the window loads it at its start
// settings: 192 x 144 pictures, enlargement 2.
inline PictureSeries LoadBentSeries(const std::string& which, SeriesSettings settings = {})
{
    PictureSeries pictures;
    const std::filesystem::path root = UnpackedBentSeries();
    if (root.empty()) return pictures;
    const auto names = SplitSequenceNames("SAT_0001.BMP", "SAT_0040.BMP");
    if (!names) return pictures;
    if (settings.maxPictures == 0)
        settings.maxPictures = ComputeMaxPictures(settings.width, settings.height, DefaultPictureMemoryMiB);
    LoadObserver quiet;
    (void)LoadBitmapSeries((root / which).string() + "/", *names, ".BMP", settings, pictures, quiet);
    return pictures;
}

// The automatic search as Go runs it from the start settings.
inline void AlignGlobally(PictureSeries& pictures)
{
    AlignSeries(pictures, pictures.inputCount(), AlignmentSettings{}, nullptr);
}

// The result picture as a saved bitmap shows it (full colour, no tone stages).
inline Bitmap24 Rendered(const Picture& result)
{
    Bitmap24 view(result.bitmap.width(), result.bitmap.height());
    RenderPicture(result, view, -1, -1, ModeFullColour, ToneSettings{});
    return view;
}

// How `a` is placed on `b`: a(x + x, y + y) shows what b(x, y) does.
struct Registration {
    int x = 0;
    int y = 0;
};

// Peak signal-to-noise ratio of `a`, read through `r`, against `b` over all
// three channels, `margin` pixels at each edge left out (there the offsets
// repeat edge pixels).
inline double Psnr(const Bitmap24& a, const Bitmap24& b, Registration r = {}, int margin = 12)
{
    double sum = 0.0;
    long long n = 0;
    for (int y = margin; y < b.height() - margin; ++y) {
        for (int x = margin; x < b.width() - margin; ++x) {
            const ColourPixel p = a.at(x + r.x, y + r.y), q = b.at(x, y);
            for (const int e : {p.red - q.red, p.green - q.green, p.blue - q.blue}) sum += double(e) * e;
            n += 3;
        }
    }
    const double mse = n > 0 ? sum / double(n) : 0.0;
    return mse > 0.0 ? 10.0 * std::log10(255.0 * 255.0 / mse) : 99.0;
}

// Each series is aligned on its own first picture, and a bent frame's
// object centre (where its picture is cut out) may lie a pixel or two off
// its twin's: the whole-pixel placement of `a` on `b` within `radius` that
// matches best.
inline Registration Register(const Bitmap24& a, const Bitmap24& b, int radius = 10)
{
    Registration best;
    double bestPsnr = -1.0;
    for (int y = -radius; y <= radius; ++y) {
        for (int x = -radius; x <= radius; ++x) {
            const double psnr = Psnr(a, b, Registration{x, y});
            if (psnr > bestPsnr) {
                bestPsnr = psnr;
                best = Registration{x, y};
            }
        }
    }
    return best;
}

// Where `a` lies on `b` to a fraction of a pixel: a(x + x, y + y) shows what
// b(x, y) does. Each stack of a pair is aligned on its own first picture, so
// two stacks of the same object may lie a fraction of a pixel apart, and
// whole-pixel registration would charge that to whichever stack it misses.
struct FineRegistration {
    Registration whole;
    double x = 0.0;  // the fraction on top of `whole`, within a pixel
    double y = 0.0;
};

// The Catmull-Rom weights of the pixels at -1, 0, 1, 2 for a position t
// (0..1) between pixels 0 and 1.
inline std::array<double, 4> CubicWeights(double t)
{
    return {(-t * t * t + 2 * t * t - t) / 2, (3 * t * t * t - 5 * t * t + 2) / 2, (-3 * t * t * t + 4 * t * t + t) / 2,
            (t * t * t - t * t) / 2};
}

// `b`'s three channels read between pixels at (x, y), edges repeated.
inline std::array<double, 3> ReadBetween(const Bitmap24& b, double x, double y)
{
    const int bx = static_cast<int>(std::floor(x)), by = static_cast<int>(std::floor(y));
    const std::array<double, 4> wx = CubicWeights(x - bx), wy = CubicWeights(y - by);
    std::array<double, 3> v{0.0, 0.0, 0.0};
    for (int j = 0; j < 4; ++j) {
        for (int i = 0; i < 4; ++i) {
            const ColourPixel p =
                b.at(std::clamp(bx - 1 + i, 0, b.width() - 1), std::clamp(by - 1 + j, 0, b.height() - 1));
            const double w = wx[static_cast<std::size_t>(i)] * wy[static_cast<std::size_t>(j)];
            v[0] += w * p.red;
            v[1] += w * p.green;
            v[2] += w * p.blue;
        }
    }
    return v;
}

// PSNR of `a` against `b` placed by `r`: `a` is read at whole pixels, as it
// was saved, and `b` (the stack compared against) between pixels, so that
// both stacks of a comparison meet the same kind of reference.
inline double Psnr(const Bitmap24& a, const Bitmap24& b, const FineRegistration& r, int margin = 12)
{
    double sum = 0.0;
    long long n = 0;
    for (int y = margin; y < b.height() - margin; ++y) {
        for (int x = margin; x < b.width() - margin; ++x) {
            const ColourPixel p = a.at(x + r.whole.x, y + r.whole.y);
            const std::array<double, 3> q = ReadBetween(b, x - r.x, y - r.y);
            for (const double e : {p.red - q[0], p.green - q[1], p.blue - q[2]}) sum += e * e;
            n += 3;
        }
    }
    const double mse = n > 0 ? sum / double(n) : 0.0;
    return mse > 0.0 ? 10.0 * std::log10(255.0 * 255.0 / mse) : 99.0;
}

// Whole pixels by Register, then the fraction by least squares on the
// brightness gradients of `b` (a few Gauss-Newton steps), the same rule for
// every stack registered.
inline FineRegistration RegisterFinely(const Bitmap24& a, const Bitmap24& b, int margin = 12)
{
    FineRegistration r;
    r.whole = Register(a, b);
    const auto grey = [](const std::array<double, 3>& c) { return (c[0] + c[1] + c[2]) / 3.0; };
    for (int step = 0; step < 8; ++step) {
        double xx = 0.0, xy = 0.0, yy = 0.0, ex = 0.0, ey = 0.0;
        for (int y = margin; y < b.height() - margin; ++y) {
            for (int x = margin; x < b.width() - margin; ++x) {
                const double gx = (grey(ReadBetween(b, x + 1 - r.x, y - r.y)) - grey(ReadBetween(b, x - 1 - r.x, y - r.y))) / 2;
                const double gy = (grey(ReadBetween(b, x - r.x, y + 1 - r.y)) - grey(ReadBetween(b, x - r.x, y - 1 - r.y))) / 2;
                const ColourPixel p = a.at(x + r.whole.x, y + r.whole.y);
                const double e = (p.red + p.green + p.blue) / 3.0 - grey(ReadBetween(b, x - r.x, y - r.y));
                // b(x - f - d) is about b(x - f) - d . gradient.
                xx += gx * gx;
                xy += gx * gy;
                yy += gy * gy;
                ex -= gx * e;
                ey -= gy * e;
            }
        }
        const double det = xx * yy - xy * xy;
        if (det <= 0.0) break;
        r.x = std::clamp(r.x + (yy * ex - xy * ey) / det, -1.0, 1.0);
        r.y = std::clamp(r.y + (xx * ey - xy * ex) / det, -1.0, 1.0);
    }
    return r;
}

}  // namespace quivane::testing
