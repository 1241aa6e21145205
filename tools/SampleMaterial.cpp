#include "SampleMaterial.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>

#include "output/BmpWriter.h"

namespace quivane::samples {
namespace {

namespace fs = std::filesystem;

struct Rgb {
    double red = 0;
    double green = 0;
    double blue = 0;
};

Rgb Mix(const Rgb& a, const Rgb& b, double t)
{
    return {a.red + (b.red - a.red) * t, a.green + (b.green - a.green) * t, a.blue + (b.blue - a.blue) * t};
}

Rgb Scale(const Rgb& c, double factor) { return {c.red * factor, c.green * factor, c.blue * factor}; }

// Cloud colour by latitude (-1 at the top limb, +1 at the bottom), loosely
// after Jupiter's zones and belts. Neighbouring stops are blended linearly,
// which gives the soft band edges seen through a telescope.
struct BandStop {
    double latitude;
    Rgb colour;
};

constexpr std::array<BandStop, 20> BandStops = {{
    {-1.00, {120, 112, 104}}, {-0.80, {150, 135, 118}}, {-0.62, {176, 150, 120}}, {-0.55, {150, 108, 78}},
    {-0.47, {200, 178, 145}}, {-0.32, {228, 210, 178}}, {-0.24, {215, 190, 155}}, {-0.18, {160, 98, 62}},
    {-0.06, {172, 112, 74}},  {0.00, {225, 205, 170}},  {0.10, {235, 218, 186}},  {0.16, {200, 160, 120}},
    {0.22, {168, 110, 74}},   {0.34, {180, 125, 88}},   {0.40, {226, 206, 172}},  {0.55, {214, 192, 158}},
    {0.62, {165, 128, 98}},   {0.70, {190, 170, 142}},  {0.82, {150, 135, 118}},  {1.00, {120, 112, 104}},
}};

// Band edges are never straight on a real planet; a gentle ripple keeps the
// sample from looking ruled. A triangle wave avoids libm, whose last bits
// differ between platforms.
constexpr double BandRippleAmplitude = 0.012;
constexpr double BandRippleFrequency = 5.0;

// Linear limb darkening: the limb keeps 1 - LimbDarkening of the centre's light.
constexpr double LimbDarkening = 0.6;

// A reddish oval below the southern equatorial belt and a moon's shadow: the
// shadow is the small, sharp, dark detail a user checks sharpening against.
struct Oval {
    double u, v;         // centre, in disc radii from the disc centre
    double halfWidth;    // semi-axes, in disc radii
    double halfHeight;
    Rgb colour;
    double strength;     // 1 replaces the clouds completely
};

constexpr Oval RedSpot = {0.30, 0.40, 0.14, 0.075, {205, 130, 95}, 0.75};
constexpr Oval MoonShadow = {-0.35, 0.05, 0.07, 0.075, {20, 16, 14}, 0.95};

constexpr int Supersampling = 4;
constexpr double EdgeZonePixels = 1.5;  // only pixels this close to the limb need supersampling

double Triangle(double t)
{
    const double phase = t - std::floor(t);
    return 4.0 * std::abs(phase - 0.5) - 1.0;
}

Rgb BandColour(double latitude)
{
    if (latitude <= BandStops.front().latitude) return BandStops.front().colour;
    for (std::size_t i = 1; i < BandStops.size(); ++i) {
        const BandStop& upper = BandStops[i];
        if (latitude <= upper.latitude) {
            const BandStop& lower = BandStops[i - 1];
            return Mix(lower.colour, upper.colour, (latitude - lower.latitude) / (upper.latitude - lower.latitude));
        }
    }
    return BandStops.back().colour;
}

double SmoothStep(double edge0, double edge1, double x)
{
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

Rgb ApplyOval(const Rgb& clouds, const Oval& oval, double u, double v)
{
    const double du = (u - oval.u) / oval.halfWidth;
    const double dv = (v - oval.v) / oval.halfHeight;
    const double inside = 1.0 - SmoothStep(0.6, 1.0, du * du + dv * dv);
    return Mix(clouds, oval.colour, inside * oval.strength);
}

// The light of one point of the disc, or nothing when (u, v) is off the disc.
std::optional<Rgb> DiscLight(double u, double v)
{
    const double rho2 = u * u + v * v;
    if (rho2 >= 1.0) return std::nullopt;
    const double latitude = v + BandRippleAmplitude * Triangle(BandRippleFrequency * u + 2.0 * v);
    Rgb colour = BandColour(latitude);
    colour = ApplyOval(colour, RedSpot, u, v);
    colour = ApplyOval(colour, MoonShadow, u, v);
    const double mu = std::sqrt(1.0 - rho2);
    return Scale(colour, 1.0 - LimbDarkening * (1.0 - mu));
}

Rgb PixelLight(int x, int y, double centreX, double centreY)
{
    const double u = (x - centreX) / EquatorialRadius;
    const double v = (y - centreY) / PolarRadius;
    const double distanceFromLimb = std::abs(std::sqrt(u * u + v * v) - 1.0) * PolarRadius;
    if (distanceFromLimb > EdgeZonePixels) return DiscLight(u, v).value_or(Rgb{});

    Rgb sum;
    for (int j = 0; j < Supersampling; ++j) {
        for (int i = 0; i < Supersampling; ++i) {
            const double sx = x + (i + 0.5) / Supersampling - 0.5;
            const double sy = y + (j + 0.5) / Supersampling - 0.5;
            const Rgb light = DiscLight((sx - centreX) / EquatorialRadius, (sy - centreY) / PolarRadius).value_or(Rgb{});
            sum = {sum.red + light.red, sum.green + light.green, sum.blue + light.blue};
        }
    }
    return Scale(sum, 1.0 / (Supersampling * Supersampling));
}

std::uint8_t ToByte(double value) { return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0, 255.0))); }

std::uint8_t ClampByte(int value) { return static_cast<std::uint8_t>(std::clamp(value, 0, 255)); }

ColourPixel Grey(int level)
{
    const std::uint8_t byte = ClampByte(level);
    return {byte, byte, byte};
}

// One box pass along rows (across) or columns (down); a pixel past the edge
// repeats the edge pixel so the borders do not darken.
Bitmap24 BoxPass(const Bitmap24& picture, int radius, bool across)
{
    const int width = picture.width();
    const int height = picture.height();
    const int taps = 2 * radius + 1;
    Bitmap24 result(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int blue = 0, green = 0, red = 0;
            for (int k = -radius; k <= radius; ++k) {
                const int sx = across ? std::clamp(x + k, 0, width - 1) : x;
                const int sy = across ? y : std::clamp(y + k, 0, height - 1);
                const ColourPixel& p = picture.at(sx, sy);
                blue += p.blue;
                green += p.green;
                red += p.red;
            }
            result.at(x, y) = {static_cast<std::uint8_t>((blue + taps / 2) / taps),
                               static_cast<std::uint8_t>((green + taps / 2) / taps),
                               static_cast<std::uint8_t>((red + taps / 2) / taps)};
        }
    }
    return result;
}

std::optional<std::string> WriteRawBytes(const LookupTable& table, const fs::path& path)
{
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    const auto failure = [&path](int error) {
        return "Cannot write \"" + path.string() + "\": " + std::strerror(error);
    };
    std::unique_ptr<std::FILE, Closer> file(std::fopen(path.string().c_str(), "wb"));
    if (!file) return failure(errno);
    if (std::fwrite(table.data(), 1, table.size(), file.get()) != table.size()) return failure(errno != 0 ? errno : EIO);
    if (std::fclose(file.release()) != 0) return failure(errno);
    return std::nullopt;
}

std::optional<std::string> MakeFolder(const fs::path& path)
{
    std::error_code error;
    fs::create_directories(path, error);
    if (error) return "Cannot create folder \"" + path.string() + "\": " + error.message();
    return std::nullopt;
}

// Each frame gets its own noise stream so a frame can be redrawn on its own.
std::uint64_t NoiseSeed(int frameIndex) { return SampleSeed + 1 + static_cast<std::uint64_t>(frameIndex); }

constexpr double Gauss3x3Sigma = 0.8;
constexpr double Gauss7x7Sigma = 1.2;
constexpr double Gauss15x15Sigma = 2.5;

constexpr int KernelZero = 128;  // the byte that means weight 0 in a convolution filter
// Sharpen weights +80 and eight times -9 sum to +8, so the filter keeps the
// overall brightness once the stage divides by the sum.
constexpr int SharpenCentre = 80;
constexpr int SharpenNeighbour = -9;
constexpr int SmoothPeak = 48;
constexpr double SmoothSigma = 1.5;

constexpr double GammaBrighten = 1.8;

}  // namespace

std::uint64_t SplitMix64::next()
{
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

int SplitMix64::between(int lo, int hi)
{
    const auto span = static_cast<std::uint64_t>(static_cast<std::int64_t>(hi) - lo + 1);
    return lo + static_cast<int>(next() % span);
}

std::vector<FramePlan> PlanFrames(int count, std::uint64_t seed)
{
    SplitMix64 random(seed);
    const double middleX = FrameWidth / 2.0;
    const double middleY = FrameHeight / 2.0;
    double x = middleX;
    double y = middleY;
    std::vector<FramePlan> plans;
    plans.reserve(static_cast<std::size_t>(std::max(count, 0)));
    for (int i = 0; i < count; ++i) {
        plans.push_back({x, y, random.between(0, MaxSeeingRadius)});
        // Quarter-pixel steps keep the positions exact in binary while still
        // asking the aligner for sub-pixel shifts.
        x += random.between(-MaxStepQuarterPixels, MaxStepQuarterPixels) / 4.0;
        y += random.between(-MaxStepQuarterPixels, MaxStepQuarterPixels) / 4.0;
        x = std::clamp(x, middleX - MaxWanderX, middleX + MaxWanderX);
        y = std::clamp(y, middleY - MaxWanderY, middleY + MaxWanderY);
    }
    return plans;
}

Bitmap24 DrawPlanet(int width, int height, double centreX, double centreY)
{
    Bitmap24 picture(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Rgb light = PixelLight(x, y, centreX, centreY);
            picture.at(x, y) = {ToByte(light.blue), ToByte(light.green), ToByte(light.red)};
        }
    }
    return picture;
}

Bitmap24 BoxBlur(const Bitmap24& picture, int radius)
{
    if (radius <= 0 || picture.empty()) return picture;
    return BoxPass(BoxPass(picture, radius, true), radius, false);
}

Bitmap24 SeeingBlur(const Bitmap24& picture, int radius) { return BoxBlur(BoxBlur(picture, radius), radius); }

void AddSkyAndNoise(Bitmap24& picture, SplitMix64& random)
{
    for (int y = 0; y < picture.height(); ++y) {
        for (ColourPixel* p = picture.row(y); p != picture.row(y) + picture.width(); ++p) {
            const int brightness = (p->blue + p->green + p->red) / 3;
            const int amplitude = SkyNoise + ((PlanetNoise - SkyNoise) * brightness + 127) / 255;
            for (std::uint8_t* channel : {&p->blue, &p->green, &p->red})
                *channel = ClampByte(*channel + SkyLevel + random.between(-amplitude, amplitude));
        }
    }
}

Bitmap24 MakeFrame(const FramePlan& plan, std::uint64_t noiseSeed)
{
    Bitmap24 frame = SeeingBlur(DrawPlanet(FrameWidth, FrameHeight, plan.centreX, plan.centreY), plan.blurRadius);
    SplitMix64 random(noiseSeed);
    AddSkyAndNoise(frame, random);
    return frame;
}

std::vector<Bitmap24> MakeFrames()
{
    const std::vector<FramePlan> plans = PlanFrames(FrameCount, SampleSeed);
    std::vector<Bitmap24> frames;
    frames.reserve(plans.size());
    for (std::size_t i = 0; i < plans.size(); ++i) frames.push_back(MakeFrame(plans[i], NoiseSeed(static_cast<int>(i))));
    return frames;
}

std::string FrameFileName(int number)
{
    std::string digits = std::to_string(number);
    if (digits.size() < 4) digits.insert(0, 4 - digits.size(), '0');
    return "PLANET_" + digits + ".BMP";
}

Bitmap24 GaussianPsf(int size, double sigma)
{
    Bitmap24 kernel(size, size);
    const int centre = size / 2;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double d2 = (x - centre) * (x - centre) + (y - centre) * (y - centre);
            kernel.at(x, y) = Grey(static_cast<int>(std::lround(255.0 * std::exp(-d2 / (2.0 * sigma * sigma)))));
        }
    }
    return kernel;
}

Bitmap24 SharpenKernel3x3()
{
    Bitmap24 kernel(3, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            kernel.at(x, y) = Grey(KernelZero + (x == 1 && y == 1 ? SharpenCentre : SharpenNeighbour));
    return kernel;
}

Bitmap24 SmoothKernel5x5()
{
    Bitmap24 kernel(5, 5);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 5; ++x) {
            const double d2 = (x - 2) * (x - 2) + (y - 2) * (y - 2);
            const double weight = SmoothPeak * std::exp(-d2 / (2.0 * SmoothSigma * SmoothSigma));
            kernel.at(x, y) = Grey(KernelZero + std::max(1, static_cast<int>(std::lround(weight))));
        }
    }
    return kernel;
}

std::vector<NamedKernel> SampleKernels()
{
    return {
        {"_Gauss15x15.bmp", GaussianPsf(15, Gauss15x15Sigma)},
        {"_Gauss7x7.bmp", GaussianPsf(7, Gauss7x7Sigma)},
        {"_Gauss3x3.bmp", GaussianPsf(3, Gauss3x3Sigma)},
        {"_Sharpen3x3.bmp", SharpenKernel3x3()},
        {"_Smooth5x5.bmp", SmoothKernel5x5()},
    };
}

LookupTable GammaTable(double gamma)
{
    LookupTable table{};
    for (int i = 0; i < 256; ++i)
        table[static_cast<std::size_t>(i)] = ToByte(255.0 * std::pow(i / 255.0, 1.0 / gamma));
    return table;
}

LookupTable NegativeTable()
{
    LookupTable table{};
    for (int i = 0; i < 256; ++i) table[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(255 - i);
    return table;
}

std::optional<std::string> WriteSampleMaterial(const fs::path& folder)
{
    const fs::path pictures = folder / "Pictures";
    const fs::path psf = folder / "PSF";
    if (auto error = MakeFolder(pictures)) return error;
    if (auto error = MakeFolder(psf)) return error;

    const std::vector<FramePlan> plans = PlanFrames(FrameCount, SampleSeed);
    for (int i = 0; i < FrameCount; ++i) {
        const Bitmap24 frame = MakeFrame(plans[static_cast<std::size_t>(i)], NoiseSeed(i));
        if (auto error = WriteBmp(frame, (pictures / FrameFileName(i + 1)).string())) return error;
    }
    for (const NamedKernel& kernel : SampleKernels())
        if (auto error = WriteBmp(kernel.picture, (psf / kernel.fileName).string())) return error;
    if (auto error = WriteRawBytes(GammaTable(GammaBrighten), psf / "gamma.lut")) return error;
    if (auto error = WriteRawBytes(NegativeTable(), psf / "negative.lut")) return error;
    return std::nullopt;
}

}  // namespace quivane::samples
