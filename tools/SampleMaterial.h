#pragma once

// The material bundled with the program so a first-time user has something to
// load: a numbered series of planet frames, a few kernels and two lookup
// tables. Everything is drawn from a fixed seed with our own generator and
// integer pixel arithmetic, so every build on every platform writes the same
// bytes and the bundle never shows up as changed in version control.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "image/Bitmap.h"

namespace quivane::samples {

constexpr int FrameWidth = 320;
constexpr int FrameHeight = 240;
constexpr int FrameCount = 40;

// Jupiter is visibly flattened; the disc is drawn that way so it reads as a
// real planet rather than a test pattern.
constexpr double EquatorialRadius = 30.0;
constexpr double PolarRadius = 28.0;

// The centre wanders at most this far from the middle of the frame, which
// keeps the blurred disc at least ~40 px from every border.
constexpr double MaxWanderX = 40.0;
constexpr double MaxWanderY = 25.0;
constexpr int MaxStepQuarterPixels = 8;  // a step of up to 2 px, in quarter pixels
constexpr int MaxSeeingRadius = 3;

constexpr int SkyLevel = 9;
constexpr int SkyNoise = 3;     // the sky floor stays within 6..12
constexpr int PlanetNoise = 6;  // noise on the brightest parts of the disc

constexpr std::uint64_t SampleSeed = 0x51A3E7B0C0FFEE11ULL;

// SplitMix64: tiny, fast and fully specified, so the sequence is the same
// with every standard library (the std distributions are not).
class SplitMix64 {
public:
    explicit SplitMix64(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next();
    // A whole number in lo..hi inclusive.
    int between(int lo, int hi);

private:
    std::uint64_t state_;
};

struct FramePlan {
    double centreX = 0;
    double centreY = 0;
    int blurRadius = 0;
};

// Where the planet sits and how badly the seeing smears it in each frame.
std::vector<FramePlan> PlanFrames(int count, std::uint64_t seed);

// The sharp planet on a black sky, centred at (centreX, centreY).
Bitmap24 DrawPlanet(int width, int height, double centreX, double centreY);

// One box pass of the given radius across and then down, edges clamped.
Bitmap24 BoxBlur(const Bitmap24& picture, int radius);

// Two box passes, close enough to a gaussian for turbulent air.
Bitmap24 SeeingBlur(const Bitmap24& picture, int radius);

// Adds the sky glow and noise that grows with brightness, as a sensor does.
void AddSkyAndNoise(Bitmap24& picture, SplitMix64& random);

Bitmap24 MakeFrame(const FramePlan& plan, std::uint64_t noiseSeed);
std::vector<Bitmap24> MakeFrames();

// "PLANET_0001.BMP" for frame number 1.
std::string FrameFileName(int number);

struct NamedKernel {
    std::string fileName;
    Bitmap24 picture;
};

// A blurring kernel read as plain weights 0..255, centre 255.
Bitmap24 GaussianPsf(int size, double sigma);
// Convolution filters read as byte - 128.
Bitmap24 SharpenKernel3x3();
Bitmap24 SmoothKernel5x5();
std::vector<NamedKernel> SampleKernels();

using LookupTable = std::array<std::uint8_t, 256>;
// round(255 * (i / 255)^(1 / gamma)): above 1 it lifts the shadows.
LookupTable GammaTable(double gamma);
LookupTable NegativeTable();

// Writes Pictures/ and PSF/ under `folder`, creating them as needed. Returns
// a message naming what failed; nothing on success.
[[nodiscard]] std::optional<std::string> WriteSampleMaterial(const std::filesystem::path& folder);

}  // namespace quivane::samples
