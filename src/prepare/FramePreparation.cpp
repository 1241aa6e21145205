#include "prepare/FramePreparation.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "image/DeepConversion.h"
#include "image/LuminanceRow.h"
#include "image/PackRow.h"
#include "prepare/GreenCounts.h"
#include "prepare/Resample.h"
#include "prepare/RowSurvey.h"

namespace quivane {
namespace {

// A grey byte stands for a colour pixel of three equal channels, whose
// green and luminance are the byte itself: each step below takes a grey
// frame as it takes its 24-bit twin, to the same picture, working on a
// channel where the twin works on three.
template <class Stretch>
ColourPixel Stretched(const ColourPixel& c, const Stretch& stretch)
{
    return ColourPixel{stretch(c.blue), stretch(c.green), stretch(c.red)};
}
template <class Stretch>
std::uint8_t Stretched(std::uint8_t v, const Stretch& stretch)
{
    return stretch(v);
}

// Rows of luminance bytes give the survey that their frame's rows give:
// minimum and maximum, and the weighted centre above the threshold.
class SurveySums {
public:
    void add(int y, const RowSurvey& r)
    {
        survey_.minimum = std::min(survey_.minimum, r.minimum);
        survey_.maximum = std::max(survey_.maximum, r.maximum);
        total_ += r.total;
        sumX_ += r.sumX;
        sumY_ += static_cast<std::int64_t>(y) * r.total;
    }

    FrameSurvey survey() const
    {
        FrameSurvey survey = survey_;
        // Nothing above the sky: the weighted centre falls on the top-left corner.
        const std::int64_t total = total_ <= 0 ? 1 : total_;
        survey.centreX = static_cast<double>(sumX_) / static_cast<double>(total);
        survey.centreY = static_cast<double>(sumY_) / static_cast<double>(total);
        return survey;
    }

private:
    FrameSurvey survey_;
    std::int64_t total_ = 0, sumX_ = 0, sumY_ = 0;
};

// Levels (a grey frame's, or a colour frame's luminance) whose rows' ranges
// are known: only the rows that reach above the threshold are summed, the
// others weigh nothing (a planet leaves most rows to the sky).
FrameSurvey SurveyRows(const GreyRows& levels, const std::vector<ByteRange>& rowRanges, int threshold)
{
    SurveySums sums;
    for (int y = 0; y < levels.height(); ++y) {
        const ByteRange& range = rowRanges[static_cast<std::size_t>(y)];
        if (range.largest > threshold)
            sums.add(y, SurveyRow(levels.row(y), levels.width(), threshold));
        else
            sums.add(y, RowSurvey{range.smallest, range.largest, 0, 0});
    }
    return sums.survey();
}

// A colour frame's luminance, kept as a grey frame, and each row's range.
struct FrameLuminance {
    Bitmap8 levels;
    std::vector<ByteRange> rowRanges;
};

// A colour frame is read once: each row gives its luminance and its range,
// and, when `greens` is given, its greens to the histogram while it is still
// in the cache. Kept per thread from one frame to the next.
const FrameLuminance& LuminanceOf(const ColourRows& frame, GreenCounts* greens)
{
    thread_local FrameLuminance luminance;
    luminance.levels.reshape(frame.width(), frame.height());
    luminance.rowRanges.resize(static_cast<std::size_t>(frame.height()));
    for (int y = 0; y < frame.height(); ++y) {
        luminance.rowRanges[static_cast<std::size_t>(y)] =
            LuminanceRow(frame.row(y), frame.width(), luminance.levels.row(y));
        if (greens && y % 2 == 0) greens->addRow(frame.row(y), frame.width());
    }
    return luminance;
}

int DeepLuminance(const std::uint16_t* rgb) { return Luminance(rgb[0], rgb[1], rgb[2]); }

}  // namespace

FrameSurvey SurveyFrame(const ColourRows& frame, int threshold)
{
    const FrameLuminance& luminance = LuminanceOf(frame, nullptr);
    return SurveyRows(luminance.levels, luminance.rowRanges, threshold);
}

namespace {

// A deep frame is surveyed as if its luminance range were first stretched
// onto 0..255: a faint object of a few hundred levels out of 65535 must still
// stand out from its sky.
class DeepRange {
public:
    explicit DeepRange(const DeepFrame& frame)
    {
        for (int y = 0; y < frame.height; ++y) {
            const std::uint16_t* row = frame.row(y);
            for (int x = 0; x < frame.width; ++x) {
                const int lum = DeepLuminance(row + 3 * static_cast<std::size_t>(x));
                minimum_ = std::min(minimum_, lum);
                maximum_ = std::max(maximum_, lum);
            }
        }
    }
    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }
    int toByte(int level) const
    {
        const std::int64_t range = std::max(1, maximum_ - minimum_);
        return ClampByte(static_cast<int>((level - minimum_) * std::int64_t{255} / range));
    }

private:
    int minimum_ = 65535;
    int maximum_ = 0;
};

Histogram GreenHistogram(const DeepFrame& frame, const DeepRange& range)
{
    Histogram histogram;
    ClearHistogram(histogram);
    for (int y = 0; y < frame.height; y += 2) {
        const std::uint16_t* row = frame.row(y);
        for (int x = 0; x < frame.width; x += 2) {
            std::uint16_t& count = histogram[static_cast<std::size_t>(range.toByte(row[3 * static_cast<std::size_t>(x) + 1]))];
            if (count != 65535) ++count;
        }
    }
    return histogram;
}

FrameSurvey SurveyFrame(const DeepFrame& frame, const DeepRange& range, int threshold)
{
    FrameSurvey survey{range.minimum(), range.maximum(), 0.0, 0.0};
    std::int64_t total = 0, sumX = 0, sumY = 0;
    for (int y = 0; y < frame.height; ++y) {
        const std::uint16_t* row = frame.row(y);
        for (int x = 0; x < frame.width; ++x) {
            const int lum = range.toByte(DeepLuminance(row + 3 * static_cast<std::size_t>(x)));
            if (lum > threshold) {
                total += lum;
                sumX += static_cast<std::int64_t>(x) * lum;
                sumY += static_cast<std::int64_t>(y) * lum;
            }
        }
    }
    if (total <= 0) total = 1;
    survey.centreX = static_cast<double>(sumX) / static_cast<double>(total);
    survey.centreY = static_cast<double>(sumY) / static_cast<double>(total);
    return survey;
}

}  // namespace

namespace {

// ClampByte((v - minimum) * gain / 256) for `count` bytes. A numerator below
// zero clamps to 0 whether it is truncated or floored, so a shift does.
void StretchBytes(const std::uint8_t* in, int count, int minimum, int gain, std::uint8_t* out)
{
    for (int i = 0; i < count; ++i) {
        const int v = ((in[i] - minimum) * gain) >> 8;
        out[i] = static_cast<std::uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
    }
}

// The region around (left, top), border pixels repeated outside the frame,
// with the frame's luminance range stretched to 0..240: colour from a colour
// frame, grey levels from a grey one (whose colour pixels would be three
// equal channels).
template <class Frame>
Bitmap<RowPixel<Frame>> StretchedCutOut(const Frame& frame, int left, int top, int width, int height, int minimum,
                                        int maximum)
{
    using Pixel = RowPixel<Frame>;
    const int range = maximum - minimum != 0 ? maximum - minimum : 1;
    const int gain = 61440 / range;  // 240 * 256: the range becomes 0..240
    auto stretch = [&](int channel) { return static_cast<std::uint8_t>(ClampByte((channel - minimum) * gain / 256)); };

    Bitmap<Pixel> cutOut(width, height);
    // Columns inside the frame are a run of bytes, stretched alike.
    const int inFirst = std::clamp(-left, 0, width);
    const int inEnd = std::clamp(frame.width() - left, inFirst, width);
    for (int q = 0; q < height; ++q) {
        const Pixel* source = frame.row(std::clamp(top + q, 0, frame.height() - 1));
        Pixel* target = cutOut.row(q);
        for (int i = 0; i < inFirst; ++i) target[i] = Stretched(source[std::clamp(left + i, 0, frame.width() - 1)], stretch);
        StretchBytes(reinterpret_cast<const std::uint8_t*>(source + left + inFirst),
                     static_cast<int>(sizeof(Pixel)) * (inEnd - inFirst), minimum, gain,
                     reinterpret_cast<std::uint8_t*>(target + inFirst));
        for (int i = inEnd; i < width; ++i) target[i] = Stretched(source[std::clamp(left + i, 0, frame.width() - 1)], stretch);
    }
    return cutOut;
}

// The same from a deep frame: its own luminance range, at full depth, becomes
// 0..240, so a faint object keeps every level it has.
Bitmap24 StretchedCutOut(const DeepFrame& frame, int left, int top, int width, int height, int minimum, int maximum)
{
    const std::int64_t range = maximum - minimum != 0 ? maximum - minimum : 1;
    auto stretch = [&](int channel) {
        return static_cast<std::uint8_t>(ClampByte(static_cast<int>((channel - minimum) * std::int64_t{240} / range)));
    };
    Bitmap24 cutOut(width, height);
    for (int q = 0; q < height; ++q) {
        const std::uint16_t* source = frame.row(std::clamp(top + q, 0, frame.height - 1));
        ColourPixel* target = cutOut.row(q);
        for (int i = 0; i < width; ++i) {
            const std::uint16_t* c = source + 3 * static_cast<std::size_t>(std::clamp(left + i, 0, frame.width - 1));
            target[i] = ColourPixel{stretch(c[2]), stretch(c[1]), stretch(c[0])};
        }
    }
    return cutOut;
}

int NearestEven(double v) { return static_cast<int>(std::nearbyint(v)); }

// The cut-out's top-left corner: centred on the object, or on the frame.
struct CutOutPlace {
    int left, top, width, height;
};
CutOutPlace PlaceCutOut(const Picture& picture, int frameWidth, int frameHeight, const FrameSurvey& survey,
                        int width, int height)
{
    int centreX, centreY;
    if (picture.fullPicture) {
        centreX = frameWidth / 2;
        centreY = frameHeight / 2;
    } else {
        centreX = NearestEven(survey.centreX);
        centreY = NearestEven(survey.centreY);
    }
    const int enlargement = std::max(1, picture.enlargement);
    const int cutWidth = width / enlargement;
    const int cutHeight = height / enlargement;
    return {centreX - cutWidth / 2, centreY - cutHeight / 2, cutWidth, cutHeight};
}

template <class Pixel>
void EnlargeAndPack(Picture& picture, const Bitmap<Pixel>& cutOut, int width, int height)
{
    // Kept per thread from one frame to the next: the enlargement writes
    // every pixel of it.
    thread_local Bitmap<Pixel> enlarged;
    enlarged.reshape(width, height);
    const ResampleFilter& filter = ResampleFilters[Mitchell2];
    Resample(cutOut, enlarged, filter.weightFunction, filter.support);
    for (int y = 0; y < height; ++y) PackRow(enlarged.row(y), picture.bitmap.row(y), width);
}

}  // namespace

int ObjectThreshold(const Histogram& histogram)
{
    int peakBin = 0;
    for (int bin = 1; bin <= 254; ++bin) {
        if (histogram[static_cast<std::size_t>(bin)] > histogram[static_cast<std::size_t>(peakBin)]) peakBin = bin;
    }
    const int quarterPeak = histogram[static_cast<std::size_t>(peakBin)] / 4;
    int edge = 0;
    for (int bin = peakBin; bin <= 254; ++bin) {
        const int count = histogram[static_cast<std::size_t>(bin)];
        if (count > 0 && count < quarterPeak && bin > 0) {
            edge = bin;
            break;
        }
    }
    if (edge > 200) edge = 0;
    return std::min(255, edge + 24);
}

namespace {

template <class Frame>
Picture Built(const Frame& frame, int enlargement, bool fullPicture, int width, int height)
{
    Picture picture;
    picture.enlargement = enlargement;
    picture.fullPicture = fullPicture;
    BuildPicture(picture, frame, width, height);
    return picture;
}

// A grey frame is read once: each row gives its range and, every second
// row, its levels to the histogram while it is still in the cache.
ObjectSurvey SurveyPixelObject(const GreyRows& frame)
{
    GreenCounts counts;
    thread_local std::vector<ByteRange> rowRanges;
    rowRanges.resize(static_cast<std::size_t>(frame.height()));
    for (int y = 0; y < frame.height(); ++y) {
        rowRanges[static_cast<std::size_t>(y)] = RowRange(frame.row(y), frame.width());
        if (y % 2 == 0) counts.addRow(frame.row(y), frame.width());
    }
    ObjectSurvey survey;
    survey.threshold = ObjectThreshold(counts.histogram());
    survey.frame = SurveyRows(frame, rowRanges, survey.threshold);
    return survey;
}

ObjectSurvey SurveyPixelObject(const ColourRows& frame)
{
    GreenCounts greens;
    const FrameLuminance& luminance = LuminanceOf(frame, &greens);
    ObjectSurvey survey;
    survey.threshold = ObjectThreshold(greens.histogram());
    survey.frame = SurveyRows(luminance.levels, luminance.rowRanges, survey.threshold);
    return survey;
}

ObjectSurvey SurveyColourObject(const DeepFrame& colour, const DeepRange& range)
{
    ObjectSurvey survey;
    survey.threshold = ObjectThreshold(GreenHistogram(colour, range));
    survey.frame = SurveyFrame(colour, range, survey.threshold);
    return survey;
}

template <class Frame>
ObjectSurvey BuildFromPixels(Picture& picture, const Frame& frame, int width, int height)
{
    PreparePictureBitmap(picture, width, height);
    const ObjectSurvey object = SurveyPixelObject(frame);
    picture.threshold = object.threshold;
    const FrameSurvey& survey = object.frame;
    const CutOutPlace place = PlaceCutOut(picture, frame.width(), frame.height(), survey, width, height);
    EnlargeAndPack(picture,
                   StretchedCutOut(frame, place.left, place.top, place.width, place.height, survey.minimum,
                                   survey.maximum),
                   width, height);
    return object;
}

}  // namespace

ObjectSurvey BuildPicture(Picture& picture, const ColourRows& frame, int width, int height)
{
    return BuildFromPixels(picture, frame, width, height);
}

ObjectSurvey BuildPicture(Picture& picture, const GreyRows& frame, int width, int height)
{
    return BuildFromPixels(picture, frame, width, height);
}

ObjectSurvey BuildPicture(Picture& picture, const DeepFrame& frame, int width, int height)
{
    DeepFrame widened;
    const DeepFrame& colour = AsColour(frame, widened);
    const DeepRange range(colour);
    PreparePictureBitmap(picture, width, height);
    const ObjectSurvey object = SurveyColourObject(colour, range);
    picture.threshold = object.threshold;
    const FrameSurvey& survey = object.frame;
    const CutOutPlace place = PlaceCutOut(picture, colour.width, colour.height, survey, width, height);
    EnlargeAndPack(picture,
                   StretchedCutOut(colour, place.left, place.top, place.width, place.height, survey.minimum,
                                   survey.maximum),
                   width, height);
    return object;
}

ObjectSurvey SurveyObject(const ColourRows& frame) { return SurveyPixelObject(frame); }

ObjectSurvey SurveyObject(const GreyRows& frame) { return SurveyPixelObject(frame); }

ObjectSurvey SurveyObject(const DeepFrame& frame)
{
    DeepFrame widened;
    const DeepFrame& colour = AsColour(frame, widened);
    return SurveyColourObject(colour, DeepRange(colour));
}

Picture PictureOf(const Bitmap24& frame, int enlargement, bool fullPicture, int width, int height)
{
    return Built(frame, enlargement, fullPicture, width, height);
}

Picture PictureOf(const DeepFrame& frame, int enlargement, bool fullPicture, int width, int height)
{
    return Built(frame, enlargement, fullPicture, width, height);
}

Picture PictureOf(const Bitmap8& frame, int enlargement, bool fullPicture, int width, int height)
{
    return Built(frame, enlargement, fullPicture, width, height);
}

}  // namespace quivane
