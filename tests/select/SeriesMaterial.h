#pragma once

// The simulated captures of the shared test material as the selection tests
// read them, with each frame's true seeing blur, and the helpers that add
// noise to frames and compare rankings.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <numeric>
#include <random>
#include <sstream>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "acquire/BmpReader.h"
#include "acquire/PictureFile.h"
#include "acquire/SerFile.h"

namespace quivane::testing {

inline std::string CapturePath(const std::string& relative)
{
    return std::string(QUIVANE_TESTDATA) + "/captures/" + relative;
}

// The sigma_px column of a truth.csv.
inline std::vector<double> TrueBlur(const std::string& folder)
{
    std::ifstream in(CapturePath(folder + "/truth.csv"));
    std::string line, cell;
    std::getline(in, line);
    std::stringstream head(line);
    std::ptrdiff_t column = 0;
    while (std::getline(head, cell, ',') && cell != "sigma_px") ++column;
    std::vector<double> values;
    while (std::getline(in, line)) {
        std::stringstream row(line);
        for (std::ptrdiff_t i = 0; std::getline(row, cell, ','); ++i)
            if (i == column) values.push_back(std::stod(cell));
    }
    return values;
}

// Numbered files such as "seeing/MARS_%04d.BMP", 1 to `count`, read by `read`.
template <class Frame, class Read>
std::vector<Frame> NumberedFrames(const char* pattern, int count, Read read)
{
    std::vector<Frame> frames;
    for (int i = 1; i <= count; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, pattern, i);
        if (auto frame = read(CapturePath(name)); auto* f = std::get_if<Frame>(&frame)) frames.push_back(std::move(*f));
    }
    return frames;
}

inline const std::vector<Bitmap24>& SeeingFrames()
{
    static const std::vector<Bitmap24> frames = NumberedFrames<Bitmap24>("seeing/MARS_%04d.BMP", 60, ReadBmp);
    return frames;
}

inline std::vector<DeepFrame> FitsFrames()
{
    return NumberedFrames<DeepFrame>("series_fits16/MOON_%04d.fits", 20, ReadPictureFile);
}

// A capture's frames as a load reads them: an 8-bit grey one straight into
// grey frames, any other as deep frames.
template <class Frame>
std::vector<Frame> SerFrames(const std::string& relative)
{
    std::vector<Frame> frames;
    auto opened = SerFile::Open(CapturePath(relative), MaxFrameSide);
    auto* ser = std::get_if<SerFile>(&opened);
    for (int k = 0; ser && k < ser->layout().frames; ++k) {
        if constexpr (std::is_same_v<Frame, Bitmap8>) {
            if (Bitmap8 frame; ser->ReadGrey(k, frame)) frames.push_back(std::move(frame));
        } else if (auto frame = ser->ReadFrame(k); auto* deep = std::get_if<DeepFrame>(&frame)) {
            frames.push_back(std::move(*deep));
        }
    }
    return frames;
}

// Gaussian noise by Box-Muller from the raw engine output, so that noisy
// frames are the same bits with any standard library.
class Noise {
public:
    explicit Noise(std::uint32_t seed) : engine_(seed) {}
    double next()
    {
        const double u1 = (static_cast<double>(engine_()) + 1.0) / 4294967296.0;
        const double u2 = static_cast<double>(engine_()) / 4294967296.0;
        return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * std::numbers::pi * u2);
    }

private:
    std::mt19937 engine_;
};

inline std::uint8_t NoisyByte(int v, double sigma, Noise& noise)
{
    return static_cast<std::uint8_t>(std::clamp(std::round(v + sigma * noise.next()), 0.0, 255.0));
}

// Grey noise of `sigma` 8-bit levels (257 times as many in a deep frame).
inline Bitmap24 WithNoise(Bitmap24 frame, double sigma, Noise& noise)
{
    for (int y = 0; y < frame.height(); ++y)
        for (ColourPixel* p = frame.row(y); p != frame.row(y) + frame.width(); ++p)
            p->red = p->green = p->blue = NoisyByte(p->green, sigma, noise);
    return frame;
}

inline Bitmap8 WithNoise(Bitmap8 frame, double sigma, Noise& noise)
{
    for (int y = 0; y < frame.height(); ++y)
        for (std::uint8_t* p = frame.row(y); p != frame.row(y) + frame.width(); ++p) *p = NoisyByte(*p, sigma, noise);
    return frame;
}

inline DeepFrame WithNoise(DeepFrame frame, double sigma, Noise& noise)
{
    for (std::uint16_t& s : frame.samples)
        s = static_cast<std::uint16_t>(std::clamp(std::round(s + 257.0 * sigma * noise.next()), 0.0, 65535.0));
    return frame;
}

// Spearman's rank correlation; ties share their mean rank.
inline double SpearmanCorrelation(const std::vector<double>& a, const std::vector<double>& b)
{
    const auto ranks = [](const std::vector<double>& v) {
        std::vector<std::size_t> order(v.size());
        std::iota(order.begin(), order.end(), std::size_t{0});
        std::sort(order.begin(), order.end(), [&](std::size_t p, std::size_t q) { return v[p] < v[q]; });
        std::vector<double> r(v.size());
        for (std::size_t i = 0, j = 0; i < order.size(); i = ++j) {
            while (j + 1 < order.size() && v[order[j + 1]] == v[order[i]]) ++j;
            for (std::size_t k = i; k <= j; ++k) r[order[k]] = static_cast<double>(i + j) / 2.0;
        }
        return r;
    };
    const std::vector<double> ra = ranks(a), rb = ranks(b);
    const double mean = (static_cast<double>(ra.size()) - 1.0) / 2.0;
    double ab = 0.0, aa = 0.0, bb = 0.0;
    for (std::size_t i = 0; i < ra.size(); ++i) {
        ab += (ra[i] - mean) * (rb[i] - mean);
        aa += (ra[i] - mean) * (ra[i] - mean);
        bb += (rb[i] - mean) * (rb[i] - mean);
    }
    return aa > 0.0 && bb > 0.0 ? ab / std::sqrt(aa * bb) : 0.0;
}

}  // namespace quivane::testing
